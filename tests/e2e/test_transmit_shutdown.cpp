// The code box check, transmission with its window and busy pointer, and the
// orderly shutdown. Every change of the code box is validated by the driver,
// once, and the result decides the transmit button and the whole Transmit menu.
#include <gtest/gtest.h>

#include "fixtures.h"

using namespace e2e;

using CodeBox = PellwickTest<false>;

TEST_F(CodeBox, ValidationMatrix)
{
    HWND box = app.control(IDC_TBCURCODE);
    auto wide = [](const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); };

    // Typed as Unicode text; the text the driver is given, as the call log shows it.
    struct { std::wstring typed; std::string sent; bool valid; } cases[] = {
        {wide(NEC1_CODE), NEC1_CODE, true},
        {L"", "", false},  // no check at all
        {L"   ", "   ", false},
        {L"0000 006C 0022 0002 015B", "0000 006C 0022 0002 015B", false},
        {wide(RC5_CODE), RC5_CODE, true},
        {wide(std::string("0000 0073 0000 000B\r\n") + (RC5_CODE + 20)),
         std::string("0000 0073 0000 000B\\r\\n") + (RC5_CODE + 20), true},
        {L"not a code", "not a code", false},
        // Line breaks as they are; characters outside the ANSI code page as '?'.
        {L"0000 006C\r\n0000 \x65E5\x672C\r\n\x0416 0001", "0000 006C\\r\\n0000 ??\\r\\n? 0001", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("sent \"" + c.sent + "\"");
        size_t before = app.logOf("TavrixConvertProntoCode").size();
        SendMessageW(box, EM_SETSEL, 0, -1);
        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.typed.c_str()));
        settle(100);
        EXPECT_EQ(app.enabled(IDC_CBTRANSMITIRCODE), c.valid);
        EXPECT_EQ(app.menuEnabled("&Transmit"), c.valid) << "the whole Transmit menu";
        EXPECT_TRUE(app.menuItemEnabled(IDM_TRANSMITTXBLOCK)) << "only the menu is switched";
        std::vector<std::string> checks = app.logOf("TavrixConvertProntoCode");
        ASSERT_EQ(checks.size() - before, c.typed.empty() ? 0u : 1u)
            << "one driver call per change, none for an empty box";
        if (!c.typed.empty()) {
            EXPECT_NE(checks.back().find(" code=\"" + c.sent + "\" "), std::string::npos)
                << checks.back();
        }
    }
}

using Transmit = PellwickTest<false>;

TEST_F(Transmit, ButtonAndMenuSendTheSameCallAndAFailureShowsOneMessage)
{
    app.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    app.click(IDC_CBTRANSMITIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.logOf("TavrixTransmitIR").size() == 1; }, 5000));
    app.menu(IDM_TRANSMITTXBLOCK);
    ASSERT_TRUE(waitFor([&] { return app.logOf("TavrixTransmitIR").size() == 2; }, 5000));
    settle(300);

    std::vector<std::string> calls = app.logOf("TavrixTransmitIR");
    EXPECT_TRUE(calls[0] == calls[1] && calls[0].find(std::string("code=\"") + NEC1_CODE + "\" format=16 repeat=3 ") !=
                                            std::string::npos) << calls[0] << "\n" << calls[1];

    // While the driver sent: the transmit window on screen, the hourglass up.
    int during = 0;
    for (const std::string& line : app.log())
        if (line.compare(0, 19, "event transmitting ") == 0 && ++during) {
            EXPECT_TRUE(line.find("cursor=wait") != std::string::npos &&
                        line.find("TRANSMITTING IR CODE...") != std::string::npos) << line;
        }
    EXPECT_EQ(during, 2);
    HWND tx = app.findTopWindow("TRANSMITTING IR CODE...", 0, false);
    ASSERT_NE(tx, nullptr) << "the transmit window is kept between transmissions (its texts: test_dpi.cpp)";
    EXPECT_FALSE(IsWindowVisible(tx));
    EXPECT_FALSE(GetWindowLongA(tx, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(app.messageBoxes().empty());

    // A transmission that fails: one message, once the window is gone.
    simctl::setTransmitFail(true);
    app.click(IDC_CBTRANSMITIRCODE);
    EXPECT_EQ(app.waitBoxes(), "ERROR: *** ERROR calling TavrixTransmitIR! ***Verify that your IR Code is Valid!");
    EXPECT_FALSE(IsWindowVisible(tx)) << "transmit window still up";
    EXPECT_TRUE(app.dismissBoxes());
}

// However the program is closed, it takes down what start-up built: the hook
// is disarmed, then the device closed, and the program ends with code 0.
TEST(Shutdown, ClosedDuringALearnOrWithTheTransmitWindowLoaded)
{
    simctl::reset();
    simctl::setLearnMode(true);
    for (bool duringLearn : {true, false}) {
        SCOPED_TRACE(duringLearn ? "File, Exit during an own learn" : "close box with the transmit window loaded");
        App app;
        ASSERT_NE(app.mainWindow(), nullptr);
        if (duringLearn) {
            ASSERT_TRUE(app.startOwnLearn());
            app.menu(IDM_FILEEXIT);
        } else {
            app.typeCode(RC5_CODE);
            app.click(IDC_CBTRANSMITIRCODE);
            ASSERT_TRUE(waitFor([&] { return !app.logOf("TavrixTransmitIR").empty(); }, 5000));
            settle(300);
            PostMessageA(app.mainWindow(), WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(app.waitExit(10000), 0u);
        // The learn's end re-arms the hook before shutdown disarms it.
        EXPECT_EQ(app.calls(3), std::string(duringLearn ? "HOOKLEARN" : "TavrixTransmitIR") + " UNHKLEARN TavrixClose");
    }
}
