// What a learn leaves behind for the next one and for Test Transmit, and
// what a hooked learn offers when it begins: the hook's control word back at
// 0 after every learn, the Pronto format (16) after a hooked learn, and the
// inject button's state at the start of a hooked learn.
#include <gtest/gtest.h>

#include "fixtures.h"

using namespace e2e;

namespace {

// One argument of a call log line, as logged ("16", "0x0061FE1C").
std::string field(const std::string& line, const std::string& name)
{
    size_t at = line.find(" " + name + "=");
    if (at == std::string::npos)
        return std::string();
    at += name.size() + 2;
    return line.substr(at, line.find(' ', at) - at);
}

// The control word that the driver read when the last hooked learn began,
// and every change of it that the driver saw since.
struct HookedLearnSeen {
    std::string wordAtBegin;
    std::vector<std::string> changes;
};
HookedLearnSeen lastHookedLearn(const App& app)
{
    HookedLearnSeen seen;
    for (const std::string& line : app.log()) {
        if (line.compare(0, 30, "event learn-begin kind=hooked ") == 0) {
            seen.wordAtBegin = field(line, "flag");
            seen.changes.clear();
        } else if (line.compare(0, 11, "event flag ") == 0) {
            seen.changes.push_back(line);
        }
    }
    return seen;
}

}  // namespace

using LearnState = DeviceTest;

// The driver keeps the address of the hook's control word and may read it
// the moment another application's learn begins, before the program has
// heard of that learn. Here the simulated driver leaves the word to the
// program alone (keep-control-word): whatever a learn leaves in it, a
// request answered or not, is what the next application's learn reads.
TEST_F(LearnState, HookControlWordIsZeroAfterEveryLearn)
{
    simctl::setLearnMode(true);
    simctl::point("nec1");
    App app(Env{{"TAVRIXSIM_HOSTILE", "keep-control-word"}});
    ASSERT_TRUE(app.holdsHook());

    enum Ending { INJECT, ACCEPT_BURST, CANCEL, EXIT };
    const struct {
        const char* context;
        Ending ending;
    } learns[] = {
        {"another application's learn answered with Inject, ended by the driver's report", INJECT},
        {"one answered with Accept Burst, ended by the driver's report", ACCEPT_BURST},
        {"an own learn ended by Cancel", CANCEL},
        {"a learn answered with Inject, ended by File, Exit", EXIT},
        // The last hooked learn's begin checks what Cancel left.
    };
    for (const auto& learn : learns) {
        SCOPED_TRACE(learn.context);
        if (learn.ending == CANCEL) {
            ASSERT_TRUE(app.startOwnLearn());
            app.click(IDC_CBLEARNCANCEL);
            ASSERT_TRUE(waitFor([&] { return app.idle() && app.calls(1) == "HOOKLEARN"; }, 3000));
            EXPECT_EQ(field(app.logOf("TavrixLearnIR").back(), "*flag"), "0") << "the word as the hook is armed";
            continue;
        }

        // Until the user presses something the driver reads 0, from the
        // begin on: a value left over would answer this learn at once.
        SecondApp other;
        ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000) && app.responsive());
        if (learn.ending == ACCEPT_BURST) {
            ASSERT_TRUE(simctl::progress(10, 50, 38000, app.pid()));
            ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST); }, 3000));
        } else {
            app.typeCode(RC5_CODE);
            ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBINJECTIR); }, 3000));
        }
        HookedLearnSeen seen = lastHookedLearn(app);
        EXPECT_EQ(seen.wordAtBegin, "0") << "the control word when the learn began";
        EXPECT_TRUE(seen.changes.empty()) << "the driver saw a request nobody made: " << seen.changes.front();

        if (learn.ending == EXIT) {
            app.click(IDC_CBINJECTIR);
            app.menu(IDM_FILEEXIT);
            EXPECT_EQ(app.waitExit(10000), 0u);
            // Exit ends the learn whether or not the driver's report came
            // first; the driver holds the word until the hook is given up.
            std::string released;
            for (const std::string& line : app.log())
                if (line.compare(0, 20, "event hook-released ") == 0)
                    released = line;
            EXPECT_EQ(released, "event hook-released flag=0");
            break;
        }
        app.click(learn.ending == INJECT ? IDC_CBINJECTIR : IDC_CBLEARNASBURST);
        EXPECT_EQ(other.collect(15000), learntLine(learn.ending == INJECT ? RC5_CODE : burstOf(NEC1_CODE)));
        ASSERT_TRUE(waitFor([&] { return app.idle(); }, 5000));
        EXPECT_EQ(lastHookedLearn(app).changes.size(), 1u) << "the press, seen once";
    }
}

// A hooked learn runs with no driver format (-1 inside the program); the
// code it ends with is a Pronto code, and Test Transmit sends it with
// format 16, whether the driver learnt it or the user answered with the
// box's code.
TEST_F(LearnState, CodeOfAHookedLearnIsTransmittedAsPronto)
{
    simctl::setLearnMode(true);
    simctl::point("nec1");
    App app;
    ASSERT_TRUE(app.holdsHook());
    for (bool injected : {false, true}) {
        SCOPED_TRACE(injected ? "answered with Inject" : "learnt by the driver");
        SecondApp other;
        ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000) && app.responsive());
        const char* code = injected ? RC5_CODE : NEC1_CODE;
        if (injected) {
            app.typeCode(code);
            ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBINJECTIR); }, 3000));
            app.click(IDC_CBINJECTIR);
        } else {
            ASSERT_GE(simctl::finish(), 1);
        }
        EXPECT_EQ(other.collect(15000), learntLine(code));
        ASSERT_TRUE(waitFor([&] { return app.idle() && app.enabled(IDC_CBTRANSMITIRCODE); }, 5000));
        ASSERT_EQ(app.codeText(), code);

        size_t before = app.logOf("TavrixTransmitIR").size();
        app.click(IDC_CBTRANSMITIRCODE);
        ASSERT_TRUE(waitFor([&] { return app.logOf("TavrixTransmitIR").size() > before; }, 5000));
        std::string sent = app.logOf("TavrixTransmitIR").back();
        EXPECT_EQ(field(sent, "format"), "16") << sent;
    }
}

// When another application's learn begins, "Inject IR Code Above" is
// enabled exactly when Test Transmit was: for a code the driver accepts,
// never for other text, however long; a valid code typed afterwards
// enables it.
TEST_F(LearnState, InjectAtTheStartOfAHookedLearn)
{
    simctl::setLearnMode(true);
    App app;
    ASSERT_TRUE(app.holdsHook());
    const struct {
        const char* context;
        std::string text;
        bool valid;
    } boxes[] = {
        {"text that is no code", "not a code", false},
        {"a Pronto code cut short", "0000 0073 0000 000B 0040", false},
        {"a valid code", RC5_CODE, true},
        {"an empty box", "", false},
        {"blanks", "   ", false},
    };
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.context);
        app.typeCode(box.text);
        ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE) == box.valid; }, 3000));
        SecondApp other;
        ASSERT_TRUE(waitFor([&] { return app.learnShowing() && !app.enabled(IDC_CBLEARNIRCODE); }, 10000) &&
                    app.responsive());
        EXPECT_EQ(app.enabled(IDC_CBINJECTIR), box.valid) << "at the start of the learn";

        app.typeCode(NEC1_CODE);
        EXPECT_TRUE(waitFor([&] { return app.enabled(IDC_CBINJECTIR); }, 3000)) << "once the box holds a code";
        app.click(IDC_CBINJECTIR);
        EXPECT_EQ(other.collect(15000), learntLine(NEC1_CODE));
        ASSERT_TRUE(waitFor([&] { return app.idle(); }, 5000));
    }
}
