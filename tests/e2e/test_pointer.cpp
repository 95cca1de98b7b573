// The mouse pointer around a transmission: the busy shape while the driver
// sends (as the driver sees it on the thread that called it), the default
// shape on screen again once the call is back, after a success and after a
// failure, whose message box comes only after the pointer is restored. The
// pointer on screen is read in the program's process (simctl::pointer):
// pointer handles cannot be compared across processes under Wine.
#include <gtest/gtest.h>

#include "fixtures.h"

using namespace e2e;

namespace {

// Moves the mouse pointer to a point of the main window's client area.
void pointAt(HWND main, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(main, &at);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof in);
    settle(100);
}

}  // namespace

using Pointer = PellwickTest<false>;

TEST_F(Pointer, BusyWhileTheDriverSendsDefaultAfter)
{
    app.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 2000));
    // The pointer rests on the main window, top right, where neither the
    // transmit window nor a message box comes: what it shows there is the
    // program's pointer, not that of a window that appears under it.
    ASSERT_TRUE(app.toForeground());
    RECT client;
    GetClientRect(app.mainWindow(), &client);
    pointAt(app.mainWindow(), client.right - 20, 20);
    for (bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "a transmission that fails" : "a transmission");
        simctl::setTransmitFail(fails);
        std::string before = simctl::pointer(app.pid());
        EXPECT_TRUE(before.size() > 5 && before.compare(0, 5, "wait ") != 0) << "before: " << before;

        size_t sent = app.logOf("TavrixTransmitIR").size();
        app.click(IDC_CBTRANSMITIRCODE);
        ASSERT_TRUE(waitFor([&] { return app.logOf("TavrixTransmitIR").size() > sent; }, 5000));
        std::string during;
        for (const std::string& line : app.log())
            if (line.compare(0, 19, "event transmitting ") == 0)
                during = line;
        EXPECT_NE(during.find(" cursor=wait "), std::string::npos) << "while the driver had the code: " << during;

        // Once the program answers again (or shows its message), the
        // transmission is over for it.
        if (fails) {
            EXPECT_EQ(app.waitBoxes(),
                      "ERROR: *** ERROR calling TavrixTransmitIR! ***Verify that your IR Code is Valid!");
        } else {
            ASSERT_TRUE(app.responsive());
        }
        EXPECT_EQ(simctl::pointer(app.pid()), "arrow front") << "after";
        if (fails) {
            ASSERT_TRUE(app.dismissBoxes());
        }
    }
}
