// A device that misbehaves and a user who pushes: texts without their NUL, callbacks before the program
// is ready and after it has closed the device, floods, no relay window, huge code box input. The program
// must neither crash nor hang, and must show what its display rules say.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <regex>

#include "bench/measure.h"
#include "fixtures.h"

using namespace e2e;

namespace {

// Puts text on the clipboard as CF_TEXT, owned by `owner` (without an owner
// window the clipboard takes no data).
bool setClipboardText(HWND owner, const std::string& text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory || !OpenClipboard(owner))
        return false;
    memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    EmptyClipboard();
    bool ok = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    return ok;
}

}  // namespace

using Hostile = DeviceTest;

// The end of a learn is the 255 of a negative progress, whatever quality
// comes with it: a negative quality must not hide it.
TEST_F(Hostile, EndReportWithNegativeQualityEndsTheLearn)
{
    simctl::setLearnMode(true);
    simctl::point("rc5");
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    for (int quality : {-7, -1, 20}) {
        SCOPED_TRACE("last quality " + std::to_string(quality));
        app.typeCode("");
        ASSERT_TRUE(app.startOwnLearn());
        ASSERT_TRUE(simctl::progress(50, quality, 38000, app.pid()));
        ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == "38.0KHz"; }, 2000));
        // The device's end report repeats the last quality.
        ASSERT_EQ(simctl::finish(), 1);
        EXPECT_TRUE(waitFor([&] { return app.idle(); }, 5000)) << "the end report was lost";
        EXPECT_EQ(app.codeText(), RC5_CODE);
        if (!app.idle())
            app.click(IDC_CBLEARNCANCEL);
    }
}

// Received texts that lack their NUL, or vanish once the callback returns:
// the program copies at most 16 bytes while the callback runs.
TEST_F(Hostile, ReceivedTextsWithoutNulOrLifetime)
{
    struct { const char* hostile; std::string bytes /* sent raw, exactly these */; const char* shown; } cases[] = {
        {"", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {"", std::string(16, 'Q'), "QQQQQQQQQQQQQQQQ"},  // a 17th byte would not be readable
        {"", std::string(10, 'S'), "SSSSSSSSSS"},  // no NUL, and nothing readable after it
        {"", std::string("AB\0CDEFGHIJKLMNOPQRS", 20), "AB"},
        {"", std::string(2064, 'Z'), "ZZZZZZZZZZZZZZZZ"},
        {"no-nul", "1A2B3C", "1A2B3C1A2B3C1A2B"},
        {"no-nul", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {"stale-text", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
        {"stale-text,no-nul", "XY", "XYXYXYXYXYXYXYXY"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("hostile \"") + c.hostile + "\", " +
                     std::to_string(c.bytes.size()) + " bytes");
        App app(Env{{"TAVRIXSIM_HOSTILE", c.hostile}});
        ASSERT_NE(app.mainWindow(), nullptr);
        ASSERT_EQ(simctl::pressRaw(c.bytes.data(), c.bytes.size()), 1);
        EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == c.shown; }, 2000))
            << app.text(IDC_LBLTAVROCODE);
        EXPECT_TRUE(app.responsive());
    }
}

// Received codes and progress reports for 300 ms after TavrixClose, the
// first of them before it returns, while the program is on its way out
// through File, Exit.
TEST_F(Hostile, LateCallbacksDuringExit)
{
    simctl::setLearnMode(true);
    struct { const char* when; bool learn, learnEnded; } cases[] = {
        {"idle", false, false}, {"after an own learn", true, true}, {"during an own learn", true, false}};
    for (auto c : cases) {
        SCOPED_TRACE(c.when);
        App app(Env{{"TAVRIXSIM_HOSTILE", "late-callbacks"}});
        ASSERT_NE(app.mainWindow(), nullptr);
        // An own learn gives the driver a progress callback to call late.
        ASSERT_TRUE(!c.learn || app.startOwnLearn());
        if (c.learnEnded) {
            simctl::finish();
            ASSERT_TRUE(waitFor([&] { return app.idle(); }, 5000));
        }
        ASSERT_TRUE(app.responsive());
        app.menu(IDM_FILEEXIT);
        EXPECT_EQ(app.waitExit(10000), 0u);
        std::string log = app.logText();
        EXPECT_LT(log.find("event late-callbacks begin"), log.find("TavrixClose ")) << "no late callback";
        EXPECT_EQ(app.calls(2), "UNHKLEARN TavrixClose");
    }
}

// Callbacks on a driver thread while TavrixSetReceiveCallback and the hook
// command are still running, before the relay window exists: the start goes
// on as usual and later codes and learns still reach the window.
TEST_F(Hostile, EarlyCallbacksBeforeTheRelayWindow)
{
    simctl::setLearnMode(true);
    App app(Env{{"TAVRIXSIM_HOSTILE", "early-callbacks"}});
    ASSERT_NE(app.mainWindow(), nullptr) << "the start got stuck";
    EXPECT_TRUE(app.messageBoxes().empty());
    EXPECT_EQ(app.text(IDC_LBLLRNSTATUS), "Idle");
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "------------") << "an early code was shown";
    // Before the program's next call, so before TavrixSetReceiveCallback returned.
    std::string log = app.logText();
    EXPECT_LT(log.find("event early-callbacks code=\"EARLY0000001\""), log.find("TavrixLearnIR ")) << "no early code";
    EXPECT_NE(simctl::waitForHook(app.pid(), 5000), 0u);

    for (const char* code : {"1A2B3C4D5E6F", "0F0E0D0C", "1A2B3C4D5E6F"}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(simctl::press(code), 1);
        EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == code; }, 2000))
            << app.text(IDC_LBLTAVROCODE);
    }
    SecondApp other;
    ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000)) << "hooked learn not followed";
    simctl::progress(10, 50, 38000, app.pid());
    EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == "38.0KHz"; }, 2000));
    simctl::finish();
    EXPECT_NE(other.collect(15000).find("CODE \""), std::string::npos);
    EXPECT_TRUE(waitFor([&] { return app.idle(); }, 5000) && app.responsive());
}

// Progress reports at about 10,000 a second on top of a normal learn: the
// window keeps answering, and the learn's end is not lost in the flood.
TEST_F(Hostile, ProgressFloodDuringLearns)
{
    simctl::setLearnDuration(3000);
    App app(Env{{"TAVRIXSIM_HOSTILE", "progress-flood"}});
    ASSERT_TRUE(app.holdsHook());
    for (bool own : {true, false}) {
        SCOPED_TRACE(own ? "own learn" : "hooked learn");
        simctl::point(own ? "nec1" : "rc5");
        app.typeCode("");
        std::unique_ptr<SecondApp> other(own ? nullptr : new SecondApp());
        if (own)
            app.click(IDC_CBLEARNIRCODE);
        ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000));
        // Answers throughout the flood.
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 2000) {
            ASSERT_TRUE(app.responsive());
            settle(200);
        }
        EXPECT_TRUE(waitFor([&] { return app.idle(); }, 10000)) << "the learn never ended";
        EXPECT_EQ(app.codeText(), own ? NEC1_CODE : RC5_CODE);
        if (other) {
            EXPECT_EQ(other->collect(15000), learntLine(RC5_CODE));
        }
        // Nothing of the flood is left to change the display afterwards.
        settle(500);
        EXPECT_TRUE(app.idle() && app.responsive());
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
    App app(Env{{"TAVRIXSIM_HOSTILE", "no-nul-code"}});
    ASSERT_TRUE(app.holdsHook());
    const std::string padded = std::string(RC5_CODE) + std::string(2049 - strlen(RC5_CODE), ' ');

    ASSERT_TRUE(app.startOwnLearn());
    simctl::finish();
    ASSERT_TRUE(waitFor([&] { return app.idle(); }, 5000));
    EXPECT_EQ(app.codeText(), padded);
    EXPECT_TRUE(app.enabled(IDC_CBTRANSMITIRCODE) && app.menuEnabled("&Transmit")) << "a valid code, blanks and all";
    EXPECT_TRUE(app.logHas("TavrixConvertProntoCode code=\"" + padded + "\""))
        << "the whole text was not checked";

    // The next hooked learn: the 2,049 characters cannot answer it.
    SecondApp other;
    ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000));
    // The transmit button goes last when the learn display comes up.
    EXPECT_TRUE(waitFor([&] { return !app.enabled(IDC_CBTRANSMITIRCODE); }, 2000))
        << "transmission offered during a learn";
    EXPECT_FALSE(app.enabled(IDC_CBINJECTIR)) << "2,049 characters offered for injection";
    app.menu(IDM_LRNINJECT);
    app.click(IDC_CBINJECTIR);
    settle(300);
    EXPECT_TRUE(app.learnShowing() && !app.logHas("end=injected")) << "the learn was answered";
    EXPECT_TRUE(app.responsive());
}

// The hidden relay window cannot be created: one message says so, then the
// program runs without received codes and still ends in order.
TEST_F(Hostile, NoRelayWindow)
{
    App app(Env{{"TAVRIXSIM_HOSTILE", "no-relay-window"}});
    std::string boxes = app.waitBoxes(10000);
    EXPECT_TRUE(std::regex_match(boxes, std::regex("Pellwick: Unable to create window, LastError = [0-9]+")))
        << boxes;
    EXPECT_EQ(app.mainWindow(300), nullptr) << "the main window showed before the message";
    EXPECT_TRUE(app.logHas("event no-relay-window refused"));

    app.dismissBoxes();
    ASSERT_NE(app.mainWindow(), nullptr) << "the main window never opened";
    EXPECT_TRUE(app.responsive() && app.text(IDC_LBLLRNSTATUS) == "Idle");
    EXPECT_EQ(app.text(IDC_LBLINFO), "FirmwareVer=1.7 ProtVer=1.0 FirmwareDate=11/15/2026");

    // Received codes have nowhere to go.
    ASSERT_EQ(simctl::press("1A2B3C4D5E6F"), 1);
    settle(500);
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "------------");

    // Typing works as ever.
    app.typeCode(RC5_CODE);
    EXPECT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    EXPECT_TRUE(app.messageBoxes().empty());

    app.menu(IDM_FILEEXIT);
    EXPECT_EQ(app.waitExit(10000), 0u);
    EXPECT_EQ(app.calls(2), "UNHKLEARN TavrixClose");
}

// A megabyte into the code box, typed and from the clipboard: the program keeps answering and checks the
// whole text once. A message too big for Wine to hand over is lost, or makes the program's message loop
// fail: it then still disarms the hook and closes the device.
TEST_F(Hostile, HugeCodeBoxInput)
{
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    HWND box = app.control(IDC_TBCURCODE);
    HWND owner = CreateWindowExA(0, "STATIC", "clipboard owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    std::unique_ptr<HWND__, BOOL (WINAPI*)(HWND)> ownerGoes(owner, DestroyWindow);

    // As pasted from a file: eight words to a line. Wine cannot carry much more than 2 MB of message data
    // to another process (the text travels as UTF-16): 1,000,000 bytes go as a replacement of the
    // selection, the full 1,048,576 by the clipboard.
    std::string zeroFrequency = bench::prontoText(1u << 20, 0, 8);
    zeroFrequency.replace(5, 4, "0000");
    struct Paste { const char* what; std::string text; bool clipboard, valid; } pastes[] = {
        {"a valid megabyte typed", bench::prontoText(1000000, 0, 8), false, true},
        {"a megabyte with a zero frequency pasted", zeroFrequency, true, false},
        {"a valid megabyte pasted", bench::prontoText(1u << 20, 0, 8), true, true},
    };
    for (const Paste& p : pastes) {
        SCOPED_TRACE(p.what);
        size_t before = app.logOf("TavrixConvertProntoCode").size();
        SendMessageA(box, EM_SETSEL, 0, -1);
        DWORD_PTR result = 0;
        ASSERT_TRUE(!p.clipboard || setClipboardText(owner, p.text));
        ASSERT_TRUE(SendMessageTimeoutA(box, p.clipboard ? WM_PASTE : EM_REPLACESEL, !p.clipboard,
                                        p.clipboard ? 0 : reinterpret_cast<LPARAM>(p.text.c_str()), SMTO_NORMAL,
                                        60000, &result) && app.responsive())
            << "the text did not go in within a minute";
        EXPECT_EQ(SendMessageA(box, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(p.text.size()))
            << "the box cut the text";
        std::vector<std::string> checks = app.logOf("TavrixConvertProntoCode");
        ASSERT_EQ(checks.size(), before + 1) << "one check per change";
        EXPECT_NE(checks.back().find("(cut, " + std::to_string(p.text.size()) + " bytes)"),
                  std::string::npos)
            << checks.back().substr(0, 80);
        EXPECT_EQ(app.enabled(IDC_CBTRANSMITIRCODE) + app.menuEnabled("&Transmit"), p.valid ? 2 : 0);
    }

    // A text too big for Wine to hand over to another process either never
    // arrives (the program goes on with the text it had) or makes the
    // program's message loop fail (it still disarms the hook and closes the
    // device): never a crash, never half a text.
    std::string tooBig(1u << 20, '0');
    DWORD_PTR result = 0;
    size_t checksBefore = app.logOf("TavrixConvertProntoCode").size();
    SendMessageTimeoutA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(tooBig.c_str()), SMTO_NORMAL, 5000,
                        &result);
    if (app.waitExit(5000) == static_cast<DWORD>(STILL_ACTIVE)) {
        EXPECT_TRUE(app.responsive());
        EXPECT_EQ(SendMessageA(box, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(pastes[2].text.size()));
        EXPECT_EQ(app.logOf("TavrixConvertProntoCode").size(), checksBefore);
        return;
    }
    EXPECT_EQ(app.waitExit(), 0u);
    EXPECT_EQ(app.calls(2), "UNHKLEARN TavrixClose");
}
