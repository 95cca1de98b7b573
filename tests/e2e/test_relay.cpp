// The callback relay: received codes, learn progress drawn as segmented bars,
// the carrier frequency and the Accept Burst rule, and the device
// information line.
#include <gtest/gtest.h>

#include "harness.h"
#include "sim/simctl.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

// Starts a hooked learn that only moves when the test says so.
struct HookedLearn {
    App& app;
    SecondApp other;
    explicit HookedLearn(App& a) : app(a), other("--timeout 60000")
    {
        EXPECT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNASBURST); }, 10000))
            << "the hooked learn display did not appear";
    }
};

}  // namespace

class Relay : public ::testing::Test {
protected:
    void SetUp() override
    {
        simctl::reset();
        simctl::setLearnMode(true);
        ASSERT_NE(app.mainWindow(), nullptr);
        ASSERT_NE(simctl::waitForHook(app.pid(), 5000), 0u) << "hook not armed";
    }
    void TearDown() override { simctl::reset(); }
    App app;
};

TEST_F(Relay, ReceivedCodeShowsRedThenBlack)
{
    ASSERT_EQ(simctl::press("1A2B3C4D5E6F"), 1);
    ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == "1A2B3C4D5E6F"; }, 2000));
    EXPECT_GT(app.countColour(IDC_LBLTAVROCODE, RGB(255, 0, 0)), 20) << "new code not red";
    settle(400);
    EXPECT_EQ(app.countColour(IDC_LBLTAVROCODE, RGB(255, 0, 0)), 0) << "code still red";
    EXPECT_GT(app.countColour(IDC_LBLTAVROCODE, RGB(0, 0, 0)), 20) << "code not black";
    settle(300);
    EXPECT_EQ(app.countColour(IDC_LBLTAVROCODE, RGB(255, 0, 0)), 0) << "the timer fired again";
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "1A2B3C4D5E6F") << "the code stays until the next";
}

TEST_F(Relay, LongCodesAreCutToSixteenCharacters)
{
    simctl::press("0123456789ABCDEFGHIJ");
    EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == "0123456789ABCDEF"; }, 2000))
        << app.text(IDC_LBLTAVROCODE);
    simctl::press("AB");
    EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == "AB"; }, 2000));
}

TEST_F(Relay, ProgressBarsCarrierAndAcceptBurst)
{
    HookedLearn learn(app);
    EXPECT_EQ(app.text(IDC_LBLCARRIERFREQ), "---");
    EXPECT_FALSE(app.enabled(IDC_CBLEARNASBURST));

    struct Report {
        int progress, quality, hz;
        int progressLit, qualityLit;
        const char* caption;
        bool burst;
    } reports[] = {
        // Each caption differs from the one before, so that waiting for it
        // waits for that very report.
        {0, 0, 38000, 0, 1, "38.0KHz", false},  {1, 10, 38199, 1, 1, "38.1KHz", false},
        {2, 11, 38000, 1, 2, "38.0KHz", true},  {4, 20, 36789, 2, 3, "36.7KHz", true},
        {3, 30, 0, 1, 3, "0.0KHz", false},      {100, 31, 40950, 33, 4, "40.9KHz", true},
        {50, 100, 38000, 17, 10, "38.0KHz", true},
    };
    for (const Report& r : reports) {
        SCOPED_TRACE("progress " + std::to_string(r.progress) + " quality " +
                     std::to_string(r.quality) + " hz " + std::to_string(r.hz));
        ASSERT_TRUE(simctl::progress(r.progress, r.quality, r.hz, app.pid()));
        ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == r.caption; }, 2000))
            << app.text(IDC_LBLCARRIERFREQ);
        EXPECT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST) == r.burst; }, 1000));
        EXPECT_EQ(app.litSegments(IDC_PBLEARNPROGRESS3, false), r.progressLit);
        EXPECT_EQ(app.litSegments(IDC_PBSIGQUALITY, true), r.qualityLit);
    }

    // Minimised and restored, the bars come back from the last report.
    HWND main = app.mainWindow();
    ShowWindow(main, SW_MINIMIZE);
    settle(300);
    ShowWindow(main, SW_RESTORE);
    settle(500);
    EXPECT_EQ(app.litSegments(IDC_PBLEARNPROGRESS3, false), 17);
    EXPECT_EQ(app.litSegments(IDC_PBSIGQUALITY, true), 10);

    // Covered by another window and uncovered again.
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, nullptr, nullptr);
    settle(300);
    DestroyWindow(cover);
    settle(500);
    EXPECT_EQ(app.litSegments(IDC_PBLEARNPROGRESS3, false), 17);
    EXPECT_EQ(app.litSegments(IDC_PBSIGQUALITY, true), 10);

    // A negative progress ends the learn without drawing.
    simctl::progress(-1, 0, 0, app.pid());
    EXPECT_TRUE(waitFor([&] { return app.visible(IDC_LBLLRNSTATUS); }, 3000));
    EXPECT_EQ(app.text(IDC_LBLCARRIERFREQ), "38.0KHz") << "the end report was drawn";
}

TEST(DeviceInfo, LineFromTheDevice)
{
    struct Case {
        const char* info;
        const char* line;
    } cases[] = {
        {"263,256,15,11,26", "FirmwareVer=1.7 ProtVer=1.0 FirmwareDate=11/15/2026"},
        {"256,0,21,6,4", "FirmwareVer=1.0 ProtVer=0.0 FirmwareDate=6/21/2004"},
        {"-257,-1,1,2,255", "FirmwareVer=-1.-1 ProtVer=0.-1 FirmwareDate=2/1/2255"},
        {"fail", "*** ERROR Retrieving Tavrix Information! ***"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info);
        App app(Env{{"TAVRIXSIM_INFO", c.info}});
        ASSERT_NE(app.mainWindow(), nullptr);
        EXPECT_EQ(app.text(IDC_LBLINFO), c.line);
        EXPECT_EQ(app.codeText(), "");
        EXPECT_TRUE(app.messageBoxes().empty());
    }
}
