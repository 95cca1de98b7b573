// The code box check: every change is validated by the driver, once, and the
// result decides the transmit button and the whole Transmit menu.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

TEST(CodeBox, ValidationMatrix)
{
    simctl::reset();
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    HWND box = app.control(IDC_TBCURCODE);
    auto wide = [](const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); };

    struct Case {
        std::wstring typed;  // typed as Unicode text
        std::string sent;    // the text the driver is given, as the call log shows it
        bool valid;
    } cases[] = {
        {wide(NEC1_CODE), NEC1_CODE, true},
        {L"", "", false},  // no check at all
        {L"   ", "   ", false},
        {L"0000 006C 0022 0002 015B", "0000 006C 0022 0002 015B", false},
        {wide(RC5_CODE), RC5_CODE, true},
        {wide(std::string("0000 0073 0000 000B\r\n") + (RC5_CODE + 20)),
         std::string("0000 0073 0000 000B\\r\\n") + (RC5_CODE + 20), true},
        {L"not a code", "not a code", false},
        // Line breaks as they are; characters outside the ANSI code page as '?'.
        {L"0000 006C\r\n0000 \x65E5\x672C\r\n\x0416 0001", "0000 006C\\r\\n0000 ??\\r\\n? 0001", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("sent \"" + c.sent + "\"");
        size_t before = app.logOf("TavrixConvertProntoCode").size();
        SendMessageW(box, EM_SETSEL, 0, -1);
        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.typed.c_str()));
        settle(100);
        EXPECT_EQ(app.enabled(IDC_CBTRANSMITIRCODE), c.valid);
        EXPECT_EQ(app.menuEnabled("&Transmit"), c.valid) << "the whole Transmit menu";
        EXPECT_TRUE(app.menuItemEnabled(IDM_TRANSMITTXBLOCK)) << "only the menu is switched";
        std::vector<std::string> checks = app.logOf("TavrixConvertProntoCode");
        ASSERT_EQ(checks.size() - before, c.typed.empty() ? 0u : 1u)
            << "one driver call per change, none for an empty box";
        if (!c.typed.empty()) {
            EXPECT_NE(checks.back().find(" code=\"" + c.sent + "\" "), std::string::npos)
                << checks.back();
        }
    }
}
