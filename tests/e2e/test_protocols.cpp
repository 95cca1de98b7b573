// Every protocol of the IR core, offered where a user picks one: Generate
// lists them all and lays out the parameters each has (Kaseikyo's six, with
// M and N), and the virtual remote lists them all and sends a protocol
// without a device (Sony8) with no parameter row.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ir/ir.h"
#include "sim/keypad.h"

using namespace e2e;

namespace {

// Every protocol in the list, each in its place and once, and nothing else:
// the places where CB_FINDSTRINGEXACT finds them (an item's text cannot be
// read from another process under Wine).
void expectEveryProtocol(HWND combo)
{
    const std::vector<ir::ProtocolInfo>& all = ir::protocols();
    EXPECT_EQ(static_cast<LRESULT>(all.size()), SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(static_cast<LRESULT>(i), SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                         reinterpret_cast<LPARAM>(all[i].name.c_str())))
            << all[i].name;
}

// Picks the protocol of this place in the list, as a user's choice does.
void choose(HWND window, int comboId, size_t place)
{
    HWND combo = GetDlgItem(window, comboId);
    SendMessageA(combo, CB_SETCURSEL, place, 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

size_t placeOf(const char* protocol)
{
    return static_cast<size_t>(ir::findProtocol(protocol) - ir::protocols().data());
}

}  // namespace

class EveryProtocol : public PellwickTest<false> {};

TEST_F(EveryProtocol, GenerateListsThemAllAndLaysOutEachOnesParameters)
{
    app.menu(IDM_CODEGENERATE);
    HWND dialog = app.findTopWindow("Generate IR Code", 5000);
    ASSERT_NE(dialog, nullptr);
    expectEveryProtocol(GetDlgItem(dialog, IDC_GEN_PROTOCOL));

    // A row for each of Kaseikyo's parameters, in its order; none beyond.
    const ir::ProtocolInfo& kaseikyo = ir::protocols()[placeOf("Kaseikyo")];
    choose(dialog, IDC_GEN_PROTOCOL, placeOf("Kaseikyo"));
    std::vector<std::string> words = {"Kaseikyo"};
    for (int row = 0; row < 6; ++row) {
        HWND field = GetDlgItem(dialog, IDC_GEN_VALUE_D + row);
        bool has = static_cast<size_t>(row) < kaseikyo.params.size();
        EXPECT_EQ(has, IsWindowVisible(field) != FALSE) << "row " << row;
        if (!has)
            continue;
        EXPECT_EQ(0u, windowText(GetDlgItem(dialog, IDC_GEN_LABEL_D + row)).find("&" + kaseikyo.params[row].name + " "));
        std::string value = std::to_string(row + 1);
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
        words.push_back(kaseikyo.params[row].name + "=" + value);
    }
    std::string expected, error;
    ASSERT_TRUE(ir::renderWords(words, &expected, &error)) << error;
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return app.codeText() == expected; }, 5000)) << app.codeText();
}

TEST_F(EveryProtocol, TheVirtualRemoteListsThemAllAndSendsSony8WithoutADevice)
{
    App remote{Env(), binDir() + "tavrixsim.exe", "", "Tavrix Simulator"};
    ASSERT_NE(remote.mainWindow(), nullptr);
    expectEveryProtocol(remote.control(keypad::IDC_SIM_PROTOCOL));

    choose(remote.mainWindow(), keypad::IDC_SIM_PROTOCOL, placeOf("Sony8"));
    EXPECT_FALSE(remote.visible(keypad::IDC_SIM_PARAM + 0)) << "Sony8 has no parameter but F";
    remote.mouseClick(keypad::IDC_SIM_FIRST_KEY + static_cast<int>(keypad::find("7") - keypad::buttons().data()));
    std::string event = keypad::eventCode(static_cast<int>(placeOf("Sony8")) + 1, 0, 7);
    EXPECT_TRUE(waitFor([&] { return app.text(IDC_LBLTAVROCODE) == event; }, 5000)) << app.text(IDC_LBLTAVROCODE);
}
