// Where the inspector and the virtual remote open beside their main window, and the inspector's waveform view:
// zoom about a fixed time, scrolling and refitting inside the code, and time labels that the edges never cut.
#include <gtest/gtest.h>

#include "ui/geometry.h"

using geometry::Box;
using geometry::View;

namespace {

std::string str(const Box& b)
{
    return std::to_string(b.left) + "," + std::to_string(b.top) + "-" + std::to_string(b.right) + "," +
           std::to_string(b.bottom);
}

}  // namespace

TEST(Geometry, BesideTheMainWindow)
{
    const Box work = {0, 0, 1280, 994};  // a 1280 x 1024 screen less its taskbar
    // The main window, its code box and buttons; the new window's size, least size and side; where it goes.
    struct { const char* context; Box anchor, keepClear; long w, h, minW, minH; bool leftFirst; const char* at; }
    cases[] = {
        {"right, at full size, level with it", {100, 200, 586, 672}, {100, 260, 586, 450}, 486, 350, 300, 250, false,
         "586,200-1072,550"},
        {"left first, as the remote asks", {500, 200, 986, 672}, {500, 260, 986, 450}, 272, 570, 272, 570, true,
         "228,200-500,770"},
        {"the other side when the first has no room", {700, 100, 1186, 572}, {700, 160, 1186, 350}, 486, 350, 300,
         250, false, "214,100-700,450"},
        {"shrunk beside rather than under it", {397, 261, 883, 733}, {397, 320, 883, 510}, 486, 350, 300, 250, false,
         "883,261-1280,611"},
        {"moved up to stay inside the work area", {397, 800, 883, 990}, {397, 850, 883, 950}, 486, 350, 300, 250,
         false, "883,644-1280,994"},
        {"below the code box when neither side has room", {0, 0, 1280, 600}, {0, 60, 1280, 300}, 486, 350, 300, 250,
         false, "0,300-486,650"},
        {"nowhere clear: inside the work area at the right", {0, 0, 1280, 994}, {0, 0, 1280, 994}, 486, 350, 300,
         250, false, "794,0-1280,350"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        Box b = geometry::beside(work, c.anchor, c.keepClear, c.w, c.h, c.minW, c.minH, c.leftFirst);
        EXPECT_EQ(c.at, str(b));
        EXPECT_TRUE(b.left >= work.left && b.top >= work.top && b.right <= work.right && b.bottom <= work.bottom);
    }
}

TEST(Geometry, WaveformViewZoomsAndScrollsInsideTheCode)
{
    const double total = 100000;  // a 100 ms code
    View v = geometry::zoomed(geometry::whole(total), total, 4, 0.25);
    EXPECT_DOUBLE_EQ(25000, v.spanUs);
    EXPECT_DOUBLE_EQ(18750, v.startUs) << "the time under the pointer, 25 ms, stays a quarter in";
    v = geometry::zoomed(v, total, 1e6, 0.5);
    EXPECT_DOUBLE_EQ(200, v.spanUs) << "no closer than 200 us";
    v = geometry::zoomed(v, total, 1e-6, 0.9);
    EXPECT_TRUE(v.startUs == 0 && v.spanUs == total) << "no farther than the whole code";
    EXPECT_DOUBLE_EQ(1e6 / 4096, geometry::minSpanUs(1e6)) << "a long code: 1/4096 of it";

    // Scrolled and refitted: the view stays inside the code.
    v = geometry::scrolled({10000, 20000}, total, 90000);
    EXPECT_DOUBLE_EQ(80000, v.startUs);
    EXPECT_DOUBLE_EQ(0, geometry::scrolled(v, total, -1e9).startUs);
    v = geometry::refitted({70000, 20000}, total, 50000);
    EXPECT_TRUE(v.startUs == 30000 && v.spanUs == 20000) << v.startUs << " " << v.spanUs;
    v = geometry::refitted(geometry::whole(total), total, 120000);
    EXPECT_TRUE(v.startUs == 0 && v.spanUs == 120000) << "the whole code stays the whole code";
    v = geometry::refitted({0, 20000}, total, 0);
    EXPECT_TRUE(v.startUs == 0 && v.spanUs == 0) << "a code of no length";
}

TEST(Geometry, TimeLabelsStayInsideTheWindow)
{
    // The view, the axis from pixel 6 to 6 less than the client's width, the widest label; the ticks' ms and
    // how many carry a label.
    struct { const char* context; View view; long clientWidth, labelWidth; const char* ticks; int labelled, decimals; }
    cases[] = {
        {"108.5 ms", {0, 108500}, 500, 50, "0 20 40 60 80 100", 6, 0},
        {"108.5 ms in a small window", {0, 108500}, 300, 50, "0 50 100", 3, 0},
        {"the last tick at the right edge", {0, 100000}, 500, 50, "0 20 40 60 80 100", 6, 0},
        {"zoomed to 2 ms from 10.3 ms", {10300, 2000}, 400, 50, "10.5 11 11.5 12", 4, 1},
        {"a label that would touch the one before", {0, 2000}, 144, 50, "0 1 2", 2, 0},
        {"no room at all", {0, 1000}, 10, 50, "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        geometry::Axis axis = geometry::timeAxis(c.view, 6, c.clientWidth - 6, c.labelWidth, c.clientWidth);
        std::string ticks;
        int labelled = 0;
        long lastRight = -1;
        for (const geometry::Tick& t : axis.ticks) {
            char ms[32];
            std::snprintf(ms, sizeof ms, "%g", t.ms);
            ticks += (ticks.empty() ? "" : " ") + std::string(ms);
            EXPECT_TRUE(t.x >= 6 && t.x <= c.clientWidth - 6) << t.ms << " ms at " << t.x;
            if (!t.labelled)
                continue;
            ++labelled;
            EXPECT_TRUE(t.labelLeft >= 0 && t.labelLeft + c.labelWidth <= c.clientWidth) << "label cut: " << t.ms;
            EXPECT_GT(t.labelLeft, lastRight) << "labels touch at " << t.ms;
            lastRight = t.labelLeft + c.labelWidth;
        }
        EXPECT_EQ(c.ticks, ticks);
        EXPECT_EQ(c.labelled, labelled);
        EXPECT_EQ(c.decimals, axis.decimals);
    }
}
