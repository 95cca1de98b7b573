// Transmission with its window and busy pointer, and the orderly shutdown.
#include <gtest/gtest.h>

#include "harness.h"
#include "sim/simctl.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

// The transmit calls without their result, for comparing arguments.
std::vector<std::string> transmitCalls(App& app)
{
    std::vector<std::string> calls;
    for (std::string line : app.logOf("TavrixTransmitIR")) {
        line = line.substr(0, line.rfind(" -> "));
        // The code text's address may differ from call to call.
        calls.push_back(line);
    }
    return calls;
}

std::vector<std::string> eventsOf(App& app, const std::string& what)
{
    std::vector<std::string> found;
    for (const std::string& line : app.log())
        if (line.compare(0, 6 + what.size(), "event " + what) == 0)
            found.push_back(line);
    return found;
}

HWND transmitWindow(App& app)
{
    for (HWND w : app.topWindows(nullptr, false))
        if (windowText(w) == "TRANSMITTING IR CODE...")
            return w;
    return nullptr;
}

}  // namespace

class Transmit : public ::testing::Test {
protected:
    void SetUp() override
    {
        simctl::reset();
        ASSERT_NE(app.mainWindow(), nullptr);
    }
    void TearDown() override { simctl::reset(); }
    App app;
};

TEST_F(Transmit, ButtonAndMenuSendTheSameCall)
{
    app.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    app.click(IDC_CBTRANSMITIRCODE);
    ASSERT_TRUE(waitFor([&] { return transmitCalls(app).size() == 1; }, 5000));
    app.menu(IDM_TRANSMITTXBLOCK);
    ASSERT_TRUE(waitFor([&] { return transmitCalls(app).size() == 2; }, 5000));
    settle(300);

    std::vector<std::string> calls = transmitCalls(app);
    EXPECT_EQ(calls[0], calls[1]);
    EXPECT_NE(calls[0].find(std::string("code=\"") + NEC1_CODE + "\""), std::string::npos)
        << calls[0];
    EXPECT_NE(calls[0].find(" format=16 "), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find("=3 "), std::string::npos) << calls[0];

    // While the driver sent: the transmit window on screen, the hourglass up.
    std::vector<std::string> during = eventsOf(app, "transmitting");
    ASSERT_EQ(during.size(), 2u);
    for (const std::string& line : during) {
        EXPECT_NE(line.find("cursor=wait"), std::string::npos) << line;
        EXPECT_NE(line.find("TRANSMITTING IR CODE..."), std::string::npos) << line;
    }
    HWND tx = transmitWindow(app);
    ASSERT_NE(tx, nullptr) << "the transmit window is kept between transmissions";
    EXPECT_FALSE(IsWindowVisible(tx));
    EXPECT_EQ(windowText(GetDlgItem(tx, IDC_LABEL1)), "Transmission in Progress . . .");
    LONG style = GetWindowLongA(tx, GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(app.messageBoxes().empty());
}

TEST_F(Transmit, FailureShowsOneMessageAfterTheWindowIsGone)
{
    simctl::setTransmitFail(true);
    app.typeCode(RC5_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    app.click(IDC_CBTRANSMITIRCODE);
    MessageBoxInfo box = app.waitMessageBox();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, "ERROR");
    EXPECT_EQ(box.text, "*** ERROR calling TavrixTransmitIR! ***Verify that your IR Code is Valid!");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.buttons, 1);
    HWND tx = transmitWindow(app);
    EXPECT_TRUE(tx == nullptr || !IsWindowVisible(tx)) << "transmit window still up";
    settle(300);
    EXPECT_EQ(app.messageBoxes().size(), 1u);
    App::pressOk(box.window);
    EXPECT_TRUE(waitFor([&] { return app.messageBoxes().empty(); }, 3000));
}

TEST(Shutdown, FileExitDuringLearnEndsLearnThenUnhooksThenCloses)
{
    simctl::reset();
    simctl::setLearnMode(true);
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    app.click(IDC_CBLEARNIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
    app.menu(IDM_FILEEXIT);
    EXPECT_EQ(app.waitExit(10000), 0u);

    std::vector<std::string> tail;
    for (const std::string& line : app.log())
        if (line.compare(0, 6, "Tavrix") == 0)
            tail.push_back(line);
    ASSERT_GE(tail.size(), 3u);
    // The learn's end re-arms the hook; then shutdown disarms it and closes.
    EXPECT_NE(tail[tail.size() - 3].find("HOOKLEARN"), std::string::npos) << tail[tail.size() - 3];
    EXPECT_NE(tail[tail.size() - 2].find("UNHKLEARN"), std::string::npos) << tail[tail.size() - 2];
    EXPECT_EQ(tail.back().compare(0, 12, "TavrixClose "), 0) << tail.back();
    simctl::reset();
}

TEST(Shutdown, CloseBoxWithTransmitWindowLoadedEndsTheProgram)
{
    simctl::reset();
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    app.typeCode(RC5_CODE);
    app.click(IDC_CBTRANSMITIRCODE);
    ASSERT_TRUE(waitFor([&] { return !app.logOf("TavrixTransmitIR").empty(); }, 5000));
    settle(300);
    PostMessageA(app.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitExit(10000), 0u);
    std::vector<std::string> tail = app.logOf("TavrixClose");
    EXPECT_EQ(tail.size(), 1u);
    std::vector<std::string> learnCalls = app.logOf("TavrixLearnIR");
    ASSERT_FALSE(learnCalls.empty());
    EXPECT_NE(learnCalls.back().find("UNHKLEARN"), std::string::npos);
}
