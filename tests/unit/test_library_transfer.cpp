// Import into the code library and export from it: what a file brings in
// and why not, names that clash, names that would leave the folder, a
// cancelled or failed import that leaves the folder byte for byte as it
// was, files read with progress and a stop, folders looked through, and
// remotes written in every format and read back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "ir/ir.h"
#include "library/fsio.h"
#include "library/transfer.h"
#include "tests/codes.h"

using namespace library;
namespace fmt = ir::formats;

namespace {

std::string freshFolder(const std::string& tag)
{
    static int n = 0;
    std::string dir = testing::TempDir() + "pellwick-transfer-" + std::to_string(getpid()) + "-" + tag + "-" +
                      std::to_string(++n);
    std::string error;
    EXPECT_TRUE(fsio::makeFolder(dir, &error)) << error;
    return dir;
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Every file of a folder and its bytes, the lock file left out.
std::map<std::string, std::string> contents(const std::string& folder)
{
    std::vector<std::string> files;
    std::string error;
    EXPECT_TRUE(fsio::listTree(folder, &files, &error)) << error;
    std::map<std::string, std::string> out;
    for (const std::string& f : files)
        fsio::readFile(fsio::join(folder, f), &out[f], &error);
    return out;
}

const char LIRC[] = "# a pulse-distance remote\n"
                    "begin remote\n"
                    "  name  ../../TV\\\\living\n"
                    "  bits  16\n"
                    "  flags SPACE_ENC|CONST_LENGTH\n"
                    "  header 9000 4500\n"
                    "  one 560 1690\n"
                    "  zero 560 560\n"
                    "  ptrail 560\n"
                    "  pre_data_bits 16\n"
                    "  pre_data 0x20DF\n"
                    "  gap 108000\n"
                    "  begin codes\n"
                    "    KEY_POWER 0x10EF\n"
                    "    KEY_BAD 0x1FFFFF\n"
                    "    KEY_MUTE 0x906F\n"
                    "  end codes\n"
                    "end remote\n";

std::string pellwickRemote(const std::string& name, const std::string& codeName)
{
    Remote r;
    r.name = name;
    r.codes = {{codeName, codes::NEC1, "a note", "{\"later\":1}"}};
    return writeRemote(r);
}

}  // namespace

TEST(LibraryImport, WhatAFileBringsAndWhyNot)
{
    const std::string flipper = "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: parsed\n"
                                "protocol: NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n";
    struct {
        const char* file;
        std::string content;
        const char* format;
        const char* remote;  // the first remote's name; null: refused
        size_t codes, skipped;
        const char* problem;  // in the refusal or the first skipped entry
    } cases[] = {
        {"tv.lircd.conf", LIRC, "LIRC lircd.conf", "../../TV\\\\living", 2, 1, "line 15: KEY_BAD"},
        {"TVs/Samsung UE40.ir", flipper, "Flipper .ir", "Samsung UE40", 1, 0, ""},
        {"list.txt", std::string("Power\t") + codes::NEC1 + "\nMute\t0000 006C 0022\n", "Pronto list", "list", 1, 1,
         "line 2: Mute: only 3 words"},
        {"own.json", pellwickRemote("Кухня", "Свет"), "Pellwick remote", "Кухня", 1, 0, ""},
        {"broken.json", "{\"format\": \"pellwick-remote\",\n\"version\": \"1.0\", \"name\": \"x\",\n\"codes\": 5}",
         "Pellwick remote", nullptr, 0, 0, "cannot be read: line 3: \"codes\" is not a list"},
        {"notes.txt", "Buy milk\n", "", nullptr, 0, 0, "not a format Pellwick reads"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FileToImport read = readCodeFile(c.content, c.file);
        EXPECT_EQ(read.file, c.file);
        if (!c.remote) {
            EXPECT_TRUE(read.remotes.empty());
            EXPECT_NE(read.refused.find(c.problem), std::string::npos) << read.refused;
            continue;
        }
        EXPECT_EQ(read.refused, "");
        EXPECT_EQ(read.format, c.format);
        ASSERT_EQ(read.remotes.size(), 1u);
        EXPECT_EQ(read.remotes[0].name, c.remote);
        EXPECT_EQ(read.remotes[0].codes.size(), c.codes);
        ASSERT_EQ(read.skipped.size(), c.skipped);
        if (c.skipped)
            EXPECT_NE(fmt::problemText(read.skipped[0]).find(c.problem), std::string::npos)
                << fmt::problemText(read.skipped[0]);
    }
    // A remote file of another library comes in whole: notes, fields of later versions.
    FileToImport own = readCodeFile(pellwickRemote("A", "B"), "a.json");
    ASSERT_EQ(own.remotes.size(), 1u);
    EXPECT_EQ(own.remotes[0].codes[0].note, "a note");
    EXPECT_EQ(own.remotes[0].codes[0].extra, "{\"later\":1}");
}

TEST(LibraryImport, NamesTakenGetANumberAndNoFileLeavesTheFolder)
{
    std::string root = freshFolder("names"), folder = root + "/Library";
    Library lib(folder);
    std::string error;
    ASSERT_TRUE(lib.load(&error)) << error;
    Remote tv;
    tv.name = "TV";
    tv.codes = {{"Power", codes::NEC1, "", ""}};
    ASSERT_EQ(lib.create(tv, nullptr).kind, Outcome::SAVED);
    const std::map<std::string, std::string> before = contents(folder);

    std::vector<FileToImport> files = {readCodeFile(std::string("Power\t") + codes::RC5 + "\n", "TV.txt"),
                                       readCodeFile(std::string("Power\t") + codes::RC5 + "\n", "tv.txt"),
                                       readCodeFile(LIRC, "tv.lircd.conf")};
    Import import(&lib, files);
    EXPECT_EQ(import.total(), 3u);
    while (import.step()) {
    }
    ASSERT_EQ(import.state(), Import::DONE) << import.summary();
    std::vector<std::string> names;
    for (const Library::Entry& e : lib.remotes())
        names.push_back(e.remote.name);
    EXPECT_EQ(names, (std::vector<std::string>{"../../TV\\\\living", "TV", "TV (2)", "tv (3)"}));
    std::map<std::string, std::string> after = contents(folder);
    EXPECT_EQ(after.at("TV.json"), before.at("TV.json")) << "an import never changes a remote that was there";
    EXPECT_EQ(after.size(), 4u);
    EXPECT_EQ(contents(root).size(), 4u) << "every file written is in the library folder";

    std::string summary = import.summary();
    for (const char* said : {"Imported 3 remotes with 4 codes from 3 files. 1 entry skipped.",
                             "TV.txt (Pronto list): 1 code in 1 remote\n  remote \"TV (2)\" (a remote named \"TV\" was "
                             "there already)\n",
                             "tv.lircd.conf (LIRC lircd.conf): 2 codes in 1 remote, 1 skipped\n",
                             "  skipped: line 15: KEY_BAD: "})
        EXPECT_NE(summary.find(said), std::string::npos) << "no \"" << said << "\" in\n" << summary;
}

// An import stopped halfway, or one the folder cannot take, leaves the
// library as it was: in the window and on disk.
TEST(LibraryImport, CancelledOrFailedLeavesTheLibraryAsItWas)
{
    std::vector<FileToImport> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(readCodeFile(std::string("Power\t") + codes::NEC1 + "\n", "remote " + std::to_string(i) + ".txt"));
    for (size_t stopAfter : {size_t(0), size_t(1), size_t(4)}) {
        SCOPED_TRACE("cancelled after " + std::to_string(stopAfter) + " remotes");
        std::string folder = freshFolder("cancel");
        Library lib(folder);
        std::string error;
        ASSERT_TRUE(lib.load(&error));
        ASSERT_EQ(lib.create(Remote{"Kept", {{"Power", codes::RC5, "", ""}}, 0, ""}, nullptr).kind, Outcome::SAVED);
        const std::map<std::string, std::string> before = contents(folder);
        Import import(&lib, files);
        for (size_t i = 0; i < stopAfter; ++i)
            ASSERT_TRUE(import.step());
        EXPECT_EQ(import.written(), stopAfter);
        import.cancel();
        EXPECT_EQ(import.state(), Import::CANCELLED);
        EXPECT_EQ(contents(folder), before);
        ASSERT_EQ(lib.remotes().size(), 1u);
        EXPECT_EQ(lib.remotes()[0].remote.name, "Kept");
        EXPECT_EQ(import.outcome(), "Cancelled: nothing was imported, the library is as it was.");
        EXPECT_FALSE(import.step());
    }

    // Another program holds the folder's lock for longer than the library waits.
    std::string folder = freshFolder("locked");
    Library lib(folder, 50);
    std::string error;
    ASSERT_TRUE(lib.load(&error));
    fsio::FolderLock other;
    Import import(&lib, files);
    ASSERT_TRUE(import.step());
    ASSERT_TRUE(other.acquire(folder, 1000, &error)) << error;
    EXPECT_FALSE(import.step());
    EXPECT_EQ(import.state(), Import::FAILED);
    EXPECT_NE(import.outcome().find("Nothing was imported: \"remote 1\" cannot be written: another program is changing"),
              std::string::npos) << import.outcome();
    EXPECT_NE(import.summary().find("\"remote 0\" stays: another program is changing"), std::string::npos)
        << "what could not be taken back is said: " << import.summary();
    other.release();
    EXPECT_EQ(lib.remotes().size(), 1u) << "the remote that was never written leaves the window";
    EXPECT_FALSE(lib.dirty());
}

TEST(LibraryImport, FilesReadWithProgressAndAStop)
{
    std::string folder = freshFolder("tree");
    ASSERT_EQ(mkdir((folder + "/TVs").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((folder + "/.git").c_str(), 0777), 0);
    writeFile(folder + "/TVs/b.ir", "x");
    writeFile(folder + "/a.conf", "x");
    writeFile(folder + "/.hidden", "x");
    writeFile(folder + "/.git/config", "x");
    ASSERT_EQ(symlink("/etc", (folder + "/elsewhere").c_str()), 0);
    writeFile(folder + "/TVs/huge.txt", "");
    ASSERT_EQ(truncate((folder + "/TVs/huge.txt").c_str(), 17 * 1024 * 1024), 0);

    std::vector<std::string> paths, shown;
    std::string error;
    ASSERT_TRUE(codeFilesIn(folder, &paths, &shown, &error)) << error;
    EXPECT_EQ(shown, (std::vector<std::string>{"TVs/b.ir", "TVs/huge.txt", "a.conf"}));
    EXPECT_EQ(paths[2], folder + "/a.conf");
    EXPECT_FALSE(codeFilesIn(folder + "/none", &paths, &shown, &error));

    paths.push_back(folder + "/gone.ir");
    shown.push_back("gone.ir");
    std::vector<std::pair<size_t, size_t>> told;
    bool cancelled = true;
    std::vector<FileToImport> read = readCodeFiles(paths, shown, [&](size_t done, size_t total) {
        told.push_back({done, total});
        return true;
    }, &cancelled);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(told, (std::vector<std::pair<size_t, size_t>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[1].refused, "the file is 17 MB; a code file is far smaller (Pellwick reads up to 16 MB)");
    EXPECT_NE(read[3].refused.find("cannot read"), std::string::npos) << read[3].refused;

    read = readCodeFiles(paths, shown, [&](size_t done, size_t) { return done < 2; }, &cancelled);
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(read.empty());
}

TEST(LibraryExport, EveryFormatReadsBackWithItsDecodes)
{
    Remote tv;
    tv.name = "TV";
    for (const char* words : {"NEC1 D=4 F=8", "RC5 D=0 F=12", "Sony12 D=1 F=21"}) {
        std::istringstream in(words);
        std::vector<std::string> w{std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
        std::string pronto, error;
        ASSERT_TRUE(ir::renderWords(w, &pronto, &error)) << error;
        tv.codes.push_back({std::string("Key ") + words, pronto, "", ""});
    }
    for (const fmt::FormatInfo& f : fmt::formatList()) {
        SCOPED_TRACE(f.name);
        fmt::Exported out = exportRemotes({tv}, f.format);
        EXPECT_TRUE(out.skipped.empty());
        EXPECT_EQ(notACodeFile(out.text, std::string("x") + f.extension), "");
        FileToImport back = readCodeFile(out.text, std::string("TV") + f.extension);
        ASSERT_EQ(back.remotes.size(), 1u) << back.refused;
        ASSERT_EQ(back.remotes[0].codes.size(), tv.codes.size());
        for (size_t i = 0; i < tv.codes.size(); ++i)
            EXPECT_EQ(describe(back.remotes[0].codes[i].pronto).decode, describe(tv.codes[i].pronto).decode);
    }
    EXPECT_EQ(notACodeFile("Dear diary,\n", "diary.txt"), "not a format Pellwick reads (LIRC, Flipper, Broadlink, "
                                                         "SmartIR, sendir, Pronto or CSV)");
    EXPECT_EQ(notACodeFile("", "empty.txt"), "") << "an empty file holds nothing to lose";
}
