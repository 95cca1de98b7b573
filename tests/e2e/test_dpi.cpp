// Every window at 96, 120 and 144 dots per inch: laid out from its twips, its controls inside their groups
// and inside the window, no text cut off, measured inside the program's process by the simulated device's
// layout dump; the main window's controls stay where they are when it is resized. Screenshots of each
// window at 96 and 144 go to build/screenshots.
//
// How Wine 8 takes the DPI: the DWORD LogPixels in HKEY_CURRENT_USER\Control Panel\Desktop, or when that
// is missing the one in HKEY_CURRENT_CONFIG\Software\Fonts (96, written by wineboot). A process reads it
// once, as it starts: a program started after the change gets the new DPI without a restart of the Wine
// server, while running ones, this test program included, keep the old one.
#include <algorithm>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "harness.h"

using namespace e2e;

namespace {

const char DESKTOP_KEY[] = "Control Panel\\Desktop";
// Where the DPI as it was before a test changed it waits to be put back (a DWORD, 0 when there was no
// LogPixels). The other tests need 96: a test program killed halfway leaves it to the next one, which
// puts it back before it starts any program.
const char SAVED_KEY[] = "Software\\Pellwick tests", SAVED_VALUE[] = "LogPixels before";

bool readDword(const char* key, const char* name, DWORD* value)
{
    DWORD size = sizeof *value;
    return !RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, value, &size);
}

bool writeDword(const char* key, const char* name, DWORD value)
{
    return !RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof value);
}

void putBackDpi()
{
    DWORD before = 0;
    if (!readDword(SAVED_KEY, SAVED_VALUE, &before))
        return;
    if (before)
        writeDword(DESKTOP_KEY, "LogPixels", before);
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, DESKTOP_KEY, "LogPixels");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, SAVED_KEY, SAVED_VALUE);
}

// At the start of every test program.
const bool leftOverDpiPutBack = (putBackDpi(), true);

// The DPI of programs started while it lives.
struct ScreenDpi {
    explicit ScreenDpi(DWORD dpi)
    {
        putBackDpi();
        DWORD before = 0;
        readDword(DESKTOP_KEY, "LogPixels", &before);
        set = writeDword(SAVED_KEY, SAVED_VALUE, before) && writeDword(DESKTOP_KEY, "LogPixels", dpi);
    }
    ~ScreenDpi() { putBackDpi(); }
    bool set = false;
};

// Where a control is, in twips, as the program's code places it: relative to a group of the same window,
// or to the client area (group 0). STRETCH: to the client area's edge less the margin; ICON: the About
// icon's size, 32 pixels at every DPI, at the top-left corner of its twips box.
const int STRETCH = -1, NOT_CHECKED = -2, ICON = -3;
struct Place { int id, group, left, top, width, height; const char* text = nullptr; /* null: not checked */ };
struct Form { int clientWidth, clientHeight, margin /* for STRETCH */; std::vector<Place> places; };

const Form MAIN = {7170, 6390, 0, {
    {IDC_FRAME1, 0, 4320, 120, 2775, 855, "Received Tavro Event Code:"},
    {IDC_LBLTAVROCODE, IDC_FRAME1, 120, 240, 2535, 495, "------------"},
    {IDC_FRAME2, 0, 120, 1080, 6975, 2535, "IR Code (Pronto Format):"},
    {IDC_TBCURCODE, IDC_FRAME2, 120, 360, 6735, 1575},
    {IDC_CBTRANSMITIRCODE, IDC_FRAME2, 2040, 2040, 1815, 375, "Test Transmit IR Code"},
    {IDC_FRAME3, 0, 120, 120, 4095, 855, "Tavrix Info:"},
    {IDC_LBLINFO, IDC_FRAME3, 120, 240, 3855, 375},
    {IDC_CBLEARNIRCODE, IDC_FRAME2, 120, 2040, 1815, 375, "Learn an IR Code"},
    {IDC_FRAME4, 0, 120, 3720, 6975, 2535, "Learn Status:"},
    {IDC_CBINJECTIR, IDC_FRAME4, 240, 2040, 1815, 375, "Inject IR Code Above"},
    {IDC_LBLCARRIER, IDC_FRAME4, 2760, 1440, 1335, 255, "Carrier Frequency:"},
    {IDC_LBLLRNPROGRESS, IDC_FRAME4, 240, 1440, 1575, 255, "Learn Progress:"},
    {IDC_CBLEARNASBURST, IDC_FRAME4, 2280, 2040, 1335, 375, "Accept Burst"},
    {IDC_CBLEARNCANCEL, IDC_FRAME4, 3840, 2040, 1335, 375, "Cancel"},
    {IDC_PBSIGQUALITY, IDC_FRAME4, 5400, 840, 375, 1575},
    {IDC_LBLSIGQUALITY, IDC_FRAME4, 5160, 240, 735, 495, "Signal Quality:"},
    {IDC_LBLCARRIERFREQ, IDC_FRAME4, 4440, 1440, 615, 255, "---"},
    {IDC_LBLINSTRUCT1, IDC_FRAME4, 360, 360, 3255, 735,
     "1. Aim Remote directly at Tavrix approximately 6 inches from Tavrix face."},
    {IDC_LBLINSTRUCT2, IDC_FRAME4, 360, 840, 3255, 495,
     "2. PRESS and HOLD the desired button on your Remote until Learning is Complete..."},
    {IDC_LBLLRNSTATUS, IDC_FRAME4, 240, 480, 1335, 375, "Idle"},
    {IDC_PBLEARNPROGRESS3, IDC_FRAME4, 240, 1680, 4935, 255},
}};

const Form TRANSMIT = {4800, 840, 0, {{IDC_LABEL1, 0, 720, 240, 3855, 375, "Transmission in Progress . . ."}}};

const Form ABOUT = {5865, 3615, 0, {
    {IDC_CMDOK, 0, 4245, 2625, 1467, 345, "OK"},
    {IDC_CMDSYSINFO, 0, 4260, 3075, 1452, 345, "&System Info..."},
    {IDC_PICICON, 0, 240, 240, ICON, ICON},
    {IDC_LBLDISCLAIMER, 0, 255, 2625, 3870, 825},
    {IDC_LBLVERSION, 0, 1050, 780, 4092, 225, "Version " PELLWICK_VERSION},
    {IDC_LBLTITLE, 0, 1050, 240, 4092, 480, "Pellwick"},
    {IDC_LBLDESCRIPTION, 0, 1050, 1125, 4092, 1170,
     "This simple applet can be used to aid in the learn process and allows you to interject pre-learned codes "
     "for any third-party application which is asking the Tavrix to learn an IR code. It may also be used as a "
     "simple receive/transmit test application."},
}};

// A negative left or top counts from the client area's right or bottom edge, a width or height of FROM_END - n
// reaches n twips short of it.
const int FROM_END = -100000;
const Form INSPECTOR = {7170, 5400, 120, {
    {IDC_INSPECT_LBLDECODE, 0, 120, 150, 900, 255, "&Decode:"},
    {IDC_INSPECT_DECODE, 0, 1080, 105, STRETCH, 315},
    {IDC_INSPECT_LBLFACTS, 0, 120, 540, 900, 255, "&Facts:"},
    {IDC_INSPECT_FACTS, 0, 1080, 510, STRETCH, 1455},
    {IDC_INSPECT_LBLWAVEFORM, 0, 120, 2085, 4200, 255},
    {IDC_INSPECT_WAVEFORM, 0, 120, 2385, STRETCH, FROM_END - 585},
    {IDC_INSPECT_COPY, 0, -2910, -465, 1215, 345, "&Copy"},
    {IDC_INSPECT_SAVESVG, 0, -1575, -465, 1455, 345, "Save as S&VG..."},
}};

// Generate with as many parameter rows as its protocol has: what is below
// the rows moves up by a row for each one missing, the window with it.
Form generateForm(int rows)
{
    const int up = (6 - rows) * 420;
    // The combo box's height is its drop-down list's too: its field is as
    // high as its font makes it.
    Form form = {6360, 6045 - up, 0, {
        {IDC_GEN_LBLPROTOCOL, 0, 120, 165, 1200, 255},
        {IDC_GEN_PROTOCOL, 0, 1380, 120, 2640, NOT_CHECKED},
        {IDC_GEN_IRP, 0, 120, 540, 6120, 900},
        {IDC_GEN_LBLDECODE, 0, 120, 4125 - up, 1200, 255, "Decode:"},
        {IDC_GEN_DECODE, 0, 1380, 4080 - up, 4860, 315},
        {IDC_GEN_LBLCODE, 0, 120, 4545 - up, 1200, 255, "Code:"},
        {IDC_GEN_CODE, 0, 1380, 4500 - up, 4860, 945},
        {IDOK, 0, 3720, 5580 - up, 1215, 345},
        {IDCANCEL, 0, 5025, 5580 - up, 1215, 345},
    }};
    for (int p = 0; p < rows; ++p) {
        form.places.push_back({IDC_GEN_LABEL_D + p, 0, 120, 1560 + 420 * p + 45, 2400, 255});
        form.places.push_back({IDC_GEN_VALUE_D + p, 0, 2640, 1560 + 420 * p, 1140, 315});
    }
    return form;
}

std::string describe(const Placed& c)
{
    char text[160];
    std::snprintf(text, sizeof text, "control %d (%s) at %ld,%ld-%ld,%ld", c.id, c.cls.c_str(), c.rect.left,
                  c.rect.top, c.rect.right, c.rect.bottom);
    return text + (c.text.empty() ? std::string() : " \"" + c.text + "\"");
}

bool isClass(const Placed& c, const char* cls)
{
    return lstrcmpiA(c.cls.c_str(), cls) == 0;
}

bool inside(const RECT& in, const RECT& out)
{
    return in.left >= out.left && in.top >= out.top && in.right <= out.right && in.bottom <= out.bottom;
}

// Whether the control's text shows whole, in Common Controls 6: static text
// by the pixels it sets, buttons and fields by the room their font needs.
void expectTextFits(const Placed& c, const std::string& context)
{
    SCOPED_TRACE(context + ": " + describe(c) + " in a font " + std::to_string(c.fontHeight) + " px high");
    if (!c.measured)
        return;
    // The manifest asks for Common Controls 6, in today's visual styles.
    EXPECT_EQ(lstrcmpiA(c.module.c_str(), "comctl32.dll"), 0) << "drawn by " << c.module << ", not Common Controls 6";
    if (isClass(c, "Static")) {
        if (c.ink.right <= c.ink.left)
            return;  // nothing drawn
        EXPECT_TRUE(inside(c.ink, {0, 0, c.client.cx, c.client.cy}))
            << "the text's pixels reach " << c.ink.left << "," << c.ink.top << "-" << c.ink.right
            << "," << c.ink.bottom << ", the control shows " << c.client.cx << "x" << c.client.cy;
    } else if (isClass(c, "Button") && c.text.size()) {
        // A group's title sits on its frame, a font's height in from the
        // corners; a button's inside its 3D edge and focus rectangle.
        bool group = (c.style & BS_TYPEMASK) == BS_GROUPBOX;
        int room = group ? c.client.cx - c.fontHeight : c.client.cx - 8;
        EXPECT_LE(c.extent.cx, room) << "caption wider than its room";
        EXPECT_LE(c.extent.cy, group ? c.client.cy : c.client.cy - 4) << "caption too high";
    } else if (isClass(c, "Edit") || isClass(c, "ComboBox")) {
        EXPECT_LE(c.fontHeight, c.client.cy) << "a line of text is higher than the field";
        // Less the drop-down button, about as wide as the field is high.
        EXPECT_TRUE(!isClass(c, "ComboBox") || c.extent.cx <= c.client.cx - c.client.cy) << "choice too wide";
    }
}

// The form's own places at this DPI, its controls inside their groups and
// its client area, and their texts whole.
void expectLayout(const Layout& layout, HWND window, const Form& form, int dpi, const std::string& context)
{
    SCOPED_TRACE(context);
    auto px = [dpi](int twips) { return twips * dpi / 1440.0; };
    const Placed* w = layout.window(window);
    ASSERT_NE(w, nullptr) << "window not in the layout dump";
    EXPECT_NEAR(w->client.cx, px(form.clientWidth), 1) << "client width";
    EXPECT_NEAR(w->client.cy, px(form.clientHeight), 1) << "client height";
    RECT client = {0, 0, w->client.cx, w->client.cy};

    for (const Place& p : form.places) {
        const Placed* c = layout.control(window, p.id);
        ASSERT_NE(c, nullptr) << "no control " << p.id;
        SCOPED_TRACE(describe(*c));
        RECT origin = {0, 0, 0, 0};
        if (p.group) {
            const Placed* g = layout.control(window, p.group);
            ASSERT_NE(g, nullptr) << "no group " << p.group;
            origin = g->rect;
            EXPECT_TRUE(inside(c->rect, g->rect)) << "outside its group " << describe(*g);
            EXPECT_TRUE(!g->measured || c->rect.top >= g->rect.top + g->extent.cy) << "over its group's title";
        }
        EXPECT_TRUE(!p.text || c->text == p.text) << "text \"" << c->text << "\"";
        EXPECT_NEAR(c->rect.left - origin.left, p.left < 0 ? w->client.cx - px(-p.left) : px(p.left), 1) << "left";
        EXPECT_NEAR(c->rect.top - origin.top, p.top < 0 ? w->client.cy - px(-p.top) : px(p.top), 1) << "top";
        auto edge = [&](int size, LONG start, LONG clientSize) {
            return size == STRETCH       ? clientSize - px(form.margin)
                   : size == ICON        ? start + 32.0
                   : size <= FROM_END    ? clientSize - px(FROM_END - size)
                                         : start + px(size);
        };
        EXPECT_NEAR(c->rect.right, edge(p.width, c->rect.left, w->client.cx), 1) << "right edge";
        if (p.height != NOT_CHECKED) {
            EXPECT_NEAR(c->rect.bottom, edge(p.height, c->rect.top, w->client.cy), 1) << "bottom edge";
        }
    }
    for (const Placed* c : layout.controlsOf(window)) {
        if (!(c->style & WS_VISIBLE))
            continue;  // a row the protocol does not have
        EXPECT_TRUE(inside(c->rect, client)) << describe(*c) << " outside the client area";
        expectTextFits(*c, context);
    }
}

// The groups as the screen shows them, in Common Controls 6 as before: the title in the text colour at
// the top left, the frame's line down the left edge below it.
void expectGroupsDrawn(App& app, const Layout& layout, HWND window, const std::string& context)
{
    SCOPED_TRACE(context);
    for (const Placed* g : layout.controlsOf(window)) {
        if (!isClass(*g, "Button") || (g->style & BS_TYPEMASK) != BS_GROUPBOX)
            continue;
        simctl::Capture shot = simctl::capture(app.pid(), g->id);
        ASSERT_GT(shot.width, 0) << describe(*g) << " not captured";
        int title = 0, frame = 0;
        for (int y = 0; y < g->extent.cy; ++y)
            for (int x = 0; x < g->extent.cx + g->fontHeight; ++x)
                title += shot.at(x, y) == GetSysColor(COLOR_BTNTEXT);
        for (int y = g->extent.cy; y < shot.height - g->extent.cy; ++y)
            for (int x = 0; x < 3; ++x)
                if (shot.at(x, y) != GetSysColor(COLOR_BTNFACE)) {
                    ++frame;
                    break;
                }
        EXPECT_GT(title, g->extent.cx / 2) << describe(*g) << ": title not drawn";
        EXPECT_EQ(frame, shot.height - 2 * g->extent.cy) << describe(*g) << ": frame not drawn";
    }
}

// A code whose transmission takes the simulated driver's longest block, so
// that the transmit window stays up for its screenshot.
const char LONG_CODE[] = "0000 006D 0001 0001 0010 FFFF 0010 FFFF";

}  // namespace

class Dpi : public ::testing::TestWithParam<int> {};

TEST_P(Dpi, EveryWindowLaysOutFromTwipsWithItsTextsWhole)
{
    const int dpi = GetParam();
    const std::string at = std::to_string(dpi) + "dpi";
    auto screenshot = [&](HWND window, const char* name) {
        EXPECT_TRUE(!(dpi == 96 || dpi == 144) || saveScreenshot(window, name + ("-" + at))) << name;
    };
    ScreenDpi screen(static_cast<DWORD>(dpi));
    ASSERT_TRUE(screen.set);
    App app;
    HWND main = app.mainWindow();
    ASSERT_NE(main, nullptr);

    // Main window, with a code in the box.
    ASSERT_TRUE(app.toForeground());
    app.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 3000));
    Layout layout = app.layout();
    ASSERT_EQ(layout.dpi, dpi) << "the program does not run at the DPI set";
    expectLayout(layout, main, MAIN, dpi, "main window at " + at);
    expectGroupsDrawn(app, layout, main, "main window at " + at);
    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_TRUE(inside(frame, {0, 0, 1280, 1024})) << "main window at " << frame.left << "," << frame.top << "-"
                                                   << frame.right << "," << frame.bottom << ", off a 1280x1024 screen";
    EXPECT_NEAR(frame.left + frame.right, GetSystemMetrics(SM_CXSCREEN), 4) << "not centred";
    EXPECT_NEAR(frame.top + frame.bottom, GetSystemMetrics(SM_CYSCREEN), 4) << "not centred";
    EXPECT_EQ(GetWindowLongA(main, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    screenshot(main, "main");
    // Resized, maximised and restored, every control keeps its place.
    auto places = [&] {
        std::string text;
        Layout now = app.layout();
        for (const Placed& c : now.controls)
            text += describe(c) + "\n";
        return text;
    };
    const std::string placed = places();
    for (int show : {0, SW_MAXIMIZE, SW_RESTORE}) {
        show ? ShowWindow(main, show) : SetWindowPos(main, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
        settle(300);
        EXPECT_EQ(places(), placed) << "after ShowWindow " << show << " (0: resized)";
    }

    // The transmit window, on screen while a transmission runs; laid out
    // from the layout it keeps, hidden, afterwards.
    app.typeCode(LONG_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 3000));
    app.click(IDC_CBTRANSMITIRCODE);
    HWND tx = nullptr;
    // GetWindowText reads another program's caption without asking it: the
    // program is busy transmitting.
    waitFor([&] {
        char title[64] = {};
        for (HWND w : app.topWindows())
            if (GetWindowTextA(w, title, sizeof title) && std::string(title) == "TRANSMITTING IR CODE...")
                tx = w;
        return tx != nullptr;
    }, 3000);
    ASSERT_NE(tx, nullptr);
    // On the screen with its label while the program is blocked in the driver.
    EXPECT_TRUE(waitFor([&] {
        return countScreenColour(GetDlgItem(tx, IDC_LABEL1), GetSysColor(COLOR_BTNTEXT)) > 50;
    }, 1000)) << "the transmit window's label is not on the screen";
    screenshot(tx, "transmit");
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(tx); }, 6000));
    expectLayout(app.layout(), tx, TRANSMIT, dpi, "transmit window at " + at);
    app.typeCode(NEC1_CODE);

    // Each window opens from the main window in front, as a user's would.
    auto open = [&](int command, const char* title, const Form& form, const char* name) {
        app.toForeground();
        app.menu(command);
        HWND window = app.findTopWindow(title);
        EXPECT_NE(window, nullptr) << title;
        expectLayout(app.layout(), window, form, dpi, name + (" at " + at));
        screenshot(window, name);
        return window;
    };
    HWND about = open(IDM_HELPABOUT, "About Pellwick", ABOUT, "about");
    app.keys({VK_ESCAPE});
    ASSERT_TRUE(waitFor([&] { return !IsWindow(about); }, 3000));
    // The inspector opens as large as the room beside the main window allows, no smaller than its least size:
    // its layout is checked at the size it opened at, as measured inside the program.
    app.toForeground();
    app.menu(IDM_CODEINSPECT);
    HWND inspector = app.findTopWindow("IR Code Inspector");
    ASSERT_NE(inspector, nullptr);
    Layout shown = app.layout();
    ASSERT_NE(shown.window(inspector), nullptr);
    Form opened = INSPECTOR;
    opened.clientWidth = static_cast<int>(std::lround(shown.window(inspector)->client.cx * 1440.0 / dpi));
    opened.clientHeight = static_cast<int>(std::lround(shown.window(inspector)->client.cy * 1440.0 / dpi));
    EXPECT_TRUE(opened.clientWidth >= 4500 - 15 && opened.clientHeight >= 4200 - 15)
        << opened.clientWidth << " x " << opened.clientHeight << " twips: smaller than its least size";
    expectLayout(shown, inspector, opened, dpi, "inspector at " + at);
    screenshot(inspector, "inspector");
    PostMessageA(inspector, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(inspector); }, 3000));

    // Generate, with each protocol's parameter rows in turn.
    // The rows shown are the protocol's parameters, as the IRP line above
    // them lists them between its brackets.
    auto rowsOf = [](const std::string& irp) {
        size_t open = irp.rfind('['), close = irp.rfind(']');
        if (open == std::string::npos || close < open)
            return 0;
        return 1 + static_cast<int>(std::count(irp.begin() + open, irp.begin() + close, ','));
    };
    app.toForeground();
    app.menu(IDM_CODEGENERATE);
    HWND generate = app.findTopWindow("Generate IR Code");
    ASSERT_NE(generate, nullptr);
    HWND combo = GetDlgItem(generate, IDC_GEN_PROTOCOL);
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    ASSERT_GT(count, 1);
    std::string irp = windowText(GetDlgItem(generate, IDC_GEN_IRP));
    expectLayout(app.layout(), generate, generateForm(rowsOf(irp)), dpi, "generate at " + at + " " + irp);
    screenshot(generate, "generate");
    app.keys({VK_HOME});
    for (LRESULT i = 0; i < count; ++i) {
        ASSERT_TRUE(waitFor([&] { return SendMessageA(combo, CB_GETCURSEL, 0, 0) == i; }, 3000));
        irp = windowText(GetDlgItem(generate, IDC_GEN_IRP));
        expectLayout(app.layout(), generate, generateForm(rowsOf(irp)), dpi,
                     "Generate at " + at + " with " + windowText(combo) + " " + irp);
        app.keys({VK_DOWN});
    }
    app.keys({VK_ESCAPE});
    EXPECT_TRUE(waitFor([&] { return !IsWindow(generate); }, 3000));
}

// The library window, laid out from the room its captions need: at the
// size it opens with, at the smallest it can take and maximised, every
// control inside the window, none over another, every caption whole.
TEST_P(Dpi, LibraryWindowShowsEveryControlWholeAtAnySize)
{
    const int dpi = GetParam();
    ScreenDpi screen(static_cast<DWORD>(dpi));
    ASSERT_TRUE(screen.set);
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    app.menu(IDM_CODELIBRARY);
    HWND library = app.findTopWindow("IR Code Library");
    ASSERT_NE(library, nullptr);
    const char* sizes[] = {"as opened", "smallest", "maximised"};
    for (const char* size : sizes) {
        std::string context = std::string("library window ") + size + " at " + std::to_string(dpi) + "dpi";
        SCOPED_TRACE(context);
        if (size == sizes[1])
            SetWindowPos(library, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
        else if (size == sizes[2])
            ShowWindow(library, SW_MAXIMIZE);
        Layout layout = app.layout();
        const Placed* w = layout.window(library);
        ASSERT_NE(w, nullptr);
        RECT client = {0, 0, w->client.cx, w->client.cy};
        std::vector<const Placed*> controls = layout.controlsOf(library);
        EXPECT_EQ(controls.size(), 15u);
        for (size_t i = 0; i < controls.size(); ++i) {
            const RECT& r = controls[i]->rect;
            EXPECT_TRUE(inside(r, client) && r.right > r.left && r.bottom > r.top)
                << describe(*controls[i]) << " not whole in the client area " << client.right << "x" << client.bottom;
            expectTextFits(*controls[i], context);
            for (size_t k = i + 1; k < controls.size(); ++k) {
                const RECT& o = controls[k]->rect;
                EXPECT_FALSE(r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom)
                    << describe(*controls[i]) << " over " << describe(*controls[k]);
            }
        }
        if (size == sizes[1] && (dpi == 96 || dpi == 144)) {
            EXPECT_TRUE(saveScreenshot(library, "library-smallest-" + std::to_string(dpi) + "dpi"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, Dpi, ::testing::Values(96, 120, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "dpi"; });
