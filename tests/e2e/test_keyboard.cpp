// The main window's keyboard, real keystrokes through the program's own message loop: Escape never
// closes the window, Tab and Shift+Tab go round the tab order, Enter presses a focused button but is a
// line break in the code box, and the menus' access keys work.
#include <gtest/gtest.h>

#include "fixtures.h"

using namespace e2e;

class Keyboard : public PellwickTest<true> {
protected:
    void SetUp() override
    {
        PellwickTest::SetUp();
        ASSERT_TRUE(app.toForeground()) << "the main window cannot take the foreground";
    }

    // Clicks into the code box and puts the caret at its end.
    void intoCodeBoxEnd()
    {
        app.mouseClick(IDC_TBCURCODE);
        ASSERT_TRUE(waitFor([&] { return app.focusedId() == IDC_TBCURCODE; }, 3000))
            << "focus on " << app.focusedId();
        app.keys({VK_CONTROL, VK_END});
    }

    // Types a marker letter at the caret. Keys are handled in order, so once
    // it shows, every key before it has been handled.
    bool markerTypedAfter(const std::string& before)
    {
        app.keys({'Z'});
        return waitFor([&] { return app.codeText() == before + "z"; }, 3000);
    }
};

// In the code box, Enter is a line break (no button is pressed) and Escape
// closes nothing and changes nothing, idle and during a learn.
TEST_F(Keyboard, EnterAndEscapeInTheCodeBox)
{
    app.typeCode(NEC1_CODE);
    ASSERT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE); }, 3000));
    size_t learnCalls = app.logOf("TavrixLearnIR").size();
    const struct { WORD key; bool learning; const char* typed; } cases[] = {
        {VK_RETURN, false, "\r\n"}, {VK_ESCAPE, false, ""}, {VK_ESCAPE, true, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key == VK_RETURN ? "Enter" : "Escape") + (c.learning ? " during a learn" : ""));
        app.typeCode(NEC1_CODE);
        ASSERT_TRUE(!c.learning || app.startOwnLearn());
        intoCodeBoxEnd();
        app.keys({c.key});
        ASSERT_TRUE(markerTypedAfter(NEC1_CODE + std::string(c.typed))) << "the program ended or the box changed";
        EXPECT_TRUE(app.running() && IsWindowVisible(app.mainWindow()) && app.messageBoxes().empty());
        EXPECT_TRUE(app.logOf("TavrixClose").empty()) << "the device was closed";
        EXPECT_TRUE(app.logOf("TavrixTransmitIR").empty()) << "a button was pressed";
        EXPECT_EQ(app.logOf("TavrixLearnIR").size(), learnCalls + (c.learning ? 2 : 0)) << "a button was pressed";
        EXPECT_EQ(app.visible(IDC_CBLEARNCANCEL), c.learning) << "the learn goes on";
    }
}

TEST_F(Keyboard, TabAndShiftTabGoRoundTheTabOrder)
{
    struct Case { const char* context; const char* code; bool learning; std::vector<int> order; /* from the box on */ };
    const Case cases[] = {
        {"transmit enabled", NEC1_CODE, false, {IDC_TBCURCODE, IDC_CBTRANSMITIRCODE, IDC_CBLEARNIRCODE}},
        {"transmit disabled", "0000", false, {IDC_TBCURCODE, IDC_CBLEARNIRCODE}},
        {"own learn: only Cancel besides the box", NEC1_CODE, true, {IDC_TBCURCODE, IDC_CBLEARNCANCEL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        app.typeCode(c.code);
        ASSERT_TRUE(!c.learning || app.startOwnLearn());
        app.mouseClick(IDC_TBCURCODE);
        ASSERT_TRUE(waitFor([&] { return app.focusedId() == IDC_TBCURCODE; }, 3000));
        // Round forwards, then backwards.
        size_t n = c.order.size();
        for (size_t i = 1; i <= 2 * n; ++i) {
            i <= n ? app.keys({VK_TAB}) : app.keys({VK_SHIFT, VK_TAB});
            int expected = c.order[i <= n ? i % n : (2 * n - i) % n];
            EXPECT_TRUE(waitFor([&] { return app.focusedId() == expected; }, 2000))
                << "key " << i << ": focus on " << app.focusedId() << ", expected " << expected;
        }
        EXPECT_EQ(app.codeText(), c.code) << "Tab typed into the box";
        if (c.learning) {
            app.click(IDC_CBLEARNCANCEL);
            ASSERT_TRUE(waitFor([&] { return app.visible(IDC_LBLLRNSTATUS); }, 3000));
        }
    }
}

TEST_F(Keyboard, EnterAndSpaceOnTheFocusedLearnButtonStartALearn)
{
    for (WORD key : {WORD(VK_RETURN), WORD(VK_SPACE)}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Space");
        app.mouseClick(IDC_TBCURCODE);
        app.keys({VK_TAB});  // empty box: transmit is disabled, Learn is next
        ASSERT_TRUE(waitFor([&] { return app.focusedId() == IDC_CBLEARNIRCODE; }, 3000));
        uint32_t learns = simctl::snapshot().learnsStarted;
        app.keys({key});
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_CBLEARNCANCEL); }, 3000)) << "no learn started";
        EXPECT_EQ(simctl::snapshot().learnsStarted, learns + 1);
        // The pressed button is disabled now; the focus must not be lost with it.
        EXPECT_TRUE(waitFor([&] { return app.focusedId() == IDC_CBLEARNCANCEL; }, 2000))
            << "focus on " << app.focusedId();
        app.keys({VK_RETURN});  // Cancel, by the keyboard too
        ASSERT_TRUE(waitFor([&] { return app.visible(IDC_LBLLRNSTATUS); }, 3000));
    }
}

TEST_F(Keyboard, AltFileExitEndsTheProgram)
{
    for (WORD key : {WORD(VK_MENU), WORD('F'), WORD('X')})
        app.keys({key});
    EXPECT_EQ(app.waitExit(10000), 0u);
    EXPECT_EQ(app.calls(2), "UNHKLEARN TavrixClose");
}
