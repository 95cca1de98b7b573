// Transmission with its window and busy pointer, and the orderly shutdown.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

class Transmit : public ::testing::Test {
protected:
    void SetUp() override
    {
        simctl::reset();
        ASSERT_NE(app.mainWindow(), nullptr);
    }
    App app;
};

TEST_F(Transmit, ButtonAndMenuSendTheSameCall)
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
    EXPECT_FALSE(IsWindowVisible(tx) || (GetWindowLongA(tx, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)));
    EXPECT_TRUE(app.messageBoxes().empty());
}

TEST_F(Transmit, FailureShowsOneMessageAfterTheWindowIsGone)
{
    simctl::setTransmitFail(true);
    app.typeCode(RC5_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    app.click(IDC_CBTRANSMITIRCODE);
    EXPECT_EQ(app.waitBoxes(), "ERROR: *** ERROR calling TavrixTransmitIR! ***Verify that your IR Code is Valid!");
    HWND tx = app.findTopWindow("TRANSMITTING IR CODE...", 0, false);
    EXPECT_TRUE(tx == nullptr || !IsWindowVisible(tx)) << "transmit window still up";
    EXPECT_TRUE(app.dismissBoxes());
}

// However the program is closed, it takes down what start-up built: the hook
// is disarmed, then the device closed, and the program ends with code 0.
TEST(Shutdown, ClosedDuringALearnOrWithTheTransmitWindowLoaded)
{
    simctl::reset();
    simctl::setLearnMode(true);
    for (bool duringLearn : {true, false}) {
        SCOPED_TRACE(duringLearn ? "File, Exit during an own learn"
                                 : "close box with the transmit window loaded");
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
        EXPECT_EQ(app.calls(3), duringLearn ? "HOOKLEARN UNHKLEARN TavrixClose"
                                            : "TavrixTransmitIR UNHKLEARN TavrixClose");
    }
}
