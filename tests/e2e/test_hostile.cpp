// A device that misbehaves and a user who pushes: values out of range, texts
// without their NUL, callbacks before the program is ready and after it has
// closed the device, floods, a relay window that cannot be made, and huge or
// odd code box input. Whatever happens, the program must neither crash nor
// hang, and must show what its display rules say.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>

#include "harness.h"
#include "sim/simctl.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

// Still running, and the main window answers within two seconds.
::testing::AssertionResult responsive(App& app)
{
    if (!app.running())
        return ::testing::AssertionFailure() << "the program has ended (exit code "
                                             << app.waitExit(0) << ")";
    HWND main = app.mainWindow(2000);
    if (!main)
        return ::testing::AssertionFailure() << "no main window";
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result))
        return ::testing::AssertionFailure() << "the main window does not answer";
    return ::testing::AssertionSuccess();
}

// A call log of its own, emptied first: temporary folder names repeat when
// Wine hands out the same process ids again, and a line left from an earlier
// run must not count.
Env freshLog(Env env = Env())
{
    std::string path = makeTempDir("hostile") + "calls.log";
    DeleteFileA(path.c_str());
    env["TAVRIXSIM_LOG"] = path;
    return env;
}

Env hostile(const std::string& names)
{
    return freshLog(Env{{"TAVRIXSIM_HOSTILE", names}});
}

bool learnShowing(App& app)
{
    return app.visible(IDC_CBINJECTIR);
}

bool idle(App& app)
{
    return app.visible(IDC_LBLLRNSTATUS) && !app.visible(IDC_CBINJECTIR);
}

// The program's driver calls, without the driver's events.
std::vector<std::string> driverCalls(App& app)
{
    std::vector<std::string> calls;
    for (const std::string& line : app.log())
        if (line.compare(0, 6, "Tavrix") == 0)
            calls.push_back(line);
    return calls;
}

bool logHas(App& app, const std::string& text)
{
    for (const std::string& line : app.log())
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

// A Pronto code of `length` bytes as it might be pasted from a file: eight
// words to a line, lines ending in CR LF, filled up with empty lines. Its
// frequency word decides whether it is valid (0000 is not).
std::string pastedCode(const char* frequency, size_t length)
{
    const int onceWords = 2 * 0xFFFF;
    // A word and its separator take 5 1/8 bytes on average; leave some room.
    int repeatPairs = static_cast<int>((length * 8 / 41 - 4 - onceWords) / 2) - 1000;
    char header[32];
    snprintf(header, sizeof header, "0000 %s FFFF %04X", frequency, repeatPairs);
    std::string code = header;
    code.reserve(length);
    long words = onceWords + 2L * repeatPairs;
    for (long i = 0; i < words; ++i) {
        code += (i + 4) % 8 == 0 ? "\r\n" : " ";
        code += i % 2 ? "0041" : "0016";
    }
    while (code.size() + 2 <= length)
        code += "\r\n";
    if (code.size() < length)
        code += ' ';
    return code;
}

// Puts text on the clipboard as CF_TEXT, owned by `owner` (without an owner
// window the clipboard takes no data).
bool setClipboardText(HWND owner, const std::string& text)
{
    if (!OpenClipboard(owner))
        return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool ok = false;
    if (memory) {
        char* copy = static_cast<char*>(GlobalLock(memory));
        memcpy(copy, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        ok = SetClipboardData(CF_TEXT, memory) != nullptr;
        if (!ok)
            GlobalFree(memory);
    }
    CloseClipboard();
    return ok;
}

}  // namespace

class Hostile : public ::testing::Test {
protected:
    void SetUp() override { simctl::reset(); }
    void TearDown() override { simctl::reset(); }
};

// Reports outside every range the program expects, sent to it while it follows
// another application's learn: packed into one message parameter, they come
// out as the wrapped values the display rules give.
TEST_F(Hostile, ReportsOutOfRangeDuringHookedLearn)
{
    simctl::setLearnMode(true);
    App app(freshLog());
    ASSERT_NE(app.mainWindow(), nullptr);
    ASSERT_NE(simctl::waitForHook(app.pid(), 5000), 0u);
    SecondApp other("--timeout 60000");
    ASSERT_TRUE(waitFor([&] { return learnShowing(app); }, 10000)) << "no hooked learn display";

    struct Report {
        int progress, quality, hz;
        int progressLit, qualityLit;  // lit segments of the two bars
        const char* caption;
        bool burst;
    } reports[] = {
        // 500 + 20 * 256 shows as progress 244, quality 21: the whole bar.
        {500, 20, 38000, 33, 3, "38.0KHz", true},
        // -7 * 256 + 50 shows as progress -206, quality -6: nothing lit.
        {50, -7, 36700, 0, 0, "36.7KHz", false},
        {500, -7, 38000, 0, 0, "38.0KHz", false},
        {0, -7, 40950, 0, 0, "40.9KHz", false},
        {50, 20, -1, 17, 3, "0.0KHz", false},
        {50, 20, 2147483647, 17, 3, "2147483.6KHz", true},
        {50, 20, -2147483647 - 1, 17, 3, "-2147483.-6KHz", false},
        {2, 0, 1, 1, 1, "0.0KHz", true},
    };
    // Each caption differs from the one before, so that a caption seen means
    // that report has been drawn.
    for (const Report& r : reports) {
        SCOPED_TRACE("progress " + std::to_string(r.progress) + " quality " +
                     std::to_string(r.quality) + " hz " + std::to_string(r.hz));
        ASSERT_TRUE(simctl::progress(r.progress, r.quality, r.hz, app.pid()));
        ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == r.caption; }, 2000))
            << app.text(IDC_LBLCARRIERFREQ);
        EXPECT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST) == r.burst; }, 1000));
        EXPECT_EQ(app.litSegments(IDC_PBLEARNPROGRESS3, false), r.progressLit);
        EXPECT_EQ(app.litSegments(IDC_PBSIGQUALITY, true), r.qualityLit);
        EXPECT_TRUE(learnShowing(app)) << "an out-of-range report ended the learn";
        EXPECT_TRUE(responsive(app));
    }

    simctl::finish();
    EXPECT_NE(other.collect(15000).find("CODE \""), std::string::npos);
    EXPECT_TRUE(waitFor([&] { return idle(app); }, 5000));
    EXPECT_TRUE(responsive(app));
}

// The end of a learn is the 255 of a negative progress, whatever quality
// comes with it: a negative quality must not hide it.
TEST_F(Hostile, EndReportWithNegativeQualityEndsTheLearn)
{
    simctl::setLearnMode(true);
    simctl::point("rc5");
    App app(freshLog());
    ASSERT_NE(app.mainWindow(), nullptr);
    for (int quality : {-7, -1, 20}) {
        SCOPED_TRACE("last quality " + std::to_string(quality));
        app.typeCode("");
        app.click(IDC_CBLEARNIRCODE);
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
        ASSERT_TRUE(simctl::progress(50, quality, 38000, app.pid()));
        ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == "38.0KHz"; }, 2000));
        // The device's end report repeats the last quality.
        ASSERT_EQ(simctl::finish(), 1);
        EXPECT_TRUE(waitFor([&] { return idle(app); }, 5000)) << "the end report was lost";
        EXPECT_EQ(app.codeText(), RC5_CODE);
        if (!idle(app))
            app.click(IDC_CBLEARNCANCEL);
        EXPECT_TRUE(responsive(app));
    }
}

// Received texts that lack their NUL, or vanish once the callback returns:
// the program copies at most 16 bytes while the callback runs.
TEST_F(Hostile, ReceivedTextsWithoutNulOrLifetime)
{
    struct Case {
        const char* hostile;
        std::string bytes;  // sent raw, exactly these bytes
        const char* shown;
    } cases[] = {
        {"", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {"", std::string("AB\0CDEFGHIJKLMNOPQRS", 20), "AB"},
        {"", std::string(2064, 'Z'), "ZZZZZZZZZZZZZZZZ"},
        {"no-nul", "1A2B3C", "1A2B3C1A2B3C1A2B"},
        {"no-nul", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {"stale-text", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {"stale-text,no-nul", "XY", "XYXYXYXYXYXYXYXY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("hostile \"") + c.hostile + "\", " +
                     std::to_string(c.bytes.size()) + " bytes");
        App app(hostile(c.hostile));
        ASSERT_NE(app.mainWindow(), nullptr);
        ASSERT_EQ(simctl::pressRaw(c.bytes.data(), c.bytes.size()), 1);
        EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == c.shown; }, 2000))
            << app.text(IDC_LBLTAVROCODE);
        // Plain presses too, which no-nul and stale-text turn hostile.
        ASSERT_EQ(simctl::press("00112233445566778899"), 1);
        EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == "0011223344556677"; }, 2000))
            << app.text(IDC_LBLTAVROCODE);
        EXPECT_TRUE(responsive(app));
    }
}

// Received codes and progress reports for 300 ms after TavrixClose, while the
// program is on its way out through File, Exit.
TEST_F(Hostile, LateCallbacksDuringExit)
{
    simctl::setLearnMode(true);
    enum { IDLE, AFTER_OWN_LEARN, DURING_OWN_LEARN } cases[] = {IDLE, AFTER_OWN_LEARN,
                                                               DURING_OWN_LEARN};
    const char* names[] = {"idle", "after an own learn", "during an own learn"};
    for (auto c : cases) {
        SCOPED_TRACE(names[c]);
        App app(hostile("late-callbacks"));
        ASSERT_NE(app.mainWindow(), nullptr);
        if (c != IDLE) {
            // An own learn gives the driver a progress callback to call late.
            app.click(IDC_CBLEARNIRCODE);
            ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
            if (c == AFTER_OWN_LEARN) {
                simctl::finish();
                ASSERT_TRUE(waitFor([&] { return idle(app); }, 5000));
            }
        }
        ASSERT_TRUE(responsive(app));
        app.menu(IDM_FILEEXIT);
        EXPECT_EQ(app.waitExit(10000), 0u);
        EXPECT_TRUE(logHas(app, "event late-callbacks begin"));
        std::vector<std::string> calls = driverCalls(app);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().compare(0, 12, "TavrixClose "), 0) << calls.back();
    }
}

// Callbacks on a driver thread while TavrixSetReceiveCallback and the hook
// command are still running, before the relay window exists: the start goes
// on as usual and later codes and learns still reach the window.
TEST_F(Hostile, EarlyCallbacksBeforeTheRelayWindow)
{
    simctl::setLearnMode(true);
    App app(hostile("early-callbacks"));
    ASSERT_NE(app.mainWindow(), nullptr) << "the start got stuck";
    EXPECT_TRUE(app.messageBoxes().empty());
    EXPECT_EQ(app.text(IDC_LBLLRNSTATUS), "Idle");
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "------------") << "an early code was shown";
    EXPECT_TRUE(logHas(app, "event early-callbacks"));
    EXPECT_NE(simctl::waitForHook(app.pid(), 5000), 0u);

    for (const char* code : {"1A2B3C4D5E6F", "0F0E0D0C", "1A2B3C4D5E6F"}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(simctl::press(code), 1);
        EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == code; }, 2000))
            << app.text(IDC_LBLTAVROCODE);
    }
    SecondApp other("--timeout 60000");
    ASSERT_TRUE(waitFor([&] { return learnShowing(app); }, 10000)) << "hooked learn not followed";
    simctl::progress(10, 50, 38000, app.pid());
    EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == "38.0KHz"; }, 2000));
    simctl::finish();
    EXPECT_NE(other.collect(15000).find("CODE \""), std::string::npos);
    EXPECT_TRUE(waitFor([&] { return idle(app); }, 5000));
    EXPECT_TRUE(responsive(app));
}

// Progress reports at about 10,000 a second on top of a normal learn: the
// window keeps answering, and the learn's end is not lost in the flood.
TEST_F(Hostile, ProgressFloodDuringLearns)
{
    simctl::setLearnDuration(3000);
    App app(hostile("progress-flood"));
    ASSERT_NE(app.mainWindow(), nullptr);
    ASSERT_NE(simctl::waitForHook(app.pid(), 5000), 0u);
    for (bool own : {true, false}) {
        SCOPED_TRACE(own ? "own learn" : "hooked learn");
        simctl::point(own ? "nec1" : "rc5");
        app.typeCode("");
        std::unique_ptr<SecondApp> other;
        if (own)
            app.click(IDC_CBLEARNIRCODE);
        else
            other.reset(new SecondApp("--timeout 60000"));
        ASSERT_TRUE(waitFor([&] { return learnShowing(app); }, 10000));
        // Answers throughout the flood.
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 2000) {
            ASSERT_TRUE(responsive(app));
            settle(200);
        }
        EXPECT_TRUE(waitFor([&] { return idle(app); }, 10000)) << "the learn never ended";
        EXPECT_EQ(app.codeText(), own ? NEC1_CODE : RC5_CODE);
        if (other) {
            EXPECT_EQ(other->collect(15000), std::string("CODE \"") + RC5_CODE + "\"\n");
        }
        // Nothing of the flood is left to change the display afterwards.
        settle(500);
        EXPECT_TRUE(idle(app));
        EXPECT_TRUE(responsive(app));
        EXPECT_EQ(simctl::waitForHook(app.pid(), 5000), app.pid()) << "the hook was not re-armed";
    }
}

// A learnt code that fills the whole 2049-byte buffer with no NUL: all of it
// goes into the box, the check decides about transmission, and it can never
// be injected (one character over what the buffer takes with a NUL).
TEST_F(Hostile, LearntCodeWithoutNul)
{
    simctl::setLearnMode(true);
    simctl::point("rc5");
    App app(hostile("no-nul-code"));
    ASSERT_NE(app.mainWindow(), nullptr);
    ASSERT_NE(simctl::waitForHook(app.pid(), 5000), 0u);
    const std::string padded = std::string(RC5_CODE) + std::string(2049 - strlen(RC5_CODE), ' ');

    app.click(IDC_CBLEARNIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
    simctl::finish();
    ASSERT_TRUE(waitFor([&] { return idle(app); }, 5000));
    EXPECT_EQ(app.codeText().size(), 2049u);
    EXPECT_EQ(app.codeText(), padded);
    EXPECT_TRUE(app.enabled(IDC_CBTRANSMITIRCODE)) << "a valid code, blanks and all";
    EXPECT_TRUE(app.menuEnabled("&Transmit"));
    std::vector<std::string> checks = app.logOf("TavrixConvertProntoCode");
    ASSERT_FALSE(checks.empty());
    EXPECT_NE(checks.back().find("code=\"" + padded + "\""), std::string::npos)
        << "the whole text was not checked";
    EXPECT_TRUE(responsive(app));

    // The next hooked learn: the 2,049 characters cannot answer it.
    SecondApp other("--timeout 60000");
    ASSERT_TRUE(waitFor([&] { return learnShowing(app); }, 10000));
    // The transmit button goes last when the learn display comes up.
    EXPECT_TRUE(waitFor([&] { return !app.enabled(IDC_CBTRANSMITIRCODE); }, 2000))
        << "transmission offered during a learn";
    EXPECT_FALSE(app.enabled(IDC_CBINJECTIR)) << "2,049 characters offered for injection";
    app.menu(IDM_LRNINJECT);
    app.click(IDC_CBINJECTIR);
    settle(300);
    EXPECT_TRUE(learnShowing(app)) << "the learn was answered";
    EXPECT_FALSE(logHas(app, "end=injected"));

    // The device ends it with its own unterminated result, again all of it.
    simctl::finish();
    EXPECT_NE(other.collect(15000).find("CODE \""), std::string::npos);
    ASSERT_TRUE(waitFor([&] { return idle(app); }, 5000));
    EXPECT_EQ(app.codeText(), padded);
    EXPECT_TRUE(app.enabled(IDC_CBTRANSMITIRCODE));
    EXPECT_TRUE(responsive(app));
}

// The hidden relay window cannot be created: one message says so, then the
// program runs without received codes and still ends in order.
TEST_F(Hostile, NoRelayWindow)
{
    App app(hostile("no-relay-window"));
    MessageBoxInfo box = app.waitMessageBox(10000);
    ASSERT_NE(box.window, nullptr) << "no message about the relay window";
    EXPECT_EQ(box.caption, "Pellwick");
    EXPECT_TRUE(std::regex_match(box.text, std::regex("Unable to create window, LastError = [0-9]+")))
        << box.text;
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.buttons, 1);
    EXPECT_NE(GetDlgItem(box.window, IDOK), nullptr);
    EXPECT_EQ(app.messageBoxes().size(), 1u);
    EXPECT_EQ(app.mainWindow(300), nullptr) << "the main window showed before the message";
    EXPECT_TRUE(logHas(app, "event no-relay-window refused"));

    App::pressOk(box.window);
    ASSERT_NE(app.mainWindow(), nullptr) << "the main window never opened";
    EXPECT_TRUE(waitFor([&] { return app.messageBoxes().empty(); }, 3000));
    EXPECT_TRUE(responsive(app));
    EXPECT_EQ(app.text(IDC_LBLLRNSTATUS), "Idle");
    EXPECT_EQ(app.text(IDC_LBLINFO), "FirmwareVer=1.7 ProtVer=1.0 FirmwareDate=11/15/2026");

    // Received codes have nowhere to go.
    ASSERT_EQ(simctl::press("1A2B3C4D5E6F"), 1);
    settle(500);
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "------------");

    // Typing and transmitting work as ever.
    app.typeCode(RC5_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    app.click(IDC_CBTRANSMITIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.logOf("TavrixTransmitIR").size() == 1; }, 5000));
    EXPECT_NE(app.logOf("TavrixTransmitIR")[0].find("-> 1"), std::string::npos);
    EXPECT_TRUE(waitFor([&] { return responsive(app); }, 5000));
    EXPECT_TRUE(app.messageBoxes().empty());

    app.menu(IDM_FILEEXIT);
    EXPECT_EQ(app.waitExit(10000), 0u);
    std::vector<std::string> calls = driverCalls(app);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_NE(calls[calls.size() - 2].find("buf=\"UNHKLEARN\""), std::string::npos)
        << calls[calls.size() - 2];
    EXPECT_EQ(calls.back().compare(0, 12, "TavrixClose "), 0) << calls.back();
}

// A megabyte into the code box, as typed text and from the clipboard, then
// text that the ANSI code page cannot hold, with its line breaks.
TEST_F(Hostile, HugeAndForeignCodeBoxInput)
{
    App app(freshLog());
    ASSERT_NE(app.mainWindow(), nullptr);
    HWND box = app.control(IDC_TBCURCODE);
    HWND owner = CreateWindowExA(0, "STATIC", "clipboard owner", 0, 0, 0, 0, 0, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    std::unique_ptr<HWND__, BOOL (WINAPI*)(HWND)> ownerGoes(owner, DestroyWindow);

    // Wine cannot carry a message with much more than 2 MB of data to
    // another process (the text travels as UTF-16): 1,000,000 bytes go as a
    // replacement of the selection, the full 1,048,576 by the clipboard.
    struct Paste {
        const char* what;
        std::string text;
        bool clipboard;
        bool valid;
    } pastes[] = {
        {"a valid megabyte typed", pastedCode("006C", 1000000), false, true},
        {"a megabyte with a zero frequency pasted", pastedCode("0000", 1u << 20), true, false},
        {"a valid megabyte pasted", pastedCode("006C", 1u << 20), true, true},
    };
    for (const Paste& p : pastes) {
        SCOPED_TRACE(p.what);
        size_t before = app.logOf("TavrixConvertProntoCode").size();
        SendMessageA(box, EM_SETSEL, 0, -1);
        DWORD_PTR result = 0;
        if (p.clipboard) {
            ASSERT_TRUE(setClipboardText(owner, p.text));
            ASSERT_TRUE(SendMessageTimeoutA(box, WM_PASTE, 0, 0, SMTO_NORMAL, 60000, &result))
                << "the paste did not finish within a minute";
        } else {
            ASSERT_TRUE(SendMessageTimeoutA(box, EM_REPLACESEL, TRUE,
                                            reinterpret_cast<LPARAM>(p.text.c_str()),
                                            SMTO_NORMAL, 60000, &result))
                << "the text did not go in within a minute";
        }
        ASSERT_TRUE(responsive(app));
        EXPECT_EQ(SendMessageA(box, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(p.text.size()))
            << "the box cut the text";
        std::vector<std::string> checks = app.logOf("TavrixConvertProntoCode");
        ASSERT_EQ(checks.size(), before + 1) << "one check per change";
        EXPECT_NE(checks.back().find("(cut, " + std::to_string(p.text.size()) + " bytes)"),
                  std::string::npos)
            << checks.back().substr(0, 80);
        EXPECT_EQ(app.enabled(IDC_CBTRANSMITIRCODE), p.valid);
        EXPECT_EQ(app.menuEnabled("&Transmit"), p.valid);
    }

    // Line breaks go to the driver as they are; characters without an ANSI
    // form as the code page's default character.
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE,
                 reinterpret_cast<LPARAM>(L"0000 006C\r\n0000 \x65E5\x672C\r\n\x0416 0001"));
    ASSERT_TRUE(responsive(app));
    std::vector<std::string> checks = app.logOf("TavrixConvertProntoCode");
    ASSERT_FALSE(checks.empty());
    EXPECT_NE(checks.back().find("code=\"0000 006C\\r\\n0000 ??\\r\\n? 0001\""), std::string::npos)
        << checks.back();
    EXPECT_EQ(app.codeText(), "0000 006C\r\n0000 ??\r\n? 0001");
    EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE));
}
