// The callback relay: received codes, learn progress drawn as segmented bars,
// the carrier frequency and the Accept Burst rule.
#include <gtest/gtest.h>

#include <utility>

#include "fixtures.h"

using namespace e2e;

using Relay = PellwickTest<true>;

TEST_F(Relay, ReceivedCodeShowsRedThenBlack)
{
    ASSERT_EQ(simctl::press("1A2B3C4D5E6F"), 1);
    ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == "1A2B3C4D5E6F"; }, 2000));
    EXPECT_GT(app.countColour(IDC_LBLTAVROCODE, RGB(255, 0, 0)), 20) << "new code not red";
    settle(400);
    EXPECT_TRUE(app.countColour(IDC_LBLTAVROCODE, RGB(255, 0, 0)) == 0 && app.countColour(IDC_LBLTAVROCODE, 0) > 20)
        << "code not black yet";
    settle(300);
    EXPECT_EQ(app.countColour(IDC_LBLTAVROCODE, RGB(255, 0, 0)), 0) << "the timer fired again";
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "1A2B3C4D5E6F") << "the code stays until the next";
}

// Reports during another application's learn, in range and far outside it:
// packed into one message parameter, out-of-range values come out as the
// wrapped values the display rules give, and never end the learn.
TEST_F(Relay, ProgressBarsCarrierAndAcceptBurst)
{
    SecondApp other;
    ASSERT_TRUE(waitFor([&] { return app.learnShowing(); }, 10000)) << "no hooked learn display";

    // Lit segments of the two bars, the carrier's caption and Accept Burst's state.
    struct Report { int progress, quality, hz, progressLit, qualityLit; const char* caption; bool burst; } reports[] = {
        // Each caption differs from the one before, so that waiting for it
        // waits for that very report.
        {0, 0, 38000, 0, 1, "38.0KHz", false},  {1, 10, 38199, 1, 1, "38.1KHz", false},
        {2, 11, 38000, 1, 2, "38.0KHz", true},  {3, 30, 0, 1, 3, "0.0KHz", false},
        {100, 31, 40950, 33, 4, "40.9KHz", true},
        // 500 + 20 * 256 shows as progress 244, quality 21: the whole bar.
        {500, 20, 38000, 33, 3, "38.0KHz", true},
        // -7 * 256 + 50 shows as progress -206, quality -6: nothing lit.
        {50, -7, 36700, 0, 0, "36.7KHz", false},
        {50, 20, -1, 17, 3, "0.0KHz", false},
        {50, 20, 2147483647, 17, 3, "2147483.6KHz", true},
        {50, 20, -2147483647 - 1, 17, 3, "-2147483.-6KHz", false},
        {2, 0, 1, 1, 1, "0.0KHz", true},
        {50, 100, 38000, 17, 10, "38.0KHz", true},
    };
    auto bars = [&] {
        return std::make_pair(app.litSegments(IDC_PBLEARNPROGRESS3, false), app.litSegments(IDC_PBSIGQUALITY, true));
    };
    for (const Report& r : reports) {
        SCOPED_TRACE("progress " + std::to_string(r.progress) + " quality " + std::to_string(r.quality) + " hz " +
                     std::to_string(r.hz));
        ASSERT_TRUE(simctl::progress(r.progress, r.quality, r.hz, app.pid()));
        ASSERT_TRUE(waitFor([&] { return app.text(IDC_LBLCARRIERFREQ) == r.caption; }, 2000))
            << app.text(IDC_LBLCARRIERFREQ);
        EXPECT_TRUE(waitFor([&] { return app.enabled(IDC_CBLEARNASBURST) == r.burst; }, 1000));
        EXPECT_EQ(bars(), std::make_pair(r.progressLit, r.qualityLit));
        EXPECT_TRUE(app.learnShowing()) << "a report ended the learn";
    }

    // Minimised and restored, covered and uncovered: the bars come back from
    // the last report.
    HWND main = app.mainWindow();
    ShowWindow(main, SW_MINIMIZE);
    settle(300);
    ShowWindow(main, SW_RESTORE);
    settle(500);
    EXPECT_EQ(bars(), std::make_pair(17, 10)) << "restored";
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                 nullptr, nullptr);
    settle(300);
    DestroyWindow(cover);
    settle(500);
    EXPECT_EQ(bars(), std::make_pair(17, 10)) << "uncovered";

    // A negative progress ends the learn without drawing.
    simctl::progress(-1, 0, 0, app.pid());
    EXPECT_TRUE(waitFor([&] { return app.visible(IDC_LBLLRNSTATUS); }, 3000));
    EXPECT_TRUE(app.text(IDC_LBLCARRIERFREQ) == "38.0KHz" && app.responsive()) << "the end report was drawn";
}
