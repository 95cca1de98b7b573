// The main window's layout: every group and control where it belongs at
// 96 dots per inch, the menu bar, and a layout that holds when the window is
// resized.
#include <gtest/gtest.h>

#include "harness.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

struct Expected {
    int id;
    const char* caption;  // nullptr: not checked
    int left, top, width, height;
};

// Pixels at 96 dots per inch, in the main window's client area.
const Expected LAYOUT[] = {
    {IDC_FRAME3, "Tavrix Info:", 8, 8, 273, 57},
    {IDC_LBLINFO, nullptr, 16, 24, 257, 25},
    {IDC_FRAME1, "Received Tavro Event Code:", 288, 8, 185, 57},
    {IDC_LBLTAVROCODE, "------------", 296, 24, 169, 33},
    {IDC_FRAME2, "IR Code (Pronto Format):", 8, 72, 465, 169},
    {IDC_TBCURCODE, "", 16, 96, 449, 105},
    {IDC_CBLEARNIRCODE, "Learn an IR Code", 16, 208, 121, 25},
    {IDC_CBTRANSMITIRCODE, "Test Transmit IR Code", 144, 208, 121, 25},
    {IDC_FRAME4, "Learn Status:", 8, 248, 465, 169},
    {IDC_LBLLRNSTATUS, "Idle", 24, 280, 89, 25},
    {IDC_LBLINSTRUCT1,
     "1. Aim Remote directly at Tavrix approximately 6 inches from Tavrix face.", 32, 272, 217,
     49},
    {IDC_LBLINSTRUCT2,
     "2. PRESS and HOLD the desired button on your Remote until Learning is Complete...", 32,
     304, 217, 33},
    {IDC_LBLSIGQUALITY, "Signal Quality:", 352, 264, 49, 33},
    {IDC_PBSIGQUALITY, nullptr, 368, 304, 25, 105},
    {IDC_LBLLRNPROGRESS, "Learn Progress:", 24, 344, 105, 17},
    {IDC_LBLCARRIER, "Carrier Frequency:", 192, 344, 89, 17},
    {IDC_LBLCARRIERFREQ, "---", 304, 344, 41, 17},
    {IDC_PBLEARNPROGRESS3, nullptr, 24, 360, 329, 17},
    {IDC_CBINJECTIR, "Inject IR Code Above", 24, 384, 121, 25},
    {IDC_CBLEARNASBURST, "Accept Burst", 160, 384, 89, 25},
    {IDC_CBLEARNCANCEL, "Cancel", 264, 384, 89, 25},
};

void expectLayout(App& app, const char* when)
{
    SCOPED_TRACE(when);
    for (const Expected& e : LAYOUT) {
        RECT r = app.clientRect(e.id);
        SCOPED_TRACE("control " + std::to_string(e.id));
        EXPECT_NEAR(r.left, e.left, 1);
        EXPECT_NEAR(r.top, e.top, 1);
        EXPECT_NEAR(r.right - r.left, e.width, 1);
        EXPECT_NEAR(r.bottom - r.top, e.height, 1);
        if (e.caption) {
            EXPECT_EQ(app.text(e.id), e.caption);
        }
    }
}

}  // namespace

TEST(MainWindow, LayoutAtItsPlaceAndHoldsWhenResized)
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi != 96)
        GTEST_SKIP() << "positions are checked at 96 dots per inch, not " << dpi;
    App app;
    HWND main = app.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(windowText(main), "Tavrix Pellwick Utility");

    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 478);
    EXPECT_EQ(client.bottom, 426);

    // Centred on the screen.
    RECT frame;
    GetWindowRect(main, &frame);
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(frame.left + (frame.right - frame.left) / 2, screenW / 2, 2);
    EXPECT_NEAR(frame.top + (frame.bottom - frame.top) / 2, screenH / 2, 2);

    LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    // The program's own icon: 32 by 32 pixels, 16 colours.
    HMODULE exe = LoadLibraryExA((binDir() + "pellwick.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceA(exe, MAKEINTRESOURCEA(IDI_PELLWICK), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr) << "no icon resource";
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::vector<int>(dir + 6, dir + 9), (std::vector<int>{32, 32, 16}))
        << "the first entry's width, height and colours";
    FreeLibrary(exe);

    expectLayout(app, "as opened");
    SetWindowPos(main, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    settle(200);
    expectLayout(app, "after resizing");
    ShowWindow(main, SW_MAXIMIZE);
    settle(300);
    expectLayout(app, "maximised");
    ShowWindow(main, SW_RESTORE);
    settle(200);
    expectLayout(app, "restored");
}

TEST(MainWindow, MenusWithCaptionsAndAccessKeys)
{
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    std::string menus = app.menus();
    size_t last = 0;
    for (const char* caption : {"\"&File\"", "\"E&xit\"", "\"&Transmit\"", "\"&IR Code in Window\"",
                                "\"&Learn\"", "\"in &Pronto Format\"",
                                "\"&Inject IR Code from Window\"", "\"&Help\"", "\"&About \""}) {
        size_t at = menus.find(caption);
        EXPECT_TRUE(at != std::string::npos && at > last) << caption << " missing or out of order in\n"
                                                          << menus;
        last = at == std::string::npos ? last : at;
    }
    EXPECT_TRUE(app.menuEnabled("&File"));
    EXPECT_FALSE(app.menuEnabled("&Transmit")) << "empty code box: nothing to transmit";
    EXPECT_TRUE(app.menuEnabled("&Learn"));
    EXPECT_TRUE(app.menuItemEnabled(IDM_LEARNIRLEARNPRONTO));
    EXPECT_FALSE(app.menuItemEnabled(IDM_LRNINJECT));
    EXPECT_TRUE(app.menuItemEnabled(IDM_HELPABOUT));
}
