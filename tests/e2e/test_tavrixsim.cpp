// The virtual remote, tavrixsim.exe, beside Pellwick, both driven from
// outside as a user would: a key clicked during a learn is what the learn
// ends with, a key clicked at any time is a received event code, the
// failure switches make Pellwick's calls fail; and the device's aim and
// device-wide learn error, through the control commands, for a second
// application.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <utility>

#include "harness.h"
#include "ir/ir.h"
#include "sim/keypad.h"
#include "sim/simctl.h"
#include "sim/simtext.h"
#include "ui/ids.h"

using namespace e2e;
using namespace keypad;

namespace {

std::string rendered(const std::string& words)
{
    std::istringstream in(words);
    std::vector<std::string> list;
    for (std::string w; in >> w;)
        list.push_back(w);
    std::string pronto, error;
    EXPECT_TRUE(ir::renderWords(list, &pronto, &error)) << error;
    return pronto;
}

int keyId(const std::string& caption)
{
    for (size_t i = 0; i < buttons().size(); ++i)
        if (caption == buttons()[i].caption)
            return IDC_SIM_FIRST_KEY + static_cast<int>(i);
    ADD_FAILURE() << "no key " << caption;
    return 0;
}

// The event code of a key, by the rule in sim/keypad.h.
std::string eventCodeOf(const std::string& protocol, long device, const std::string& key)
{
    const auto& all = ir::protocols();
    for (size_t i = 0; i < all.size(); ++i)
        if (protocol == all[i].name)
            return eventCode(static_cast<int>(i) + 1, device, find(key)->function);
    ADD_FAILURE() << "no protocol " << protocol;
    return "";
}

// What kind of learn process pid runs: 0 none, 1 own, 2 hooked, 3 waiting.
uint32_t learnOf(DWORD pid)
{
    for (const simctl::ProcessInfo& p : simctl::snapshot().processes)
        if (p.pid == pid)
            return p.learn;
    return 0;
}

bool anyOwnLearn()
{
    for (const simctl::ProcessInfo& p : simctl::snapshot().processes)
        if (p.learn == 1)
            return true;
    return false;
}

}  // namespace

class VirtualRemote : public ::testing::Test {
protected:
    void SetUp() override
    {
        simctl::reset();
        ASSERT_NE(pellwick.mainWindow(), nullptr);
        ASSERT_NE(simctl::waitForHook(pellwick.pid(), 5000), 0u);
        ASSERT_NE(remote.mainWindow(), nullptr);
    }
    void TearDown() override { simctl::reset(); }

    // Picks the protocol in the list and types the device number.
    void choose(const char* protocol, const char* device)
    {
        HWND list = remote.control(IDC_SIM_PROTOCOL);
        LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(protocol));
        ASSERT_GE(index, 0) << protocol;
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(remote.mainWindow(), WM_COMMAND, MAKEWPARAM(IDC_SIM_PROTOCOL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        remote.mouseClick(IDC_SIM_DEVICE);
        remote.keys({VK_END});
        remote.keys({VK_SHIFT, VK_HOME});
        for (const char* c = device; *c; ++c)
            remote.keys({static_cast<WORD>(*c)});
        ASSERT_TRUE(waitFor([&] { return remote.text(IDC_SIM_DEVICE) == device; }, 3000))
            << "the field shows " << remote.text(IDC_SIM_DEVICE);
    }
    bool eventShows(const std::string& words)
    {
        return waitFor([&] { return remote.text(IDC_SIM_EVENT).find(words) != std::string::npos; }, 5000);
    }

    App pellwick;
    App remote{Env(), binDir() + "tavrixsim.exe", "Tavrix Simulator"};
};

TEST_F(VirtualRemote, LearnEndsWithTheClickedKeyAndTheInspectorNamesIt)
{
    struct Case {
        const char* context;
        bool hooked;           // learnapp asks, Pellwick learns through its hook
        const char* protocol;  // null: as the window opens, NEC1 device 4
        const char* device;
        const char* key;
        const char* code;     // the key's code, as pellwick-ir render takes it
        const char* decoded;  // what the inspector says
    } cases[] = {
        {"Pellwick's own learn", false, nullptr, nullptr, "Vol +", "NEC1 D=4 F=16", "NEC1 D=4 S=251 F=16"},
        {"a hooked learn", true, "RC5", "5", "3", "RC5 D=5 F=3", "RC5 D=5 F=3 T=0"},
    };
    // Only a key can end a learn within the test; later learns learn RC6.
    ASSERT_TRUE(simctl::point("rc6"));
    ASSERT_TRUE(simctl::setLearnDuration(60000));
    HWND inspector = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        if (c.protocol)
            choose(c.protocol, c.device);
        std::unique_ptr<SecondApp> asker;
        ASSERT_NE(simctl::waitForHook(pellwick.pid(), 5000), 0u);
        if (c.hooked)
            asker.reset(new SecondApp("--timeout 60000"));
        else
            pellwick.click(IDC_CBLEARNIRCODE);
        ASSERT_TRUE(waitFor([&] { return learnOf(pellwick.pid()) == (c.hooked ? 2u : 1u); }, 5000));

        remote.mouseClick(keyId(c.key));
        std::string expected = rendered(c.code);
        EXPECT_TRUE(waitFor([&] { return pellwick.codeText() == expected; }, 10000))
            << "the box shows " << pellwick.codeText();
        if (asker) {
            EXPECT_NE(asker->collect().find("CODE \"" + expected + "\""), std::string::npos);
        }
        EXPECT_EQ(pellwick.text(IDC_LBLTAVROCODE),
                  eventCodeOf(c.protocol ? c.protocol : "NEC1", c.device ? atol(c.device) : 4, c.key))
            << "the click is a press too";
        EXPECT_TRUE(eventShows(std::string("): ") + c.decoded)) << "the learn's end"
            << remote.text(IDC_SIM_EVENT);

        if (!inspector) {
            pellwick.menu(IDM_CODEINSPECT);
            inspector = pellwick.findTopWindow("IR Code Inspector", 5000);
            ASSERT_NE(inspector, nullptr);
        }
        EXPECT_TRUE(waitFor([&] { return windowText(GetDlgItem(inspector, IDC_INSPECT_DECODE)) == c.decoded; }, 3000))
            << windowText(GetDlgItem(inspector, IDC_INSPECT_DECODE));
    }

    // A learn started after the clicks learns what the device is pointed at.
    ASSERT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBLEARNIRCODE); }, 5000));
    ASSERT_TRUE(simctl::setLearnDuration(300));
    pellwick.click(IDC_CBLEARNIRCODE);
    EXPECT_TRUE(waitFor([&] { return pellwick.codeText() == simtext::namedCode("rc6"); }, 10000))
        << pellwick.codeText();
}

TEST_F(VirtualRemote, KeysPressByMouseAndKeyboardAndTheDeviceKeepsItsRange)
{
    // Tab goes from the list to the field, through the keys row by row, to
    // the switches and round again; Enter presses the focused key.
    ASSERT_TRUE(remote.toForeground());
    std::vector<int> order = {IDC_SIM_PROTOCOL, IDC_SIM_DEVICE};
    for (size_t i = 0; i < buttons().size(); ++i)
        order.push_back(IDC_SIM_FIRST_KEY + static_cast<int>(i));
    order.insert(order.end(), {IDC_SIM_TXFAIL, IDC_SIM_LEARNERROR, IDC_SIM_PROTOCOL});
    ASSERT_EQ(remote.focusedId(), IDC_SIM_PROTOCOL) << "the list has the focus first";
    for (size_t i = 1; i < order.size(); ++i) {
        remote.keys({VK_TAB});
        EXPECT_EQ(remote.focusedId(), order[i]) << "after " << i << " tabs";
        if (order[i] == keyId("Mute")) {
            remote.keys({VK_RETURN});
            std::string mute = eventCodeOf("NEC1", 4, "Mute");
            EXPECT_TRUE(waitFor([&] { return pellwick.text(IDC_LBLTAVROCODE) == mute; }, 5000))
                << "Enter on Mute; Pellwick shows " << pellwick.text(IDC_LBLTAVROCODE);
            // The arrow keys move between the keys and stay among them.
            const std::pair<WORD, const char*> moves[] = {{VK_RIGHT, "1"},  {VK_LEFT, "Mute"}, {VK_UP, "Power"},
                                                          {VK_LEFT, "Down"}, {VK_DOWN, "Power"}, {VK_RIGHT, "Mute"}};
            for (const auto& m : moves) {
                remote.keys({m.first});
                EXPECT_EQ(remote.focusedId(), keyId(m.second)) << "arrow key " << m.first;
            }
        }
    }
    remote.keys({VK_ESCAPE});
    settle(300);
    EXPECT_TRUE(remote.running() && IsWindowVisible(remote.mainWindow())) << "Escape closed the window";

    // A click is a press; the event line says so.
    std::string five = eventCodeOf("NEC1", 4, "5");
    remote.mouseClick(keyId("5"));
    EXPECT_TRUE(waitFor([&] { return pellwick.text(IDC_LBLTAVROCODE) == five; }, 5000))
        << "Pellwick shows " << pellwick.text(IDC_LBLTAVROCODE);
    EXPECT_TRUE(eventShows("Press of \"" + five + "\", received by")) << remote.text(IDC_SIM_EVENT);

    // Sony12 devices go to 31: 40 is refused with a box, and nothing is sent.
    choose("Sony12", "40");
    EXPECT_EQ(remote.text(IDC_SIM_LBLDEVICE), "&Device (0 to 31):");
    std::string before = pellwick.text(IDC_LBLTAVROCODE);
    uint32_t pressed = simctl::snapshot().codesPressed;
    remote.mouseClick(keyId("1"));
    MessageBoxInfo box = remote.waitMessageBox();
    EXPECT_EQ(box.caption, "Tavrix Simulator");
    EXPECT_EQ(box.text, "Device must be a number from 0 to 31.");
    App::pressOk(box.window);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(box.window); }, 3000));
    EXPECT_EQ(remote.focusedId(), IDC_SIM_DEVICE);
    EXPECT_EQ(simctl::snapshot().codesPressed, pressed);
    EXPECT_EQ(pellwick.text(IDC_LBLTAVROCODE), before);
}

TEST_F(VirtualRemote, FailureSwitchesMakePellwicksCallsFail)
{
    struct Case {
        const char* context;
        int switchId;
        bool (*on)(const simctl::Snapshot&);
        int pellwickButton;
        const char* function;  // its driver call
        const char* box;
    } cases[] = {
        {"transmissions fail", IDC_SIM_TXFAIL, [](const simctl::Snapshot& s) { return s.transmitFails; },
         IDC_CBTRANSMITIRCODE, "TavrixTransmitIR",
         "*** ERROR calling TavrixTransmitIR! ***Verify that your IR Code is Valid!"},
        {"learn error", IDC_SIM_LEARNERROR, [](const simctl::Snapshot& s) { return s.learnError == 31; },
         IDC_CBLEARNIRCODE, "TavrixLearnIR",
         "The Tavrix Driver Installed on your System is not compatible with this application. "
         "Please update your Tavrix API driver (TAVRIXDRV.DLL)!"},
    };
    ASSERT_TRUE(simctl::setLearnDuration(300));
    pellwick.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBTRANSMITIRCODE); }, 3000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        remote.mouseClick(c.switchId);
        ASSERT_TRUE(waitFor([&] { return c.on(simctl::snapshot()); }, 3000));
        EXPECT_EQ(SendMessageA(remote.control(c.switchId), BM_GETCHECK, 0, 0), BST_CHECKED);

        pellwick.click(c.pellwickButton);
        MessageBoxInfo box = pellwick.waitMessageBox(10000);
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.text, c.box);
        ASSERT_FALSE(pellwick.logOf(c.function).empty());
        EXPECT_NE(pellwick.logOf(c.function).back().find("-> 0 lastError=31"), std::string::npos)
            << pellwick.logOf(c.function).back();
        App::pressOk(box.window);
        EXPECT_TRUE(waitFor([&] { return !IsWindow(box.window); }, 3000));

        remote.mouseClick(c.switchId);
        EXPECT_TRUE(waitFor([&] { return !c.on(simctl::snapshot()); }, 3000)) << "the switch did not go off";
        EXPECT_TRUE(waitFor([&] { return pellwick.enabled(IDC_CBLEARNIRCODE); }, 5000));
    }
}

TEST(VirtualRemoteDevice, AimAndLearnErrorReachASecondApplication)
{
    simctl::reset();
    EXPECT_FALSE(simctl::runCommand({"aim", "NEC1", "D=1", "F=2"}, nullptr));
    EXPECT_EQ(simctl::lastError(), "no learn is running");

    struct Case {
        const char* context;
        bool manual;  // the learn ends only by finish, with the aimed code
        std::vector<std::string> aim;
    } cases[] = {
        {"automatic learn", false, {"aim", "NEC1", "D=1", "F=2"}},
        {"manual learn", true, {"aim", "RC6", "D=7", "F=9"}},
    };
    ASSERT_TRUE(simctl::setLearnDuration(60000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(simctl::setLearnMode(c.manual));
        SecondApp app("--timeout 60000");
        ASSERT_TRUE(waitFor(anyOwnLearn, 5000));
        ASSERT_TRUE(simctl::runCommand(c.aim, nullptr)) << simctl::lastError();
        if (c.manual) {
            EXPECT_EQ(simctl::finish(), 1);
        }
        std::string words = c.aim[1] + " " + c.aim[2] + " " + c.aim[3];
        EXPECT_NE(app.collect(20000).find("CODE \"" + rendered(words) + "\""), std::string::npos);
    }

    ASSERT_TRUE(simctl::setLearnMode(false));
    ASSERT_TRUE(simctl::setLearnDuration(100));
    ASSERT_TRUE(simctl::runCommand({"learn-error", "5"}, nullptr));
    EXPECT_NE(simctl::status().find("txfail off\nlearn-error 5\n"), std::string::npos) << simctl::status();
    {
        SecondApp app;
        EXPECT_NE(app.collect().find("ERROR the learn did not start: result 0, last error 5"), std::string::npos);
    }
    ASSERT_TRUE(simctl::runCommand({"learn-error", "off"}, nullptr));
    EXPECT_EQ(simctl::snapshot().learnError, 0u);
    {
        SecondApp app;
        EXPECT_NE(app.collect().find("CODE \""), std::string::npos);
    }
    simctl::reset();
}
