// The virtual remote, tavrixsim.exe, beside Pellwick, both driven from outside as a user would: a key
// clicked during a learn is what the learn ends with, a click or Enter on a key is an event code in
// Pellwick, the failure switches make Pellwick's calls fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "fixtures.h"
#include "ir/ir.h"
#include "sim/keypad.h"
#include "sim/simtext.h"

using namespace e2e;
using namespace keypad;

namespace {

int keyId(const char* caption)
{
    return IDC_SIM_FIRST_KEY + static_cast<int>(find(caption) - buttons().data());
}

// The learn process pid runs: 0 none, 1 own, 2 hooked.
uint32_t learnOf(DWORD pid)
{
    for (const simctl::ProcessInfo& p : simctl::snapshot().processes)
        if (p.pid == pid)
            return p.learn;
    return 0;
}

}  // namespace

class VirtualRemote : public PellwickTest<false> {
protected:
    void SetUp() override
    {
        PellwickTest::SetUp();
        ASSERT_NE(remote.mainWindow(), nullptr);
    }

    // Picks the protocol in the list and types the device number.
    void choose(const char* protocol, const char* device)
    {
        HWND list = remote.control(IDC_SIM_PROTOCOL);
        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(protocol));
        SendMessageA(remote.mainWindow(), WM_COMMAND, MAKEWPARAM(IDC_SIM_PROTOCOL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        remote.mouseClick(IDC_SIM_DEVICE);
        remote.keys({VK_END});
        remote.keys({VK_SHIFT, VK_HOME});
        for (const char* c = device; *c; ++c)
            remote.keys({static_cast<WORD>(*c)});
        ASSERT_TRUE(waitFor([&] { return remote.text(IDC_SIM_DEVICE) == device; }, 3000));
    }
    bool shows(App& app, int id, const std::string& text)
    {
        return waitFor([&] { return app.text(id).find(text) != std::string::npos; }, 5000);
    }

    App& pellwick = app;
    App remote{Env(), binDir() + "tavrixsim.exe", "", "Tavrix Simulator"};
};

TEST_F(VirtualRemote, LearnEndsWithTheClickedKeyAndTheInspectorNamesIt)
{
    // hooked: learnapp asks, Pellwick learns through its hook; device null: NEC1 device 4, as the window opens.
    struct { const char* context; bool hooked; const char *protocol, *device, *key, *decoded, *eventCode; } cases[] = {
        {"Pellwick's own learn", false, "NEC1", nullptr, "Vol +", "NEC1 D=4 S=251 F=16", "010004001015"},
        {"a hooked learn", true, "RC5", "5", "3", "RC5 D=5 F=3 T=0", "050005000303"},
    };
    // Only a key ends a learn within the test; later learns learn RC6.
    ASSERT_TRUE(simctl::point("rc6"));
    ASSERT_TRUE(simctl::setLearnDuration(60000));
    HWND inspector = nullptr;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        if (c.device)
            choose(c.protocol, c.device);
        ASSERT_NE(simctl::waitForHook(pellwick.pid(), 5000), 0u);
        std::unique_ptr<SecondApp> asker(c.hooked ? new SecondApp("--timeout 60000") : nullptr);
        if (!c.hooked)
            pellwick.click(IDC_CBLEARNIRCODE);
        ASSERT_TRUE(waitFor([&] { return learnOf(pellwick.pid()) == (c.hooked ? 2u : 1u); }, 5000));

        remote.mouseClick(keyId(c.key));
        std::string expected, error;
        ASSERT_TRUE(render(*ir::findProtocol(c.protocol), c.device ? std::atol(c.device) : 4, find(c.key)->function,
                           &expected, &error)) << error;
        EXPECT_TRUE(waitFor([&] { return pellwick.codeText() == expected; }, 10000)) << pellwick.codeText();
        if (asker) {
            EXPECT_NE(asker->collect().find("CODE \"" + expected + "\""), std::string::npos);
        }
        EXPECT_EQ(pellwick.text(IDC_LBLTAVROCODE), c.eventCode) << "the click is a press too";
        EXPECT_TRUE(shows(remote, IDC_SIM_EVENT, std::string("): ") + c.decoded)) << "the learn's end";

        if (!inspector) {
            pellwick.menu(IDM_CODEINSPECT);
            ASSERT_NE(inspector = pellwick.findTopWindow("IR Code Inspector", 5000), nullptr);
        }
        EXPECT_TRUE(waitFor([&] { return windowText(GetDlgItem(inspector, IDC_INSPECT_DECODE)) == c.decoded; }));
    }

    ASSERT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBLEARNIRCODE); }));
    ASSERT_TRUE(simctl::setLearnDuration(300));
    pellwick.click(IDC_CBLEARNIRCODE);
    EXPECT_TRUE(waitFor([&] { return pellwick.codeText() == simtext::namedCode("rc6"); }, 10000))
        << "a later learn learns what the device is pointed at";
}

TEST_F(VirtualRemote, KeysPressByKeyboardAndMouseAndTheDeviceKeepsItsRange)
{
    // Tab: list, field, the keys row by row, the switches, round again.
    // Enter presses the focused key, arrow keys go round the keys, Escape
    // closes nothing.
    ASSERT_TRUE(remote.toForeground());
    std::vector<int> order = {IDC_SIM_PROTOCOL, IDC_SIM_DEVICE};
    for (size_t i = 0; i < buttons().size(); ++i)
        order.push_back(IDC_SIM_FIRST_KEY + static_cast<int>(i));
    order.insert(order.end(), {IDC_SIM_TXFAIL, IDC_SIM_LEARNERROR, IDC_SIM_PROTOCOL});
    // The window in front gives the focus to its first control a moment later.
    ASSERT_TRUE(waitFor([&] { return remote.focusedId() == IDC_SIM_PROTOCOL; }, 3000)) << remote.focusedId();
    for (size_t i = 1; i < order.size(); ++i) {
        remote.keys({VK_TAB});
        EXPECT_EQ(remote.focusedId(), order[i]) << "after " << i << " tabs";
        if (order[i] != keyId("Mute"))
            continue;
        remote.keys({VK_RETURN});
        EXPECT_TRUE(shows(pellwick, IDC_LBLTAVROCODE, eventCode(1, 4, 13))) << "Enter on Mute";
        const std::pair<WORD, const char*> moves[] = {{VK_RIGHT, "1"}, {VK_UP, "Mute"}, {VK_LEFT, "Power"},
                                                      {VK_LEFT, "Down"}, {VK_DOWN, "Power"}, {VK_RIGHT, "Mute"}};
        for (const auto& m : moves) {
            remote.keys({m.first});
            EXPECT_EQ(remote.focusedId(), keyId(m.second)) << "arrow key " << m.first;
        }
    }
    remote.keys({VK_ESCAPE});
    settle(300);
    EXPECT_TRUE(remote.running() && IsWindowVisible(remote.mainWindow())) << "Escape closed the window";

    // No learn runs: a click is a press only, and there is nothing to aim.
    remote.mouseClick(keyId("5"));
    EXPECT_TRUE(shows(pellwick, IDC_LBLTAVROCODE, "010004000500"));
    EXPECT_TRUE(shows(remote, IDC_SIM_EVENT, "Press of \"010004000500\", received by"));
    EXPECT_FALSE(simctl::runCommand({"aim", "NEC1", "D=4", "F=5"}, nullptr));
    EXPECT_EQ(simctl::lastError(), "no learn is running");

    // Sony12 devices go to 31: 40 is refused with a box, and nothing is sent.
    choose("Sony12", "40");
    EXPECT_EQ(remote.text(IDC_SIM_LBLDEVICE), "&Device (0 to 31):");
    remote.mouseClick(keyId("1"));
    EXPECT_EQ(remote.waitBoxes(), "Tavrix Simulator: Device must be a number from 0 to 31.");
    remote.dismissBoxes();
    EXPECT_TRUE(waitFor([&] { return remote.focusedId() == IDC_SIM_DEVICE; }, 3000));
    EXPECT_EQ(pellwick.text(IDC_LBLTAVROCODE), "010004000500") << "a refused click sends nothing";
}

TEST_F(VirtualRemote, FailureSwitchesMakePellwicksCallsFail)
{
    // Pellwick's boxes for these failures: Transmit and Learn tests.
    // The switch, the device's status line while it is on and off, Pellwick's button and its driver call.
    struct Case { int switchId; const char *on, *off; int pellwickButton; const char* function; } cases[] = {
        {IDC_SIM_TXFAIL, "txfail on\n", "txfail off\n", IDC_CBTRANSMITIRCODE, "TavrixTransmitIR"},
        {IDC_SIM_LEARNERROR, "learn-error 31\n", "learn-error off\n", IDC_CBLEARNIRCODE, "TavrixLearnIR"},
    };
    ASSERT_TRUE(simctl::setLearnDuration(300));
    pellwick.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBTRANSMITIRCODE); }, 3000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        remote.mouseClick(c.switchId);
        ASSERT_TRUE(waitFor([&] { return simctl::status().find(c.on) != std::string::npos; }, 3000));
        pellwick.click(c.pellwickButton);
        EXPECT_EQ(pellwick.waitBoxes(10000).compare(0, 7, "ERROR: "), 0);
        // The failed learn still runs its course and its end re-arms the
        // hook, so the failing call need not be the last one logged.
        std::vector<std::string> calls = pellwick.logOf(c.function);
        EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& line) {
            return line.find("-> 0 lastError=31") != std::string::npos;
        }));
        pellwick.dismissBoxes();

        remote.mouseClick(c.switchId);
        EXPECT_TRUE(waitFor([&] { return simctl::status().find(c.off) != std::string::npos; }, 3000));
        EXPECT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBLEARNIRCODE); }));
    }
}
