// The IR Code Library window, driven with real keystrokes: a remote
// captured button by button from the simulated device and found again after
// a restart; put in box, transmit, inject during another application's
// learn; delete and Ctrl+Z, moves; a corrupt file beside good ones; a folder
// that cannot be written; the filter over a library larger than the window
// reads at once.
#include "library_window.h"

#include <cstdio>

#include "ir/ir.h"

using namespace e2e;

class Library : public LibraryWindow {};

TEST_F(Library, CaptureARemoteByKeyboardAndFindItAfterARestart)
{
    start();
    // Beside the main window, over neither the code box nor the buttons.
    RECT placed, box;
    GetWindowRect(window, &placed);
    for (int id : {IDC_FRAME2, IDC_FRAME4}) {
        GetWindowRect(app->control(id), &box);
        EXPECT_TRUE(placed.left >= box.right || placed.right <= box.left) << "covers control " << id;
    }
    EXPECT_EQ(GetWindow(window, GW_OWNER), app->mainWindow());

    app->keys({VK_MENU, 'I'});  // Learn into library: a new remote, and the first learn
    learn("NEC1 D=4 F=12");
    EXPECT_EQ(app->codeText().substr(0, 20), "0000 006C 0022 0002 ") << "the learnt code is in the box as always";
    typeWide(L"Power");
    app->keys({VK_RETURN});  // named, and the next learn starts at once
    learn("NEC1 D=4 F=16");
    typeWide(L"Vol +");
    app->keys({VK_RETURN});
    learn("NEC1 D=4 F=12");  // the same button twice
    typeWide(L"Питание ТВ");
    app->keys({VK_RETURN});
    ASSERT_TRUE(waitFor([&] { return app->visible(IDC_CBLEARNCANCEL); }, 5000));
    app->keys({VK_ESCAPE});  // stops: the learn is cancelled and adds nothing
    EXPECT_TRUE(waitFor([&] { return app->idle(); }, 3000));
    EXPECT_TRUE(IsWindow(window)) << "Escape during a capture stops it, not the window";

    const std::vector<std::string> captured = {
        "Power | NEC1 D=4 S=251 F=12  (same code as Питание ТВ) | 108.5",
        "Vol + | NEC1 D=4 S=251 F=16 | 108.5",
        "Питание ТВ | NEC1 D=4 S=251 F=12  (same code as Power) | 108.5"};
    EXPECT_EQ(codes(), captured);
    std::string file = readFile(folder + "New remote.json");
    EXPECT_NE(file.find("\"name\": \"Питание ТВ\""), std::string::npos) << file;

    // The remote's name, typed in place (F2); its file follows it.
    app->keys({VK_MENU, 'R'});
    app->keys({VK_F2});
    ASSERT_TRUE(waitFor([&] { return editing(item(IDC_LIB_REMOTES)); }, 3000));
    typeWide(L"Living room TV");
    app->keys({VK_RETURN});
    EXPECT_TRUE(waitFor([&] { return exists(folder + "Living room TV.json"); }, 3000)) << status();
    EXPECT_FALSE(exists(folder + "New remote.json"));
    // Made wider by the user, for the picture in the README.
    SetWindowPos(window, nullptr, GetSystemMetrics(SM_CXSCREEN) - 680, placed.top, 660, 420, SWP_NOZORDER);
    ASSERT_TRUE(saveScreenshot(window, "library-window"));

    app->menu(IDM_FILEEXIT);
    ASSERT_EQ(app->waitExit(), 0u);
    start();
    EXPECT_EQ(remotes(), std::vector<std::string>{"Living room TV"});
    EXPECT_EQ(codes(), captured);
    EXPECT_EQ(status().substr(0, 20), "1 remotes, 3 codes i");
}

TEST_F(Library, PutInBoxTransmitInjectDeleteUndoAndMove)
{
    const std::string broken = "{\n\"format\": \"pellwick-remote\", \"version\": \"1.0\", \"name\": \"x\",\n\"codes\": 5}";
    writeFile(folder + "TV.json", remoteFile("TV", {{"Power", NEC1_CODE}, {"Mute", RC5_CODE}}));
    writeFile(folder + "broken.json", broken);
    start();
    EXPECT_EQ(remotes(), (std::vector<std::string>{"TV", "broken.json (cannot be read)"}));
    app->keys({VK_MENU, 'R'});
    app->keys({VK_DOWN});
    EXPECT_EQ(status(), "broken.json line 3: \"codes\" is not a list. Pellwick leaves the file as it is.");
    app->keys({VK_UP});

    app->keys({VK_MENU, 'S'});
    app->keys({VK_HOME});
    app->keys({VK_RETURN});  // Put in box
    EXPECT_TRUE(waitFor([&] { return app->codeText() == NEC1_CODE; }, 3000));
    app->keys({VK_DOWN});
    app->keys({VK_MENU, 'T'});  // Transmit: into the box, then Test Transmit's way
    EXPECT_TRUE(waitFor([&] {
        std::vector<std::string> sent = app->logOf("TavrixTransmitIR");
        return sent.size() == 1 && sent[0].find(RC5_CODE) != std::string::npos && sent[0].find("-> 1") != std::string::npos;
    }, 5000)) << app->logText();
    EXPECT_EQ(app->codeText(), RC5_CODE);

    // Del, Ctrl+Z, Alt+Up: each on disk as it shows.
    app->keys({VK_DELETE});
    EXPECT_EQ(codes().size(), 1u);
    EXPECT_EQ(readFile(folder + "TV.json").find("Mute"), std::string::npos);
    app->keys({VK_CONTROL, 'Z'});
    ASSERT_EQ(codes().size(), 2u);
    EXPECT_EQ(codes()[1].substr(0, 7), "Mute | ");
    app->keys({VK_MENU, VK_UP});
    EXPECT_EQ(codes()[0].substr(0, 7), "Mute | ");
    std::string file = readFile(folder + "TV.json");
    EXPECT_LT(file.find("Mute"), file.find("Power")) << file;

    // Another application's learn, answered from the library.
    SecondApp other;
    ASSERT_TRUE(waitFor([&] { return app->learnShowing(); }, 10000));
    SetForegroundWindow(window);
    app->keys({VK_MENU, 'S'});
    app->keys({VK_END});
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(item(IDC_LIB_INJECT)) != FALSE; }, 3000));
    app->keys({VK_MENU, 'J'});
    EXPECT_EQ(other.collect(15000), learntLine(NEC1_CODE));
    EXPECT_EQ(readFile(folder + "broken.json"), broken) << "a file Pellwick cannot read is left as it is";

    app->keys({VK_ESCAPE});
    EXPECT_TRUE(waitFor([&] { return !IsWindow(window); }, 3000)) << "Escape closes the window";
    EXPECT_TRUE(app->running());
}

// A file another program holds open (an editor, a virus scanner) cannot be
// replaced: the change stays in the window, is said, and is saved once the
// file is free. (Under Wine, running as root, read-only attributes stop no
// write: the host tests cover read-only folders as an ordinary user.) A
// library folder that cannot be made is said too.
TEST_F(Library, FilesThatCannotBeWrittenAndAFolderThatCannotBeMade)
{
    writeFile(folder + "TV.json", remoteFile("TV", {{"Power", NEC1_CODE}, {"Mute", RC5_CODE}}));
    HANDLE held = CreateFileA((folder + "TV.json").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    start();
    app->keys({VK_MENU, 'S'});
    app->keys({VK_DELETE});
    EXPECT_TRUE(waitFor([&] { return status().find("Not saved: cannot replace ") == 0; }, 5000)) << status();
    EXPECT_NE(status().find("The change stays here and Pellwick tries again every 5 seconds."), std::string::npos);
    EXPECT_EQ(remotes(), std::vector<std::string>{"TV (not saved)"});
    EXPECT_EQ(codes().size(), 1u);
    CloseHandle(held);
    EXPECT_TRUE(waitFor([&] { return status() == "Saved: every change is on disk now."; }, 15000)) << status();
    EXPECT_EQ(readFile(folder + "TV.json").find("Power"), std::string::npos);
    app->menu(IDM_FILEEXIT);
    ASSERT_EQ(app->waitExit(), 0u);

    // %APPDATA%\Pellwick is a file: the library folder cannot be made.
    std::string blocked = makeTempDir("blocked");
    writeFile(blocked + "Pellwick", "x");
    appData = blocked;
    start();
    EXPECT_EQ(status().find("The library cannot be used: cannot make the folder "), 0u) << status();
    EXPECT_FALSE(IsWindowEnabled(item(IDC_LIB_ADD)));
}

// The filter narrows both lists by name or decode as it is typed. In a
// library of 4,000 codes most are not described yet when the typing
// starts: the remotes they match join the list as the background gets to
// them, none is left out in the end.
TEST_F(Library, FilterNarrowsByNameAndDecodeAndFindsCodesNotReadYet)
{
    for (int r = 0; r < 40; ++r) {
        std::vector<std::pair<std::string, std::string>> list;
        for (int c = 0; c < 100; ++c) {
            ir::Params params;
            params.set("D", r);
            params.set("F", c);
            std::string pronto, error;
            ASSERT_TRUE(ir::render("NEC1", params, &pronto, &error)) << error;
            list.push_back({"Button " + std::to_string(c), pronto});
        }
        char name[16];
        std::snprintf(name, sizeof name, "Remote %02d", r);
        writeFile(folder + name + ".json", remoteFile(name, list));
    }
    writeFile(folder + "Amp.json", remoteFile("Amp", {{"Mute", RC5_CODE}, {"Power", NEC1_CODE}}));
    start();
    ASSERT_EQ(remotes().size(), 41u);
    auto filterTo = [&](const std::wstring& text) {
        app->keys({VK_MENU, 'F'});
        app->keys({VK_END});
        app->keys({VK_SHIFT, VK_HOME});
        app->keys({VK_DELETE});
        typeWide(text);
    };

    // By decode, in the last remote of the list: its codes are read last.
    filterTo(L"d=39 s");
    EXPECT_TRUE(waitFor([&] { return remotes() == std::vector<std::string>{"Remote 39"}; }, 10000))
        << remotes().size() << " remotes; " << status();
    EXPECT_TRUE(waitFor([&] { return codes().size() == 100; }, 3000)) << codes().size();
    EXPECT_TRUE(waitFor([&] { return status().rfind("41 remotes, 4002 codes", 0) == 0; }, 10000)) << status();

    // By a code's decode, the protocol's name in any case: only that code.
    filterTo(L"Rc5");
    EXPECT_TRUE(waitFor([&] { return remotes() == std::vector<std::string>{"Amp"}; }, 5000)) << remotes().size();
    std::vector<std::string> shown = codes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].substr(0, 12), "Mute | RC5 D") << shown[0];

    // By the remote's name: all of its codes.
    filterTo(L"remote 1");
    EXPECT_TRUE(waitFor([&] { return remotes().size() == 10; }, 5000)) << remotes().size();
    EXPECT_EQ(remotes().front(), "Remote 10");
    EXPECT_EQ(codes().size(), 100u);

    // Cleared: everything again.
    filterTo(L"");
    EXPECT_TRUE(waitFor([&] { return remotes().size() == 41; }, 5000)) << remotes().size();
}

// Tab and Shift+Tab go round every control that can take the focus, in the
// order the window shows them; Escape closes the window.
TEST_F(Library, TabGoesRoundEveryControlAndEscapeClosesTheWindow)
{
    writeFile(folder + "TV.json", remoteFile("TV", {{"Power", NEC1_CODE}, {"Mute", RC5_CODE}}));
    start();
    app->typeCode(NEC1_CODE);  // Add takes the code in the box
    auto focused = [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus ||
            GetParent(info.hwndFocus) != window)
            return 0;
        return GetDlgCtrlID(info.hwndFocus);
    };
    const std::vector<int> order = {IDC_LIB_REMOTES, IDC_LIB_NEW,  IDC_LIB_RENAMEREMOTE, IDC_LIB_DELETEREMOTE,
                                    IDC_LIB_FILTER,  IDC_LIB_CODES, IDC_LIB_LEARN,       IDC_LIB_ADD,
                                    IDC_LIB_PUT,     IDC_LIB_TRANSMIT};  // Inject: only during another's learn
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(item(IDC_LIB_ADD)) && IsWindowEnabled(item(IDC_LIB_TRANSMIT)); },
                        3000));
    app->keys({VK_MENU, 'R'});
    ASSERT_TRUE(waitFor([&] { return focused() == IDC_LIB_REMOTES; }, 3000)) << focused();
    const size_t n = order.size();
    for (size_t i = 1; i <= 2 * n; ++i) {
        i <= n ? app->keys({VK_TAB}) : app->keys({VK_SHIFT, VK_TAB});
        int expected = order[i <= n ? i % n : (2 * n - i) % n];
        EXPECT_TRUE(waitFor([&] { return focused() == expected; }, 2000))
            << "key " << i << ": focus on " << focused() << ", expected " << expected;
    }
    EXPECT_EQ(remotes(), std::vector<std::string>{"TV"}) << "a key pressed a button on its way round";
    app->keys({VK_ESCAPE});
    EXPECT_TRUE(waitFor([&] { return !IsWindow(window); }, 3000));
    EXPECT_TRUE(IsWindow(app->mainWindow()));
}
