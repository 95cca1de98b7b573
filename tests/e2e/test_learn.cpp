// Learning: the program's own learns, Cancel and Accept Burst, the learn
// hook that follows another application's learn, and injection.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <regex>

#include "fixtures.h"

using namespace e2e;

namespace {

// One argument of a call log line, as logged ("\"HOOKLEARN\"", "16").
std::string field(const std::string& line, const std::string& name)
{
    std::smatch value;
    std::regex_search(line, value, std::regex(" " + name + "=(\"[^\"]*\"|[^ ]*)"));
    return value.empty() ? std::string() : value.str(1);
}

}  // namespace

class Learn : public PellwickTest<true> {
protected:
    void expectLearnDisplay(bool own)
    {
        // The display changes one control at a time: it is all up once the
        // program answers again.
        ASSERT_TRUE(waitFor([&] { return !app.enabled(IDC_CBLEARNIRCODE); }, 3000) && app.responsive());
        EXPECT_EQ(app.visible(IDC_CBLEARNCANCEL), own);
        for (int shown : {IDC_CBINJECTIR, IDC_CBLEARNASBURST, IDC_LBLINSTRUCT1, IDC_LBLINSTRUCT2,
                          IDC_PBLEARNPROGRESS3, IDC_PBSIGQUALITY})
            EXPECT_TRUE(app.visible(shown)) << "control " << shown;
        EXPECT_FALSE(app.visible(IDC_LBLLRNSTATUS) || app.enabled(IDC_CBLEARNASBURST)) << "status, Accept Burst";
        EXPECT_FALSE(app.enabled(IDC_CBLEARNIRCODE) || app.menuItemEnabled(IDM_LEARNIRLEARNPRONTO)) << "learn";
        EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE) || app.menuEnabled("&Transmit")) << "transmit";
        EXPECT_EQ(app.text(IDC_LBLCARRIERFREQ), "---");
        EXPECT_EQ(app.menuItemEnabled(IDM_LRNINJECT), !own);
    }
};

TEST_F(Learn, OwnLearnFromButtonAndMenu)
{
    simctl::point("nec1");
    for (int start : {0, 1}) {
        SCOPED_TRACE(start == 0 ? "button" : "menu");
        app.typeCode("");
        size_t before = app.logOf("TavrixLearnIR").size();
        start == 0 ? app.click(IDC_CBLEARNIRCODE) : app.menu(IDM_LEARNIRLEARNPRONTO);
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000));
        expectLearnDisplay(true);

        // Neither a valid code typed nor another program's begin report
        // offers injection during an own learn.
        app.typeCode(RC5_CODE);
        simctl::progress(0x4000, 0, 0, app.pid());
        settle(300);
        EXPECT_FALSE(app.enabled(IDC_CBINJECTIR) || app.menuItemEnabled(IDM_LRNINJECT)) << "inject offered";
        EXPECT_TRUE(app.visible(IDC_CBLEARNCANCEL)) << "the own learn became a hooked one";

        simctl::finish();
        ASSERT_TRUE(waitFor([&] { return app.idle(); }, 10000)) << "the learn never ended";
        EXPECT_EQ(app.codeText(), NEC1_CODE);
        EXPECT_TRUE(app.enabled(IDC_CBTRANSMITIRCODE) && app.menuEnabled("&Transmit")) << "transmit";
        EXPECT_TRUE(app.enabled(IDC_CBLEARNIRCODE) && app.menuItemEnabled(IDM_LEARNIRLEARNPRONTO)) << "learn";

        // Unhook, learn, hook again, each with its own flag and format.
        std::vector<std::string> calls = app.logOf("TavrixLearnIR");
        ASSERT_EQ(calls.size(), before + 3);
        const std::string &unhook = calls[before], &learn = calls[before + 1], &hook = calls[before + 2];
        EXPECT_EQ(field(unhook, "buf") + " " + field(unhook, "format"), "\"UNHKLEARN\" 5");
        EXPECT_EQ(field(learn, "format") + " " + field(learn, "userData") + " " +
                      field(learn, "reserved1") + " " + field(learn, "reserved2") + " " +
                      field(learn, "reserved3"),
                  "16 0 0 -1 0");
        EXPECT_EQ(field(learn, "flag"), field(unhook, "flag")) << "the abort flag goes with both";
        EXPECT_EQ(field(hook, "buf") + " " + field(hook, "format"), "\"HOOKLEARN\" 16");
        EXPECT_NE(field(hook, "flag"), field(learn, "flag")) << "the hook has its own control word";
    }
}

TEST_F(Learn, CancelKeepsTheBoxAndRearmsTheHook)
{
    app.typeCode(RC5_CODE);
    ASSERT_TRUE(app.startOwnLearn());
    app.click(IDC_CBLEARNCANCEL);
    ASSERT_TRUE(waitFor([&] { return app.idle(); }, 2000)) << "Cancel must end the learn at once";
    EXPECT_TRUE(app.codeText() == RC5_CODE && app.enabled(IDC_CBTRANSMITIRCODE));
    EXPECT_TRUE(waitFor([&] { return app.calls(1) == "HOOKLEARN"; }, 2000)) << app.calls(1);
    EXPECT_EQ(simctl::waitForHook(app.pid(), 3000), app.pid());

    // The driver's own end of the aborted learn changes nothing.
    simctl::finish();
    settle(500);
    EXPECT_TRUE(app.codeText() == RC5_CODE && app.idle());
}

// Accept Burst sets the abort flag of an own learn, the hook's control word
// in another application's learn; either way the burst is the result.
TEST_F(Learn, AcceptBurstOwnAndHooked)
{
    simctl::point("nec1");
    for (bool own : {true, false}) {
        SCOPED_TRACE(own ? "own learn" : "hooked learn");
        std::unique_ptr<SecondApp> other(own ? nullptr : new SecondApp());
        ASSERT_TRUE(own ? app.startOwnLearn() : waitFor([&] { return app.learnShowing(); }, 10000));
        // The last learn call: the own learn's, or the hook command's.
        std::string flag = field(app.logOf("TavrixLearnIR").back(), "flag");
        simctl::progress(10, 50, 38000, app.pid());
        ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST); }, 3000));
        app.click(IDC_CBLEARNASBURST);
        if (other) {
            EXPECT_EQ(other->collect(15000), learntLine(burstOf(NEC1_CODE)));
        }
        ASSERT_TRUE(waitFor([&] { return app.idle(); }, 5000));
        EXPECT_EQ(app.codeText(), burstOf(NEC1_CODE));
        EXPECT_TRUE(app.logHas("event flag " + flag + " = -1")) << "flag " << flag << " not set";
    }
}

// The driver's complaint comes in a message box, which runs its own message loop: the learn may still be
// running when the box is dismissed, or may have ended while it was open (a driver that learns
// synchronously). Either way the window must show the learn's real state afterwards.
TEST_F(Learn, LastErrorOtherThanPendingAfterTheLearnCall)
{
    App failing(Env{{"TAVRIXSIM_LEARN_ERROR", "87"}});
    ASSERT_NE(failing.mainWindow(), nullptr);
    simctl::point("nec1");
    for (bool endsUnderTheBox : {false, true}) {
        SCOPED_TRACE(endsUnderTheBox ? "the learn ends while the box is open" : "still learning");
        failing.typeCode("");
        failing.click(IDC_CBLEARNIRCODE);
        EXPECT_EQ(failing.waitBoxes(),
                  "ERROR: The Tavrix Driver Installed on your System is not compatible with this "
                  "application. Please update your Tavrix API driver (TAVRIXDRV.DLL)!");
        if (endsUnderTheBox) {
            ASSERT_GE(simctl::finish(), 1);
            ASSERT_TRUE(waitFor([&] { return failing.codeText() == NEC1_CODE; }, 5000))
                << "the learn's end is handled while the box is open";
        }
        ASSERT_TRUE(failing.dismissBoxes());
        settle(200);
        if (endsUnderTheBox) {
            EXPECT_TRUE(failing.idle() && !failing.visible(IDC_CBLEARNCANCEL));
            EXPECT_TRUE(failing.enabled(IDC_CBLEARNIRCODE) && failing.enabled(IDC_CBTRANSMITIRCODE));
            EXPECT_EQ(failing.codeText(), NEC1_CODE);
        } else {
            ASSERT_TRUE(failing.visible(IDC_CBLEARNCANCEL) && !failing.enabled(IDC_CBLEARNIRCODE));
            failing.click(IDC_CBLEARNCANCEL);
            EXPECT_TRUE(waitFor([&] { return failing.idle(); }, 2000));
            EXPECT_EQ(failing.codeText(), "") << "Cancel keeps the box as it was";
        }
    }
}

// Another application's learn, answered with the box's code by the inject
// button or menu item: offered only for a valid code that fits the learn
// buffer with its NUL (2,048 characters).
TEST_F(Learn, HookedLearnFollowedAndInjected)
{
    const std::string crlf = std::string("0000 0073 0000 000B\r\n") + (RC5_CODE + 20);
    const std::string longest = RC5_CODE + std::string(2048 - strlen(RC5_CODE), ' ');
    for (bool byMenu : {false, true}) {
        SCOPED_TRACE(byMenu ? "menu" : "button");
        size_t learnCalls = app.logOf("TavrixLearnIR").size();
        SecondApp other;
        ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000));
        expectLearnDisplay(false);

        const std::pair<std::string, bool> typed[] = {  // the text, whether it can answer
            {longest, true}, {"", false}, {crlf, true}, {longest + " ", false}, {crlf, true}, {"0000 0073", false}};
        for (const auto& t : typed) {
            SCOPED_TRACE(std::to_string(t.first.size()) + " characters");
            app.typeCode(t.first);
            settle(100);
            EXPECT_EQ(app.enabled(IDC_CBINJECTIR), t.second);
            EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE)) << "no transmission during a learn";
        }
        const std::string& answer = byMenu ? longest : crlf;
        app.typeCode(answer);
        settle(100);
        byMenu ? app.menu(IDM_LRNINJECT) : app.click(IDC_CBINJECTIR);
        EXPECT_EQ(other.collect(15000), learntLine(answer));
        ASSERT_TRUE(waitFor([&] { return app.idle(); }, 5000));
        EXPECT_EQ(app.codeText(), answer);
        EXPECT_TRUE(app.logOf("TavrixLearnIR").size() == learnCalls && simctl::snapshot().hookPid == app.pid())
            << "the hook stays armed";
    }
}
