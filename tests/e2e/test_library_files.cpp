// The library window's Import and Export, through the menu and the common
// dialogs with real keystrokes: a LIRC file and a Flipper file imported
// together, a code of each transmitted, a remote exported and imported
// again, a file Pellwick cannot read kept unless the user says otherwise;
// a large collection cancelled while it is read and while it is written.
#include "library_window.h"

#include "ir/ir.h"

using namespace e2e;

namespace {

const char LIRC[] = "# Living room TV, pulse distance\n"
                    "begin remote\n"
                    "  name  Living_room_TV\n"
                    "  bits  16\n"
                    "  flags SPACE_ENC|CONST_LENGTH\n"
                    "  header 9000 4500\n"
                    "  one 560 1690\n"
                    "  zero 560 560\n"
                    "  ptrail 560\n"
                    "  repeat 9000 2250\n"
                    "  pre_data_bits 16\n"
                    "  pre_data 0x20DF\n"
                    "  gap 108000\n"
                    "  begin codes\n"
                    "    KEY_POWER 0x10EF\n"
                    "    KEY_BAD 0x1FFFFF\n"
                    "    KEY_MUTE 0x906F\n"
                    "  end codes\n"
                    "end remote\n";

const char FLIPPER[] = "Filetype: IR signals file\nVersion: 1\n#\n"
                       "name: Power\ntype: parsed\nprotocol: NEC\naddress: 07 00 00 00\ncommand: 02 00 00 00\n#\n"
                       "name: Speed\ntype: parsed\nprotocol: NECext\naddress: 0C 22 00 00\ncommand: 38 C7 00 00\n";

// The decode of the code in a driver call's log line.
std::string decodeOf(const std::string& logLine)
{
    size_t start = logLine.find("0000 ");
    ir::Signal signal;
    std::string error;
    if (start == std::string::npos || !ir::parsePronto(logLine.substr(start, logLine.find('"', start) - start),
                                                       &signal, &error))
        return "no code in: " + logLine;
    return ir::decodeLine(ir::decode(signal));
}

}  // namespace

class LibraryImportExport : public LibraryWindow {
protected:
    // The text in a common dialog's file name box: an edit control in the
    // Open and Save dialogs' combo box, or of its own in the folder chooser.
    static BOOL CALLBACK findNameBox(HWND child, LPARAM found)
    {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        int id = GetDlgCtrlID(child), parentId = GetDlgCtrlID(GetParent(child));
        if (lstrcmpiA(cls, "Edit") == 0 && (id == 0x47C || id == 0x480 || parentId == 0x47C))
            *reinterpret_cast<HWND*>(found) = child;
        return TRUE;
    }
    std::string fileNameBox(HWND dialog)
    {
        HWND found = nullptr;
        EnumChildWindows(dialog, findNameBox, reinterpret_cast<LPARAM>(&found));
        return found ? windowText(found) : "<no file name box>";
    }
    // Types into a common dialog's file name box and presses Enter.
    void enterName(HWND dialog, const std::string& text)
    {
        app->type(text);
        ASSERT_TRUE(waitFor([&] { return fileNameBox(dialog) == text; }, 5000)) << fileNameBox(dialog);
        app->keys({VK_RETURN});
    }
    // Library, Import files...: one file by its path, or several in a
    // folder (opened first, then their names typed); the import's dialog
    // once it shows how the import ended.
    HWND importFiles(const std::string& path, const std::string& names = "")
    {
        app->keys({VK_MENU, 'L'});
        app->keys({'I'});
        HWND open = app->findTopWindow("Import code files");
        EXPECT_NE(open, nullptr) << "no Open dialog";
        enterName(open, path);
        if (!names.empty()) {
            EXPECT_TRUE(waitFor([&] { return fileNameBox(open).empty(); }, 5000)) << "the folder was not opened";
            enterName(open, names);
        }
        return importDone();
    }
    HWND importDialog() { return app->findTopWindow("Import"); }
    HWND importDone()
    {
        HWND dialog = importDialog();
        EXPECT_TRUE(waitFor([&] { return windowText(GetDlgItem(dialog, IDCANCEL)) == "Close"; }, 60000))
            << windowText(GetDlgItem(dialog, IDC_IMP_TEXT));
        return dialog;
    }
    void closeImport(HWND dialog)
    {
        app->keys({VK_RETURN});
        ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 5000));
        ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(window) && GetForegroundWindow() == window; }, 5000));
    }
    // The remote of this row selected, then the code of that row transmitted.
    std::string transmit(int remoteRow, int codeRow)
    {
        app->keys({VK_MENU, 'R'});
        app->keys({VK_HOME});
        for (int i = 0; i < remoteRow; ++i)
            app->keys({VK_DOWN});
        app->keys({VK_MENU, 'S'});
        app->keys({VK_HOME});
        for (int i = 0; i < codeRow; ++i)
            app->keys({VK_DOWN});
        size_t before = app->logOf("TavrixTransmitIR").size();
        app->keys({VK_MENU, 'T'});
        EXPECT_TRUE(waitFor([&] { return app->logOf("TavrixTransmitIR").size() > before; }, 5000)) << status();
        std::vector<std::string> sent = app->logOf("TavrixTransmitIR");
        return sent.size() > before ? decodeOf(sent.back()) : std::string();
    }
    std::string dir = makeTempDir("codefiles");
};

TEST_F(LibraryImportExport, ImportLircAndFlipperTransmitFromEachExportAndReadBack)
{
    writeFile(dir + "tv.lircd.conf", LIRC);
    writeFile(dir + "Fan.ir", FLIPPER);
    writeFile(folder + "Fan.json", remoteFile("Fan", {{"Old", NEC1_CODE}}));
    const std::string before = readFile(folder + "Fan.json");
    start();

    HWND dialog = importFiles(dir, "\"tv.lircd.conf\" \"Fan.ir\"");
    std::string summary = windowText(GetDlgItem(dialog, IDC_IMP_SUMMARY));
    for (const char* said : {"Imported 2 remotes with 4 codes from 2 files. 1 entry skipped.\r\n",
                             "tv.lircd.conf (LIRC lircd.conf): 2 codes in 1 remote, 1 skipped\r\n"
                             "  remote \"Living_room_TV\"\r\n  skipped: line 16: KEY_BAD: 0x1FFFFF has more than 16 bits",
                             "Fan.ir (Flipper .ir): 2 codes in 1 remote\r\n"
                             "  remote \"Fan (2)\" (a remote named \"Fan\" was there already)"})
        EXPECT_NE(summary.find(said), std::string::npos) << "no \"" << said << "\" in\n" << summary;
    closeImport(dialog);
    EXPECT_EQ(remotes(), (std::vector<std::string>{"Fan", "Fan (2)", "Living_room_TV"}));
    EXPECT_EQ(readFile(folder + "Fan.json"), before) << "an import never changes a remote that was there";
    EXPECT_EQ(status(), "Imported 2 remotes with 4 codes from 2 files. 1 entry skipped.");

    // A code from each, as the driver receives it.
    EXPECT_EQ(transmit(1, 1), "NEC1 D=12 S=34 F=56");
    EXPECT_EQ(transmit(2, 0), "NEC1 D=4 S=251 F=8");
    const std::vector<std::string> tv = codes();
    ASSERT_EQ(tv.size(), 2u);
    EXPECT_EQ(tv[1].substr(0, tv[1].rfind(" | ")), "KEY_MUTE | NEC1 D=4 S=251 F=9");

    // Exported as a Flipper file over a text of the user's: refused first.
    std::string notes = dir + "notes.txt";
    writeFile(notes, "Dear diary,\r\n");
    app->keys({VK_MENU, 'L'});
    app->keys({'E'});
    HWND save = app->findTopWindow("Export remote");
    ASSERT_NE(save, nullptr);
    app->keys({VK_MENU, 'T'});  // the format: the type of file
    app->keys({'F'});
    app->keys({VK_MENU, 'N'});  // back to the file name
    enterName(save, notes);
    std::string asked = app->waitBoxes();
    EXPECT_NE(asked.find("Export: " + notes + " is not a code file Pellwick reads (not a format Pellwick reads"),
              std::string::npos) << asked;
    app->keys({VK_RETURN});  // No, the default
    EXPECT_TRUE(waitFor([&] { return status() == "Nothing was exported: " + notes + " is as it was."; }, 5000))
        << status();
    EXPECT_EQ(readFile(notes), "Dear diary,\r\n");

    app->keys({VK_MENU, 'L'});
    app->keys({'E'});
    save = app->findTopWindow("Export remote");
    ASSERT_NE(save, nullptr);
    std::string exported = dir + "out\\TV.ir";
    CreateDirectoryA((dir + "out").c_str(), nullptr);
    enterName(save, exported);  // the format chosen last time
    EXPECT_TRUE(waitFor([&] { return status() == "Exported 2 codes to " + exported + " (Flipper .ir)."; }, 5000))
        << status();
    EXPECT_EQ(readFile(exported).substr(0, 37), "Filetype: IR signals file\nVersion: 1\n");

    // Read back: the same names and decodes.
    closeImport(importFiles(exported));
    EXPECT_EQ(remotes(), (std::vector<std::string>{"Fan", "Fan (2)", "Living_room_TV", "TV"}));
    std::vector<std::string> back = codes();
    ASSERT_EQ(back.size(), tv.size());
    for (size_t i = 0; i < tv.size(); ++i)
        EXPECT_EQ(back[i].substr(0, back[i].rfind(" | ")), tv[i].substr(0, tv[i].rfind(" | ")));
}

// Cancel: while the files are read nothing is written; while the remotes
// are written, those written are taken out again. Either way the library
// folder holds what it held, and no half remote.
TEST_F(LibraryImportExport, CancelOfALargeImportLeavesNoHalfRemote)
{
    CreateDirectoryA((dir + "collection").c_str(), nullptr);
    for (int i = 0; i < 1500; ++i) {
        std::string name = "Remote_" + std::to_string(10000 + i);
        std::string text = LIRC;
        text.replace(text.find("Living_room_TV"), 14, name);
        writeFile(dir + "collection\\" + name + ".lircd.conf", text);
    }
    writeFile(folder + "Kept.json", remoteFile("Kept", {{"Power", NEC1_CODE}}));
    start();
    // The folder's files but for the lock file its first write makes.
    auto libraryFiles = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::string(found.cFileName) != ".pellwick.lock")
                names.push_back(found.cFileName);
        FindClose(search);
        return names;
    };
    const std::vector<std::string> before = libraryFiles();

    // The first cancel comes as soon as the import shows progress (while it
    // reads, unless it reads faster than the test looks), the second while
    // it writes.
    for (const char* phase : {"", "Writing "}) {
        SCOPED_TRACE(phase);
        app->keys({VK_MENU, 'L'});
        app->keys({'F'});
        HWND chooser = app->findTopWindow("Import a folder of code files");
        ASSERT_NE(chooser, nullptr);
        enterName(chooser, dir + "collection");
        HWND dialog = importDialog();
        ASSERT_NE(dialog, nullptr);
        HWND text = GetDlgItem(dialog, IDC_IMP_TEXT);
        ASSERT_TRUE(waitFor([&] {
            std::string now = windowText(text);
            return *phase ? now.find(phase) == 0 : now.find("Reading file ") == 0 || now.find("Writing ") == 0;
        }, 60000)) << windowText(text);
        EXPECT_FALSE(IsWindowEnabled(window)) << "the library window waits for the import";
        EXPECT_TRUE(app->responsive());
        app->keys({VK_ESCAPE});
        ASSERT_TRUE(waitFor([&] { return windowText(GetDlgItem(dialog, IDCANCEL)) == "Close"; }, 60000));
        EXPECT_EQ(windowText(text), "Cancelled: nothing was imported, the library is as it was.");
        closeImport(dialog);
        EXPECT_EQ(libraryFiles(), before);
        EXPECT_EQ(remotes(), std::vector<std::string>{"Kept"});
    }
}
