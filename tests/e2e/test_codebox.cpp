// The code box check: every change is validated by the driver, once, and the
// result decides the transmit button and the whole Transmit menu.
#include <gtest/gtest.h>

#include "harness.h"
#include "sim/simctl.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

size_t validations(App& app)
{
    return app.logOf("TavrixConvertProntoCode").size();
}

}  // namespace

TEST(CodeBox, ValidationMatrix)
{
    simctl::reset();
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);

    struct Case {
        std::string text;
        bool valid;
        bool callsDriver;
    } cases[] = {
        {NEC1_CODE, true, true},
        {"", false, false},
        {"   ", false, true},
        {"0000 006C 0022 0002 015B", false, true},
        {RC5_CODE, true, true},
        {std::string("0000 0073 0000 000B\r\n") + (RC5_CODE + 20), true, true},
        {"not a code", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("box text \"" + c.text + "\"");
        size_t before = validations(app);
        app.typeCode(c.text);
        settle(100);
        EXPECT_EQ(app.codeText(), c.text);
        EXPECT_EQ(app.enabled(IDC_CBTRANSMITIRCODE), c.valid);
        EXPECT_EQ(app.menuEnabled("&Transmit"), c.valid) << "the whole Transmit menu";
        EXPECT_TRUE(app.menuItemEnabled(IDM_TRANSMITTXBLOCK)) << "only the menu is switched";
        EXPECT_EQ(validations(app) - before, c.callsDriver ? 1u : 0u)
            << "one driver call per change, none for an empty box";
    }
    std::vector<std::string> calls = app.logOf("TavrixConvertProntoCode");
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(calls.back().find("code=\"not a code\""), std::string::npos) << calls.back();
}

TEST(CodeBox, TextOutsideTheCodePageReachesTheDriverAsReplacement)
{
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    HWND box = app.control(IDC_TBCURCODE);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"0000 \x65E5\x672C"));
    settle(100);
    std::vector<std::string> calls = app.logOf("TavrixConvertProntoCode");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find("code=\"0000 ??\""), std::string::npos) << calls[0];
    EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE));
}
