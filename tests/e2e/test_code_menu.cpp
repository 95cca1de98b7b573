// The Code menu: the inspector says what the code in the box is and follows
// every change of it; Generate makes a code from a protocol and puts it in
// the box as a paste would. And the Windows pellwick-ir.exe, which decodes a
// code given line by line (CR LF) on its standard input.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ir/ir.h"

using namespace e2e;

namespace {

std::string rendered(const std::vector<std::string>& words)
{
    std::string pronto, error;
    EXPECT_TRUE(ir::renderWords(words, &pronto, &error)) << error;
    return pronto;
}

}  // namespace

class CodeMenu : public PellwickTest<false> {
protected:
    HWND openInspector()
    {
        app.menu(IDM_CODEINSPECT);
        return app.findTopWindow("IR Code Inspector", 5000);
    }
    std::string decodeShown(HWND inspector)
    {
        return windowText(GetDlgItem(inspector, IDC_INSPECT_DECODE));
    }
    // Marks drawn in the waveform, read inside the program's process.
    int markPixels() { return app.countColour(IDC_INSPECT_WAVEFORM, GetSysColor(COLOR_HIGHLIGHT)); }
};

// Every menu and item of a fresh main window: caption, place and state.
TEST_F(CodeMenu, SitsBetweenLearnAndHelp)
{
    auto item = [](const char* place, const char* caption, bool enabled, int id) {
        return std::string("item ") + place + " \"" + caption + (enabled ? "\" enabled id=" : "\" disabled id=") +
               std::to_string(id) + "\n";
    };
    EXPECT_EQ(app.menus(), "window \"Tavrix Pellwick Utility\"\ntop 0 \"&File\" enabled\n" +
                               item("0 0", "E&xit", true, IDM_FILEEXIT) +
                               "top 1 \"&Transmit\" disabled\n" +  // empty code box: nothing to transmit
                               item("1 0", "&IR Code in Window", true, IDM_TRANSMITTXBLOCK) +
                               "top 2 \"&Learn\" enabled\n" +
                               item("2 0", "in &Pronto Format", true, IDM_LEARNIRLEARNPRONTO) +
                               item("2 1", "&Inject IR Code from Window", false, IDM_LRNINJECT) +
                               "top 3 \"&Code\" enabled\n" + item("3 0", "&Inspect...", true, IDM_CODEINSPECT) +
                               item("3 1", "&Generate...", true, IDM_CODEGENERATE) + item("3 2", "", false, 0) +
                               item("3 3", "&Library...", true, IDM_CODELIBRARY) + "top 4 \"&Help\" enabled\n" +
                               item("4 0", "&About ", true, IDM_HELPABOUT));
}

TEST_F(CodeMenu, InspectorNamesALearntCodeAndFollowsEveryEdit)
{
    ASSERT_TRUE(simctl::point("NEC1 D=4 F=8")) << simctl::lastError();
    simctl::setLearnDuration(300);
    app.click(IDC_CBLEARNIRCODE);
    ASSERT_TRUE(waitFor([&] { return !app.codeText().empty(); }, 10000)) << "the learn never ended";
    EXPECT_EQ(app.codeText(), rendered({"NEC1", "D=4", "F=8"})) << "the pointed code, exactly";

    HWND inspector = openInspector();
    ASSERT_NE(inspector, nullptr);
    EXPECT_TRUE(GetWindow(inspector, GW_OWNER) == app.mainWindow() && decodeShown(inspector) == "NEC1 D=4 S=251 F=8")
        << decodeShown(inspector);
    EXPECT_NE(windowText(GetDlgItem(inspector, IDC_INSPECT_FACTS)).find("kHz"), std::string::npos);
    EXPECT_TRUE(waitFor([&] { return markPixels() > 0; }, 3000)) << "no waveform drawn";

    const std::pair<std::string, const char*> edits[] = {  // the text, what the inspector shows
        {RC5_CODE, "RC5 D=12 F=56 T=0"},
        {"0000 006C 0000 0001 0010", "only 5 words: a Pronto code has at least 6 (4 header words and a pair)"},
        {rendered({"Sony12", "D=1", "F=21"}), "Sony12 D=1 F=21"},
        {"0000 006D 0001 0000 0010 0020", "unknown"},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.first);
        app.typeCode(e.first);
        EXPECT_TRUE(waitFor([&] { return decodeShown(inspector) == e.second; }, 3000)) << decodeShown(inspector);
        EXPECT_TRUE(ir::parsePronto(e.first, nullptr, nullptr) || markPixels() == 0) << "an invalid code's waveform";
    }
    // Typed faster than it follows (keys that the program takes before its
    // timer): it ends on the whole code, and stays there.
    app.typeCode("");
    ASSERT_TRUE(waitFor([&] { return decodeShown(inspector) != "unknown"; }, 3000));
    // The inspector, owned by the main window, may cover the box: the focus
    // comes by Tab.
    ASSERT_TRUE(app.toForeground());
    for (int i = 0; i < 20 && app.focusedId() != IDC_TBCURCODE; ++i)
        app.keys({VK_TAB});
    ASSERT_EQ(app.focusedId(), IDC_TBCURCODE);
    app.type("0000 006D 0000 0001 0010 0020");
    EXPECT_TRUE(waitFor([&] { return decodeShown(inspector) == "unknown"; }, 3000)) << decodeShown(inspector);
    settle(200);
    EXPECT_EQ(decodeShown(inspector), "unknown");

    // Opening it again brings the same window forward.
    EXPECT_EQ(openInspector(), inspector);
    EXPECT_EQ(app.topWindows().size(), 2u) << "one main window and one inspector";

    // Minimised and restored with its owner, it still shows and draws the code.
    app.typeCode(NEC1_CODE);
    ShowWindow(app.mainWindow(), SW_MINIMIZE);
    settle(300);
    ShowWindow(app.mainWindow(), SW_RESTORE);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(inspector) != FALSE; }, 3000));
    EXPECT_EQ(decodeShown(inspector), "NEC1 D=12 S=34 F=56");
    EXPECT_TRUE(waitFor([&] { return markPixels() > 0; }, 3000));

    // Escape closes it; File, Exit then leaves nothing behind.
    SetForegroundWindow(inspector);
    app.keys({VK_ESCAPE});
    EXPECT_TRUE(waitFor([&] { return !IsWindow(inspector); }, 3000));
    EXPECT_TRUE(app.running());
    app.menu(IDM_FILEEXIT);
    EXPECT_EQ(app.waitExit(), 0u);
}

TEST_F(CodeMenu, GenerateFillsTheBoxOrRefusesAValueOutOfRange)
{
    // The fields as the row of the protocol's parameter (NEC1: D, S, F; RC5:
    // D, F, T) and text; the refusal (null: accepted).
    struct Case { const char* protocol; std::vector<std::pair<int, const char*>> fields; const char* refusal; };
    const Case cases[] = {
        {"NEC1", {{0, "256"}, {2, "8"}}, "D must be a number from 0 to 255."},
        {"RC5", {{0, "3"}, {1, "-1"}}, "F must be a number from 0 to 127."},
        {"NEC1", {{0, "4"}, {1, ""}, {2, "8"}}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.protocol) + (c.refusal ? " refused" : " accepted"));
        std::string before = app.codeText();
        app.menu(IDM_CODEGENERATE);
        HWND dialog = app.findTopWindow("Generate IR Code", 5000);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(GetWindow(dialog, GW_OWNER) == app.mainWindow() && !IsWindowEnabled(app.mainWindow()))
            << "a modal dialog of the main window's";
        HWND list = GetDlgItem(dialog, IDC_GEN_PROTOCOL);
        ASSERT_GE(SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(c.protocol)), 0)
            << "protocol not in the list";
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_GEN_PROTOCOL, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        for (const auto& f : c.fields) {
            HWND field = GetDlgItem(dialog, IDC_GEN_VALUE_D + f.first);
            EXPECT_TRUE(IsWindowVisible(field));
            SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(f.second));
        }
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        if (c.refusal) {
            HWND box = nullptr;
            ASSERT_TRUE(waitFor([&] {
                for (const MessageBoxInfo& b : app.messageBoxes())
                    box = b.text == c.refusal ? b.window : box;
                return box != nullptr;
            }, 3000)) << "no refusal naming the field and its range";
            App::pressOk(box);
            ASSERT_TRUE(waitFor([&] { return !IsWindow(box); }, 3000));
            EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open";
            PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 3000));
            EXPECT_EQ(app.codeText(), before) << "a refusal changes nothing";
        } else {
            ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 3000));
            std::string expected = rendered({"NEC1", "D=4", "F=8"});
            EXPECT_TRUE(waitFor([&] { return app.codeText() == expected; }, 3000)) << app.codeText();
            // The driver accepts it: the box's check enables transmitting.
            EXPECT_TRUE(waitFor([&] { return app.enabled(IDC_CBTRANSMITIRCODE) && app.menuEnabled("&Transmit"); }));
            app.click(IDC_CBTRANSMITIRCODE);
            EXPECT_TRUE(waitFor([&] {
                std::vector<std::string> sent = app.logOf("TavrixTransmitIR");
                return sent.size() == 1 && sent[0].find("-> 1") != std::string::npos;
            }, 5000));
        }
    }
}

TEST(ProtocolCodes, ConsoleToolDecodesCrLfLinesFromStandardInput)
{
    std::string lines = NEC1_CODE;
    for (size_t at : {299, 199, 99})
        lines.replace(at, 1, "\r\n");
    SecondApp decode("decode", Env(), "pellwick-ir.exe", lines + "\r\n");
    EXPECT_EQ(decode.collect(), "NEC1 D=12 S=34 F=56\n");
    EXPECT_EQ(decode.exitCode(), 0u);

    SecondApp refused("decode", Env(), "pellwick-ir.exe", "0000 006C 0022\r\n");
    EXPECT_NE(refused.collect().find("only 3 words"), std::string::npos);
    EXPECT_EQ(refused.exitCode(), 2u);
}
