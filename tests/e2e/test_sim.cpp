// The simulated device where the program's tests do not reach it, but users of tavrixctl and learnapp
// rely on it: the control tool's commands and exit codes, settings and scripts, and the learns of a second
// application alone and with a hook holder (Pellwick), handed over between processes.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "fixtures.h"

using namespace e2e;

using Sim = DeviceTest;

// Each command and its exit code, what it prints, and what the device does.
TEST_F(Sim, ControlToolCommandsAndExitCodes)
{
    App app;  // keeps the device, and so its settings, alive; receives codes
    ASSERT_NE(app.mainWindow(), nullptr);
    const std::string nover = "\"" + binDir() + "nover\\tavrixdrv.dll\"";
    // A part of what it prints, the received code Pellwick shows afterwards (or null).
    struct Case { std::string arguments; DWORD exitCode; const char *output, *shown; Env env = Env(); };
    std::vector<Case> cases = {
        {"learn-duration 0x4D2", 0, "", nullptr}, {"learn-mode manual", 0, "", nullptr},
        {"txfail on", 0, "", nullptr},            {"point rc6", 0, "", nullptr},
        {"press-raw \\x41\\102C\\0", 0, "", "ABC"},
        {"flood 200 1", 0, "F100000000C8\n", "F100000000C8"},
        {"status", 0, "learn-duration 1234\nlearn-mode manual\ntxfail on\nlearn-error off\npoint rc6 \"", nullptr},
        // What a program sees at start.
        {"driver", 0,
         "TavrixGetDrvInfo -> 1 version=256\nTavrixGetDrvVersion -> 1 version=2680\nTavrixOpen -> 1\n"
         "TavrixGetTavrixInfo -> 1 info=263,256,15,11,26\nTavrixClose -> 1\n",
         nullptr},
        {"driver " + nover, 0, "TavrixGetDrvVersion missing\nTavrixOpen -> 1\n", nullptr},
        {"driver", 0, "TavrixOpen -> -1 lastError=536870913\n", nullptr,
         {{"TAVRIXSIM_OPEN_ERROR", "0x20000001"}}},
        {"driver", 0, "TavrixGetDrvInfo -> 1 version=256\n", nullptr,  // an unreadable value: the default
         {{"TAVRIXSIM_DRVINFO", "soon"}}},
    };
    for (const char* refused : {"point 0000 006C", "learn-duration 0", "learn-mode fast", "progress 1 2",
                                "finish" /* no learn runs */, "press-raw \\q", "nonsense"})
        cases.push_back({refused, 1, "tavrixctl: ", nullptr});
    for (const char* misused : {"", "learn --timeout", "driver a b"})
        cases.push_back({misused, 2, "usage: tavrixctl", nullptr});
    for (const Case& c : cases) {
        SCOPED_TRACE("tavrixctl " + c.arguments);
        SecondApp ctl(c.arguments, c.env, "tavrixctl.exe");
        std::string output = ctl.collect();
        EXPECT_TRUE(ctl.exitCode() == c.exitCode && output.find(c.output) != std::string::npos) << output;
        if (c.shown) {
            EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == c.shown; }, 2000))
                << app.text(IDC_LBLTAVROCODE);
        }
    }
    SecondApp reset("reset", Env(), "tavrixctl.exe");
    reset.collect();
    simctl::Snapshot s = simctl::snapshot();
    EXPECT_TRUE(reset.exitCode() == 0 && s.learnDurationMs == 2000 && !s.manualLearn && !s.transmitFails &&
                s.pointed == "remote") << "after reset";
}

// The script starts once the program registers its receive callback; each
// line waits its delay after the one before, and says how it went. A setting
// that cannot be read is logged and changes nothing.
TEST_F(Sim, ScriptRunsOnceTheReceiveCallbackIsRegistered)
{
    std::string script = makeTempDir("script") + "script.txt";
    std::ofstream(script.c_str(), std::ios::binary) << "# received codes and settings on cue\r\n"
                                                       "300 press SCRIPT000001\r\n"
                                                       "\r\n"
                                                       "10 point rc5\r\n"
                                                       "0 bogus\r\n"
                                                       "press ABC\r\n"
                                                       "100\r\n"
                                                       "0 status\r\n";
    App app(Env{{"TAVRIXSIM_SCRIPT", script}, {"TAVRIXSIM_HOSTILE", "grumpy"}});
    ASSERT_NE(app.mainWindow(), nullptr);
    EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == "SCRIPT000001"; }, 5000));
    ASSERT_TRUE(waitFor([&] { return app.logHas("event script line=8 "); }, 5000))
        << "the script stopped early";
    for (const char* logged : {"event script line=2 \"300 press SCRIPT000001\\r\" -> ok",
                               "event script line=4 \"10 point rc5\\r\" -> ok",
                               "event script line=5 \"0 bogus\\r\" -> error",
                               "event script-error line=6 ", "event script-error line=7 ",
                               "event script-output \"point rc5 \\\"",
                               "event setting-problem \"TAVRIXSIM_HOSTILE"})
        EXPECT_TRUE(app.logHas(logged)) << logged;
    EXPECT_FALSE(app.logHas("line=1 ") || app.logHas("line=3 ")) << "a comment or blank line ran";
    EXPECT_EQ(simctl::snapshot().pointed, "rc5");
}

// A second application that learns with no hook holder: it learns alone,
// and says why when it cannot.
TEST_F(Sim, SecondApplicationLearnsAlone)
{
    struct Case { const char *exe, *arguments; Env env; bool manual; DWORD exitCode; std::string output; } cases[] = {
        {"learnapp.exe", "--timeout 20000", {}, false, 0, learntLine(RC5_CODE)},
        {"tavrixctl.exe", "learn --timeout 20000", {}, false, 0, learntLine(RC5_CODE)},
        {"learnapp.exe", "", {{"TAVRIXSIM_LEARN_ERROR", "5"}}, false, 1,
         "ERROR the learn did not start: result 0, last error 5\n"},
        {"learnapp.exe", "--timeout 300", {}, true, 1, "ERROR the learn did not end within 300 ms\n"},
        {"learnapp.exe", "", {{"TAVRIXSIM_OPEN_ERROR", "0x20000003"}}, false, 1,
         "ERROR TavrixOpen failed, last error 536870915\n"},
        {"learnapp.exe", "--timeout", {}, false, 2, "usage: learnapp"},
    };
    simctl::point("rc5");
    simctl::setLearnDuration(200);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.exe) + " " + c.arguments);
        simctl::setLearnMode(c.manual);
        SecondApp learner(c.arguments, c.env, c.exe);
        std::string output = learner.collect();
        EXPECT_TRUE(learner.exitCode() == c.exitCode && output.compare(0, c.output.size(), c.output) == 0) << output;
    }
}

// Pellwick holds the hook while a second application learns: the requester's
// abort flag, a holder that gives up the hook, dies or is replaced, and a
// requester that dies.
TEST_F(Sim, HookHandoverBetweenProcesses)
{
    enum What { REQUESTER_ABORTS, HOLDER_EXITS, HOLDER_DIES, HOLDER_DEAD_BEFORE, TAKEN_OVER, REQUESTER_DIES };
    // What the requester prints (empty: it is killed), what the (last) holder's box shows afterwards
    // (empty: not checked).
    struct { What what; const char* context; bool manual; const char* pointed; std::string learnt, holderCode; }
        cases[] = {
        {REQUESTER_ABORTS, "the requester's abort flag asks the holder's learn for the burst", true,
         "nec1", learntLine(burstOf(NEC1_CODE)), burstOf(NEC1_CODE)},
        {HOLDER_EXITS, "the holder gives up the hook: the requester learns alone", false, "rc5",
         learntLine(RC5_CODE), ""},
        {HOLDER_DIES, "the holder dies during the learn", false, "rc5", learntLine(RC5_CODE), ""},
        {HOLDER_DEAD_BEFORE, "a dead holder counts as none", false, "rc5", learntLine(RC5_CODE), ""},
        {TAKEN_OVER, "a later holder takes the hook over", true, "rc5", learntLine(RC5_CODE), RC5_CODE},
        {REQUESTER_DIES, "the requester dies: the holder's learn ends with the burst", true, "nec1",
         "", burstOf(NEC1_CODE)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        simctl::reset();
        simctl::setLearnMode(c.manual);
        simctl::setLearnDuration(1500);
        simctl::point(c.pointed);
        std::unique_ptr<App> first(new App), holder;
        ASSERT_TRUE(first->holdsHook());
        if (c.what == TAKEN_OVER) {
            holder.reset(new App);
            ASSERT_TRUE(holder->holdsHook());
            EXPECT_TRUE(holder->logHas("event hook-taken-from pid=" + std::to_string(first->pid())));
        } else {
            holder.swap(first);
        }
        if (c.what == HOLDER_DEAD_BEFORE)
            holder->kill();

        std::unique_ptr<SecondApp> other(
            new SecondApp(c.what == REQUESTER_ABORTS ? "--abort-after 500 --timeout 20000" : "--timeout 20000"));
        if (c.what != HOLDER_DEAD_BEFORE) {
            ASSERT_TRUE(waitFor([&] { return holder->learnShowing(); }, 10000)) << "the holder did not follow";
        }
        if (first) {
            EXPECT_FALSE(first->learnShowing()) << "the replaced holder followed the learn";
        }
        if (c.what == HOLDER_EXITS)
            holder->menu(IDM_FILEEXIT);
        if (c.what == HOLDER_DIES)
            holder->kill();
        if (c.what == TAKEN_OVER)
            simctl::finish();
        if (c.what == REQUESTER_DIES)
            other.reset();
        if (other) {
            EXPECT_EQ(other->collect(20000), c.learnt);
        }
        if (!c.holderCode.empty()) {
            EXPECT_TRUE(waitFor([&] { return holder->idle(); }, 5000));
            EXPECT_EQ(holder->codeText(), c.holderCode);
        }
    }
}

// The driver's call times (TAVRIXSIM_TIMES), the benchmark's view of the
// driver's share of a start-up: nothing written while the program runs, then
// the library's load and every call, begun after it, in the order they ended.
TEST_F(Sim, CallTimesAreWrittenWhenTheDeviceIsClosed)
{
    const std::string path = makeTempDir("times") + "times.txt";
    App app(Env{{"TAVRIXSIM_TIMES", path}});
    ASSERT_TRUE(app.holdsHook());
    EXPECT_FALSE(exists(path));
    PostMessageA(app.mainWindow(), WM_CLOSE, 0, 0);
    ASSERT_EQ(app.waitExit(), 0u);

    std::istringstream lines(readFile(path));
    std::string function, calls;
    double load = 0, begin = 0, end = 0, lastEnd = 0;
    ASSERT_TRUE(lines >> function >> load && function == "load") << readFile(path);
    while (lines >> function >> begin >> end) {
        EXPECT_TRUE(load <= begin && begin <= end && lastEnd <= end) << function << " " << begin << " " << end;
        lastEnd = end;
        calls += function + " ";
    }
    EXPECT_EQ(calls, "TavrixGetDrvInfo TavrixGetDrvVersion TavrixOpen TavrixSetReceiveCallback TavrixLearnIR "
                     "TavrixGetTavrixInfo TavrixLearnIR ");
}
