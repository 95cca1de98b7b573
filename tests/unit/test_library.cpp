// The code library: its file format (round trip, unknown fields kept, every
// kind of bad file refused with its reason and line), file names from
// hostile names, a folder of remotes changed by two programs at once, saves
// killed at random moments, folders that cannot be read or written, and
// pellwick-ir list, get and add.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "ir/cli/cli.h"
#include "ir/ir.h"
#include "library/fsio.h"
#include "library/library.h"
#include "tests/codes.h"

using namespace library;

namespace {

std::string rendered(const char* words)
{
    std::istringstream in(words);
    std::vector<std::string> w{std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
    std::string pronto, error;
    EXPECT_TRUE(ir::renderWords(w, &pronto, &error)) << error;
    return pronto;
}

std::string freshFolder(const std::string& tag)
{
    static int n = 0;
    std::string dir = testing::TempDir() + "pellwick-library-" + std::to_string(getpid()) + "-" + tag + "-" +
                      std::to_string(++n);
    std::string error;
    EXPECT_TRUE(fsio::makeFolder(dir, &error)) << error;
    chmod(dir.c_str(), 0777);  // for the tests that run as another user
    return dir;
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
std::string readAll(const std::string& path)
{
    std::string bytes, error;
    fsio::readFile(path, &bytes, &error);
    return bytes;
}

Remote sample()
{
    Remote r;
    r.name = "Телевизор (living room)";
    r.codes = {{"Power", codes::NEC1, "", ""},
               {"Vol +", rendered("NEC1 D=4 F=16"), "held for volume", ""},
               {"Ελληνικά", std::string("0000 0073 0000 000B\r\n") + (codes::RC5 + 20), "", ""}};
    return r;
}

// Runs f in a child process, as an ordinary user when this is root (whom
// file permissions do not stop); f's result is the child's exit code.
template <typename F>
int asUser(F f)
{
    pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(99);
        _exit(f());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

}  // namespace

TEST(LibraryFormat, RoundTripKeepsEveryByteOfTheCodes)
{
    Remote r = sample();
    std::string bytes = writeRemote(r);
    Remote back;
    ReadError error;
    ASSERT_TRUE(readRemote(bytes, &back, &error)) << error.reason << " line " << error.line << "\n" << bytes;
    EXPECT_TRUE(back == r);
    EXPECT_EQ(writeRemote(back), bytes) << "a file read and written again is the same file";
    EXPECT_EQ(bytes.compare(0, 52, "{\n  \"format\": \"pellwick-remote\",\n  \"version\": \"1.0\","), 0) << bytes;
}

TEST(LibraryFormat, FieldsOfALaterVersionSurviveARewrite)
{
    std::string file = std::string("{\"format\":\"pellwick-remote\",\"version\":\"1.3\",\"name\":\"TV\",") +
                       "\"room\":{\"floor\":2,\"tags\":[\"a\",null]},\"codes\":[{\"name\":\"Power\",\"pronto\":\"" +
                       codes::NEC1 + "\",\"learnt\":\"2024-01-01\",\"repeats\":3}]}";
    Remote r;
    ReadError error;
    ASSERT_TRUE(readRemote(file, &r, &error)) << error.reason;
    r.codes.push_back({"Mute", codes::RC5, "", ""});
    std::string rewritten = writeRemote(r);
    for (const char* kept : {"\"version\": \"1.3\"", "\"room\": {", "\"floor\": 2", "null", "\"learnt\": \"2024-01-01\"",
                             "\"repeats\": 3"})
        EXPECT_NE(rewritten.find(kept), std::string::npos) << kept << " lost:\n" << rewritten;
}

TEST(LibraryFormat, EveryKindOfBadFileIsRefusedWithItsReasonAndLine)
{
    const std::string head = "{\n\"format\": \"pellwick-remote\",\n\"version\": \"1.0\",\n\"name\": \"TV\",\n";
    const std::string good = std::string("{\"name\": \"Power\", \"pronto\": \"") + codes::NEC1 + "\"}";
    struct { std::string bytes; const char* reason; int line; } cases[] = {
        {"", "the file is empty", 0},
        {"\n  \n", "the file is empty", 0},
        {"{\n\"format\": \"pellwick-remote\",\n\"codes\": [", "not valid JSON: syntax error while parsing value - unexpected end of input", 3},
        {head + "\"codes\": [\n" + good + ",\n" + good.substr(0, 40), "not valid JSON", 7},
        {"garbage", "not valid JSON: syntax error", 1},
        {head + "\"codes\": [],\n\"size\": 44e4444}", "not valid JSON: number overflow parsing '44e4444'", 0},
        {"[1, 2]", "not a Pellwick remote: the file holds a JSON array, not an object", 0},
        {"{\"version\": \"1.0\"}", "not a Pellwick remote: it has no \"format\"", 0},
        {"{\n\"format\": \"lirc\"}", "not a Pellwick remote: its format is \"lirc\", not \"pellwick-remote\"", 2},
        {"{\"format\": \"pellwick-remote\", \"name\": \"x\"}", "the file has no \"version\"", 0},
        {"{\"format\": \"pellwick-remote\",\n\"version\": \"2.0\"}", "it is of version 2.0, newer than this Pellwick reads (1.x)", 2},
        {"{\"format\": \"pellwick-remote\",\n\"version\": \"one\"}", "its version \"one\" is not a version number", 2},
        {"{\"format\": \"pellwick-remote\", \"version\": \"1.0\"}", "the remote has no \"name\" text", 0},
        {head.substr(0, head.size() - 14) + "\"name\": \"\"}", "the remote's name: a name cannot be empty", 4},
        {head + "\"codes\": {}}", "\"codes\" is not a list", 5},
        {head + "\"codes\": [\n" + good + ",\n7]}", "code 2 is not an object", 7},
        {head + "\"codes\": [\n{\"pronto\": \"0000\"}]}", "code 1 has no name", 6},
        {head + "\"codes\": [\n{\"name\": \"Mute\"}]}", "code 1 (\"Mute\") has no \"pronto\" text", 6},
        {head + "\"codes\": [\n" + good + ",\n{\"name\": \"Mute\",\n \"pronto\": \"0000 006C 0001\"}]}",
         "code 2 (\"Mute\"): not valid Pronto: only 3 words", 8},
        {head + "\"codes\": [\n{\"name\": \"a\\u0007b\", \"pronto\": \"0000\"}]}",
         "code 1 (\"a\ab\"): name: a name cannot hold line breaks", 6},
        {head + "\"codes\": [\n{\"name\": 5}]}", "code 1: \"name\" is not text", 6},
        {head + "\"codes\": [{\"name\": \"\xff\"}]}", "not valid JSON: syntax error while parsing value - invalid string: ill-formed UTF-8", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Remote r;
        ReadError error;
        ASSERT_FALSE(readRemote(c.bytes, &r, &error));
        EXPECT_EQ(error.reason.compare(0, strlen(c.reason), c.reason), 0) << error.reason;
        EXPECT_EQ(error.line, c.line) << error.reason;
        // Listing by names refuses what concerns the head with the same
        // words, and lists the rest, which the codes' reading refuses.
        std::string name;
        ReadError head;
        if (readRemoteName(c.bytes, &name, &head))
            EXPECT_EQ(name, "TV");
        else
            EXPECT_TRUE(head.reason == error.reason && head.line == error.line) << head.reason << " line " << head.line;
    }
}

TEST(LibraryFormat, SameCodesAreMarked)
{
    std::vector<Code> list = {{"Power", codes::NEC1, "", ""},
                              {"Mute", rendered("NEC1 D=4 F=13"), "", ""},
                              {"Power again", std::string(codes::NEC1) + "\n", "", ""},
                              {"raw", "0000 006D 0001 0000 0010 0020", "", ""},
                              {"raw lower case", "0000 006d 0001 0000\t0010 0020", "", ""},
                              {"other raw", "0000 006D 0001 0000 0010 0021", "", ""}};
    std::vector<Description> d;
    for (const Code& c : list)
        d.push_back(describe(c.pronto));
    markSameCodes(list, &d);
    const char* expected[] = {"Power again", "", "Power", "raw lower case", "raw", ""};
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(d[i].sameAs, expected[i]) << list[i].name;
    EXPECT_EQ(d[1].decode + " " + lengthText(d[1].lengthMs), "NEC1 D=4 S=251 F=13 108.5");
}

TEST(LibraryFiles, NamesFromHostileNames)
{
    std::set<std::string> used = {"tv.json", "tv (2).json", "remote.json"};
    auto taken = [&](const std::string& f) {
        std::string lower = f;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return used.count(lower) != 0;
    };
    const std::string longName(100, 'x'), accents(40, 'e');
    std::string e;
    for (int i = 0; i < 40; ++i)
        e += "\xC3\xA9";  // é, two bytes each
    struct { std::string name, file; } cases[] = {
        {"Living room TV", "Living room TV.json"},
        {"TV", "TV (3).json"},
        {"CON", "_CON.json"},
        {"nul.txt", "_nul.txt.json"},
        {"com1 ", "_com1.json"},
        {"LPT\xC2\xB9", "_LPT\xC2\xB9.json"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j.json"},
        {"../../etc/passwd", "_._.._etc_passwd.json"},
        {"..", "remote (2).json"},
        {"   ", "remote (2).json"},
        {".hidden", "_hidden.json"},
        {"trailing dots...", "trailing dots.json"},
        {"tab\tand\nline", "tab_and_line.json"},
        {"\xff\xfe bytes", "__ bytes.json"},
        {longName, std::string(60, 'x') + ".json"},
        {e, e.substr(0, 60) + ".json"},
        {"Телевизор", "Телевизор.json"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = fileNameFor(c.name, taken);
        EXPECT_EQ(file, c.file);
        EXPECT_TRUE(file.find_first_of("/\\") == std::string::npos && file[0] != '.' && isUtf8(file)) << file;
    }
}

TEST(LibraryFolder, UnreadableFilesAreListedAndNeverTouched)
{
    std::string dir = freshFolder("mixed"), error;
    Library lib(dir);
    int id = 0;
    ASSERT_EQ(lib.create(sample(), &id).kind, Outcome::SAVED);
    const std::string corrupt = "{\"format\": \"pellwick-remote\",\n\"version\": \"9.0\"}";
    writeFile(fsio::join(dir, "newer.json"), corrupt);
    writeFile(fsio::join(dir, "half.json"), writeRemote(sample()).substr(0, 200));
    writeFile(fsio::join(dir, "notes.txt"), "not a remote");

    Library again(dir);
    ASSERT_TRUE(again.load(&error)) << error;
    ASSERT_EQ(again.remotes().size(), 1u);
    EXPECT_TRUE(again.remotes()[0].remote == sample());
    EXPECT_EQ(again.remotes()[0].file, "Телевизор (living room).json");
    ASSERT_EQ(again.unreadable().size(), 2u);
    EXPECT_EQ(again.unreadable()[0].file + ": " + again.unreadable()[0].error.reason.substr(0, 14), "half.json: not valid JSON");
    EXPECT_EQ(again.unreadable()[1].error.line, 2);

    // A change elsewhere, and a remote whose name would take the corrupt one's file.
    id = again.remotes()[0].id;
    EXPECT_EQ(again.change(id, Library::addCode({"Mute", codes::RC5, "", ""}, 99)).kind, Outcome::SAVED);
    int other = 0;
    Remote newer;
    newer.name = "newer";
    EXPECT_EQ(again.create(newer, &other).kind, Outcome::SAVED);
    EXPECT_EQ(again.find(other)->file, "newer (2).json");
    EXPECT_EQ(readAll(fsio::join(dir, "newer.json")), corrupt) << "an unreadable file is never written";
    EXPECT_EQ(again.remove(other).kind, Outcome::SAVED);
    EXPECT_FALSE(fsio::exists(fsio::join(dir, "newer (2).json")));
    EXPECT_TRUE(fsio::exists(fsio::join(dir, "newer.json")));

    // A remote's file follows its new name; a create with a bad code writes nothing.
    EXPECT_EQ(again.change(id, Library::renameRemote("TV")).kind, Outcome::SAVED);
    EXPECT_EQ(again.find(id)->file, "TV.json");
    Remote bad = sample();
    bad.codes[1].pronto = "0000 006C";
    Outcome refused = again.create(bad, &other);
    EXPECT_EQ(refused.kind, Outcome::REFUSED);
    EXPECT_EQ(refused.message.substr(0, 31), "code 2 (\"Vol +\"): not valid Pro");
    std::vector<std::string> files;
    fsio::listJson(dir, &files, &error);
    EXPECT_EQ(files.size(), 3u) << "TV, newer and half";
}

// A large library is listed by its names first; a remote's codes are read
// when they are needed: a file whose codes cannot be read then joins the
// unreadable ones, and a remote another program changed meanwhile is read
// as it is now.
TEST(LibraryFolder, ListedByNamesFirstThenReadWhole)
{
    std::string dir = freshFolder("names");
    Remote a = sample(), b = sample();
    a.name = "A";
    b.name = "B";
    writeFile(dir + "/A.json", writeRemote(a));
    std::string broken = writeRemote(b);
    broken.replace(broken.find(codes::NEC1), 4, "zzzz");
    writeFile(dir + "/B.json", broken);
    writeFile(dir + "/C.json", "{\"format\": \"lirc\"}");
    // Fields given twice: listed by the first name, then by the last, as a
    // whole reading takes it; a first version that will not do, read whole.
    writeFile(dir + "/D.json", "{\"format\": \"pellwick-remote\", \"version\": \"1.0\", \"name\": \"0 first\", \"name\": \"Z\"}");
    writeFile(dir + "/E.json", "{\"format\": \"pellwick-remote\", \"version\": \"0.1\", \"name\": \"E\", \"version\": \"1.0\"}");
    Library lib(dir);
    std::string error;
    ASSERT_TRUE(lib.load(&error, true)) << error;
    ASSERT_EQ(lib.remotes().size(), 4u);
    EXPECT_EQ(lib.remotes()[0].remote.name, "0 first");
    EXPECT_TRUE(lib.readWhole(lib.remotes()[0].id));
    EXPECT_EQ(lib.remotes()[3].remote.name, "Z");
    EXPECT_TRUE(lib.remotes()[2].whole) << "E, read whole at once";
    EXPECT_FALSE(lib.allWhole());
    EXPECT_TRUE(lib.remotes()[0].remote.codes.empty());
    ASSERT_EQ(lib.unreadable().size(), 1u);
    EXPECT_EQ(lib.unreadable()[0].file, "C.json");

    // B: unreadable, with the reason and line a whole read gives.
    EXPECT_FALSE(lib.readWhole(lib.remotes()[1].id));
    ASSERT_EQ(lib.unreadable().size(), 2u);
    Remote r;
    ReadError whole;
    readRemote(broken, &r, &whole);
    EXPECT_EQ(lib.unreadable()[1].error.reason, whole.reason);
    EXPECT_EQ(lib.unreadable()[1].error.line, whole.line);
    EXPECT_EQ(readAll(dir + "/B.json"), broken) << "never touched";

    // A changed by another program before its codes were read: a change
    // applies to what the file holds now.
    a.codes.pop_back();
    writeFile(dir + "/A.json", writeRemote(a));
    int id = lib.remotes()[0].id;
    Outcome o = lib.change(id, Library::addCode({"Mute", codes::RC5, "", ""}, 99));
    EXPECT_EQ(o.kind, Outcome::SAVED) << o.message;
    EXPECT_TRUE(o.reloaded);
    ASSERT_EQ(lib.find(id)->remote.codes.size(), 3u);
    EXPECT_EQ(lib.find(id)->remote.codes[2].name, "Mute");
    EXPECT_TRUE(lib.readMore(1));
}

TEST(LibraryFolder, TwoProgramsAtOnceNeverLoseAChange)
{
    std::string dir = freshFolder("two"), error;
    Library first(dir);
    int id = 0;
    ASSERT_EQ(first.create(sample(), &id).kind, Outcome::SAVED);
    Library second(dir);
    ASSERT_TRUE(second.load(&error)) << error;
    int id2 = second.remotes()[0].id;

    // The first adds; the second, which read the file before, renames:
    // it reads the file again first, and both changes are on disk.
    ASSERT_EQ(first.change(id, Library::addCode({"Mute", codes::RC5, "", ""}, 99)).kind, Outcome::SAVED);
    const Code power = sample().codes[0];
    Outcome renamed = second.change(id2, Library::renameCode(0, power, "On/Off"));
    EXPECT_TRUE(renamed.kind == Outcome::SAVED && renamed.reloaded);
    Library third(dir);
    ASSERT_TRUE(third.load(&error));
    ASSERT_EQ(third.remotes()[0].remote.codes.size(), 4u);
    EXPECT_EQ(third.remotes()[0].remote.codes[0].name, "On/Off");
    EXPECT_EQ(third.remotes()[0].remote.codes[3].name, "Mute");

    // A change to a code the other program deleted is refused, not guessed.
    ASSERT_EQ(first.change(id, Library::removeCode(3, {"Mute", codes::RC5, "", ""})).kind, Outcome::SAVED);
    Outcome moved = second.change(id2, Library::moveCode(3, {"Mute", codes::RC5, "", ""}, -1));
    EXPECT_EQ(moved.kind, Outcome::REFUSED);
    EXPECT_EQ(moved.message, "\"Mute\" is no longer in the remote (another program changed it)");
    // A file another program made unreadable is not written over.
    writeFile(fsio::join(dir, second.find(id2)->file), "{");
    EXPECT_EQ(second.change(id2, Library::renameRemote("x")).kind, Outcome::REFUSED);
    EXPECT_EQ(readAll(fsio::join(dir, third.remotes()[0].file)), "{");
    EXPECT_EQ(second.unreadable().size(), 1u);

    // The lock: while one program holds it, another waits, then gives up.
    fsio::FolderLock held;
    ASSERT_TRUE(held.acquire(dir, 100, &error)) << error;
    Library waiting(dir, 50);
    ASSERT_TRUE(waiting.load(&error));
    Outcome blocked = waiting.create(sample(), &id);
    EXPECT_EQ(blocked.kind, Outcome::PENDING);
    EXPECT_EQ(blocked.message, "another program is changing the library in " + dir);
    held.release();
    EXPECT_TRUE(waiting.retry(&error)) << error;
    EXPECT_TRUE(fsio::exists(fsio::join(dir, waiting.find(id)->file)));
}

TEST(LibraryFolder, FoldersThatCannotBeReadOrWritten)
{
    std::string dir = freshFolder("readonly"), error;
    {
        Library lib(dir);
        int id = 0;
        ASSERT_EQ(lib.create(sample(), &id).kind, Outcome::SAVED);
    }
    // The user the test runs as owns the folder (as root, the ordinary one).
    if (getuid() == 0) {
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    }
    chmod(dir.c_str(), 0555);
    // A change that cannot be saved stays in memory, is said, and is saved
    // once the folder can be written again.
    EXPECT_EQ(asUser([&] {
        Library lib(dir);
        std::string why;
        if (!lib.load(&why) || lib.remotes().size() != 1)
            return 1;
        Outcome o = lib.change(lib.remotes()[0].id, Library::addCode({"Mute", codes::RC5, "", ""}, 99));
        if (o.kind != Outcome::PENDING || o.message.find("cannot write in the folder " + dir + ": Permission denied") != 0)
            return 2;
        if (lib.remotes()[0].remote.codes.size() != 4 || !lib.dirty() || lib.retry(&why))
            return 3;
        chmod(dir.c_str(), 0777);  // the user lets it be written
        return lib.retry(&why) ? 0 : 4;
    }), 0);
    chmod(dir.c_str(), 0777);
    Library lib(dir);
    ASSERT_TRUE(lib.load(&error));
    EXPECT_EQ(lib.remotes()[0].remote.codes.size(), 4u);

    chmod(dir.c_str(), 0000);
    EXPECT_EQ(asUser([&] {
        Library lib(dir);
        std::string why;
        return !lib.load(&why) && why == "cannot read the folder " + dir + ": Permission denied" ? 0 : 1;
    }), 0);
    chmod(dir.c_str(), 0777);
    // A folder where a file is in the way.
    writeFile(dir + "/file", "x");
    Library blocked(dir + "/file/Library");
    EXPECT_FALSE(blocked.load(&error));
    EXPECT_EQ(error, "cannot make the folder " + dir + "/file: Not a directory");
}

// A program killed while it saves (here SIGKILL at random moments, a few
// hundred times) leaves each remote file with either the old or the new
// list, never half of one, never empty.
TEST(LibraryFolder, SavesKilledAtRandomMomentsLeaveTheOldOrTheNewList)
{
    std::string dir = freshFolder("kill"), error;
    Remote a = sample(), b = sample();
    b.codes.resize(1);
    b.codes[0].note = std::string(20000, 'n');  // a long file: more moments to be killed in
    // The kills fall anywhere in the child's first save or just after it.
    auto start = std::chrono::steady_clock::now();
    {
        Library lib(dir);
        int id = 0;
        ASSERT_EQ(lib.create(a, &id).kind, Outcome::SAVED);
    }
    auto save = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    std::mt19937 random(12345);
    std::set<int> seen;
    for (int round = 0; round < 200; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        if (child == 0) {
            Library lib(dir);
            std::string why;
            if (!lib.load(&why) || lib.remotes().empty())
                _exit(3);
            if (write(ready[1], "r", 1) != 1)
                _exit(4);
            for (int i = 0;; ++i)
                lib.change(lib.remotes()[0].id, [&](Remote& r) {
                    r.codes = (i % 2 ? a : b).codes;
                    return std::string();
                });
        }
        char byte = 0;
        close(ready[1]);
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the saving child did not start";
        close(ready[0]);
        usleep(static_cast<useconds_t>(std::uniform_int_distribution<long>(0, 500 + save + save / 4)(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended by itself: " << WEXITSTATUS(status);
        Library lib(dir);
        ASSERT_TRUE(lib.load(&error)) << error;
        ASSERT_TRUE(lib.unreadable().empty()) << "round " << round << ": " << lib.unreadable()[0].error.reason;
        ASSERT_EQ(lib.remotes().size(), 1u);
        const Remote& r = lib.remotes()[0].remote;
        ASSERT_TRUE(r.codes == a.codes || r.codes == b.codes) << "round " << round;
        seen.insert(r.codes == a.codes);
    }
    EXPECT_EQ(seen.size(), 2u) << "the kills all fell on one list";
}

TEST(LibraryTool, ListGetAndAdd)
{
    std::string dir = freshFolder("cli"), file = dir + "/tv.json";
    auto run = [](std::vector<std::string> args, const std::string& input = "") {
        std::istringstream in(input);
        std::ostringstream out, err;
        int exit = pellwickir::run(args, in, out, err);
        return std::to_string(exit) + " " + out.str() + err.str();
    };
    const std::string vol = rendered("NEC1 D=4 F=16");
    struct { std::vector<std::string> args; std::string input, result; } cases[] = {
        {{"list", file}, "", "1 pellwick-ir: cannot read " + file + ": No such file or directory\n"},
        {{"add", file, "Power"}, std::string("\n  ") + codes::NEC1 + "\r\n", "0 "},
        {{"add", file, "Vol +", vol.substr(0, vol.find(' ', 200)), vol.substr(vol.find(' ', 200) + 1)}, "", "0 "},
        {{"add", file, "Bad", "0000", "006C"}, "", "2 pellwick-ir: not valid Pronto: only 2 words: a Pronto code has at least 6 (4 header words and a pair)\n"},
        {{"add", file, "", codes::RC5}, "", "2 pellwick-ir: name: a name cannot be empty\n"},
        {{"list", file}, "", "0 Power\tNEC1 D=12 S=34 F=56\nVol +\tNEC1 D=4 S=251 F=16\n"},
        {{"get", file, "Vol +"}, "", "0 " + vol + "\n"},
        {{"get", file, "Mute"}, "", "1 pellwick-ir: no code named \"Mute\" in " + file + "\n"},
        {{"get", file}, "", "2 pellwick-ir: get: missing arguments\nusage: pellwick-ir list REMOTE.json\n"},
    };
    for (const auto& c : cases) {
        std::string result = run(c.args, c.input);
        EXPECT_EQ(result.substr(0, c.result.size()), c.result) << c.args[0] << " " << c.args.back();
    }
    Library lib(dir);
    std::string error;
    ASSERT_TRUE(lib.load(&error) && lib.remotes().size() == 1) << error;
    EXPECT_EQ(lib.remotes()[0].remote.name, "tv");
    EXPECT_EQ(lib.remotes()[0].remote.codes[0].pronto, codes::NEC1) << "the text as given, without the line ends";
    writeFile(file, "{\"format\": 1}");
    EXPECT_EQ(run({"add", file, "x", codes::RC5}),
              "2 pellwick-ir: tv.json line 1: not a Pellwick remote: its format is 1, not \"pellwick-remote\"\n");
    EXPECT_EQ(readAll(file), "{\"format\": 1}");
}
