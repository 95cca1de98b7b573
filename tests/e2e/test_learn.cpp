// Learning: the program's own learns, Cancel and Accept Burst, the learn
// hook that follows another application's learn, and injection.
#include <gtest/gtest.h>

#include "harness.h"
#include "sim/pronto.h"
#include "sim/simctl.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

std::string field(const std::string& line, const std::string& name)
{
    size_t at = line.find(" " + name + "=");
    if (at == std::string::npos)
        return std::string();
    at += name.size() + 2;
    size_t end = line[at] == '"' ? line.find('"', at + 1) + 1 : line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string burstOf(const std::string& text)
{
    pronto::Code code;
    EXPECT_TRUE(pronto::parse(text.data(), text.size(), &code));
    return pronto::format(pronto::burst(code));
}

// C escapes as the second application prints them.
std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

int countCommands(App& app, const char* word)
{
    int n = 0;
    for (const std::string& line : app.logOf("TavrixLearnIR"))
        if (line.find(std::string("buf=\"") + word + "\"") != std::string::npos)
            ++n;
    return n;
}

}  // namespace

class Learn : public ::testing::Test {
protected:
    void SetUp() override
    {
        simctl::reset();
        ASSERT_NE(app.mainWindow(), nullptr);
        ASSERT_NE(simctl::waitForHook(app.pid(), 5000), 0u);
    }
    void TearDown() override { simctl::reset(); }

    void expectLearnDisplay(bool own)
    {
        // The display changes one control at a time: wait until its last
        // steps are done before looking at the whole.
        ASSERT_TRUE(waitFor([&] { return !app.enabled(IDC_CBLEARNIRCODE); }, 3000));
        settle(100);
        EXPECT_EQ(app.visible(IDC_CBLEARNCANCEL), own);
        EXPECT_TRUE(app.visible(IDC_CBINJECTIR));
        EXPECT_TRUE(app.visible(IDC_CBLEARNASBURST));
        EXPECT_FALSE(app.enabled(IDC_CBLEARNASBURST));
        EXPECT_TRUE(app.visible(IDC_LBLINSTRUCT1));
        EXPECT_TRUE(app.visible(IDC_LBLINSTRUCT2));
        EXPECT_FALSE(app.visible(IDC_LBLLRNSTATUS));
        EXPECT_TRUE(app.visible(IDC_PBLEARNPROGRESS3));
        EXPECT_TRUE(app.visible(IDC_PBSIGQUALITY));
        EXPECT_EQ(app.text(IDC_LBLCARRIERFREQ), "---");
        EXPECT_FALSE(app.enabled(IDC_CBLEARNIRCODE));
        EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE));
        EXPECT_FALSE(app.menuEnabled("&Transmit"));
        EXPECT_FALSE(app.menuItemEnabled(IDM_LEARNIRLEARNPRONTO));
        EXPECT_EQ(app.menuItemEnabled(IDM_LRNINJECT), !own);
    }

    bool idle() { return app.visible(IDC_LBLLRNSTATUS) && !app.visible(IDC_CBINJECTIR); }

    App app;
};

TEST_F(Learn, OwnLearnFromButtonAndMenu)
{
    simctl::point("nec1");
    simctl::setLearnMode(true);
    for (int start : {0, 1}) {
        SCOPED_TRACE(start == 0 ? "button" : "menu");
        app.typeCode("");
        size_t before = app.logOf("TavrixLearnIR").size();
        if (start == 0)
            app.click(IDC_CBLEARNIRCODE);
        else
            app.menu(IDM_LEARNIRLEARNPRONTO);
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
        expectLearnDisplay(true);
        EXPECT_FALSE(app.enabled(IDC_CBINJECTIR));

        simctl::finish();
        ASSERT_TRUE(waitFor([&] { return idle(); }, 10000)) << "the learn never ended";
        EXPECT_EQ(app.codeText(), NEC1_CODE);
        EXPECT_TRUE(app.enabled(IDC_CBTRANSMITIRCODE));
        EXPECT_TRUE(app.menuEnabled("&Transmit"));
        EXPECT_TRUE(app.enabled(IDC_CBLEARNIRCODE));
        EXPECT_TRUE(app.menuItemEnabled(IDM_LEARNIRLEARNPRONTO));

        // Unhook, learn, hook again, each with its own flag and format.
        std::vector<std::string> calls = app.logOf("TavrixLearnIR");
        ASSERT_EQ(calls.size(), before + 3);
        const std::string& unhook = calls[before];
        const std::string& learn = calls[before + 1];
        const std::string& hook = calls[before + 2];
        EXPECT_EQ(field(unhook, "buf"), "\"UNHKLEARN\"");
        EXPECT_EQ(field(unhook, "format"), "5");
        EXPECT_EQ(field(learn, "format"), "16");
        EXPECT_EQ(field(learn, "flag"), field(unhook, "flag")) << "the abort flag goes with both";
        EXPECT_EQ(field(learn, "userData"), "0");
        EXPECT_EQ(field(learn, "reserved1"), "0");
        EXPECT_EQ(field(learn, "reserved2"), "-1");
        EXPECT_EQ(field(learn, "reserved3"), "0");
        EXPECT_EQ(field(hook, "buf"), "\"HOOKLEARN\"");
        EXPECT_EQ(field(hook, "format"), "16");
        EXPECT_NE(field(hook, "flag"), field(learn, "flag")) << "the hook has its own control word";
    }
}

TEST_F(Learn, CancelKeepsTheBoxAndRearmsTheHook)
{
    simctl::setLearnMode(true);
    app.typeCode(RC5_CODE);
    app.click(IDC_CBLEARNIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
    int hooks = countCommands(app, "HOOKLEARN");
    app.click(IDC_CBLEARNCANCEL);
    ASSERT_TRUE(waitFor([&] { return idle(); }, 2000)) << "Cancel must end the learn at once";
    EXPECT_EQ(app.codeText(), RC5_CODE);
    EXPECT_TRUE(app.enabled(IDC_CBTRANSMITIRCODE));
    EXPECT_TRUE(waitFor([&] { return countCommands(app, "HOOKLEARN") == hooks + 1; }, 2000));
    EXPECT_EQ(simctl::waitForHook(app.pid(), 3000), app.pid());

    // The driver's own end of the aborted learn changes nothing.
    simctl::finish();
    settle(500);
    EXPECT_EQ(app.codeText(), RC5_CODE);
    EXPECT_TRUE(idle());
}

TEST_F(Learn, AcceptBurstInOwnLearnTakesTheBurst)
{
    simctl::setLearnMode(true);
    simctl::point("nec1");
    app.click(IDC_CBLEARNIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
    std::string abortFlag = field(app.logOf("TavrixLearnIR").back(), "flag");
    simctl::progress(10, 50, 38000, app.pid());
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST); }, 3000));
    app.click(IDC_CBLEARNASBURST);
    ASSERT_TRUE(waitFor([&] { return idle(); }, 5000));
    EXPECT_EQ(app.codeText(), burstOf(NEC1_CODE));
    bool abortSet = false;
    for (const std::string& line : app.log())
        if (line == "event flag " + abortFlag + " = -1")
            abortSet = true;
    EXPECT_TRUE(abortSet) << "Accept Burst must set the abort flag of an own learn";
}

TEST_F(Learn, DriverThatCannotLearnInTheBackground)
{
    // The driver's complaint comes in a message box; the learn may still be
    // running when it is dismissed, or may have ended while it was open (a
    // driver that learns synchronously). Either way the window must show
    // the learn's real state afterwards.
    App failing(Env{{"TAVRIXSIM_LEARN_ERROR", "87"}});
    ASSERT_NE(failing.mainWindow(), nullptr);
    simctl::point("nec1");
    simctl::setLearnMode(true);
    for (bool endsUnderTheBox : {false, true}) {
        SCOPED_TRACE(endsUnderTheBox ? "the learn ends while the box is open" : "still learning");
        failing.typeCode("");
        failing.click(IDC_CBLEARNIRCODE);
        MessageBoxInfo box = failing.waitMessageBox();
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.text,
                  "The Tavrix Driver Installed on your System is not compatible with this "
                  "application. Please update your Tavrix API driver (TAVRIXDRV.DLL)!");
        EXPECT_FALSE(box.hasIcon);
        EXPECT_EQ(failing.messageBoxes().size(), 1u);
        if (endsUnderTheBox) {
            ASSERT_GE(simctl::finish(), 1);
            ASSERT_TRUE(waitFor([&] { return failing.codeText() == NEC1_CODE; }, 5000))
                << "the learn's end is handled while the box is open";
        }
        App::pressOk(box.window);
        ASSERT_TRUE(waitFor([&] { return failing.messageBoxes().empty(); }, 3000));
        settle(200);
        if (endsUnderTheBox) {
            EXPECT_TRUE(failing.visible(IDC_LBLLRNSTATUS)) << "idle display";
            EXPECT_FALSE(failing.visible(IDC_CBLEARNCANCEL));
            EXPECT_FALSE(failing.visible(IDC_CBINJECTIR));
            EXPECT_TRUE(failing.enabled(IDC_CBLEARNIRCODE));
            EXPECT_TRUE(failing.enabled(IDC_CBTRANSMITIRCODE));
            EXPECT_EQ(failing.codeText(), NEC1_CODE);
        } else {
            ASSERT_TRUE(failing.visible(IDC_CBLEARNCANCEL));
            EXPECT_FALSE(failing.enabled(IDC_CBLEARNIRCODE));
            failing.click(IDC_CBLEARNCANCEL);
            EXPECT_TRUE(waitFor([&] { return failing.visible(IDC_LBLLRNSTATUS); }, 2000));
            EXPECT_EQ(failing.codeText(), "") << "Cancel keeps the box as it was";
        }
    }
}

TEST_F(Learn, HookedLearnFollowedAndInjected)
{
    simctl::setLearnMode(true);
    std::string code = std::string("0000 0073 0000 000B\r\n") + (RC5_CODE + 20);
    app.typeCode(code);
    int hooks = countCommands(app, "HOOKLEARN");

    SecondApp other("--timeout 60000");
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBINJECTIR); }, 10000));
    expectLearnDisplay(false);
    EXPECT_TRUE(app.enabled(IDC_CBINJECTIR)) << "a valid box code can be injected";

    app.typeCode("0000 0073");
    settle(100);
    EXPECT_FALSE(app.enabled(IDC_CBINJECTIR)) << "invalid code offered for injection";
    app.typeCode("");
    settle(100);
    EXPECT_FALSE(app.enabled(IDC_CBINJECTIR)) << "empty code offered for injection";
    app.typeCode(code);
    settle(100);
    EXPECT_TRUE(app.enabled(IDC_CBINJECTIR));
    EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE)) << "no transmission during a learn";

    app.click(IDC_CBINJECTIR);
    std::string out = other.collect(15000);
    EXPECT_EQ(out, "CODE \"" + escaped(code) + "\"\n");
    ASSERT_TRUE(waitFor([&] { return idle(); }, 5000));
    EXPECT_EQ(app.codeText(), code);
    EXPECT_EQ(countCommands(app, "HOOKLEARN"), hooks) << "the hook stays armed: no new command";
    EXPECT_EQ(countCommands(app, "UNHKLEARN"), 0);
    EXPECT_EQ(simctl::snapshot().hookPid, app.pid());
}

TEST_F(Learn, InjectLengthLimitDuringHookedLearn)
{
    simctl::setLearnMode(true);
    // A valid code padded with blanks to exactly 2,048 characters, then one more.
    std::string code = RC5_CODE;
    std::string exact = code + std::string(2048 - code.size(), ' ');
    SecondApp other("--timeout 60000");
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBINJECTIR); }, 10000));
    app.typeCode(exact);
    settle(100);
    EXPECT_TRUE(app.enabled(IDC_CBINJECTIR)) << "2,048 characters fit the learn buffer";
    app.typeCode(exact + " ");
    settle(100);
    EXPECT_FALSE(app.enabled(IDC_CBINJECTIR)) << "2,049 characters cannot be injected";
    app.menu(IDM_LRNINJECT);  // the menu item does nothing for it either
    settle(300);
    EXPECT_TRUE(app.visible(IDC_CBINJECTIR)) << "the learn must still be running";

    app.typeCode(exact);
    settle(100);
    app.menu(IDM_LRNINJECT);
    std::string out = other.collect(15000);
    EXPECT_EQ(out, "CODE \"" + exact + "\"\n");
}

TEST_F(Learn, HookedLearnEndingOnItsOwnAndAcceptBurst)
{
    simctl::setLearnMode(true);
    simctl::point("rc5");
    {
        SecondApp other("--timeout 60000");
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBINJECTIR); }, 10000));
        simctl::finish();
        EXPECT_EQ(other.collect(15000), std::string("CODE \"") + RC5_CODE + "\"\n");
        ASSERT_TRUE(waitFor([&] { return idle(); }, 5000));
        EXPECT_EQ(app.codeText(), RC5_CODE);
    }
    {
        simctl::point("nec1");
        SecondApp other("--timeout 60000");
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBINJECTIR); }, 10000));
        std::string hookFlag;
        for (const std::string& line : app.logOf("TavrixLearnIR"))
            if (line.find("HOOKLEARN") != std::string::npos)
                hookFlag = field(line, "flag");
        simctl::progress(10, 50, 38000, app.pid());
        ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST); }, 3000));
        app.click(IDC_CBLEARNASBURST);
        EXPECT_EQ(other.collect(15000), "CODE \"" + burstOf(NEC1_CODE) + "\"\n");
        ASSERT_TRUE(waitFor([&] { return idle(); }, 5000));
        EXPECT_EQ(app.codeText(), burstOf(NEC1_CODE));
        bool hookSet = false;
        for (const std::string& line : app.log())
            if (line == "event flag " + hookFlag + " = -1")
                hookSet = true;
        EXPECT_TRUE(hookSet) << "Accept Burst in a hooked learn sets the hook's control word";
    }
}

TEST_F(Learn, BeginReportDuringOwnLearnIsIgnored)
{
    simctl::setLearnMode(true);
    app.click(IDC_CBLEARNIRCODE);
    ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
    simctl::progress(0x4000, 0, 0, app.pid());
    settle(300);
    EXPECT_TRUE(app.visible(IDC_CBLEARNCANCEL)) << "a begin report turned our learn into a hooked one";
    EXPECT_FALSE(app.menuItemEnabled(IDM_LRNINJECT));
    app.click(IDC_CBLEARNCANCEL);
    EXPECT_TRUE(waitFor([&] { return idle(); }, 2000));
}
