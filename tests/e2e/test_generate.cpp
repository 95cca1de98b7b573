// Code, Generate as a new user tries it, by the keyboard: each field checked as it is typed, the decode and
// the code shown before OK, only the rows the protocol has, and no value kept that does not fit the protocol
// chosen next.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ir/ir.h"

using namespace e2e;

class Generate : public PellwickTest<false> {
protected:
    std::string text(int id) { return windowText(GetDlgItem(dialog, id)); }
    // The rows that show: "label field" each, one a line.
    std::string rows()
    {
        std::string shown;
        for (int row = 0; row < 6; ++row)
            if (IsWindowVisible(GetDlgItem(dialog, IDC_GEN_VALUE_D + row)))
                shown += text(IDC_GEN_LABEL_D + row) + " " + text(IDC_GEN_VALUE_D + row) + "\n";
        return shown;
    }
    bool decodeShows(const std::string& line)
    {
        return waitFor([&] { return text(IDC_GEN_DECODE) == line; }, 3000);
    }
    void typeInto(int row, const std::string& value)
    {
        // Alt and the label's access key, then everything in the field typed over.
        std::string label = text(IDC_GEN_LABEL_D + row);
        app.keys({VK_MENU, static_cast<WORD>(toupper(label[label.find('&') + 1]))});
        app.keys({VK_END});
        app.keys({VK_SHIFT, VK_HOME});
        app.keys({VK_DELETE});
        app.type(value);
    }
    HWND dialog = nullptr;
};

TEST_F(Generate, ChecksEachFieldAsItIsTypedAndShowsTheCodeBeforeOk)
{
    auto rendered = [](const std::vector<std::string>& words) {
        std::string pronto, error;
        EXPECT_TRUE(ir::renderWords(words, &pronto, &error)) << error;
        return pronto;
    };
    app.toForeground();
    app.menu(IDM_CODEGENERATE);
    ASSERT_NE(dialog = app.findTopWindow("Generate IR Code", 5000), nullptr);
    app.keys({VK_HOME});  // the list has the focus: its first protocol
    ASSERT_TRUE(waitFor([&] { return text(IDC_GEN_PROTOCOL) == "NEC1"; }, 3000));
    EXPECT_EQ(rows(), "&D (0 to 255): \n&S (0 to 255; blank: 255-D): \n&F (0 to 255): \n");
    EXPECT_TRUE(decodeShows("D is missing: enter a number from 0 to 255."));

    // Each keystroke checked: the decode line says what is wrong, or what the code will be.
    const struct { int row; const char* typed; const char* decode; } steps[] = {
        {0, "256", "D must be a number from 0 to 255."},
        {0, "+4", "D must be a number from 0 to 255."},  // the tool refuses +4 as well
        {0, "200", "F is missing: enter a number from 0 to 255."},
        {2, "8", "NEC1 D=200 S=55 F=8"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.typed);
        typeInto(s.row, s.typed);
        EXPECT_TRUE(decodeShows(s.decode)) << text(IDC_GEN_DECODE);
    }
    EXPECT_EQ(text(IDC_GEN_CODE), rendered({"NEC1", "D=200", "F=8"}));

    // RC5: its three rows and no blank one for S; D=200 does not fit it and is not kept, F=8 is.
    app.keys({VK_MENU, 'P'});
    app.type("R");
    ASSERT_TRUE(waitFor([&] { return text(IDC_GEN_PROTOCOL) == "RC5"; }, 3000)) << text(IDC_GEN_PROTOCOL);
    EXPECT_EQ(rows(), "&D (0 to 31): \n&F (0 to 127): 8\n&T (0 to 1; blank: 0): \n");
    EXPECT_TRUE(decodeShows("D is missing: enter a number from 0 to 31."));
    EXPECT_EQ(text(IDC_GEN_CODE), "");
    EXPECT_NE(text(IDC_GEN_IRP).find("[D:0..31,F:0..127,"), std::string::npos) << text(IDC_GEN_IRP);
    typeInto(0, "-1");
    EXPECT_TRUE(decodeShows("D must be a number from 0 to 31."));
    typeInto(0, "12");
    EXPECT_TRUE(decodeShows("RC5 D=12 F=8 T=0"));
    const std::string code = rendered({"RC5", "D=12", "F=8"});
    EXPECT_EQ(text(IDC_GEN_CODE), code);

    // Enter: the code shown is the code the box gets.
    app.keys({VK_RETURN});
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 3000));
    EXPECT_TRUE(waitFor([&] { return app.codeText() == code; }, 3000)) << app.codeText();
}
