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
        // Started once Pellwick shows, as a user would start it: it opens beside Pellwick.
        started.reset(new App(Env(), binDir() + "tavrixsim.exe", "", "Tavrix Simulator"));
        ASSERT_NE(remote().mainWindow(), nullptr);
    }
    App& remote() { return *started; }

    // The field of the chosen protocol's parameter of this name; 0 when it shows none.
    int field(const std::string& name)
    {
        for (int row = 0; row < 5; ++row) {
            std::string label = remote().text(IDC_SIM_PARAM_LABEL + row);
            label.erase(std::remove(label.begin(), label.end(), '&'), label.end());
            if (remote().visible(IDC_SIM_PARAM + row) && label.compare(0, name.size() + 2, name + " (") == 0)
                return IDC_SIM_PARAM + row;
        }
        return 0;
    }
    // Types over a parameter's field, as a user would.
    void typeInto(const std::string& name, const std::string& value)
    {
        int id = field(name);
        ASSERT_NE(id, 0) << "no field " << name;
        remote().mouseClick(id);
        remote().keys({VK_END});
        remote().keys({VK_SHIFT, VK_HOME});
        remote().keys({VK_DELETE});
        remote().type(value);
        ASSERT_TRUE(waitFor([&] { return remote().text(id) == value; }, 3000));
    }

    // Picks the protocol in the list and types the device number.
    void choose(const char* protocol, const char* device)
    {
        HWND list = remote().control(IDC_SIM_PROTOCOL);
        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(protocol));
        SendMessageA(remote().mainWindow(), WM_COMMAND, MAKEWPARAM(IDC_SIM_PROTOCOL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        typeInto("D", device);
    }
    bool shows(App& app, int id, const std::string& text)
    {
        return waitFor([&] { return app.text(id).find(text) != std::string::npos; }, 5000);
    }

    App& pellwick = app;
    std::unique_ptr<App> started;
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

        remote().mouseClick(keyId(c.key));
        std::string expected, error;
        ASSERT_TRUE(render(*ir::findProtocol(c.protocol), c.device ? std::atol(c.device) : 4, find(c.key)->function,
                           &expected, &error)) << error;
        EXPECT_TRUE(waitFor([&] { return pellwick.codeText() == expected; }, 10000)) << pellwick.codeText();
        if (asker) {
            EXPECT_NE(asker->collect().find("CODE \"" + expected + "\""), std::string::npos);
        }
        EXPECT_EQ(pellwick.text(IDC_LBLTAVROCODE), c.eventCode) << "the click is a press too";
        EXPECT_TRUE(shows(remote(), IDC_SIM_EVENT, std::string("): ") + c.decoded)) << "the learn's end";

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
    ASSERT_TRUE(remote().toForeground());
    std::vector<int> order = {IDC_SIM_PROTOCOL, IDC_SIM_PARAM + 0, IDC_SIM_PARAM + 1};  // NEC1's D and S
    for (size_t i = 0; i < buttons().size(); ++i)
        order.push_back(IDC_SIM_FIRST_KEY + static_cast<int>(i));
    order.insert(order.end(), {IDC_SIM_TXFAIL, IDC_SIM_LEARNERROR, IDC_SIM_PROTOCOL});
    // The window in front gives the focus to its first control a moment later.
    ASSERT_TRUE(waitFor([&] { return remote().focusedId() == IDC_SIM_PROTOCOL; }, 3000)) << remote().focusedId();
    for (size_t i = 1; i < order.size(); ++i) {
        remote().keys({VK_TAB});
        EXPECT_TRUE(waitFor([&] { return remote().focusedId() == order[i]; }, 2000))
            << "after " << i << " tabs: " << remote().focusedId();
        if (order[i] != keyId("Mute"))
            continue;
        remote().keys({VK_RETURN});
        EXPECT_TRUE(shows(pellwick, IDC_LBLTAVROCODE, eventCode(1, 4, 13))) << "Enter on Mute";
        const std::pair<WORD, const char*> moves[] = {{VK_RIGHT, "1"}, {VK_UP, "Mute"}, {VK_LEFT, "Power"},
                                                      {VK_LEFT, "Down"}, {VK_DOWN, "Power"}, {VK_RIGHT, "Mute"}};
        for (const auto& m : moves) {
            remote().keys({m.first});
            EXPECT_TRUE(waitFor([&] { return remote().focusedId() == keyId(m.second); }, 2000))
                << "arrow key " << m.first;
        }
    }
    remote().keys({VK_ESCAPE});
    settle(300);
    EXPECT_TRUE(remote().running() && IsWindowVisible(remote().mainWindow())) << "Escape closed the window";

    // No learn runs: a click is a press only, and there is nothing to aim.
    remote().mouseClick(keyId("5"));
    EXPECT_TRUE(shows(pellwick, IDC_LBLTAVROCODE, "010004000500"));
    EXPECT_TRUE(shows(remote(), IDC_SIM_EVENT, "Press of \"010004000500\", received by"));
    EXPECT_FALSE(simctl::runCommand({"aim", "NEC1", "D=4", "F=5"}, nullptr));
    EXPECT_EQ(simctl::lastError(), "no learn is running");

    // Sony12 devices go to 31: 40 is refused with a box over the remote, and nothing is sent; so is -1, which the
    // field once read as 1.
    for (const char* device : {"40", "-1"}) {
        SCOPED_TRACE(device);
        choose("Sony12", device);
        EXPECT_EQ(remote().text(IDC_SIM_PARAM_LABEL + 0), "&D (0 to 31):");
        remote().mouseClick(keyId("1"));
        EXPECT_EQ(remote().waitBoxes(), "Tavrix Simulator: D must be a number from 0 to 31.");
        RECT box, window, overlap;
        GetWindowRect(remote().messageBoxes().at(0).window, &box);
        GetWindowRect(remote().mainWindow(), &window);
        EXPECT_TRUE(IntersectRect(&overlap, &box, &window) && EqualRect(&overlap, &box))
            << "the box is not over the remote";
        remote().dismissBoxes();
        EXPECT_TRUE(waitFor([&] { return remote().focusedId() == IDC_SIM_PARAM + 0; }, 3000));
        EXPECT_EQ(pellwick.text(IDC_LBLTAVROCODE), "010004000500") << "a refused click sends nothing";
    }
}

// Beside Pellwick, clear of it; every protocol in its list with a row for each parameter but F, and a line
// saying what each key sent.
TEST_F(VirtualRemote, OpensBesidePellwickAndSaysWhatEachKeySent)
{
    RECT work, main, window, overlap;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(pellwick.mainWindow(), &main);
    GetWindowRect(remote().mainWindow(), &window);
    EXPECT_FALSE(IntersectRect(&overlap, &main, &window)) << "over Pellwick";
    EXPECT_TRUE(window.right <= main.left && window.top == main.top) << "not at Pellwick's left";
    EXPECT_TRUE(window.left >= work.left && window.top >= work.top && window.bottom <= work.bottom);
    EXPECT_EQ(SendMessageA(remote().control(IDC_SIM_PROTOCOL), CB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(ir::protocols().size()));

    // The protocol, the parameters typed (but F), the key; what the line says before the event code.
    struct { const char* protocol; std::vector<std::pair<const char*, const char*>> typed; const char* key;
             const char* sent; } cases[] = {
        {"NEC1", {}, "Vol +", "NEC1 D=4 F=16"},
        {"NEC1", {{"S", "7"}}, "2", "NEC1 D=4 S=7 F=2"},
        {"Kaseikyo", {{"D", "3"}, {"S", "1"}, {"E", "2"}, {"M", "44"}, {"N", "9"}}, "OK",
         "Kaseikyo D=3 S=1 F=87 E=2 M=44 N=9"},
        {"Sony8", {}, "Mute", "Sony8 F=13"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        const ir::ProtocolInfo* protocol = ir::findProtocol(c.protocol);
        ASSERT_NE(protocol, nullptr);
        long device = protocol->param("D") ? 4 : 0;  // as the window opens
        for (const auto& t : c.typed)
            device = std::string(t.first) == "D" ? std::atol(t.second) : device;
        const std::string event = eventCode(static_cast<int>(protocol - ir::protocols().data()) + 1, device,
                                            find(c.key)->function);
        HWND list = remote().control(IDC_SIM_PROTOCOL);
        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(c.protocol));
        SendMessageA(remote().mainWindow(), WM_COMMAND, MAKEWPARAM(IDC_SIM_PROTOCOL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        size_t rows = 0;
        for (const ir::ParamSpec& p : protocol->params)
            rows += p.name != "F" && field(p.name) != 0;
        EXPECT_EQ(rows + 1, protocol->params.size()) << "a row for each parameter but F";
        EXPECT_FALSE(remote().visible(IDC_SIM_PARAM + static_cast<int>(rows))) << "a row it does not have";
        for (const auto& t : c.typed)
            typeInto(t.first, t.second);
        remote().mouseClick(keyId(c.key));
        EXPECT_TRUE(shows(remote(), IDC_SIM_SENT, c.sent + (", event " + event))) << remote().text(IDC_SIM_SENT);
        EXPECT_TRUE(shows(pellwick, IDC_LBLTAVROCODE, event));
    }
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
        remote().mouseClick(c.switchId);
        ASSERT_TRUE(waitFor([&] { return simctl::status().find(c.on) != std::string::npos; }, 3000));
        pellwick.click(c.pellwickButton);
        EXPECT_EQ(pellwick.waitBoxes(10000).compare(0, 7, "ERROR: "), 0);
        // The hook may be armed again by now: the failed call is one of the last.
        const std::vector<std::string> calls = pellwick.logOf(c.function);
        EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& line) {
            return line.find("-> 0 lastError=31") != std::string::npos;
        })) << pellwick.logText();
        pellwick.dismissBoxes();

        remote().mouseClick(c.switchId);
        EXPECT_TRUE(waitFor([&] { return simctl::status().find(c.off) != std::string::npos; }, 3000));
        EXPECT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBLEARNIRCODE); }));
    }
}
