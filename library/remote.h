// The code library's model and its file format: a remote is one UTF-8 JSON
// file holding an ordered list of codes, each a name, its Pronto text (kept
// exactly as learnt or typed) and an optional note. docs/library-format.md
// describes the format.
//
// Portable C++17 with no platform headers, so that the host unit tests and
// the fuzzer reach it; the JSON is read and written by nlohmann/json.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace library {

// The format's name and the version this program writes. A file of a later
// minor version is read (the fields it adds are kept); a later major
// version is refused.
extern const char FORMAT_NAME[];
const int FORMAT_MAJOR = 1;
const int FORMAT_MINOR = 0;

struct Code {
    std::string name;    // any Unicode text, UTF-8, never empty
    std::string pronto;  // exactly as learnt or typed: never re-rendered
    std::string note;    // optional
    std::string extra;   // fields this program does not know, as a JSON object's text; empty for none

    bool operator==(const Code& o) const
    {
        return name == o.name && pronto == o.pronto && note == o.note && extra == o.extra;
    }
};

struct Remote {
    std::string name;
    std::vector<Code> codes;
    int minor = FORMAT_MINOR;  // the file's minor version, when later than ours
    std::string extra;         // fields this program does not know, as above

    bool operator==(const Remote& o) const
    {
        return name == o.name && codes == o.codes && minor == o.minor && extra == o.extra;
    }
};

// Why a file cannot be read, and where: line 0 when the reason concerns the
// file as a whole.
struct ReadError {
    std::string reason;
    int line = 0;
};

// Reads a remote file. False, with the reason and the line, for anything
// that is not a whole remote of this format: not JSON, not an object, a
// wrong format name, a missing or later major version, a code without a
// name or with text that is not valid Pronto.
bool readRemote(std::string_view bytes, Remote* remote, ReadError* error);

// Reads only what names a remote file: its format, version and name, with
// the reasons readRemote gives for what is wrong with them. It reads no
// further than those three fields (a file that Pellwick wrote has them
// first), so that a folder of remotes is listed long before its codes
// are read and checked.
bool readRemoteName(std::string_view bytes, std::string* name, ReadError* error);

// The file's bytes: the format name and version first, then the remote's
// name, the fields it does not know, and its codes, one object each.
std::string writeRemote(const Remote& remote);

// Why this code cannot go into a remote (an empty name, text that is not
// UTF-8, text that is not valid Pronto); empty when it can.
std::string codeProblem(const Code& code);
// Why this cannot be a remote's or a code's name; empty when it can.
std::string nameProblem(std::string_view name);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(std::string_view bytes);

// FNV-1a of a file's bytes: tells whether a file changed since it was read.
uint64_t fingerprint(std::string_view bytes);

// ---------------------------------------------------------------------------
// What the window and the command line show of a code.

struct Description {
    bool valid = false;
    std::string decode;     // "NEC1 D=4 S=251 F=8", "unknown", or why it is not Pronto
    double lengthMs = 0;    // the once part, or the repeat part when there is none
    std::string sameAs;     // filled by markSameCodes
};

Description describe(std::string_view pronto);

// Marks every entry whose code is the same as an earlier or later one's in
// the same list (the same decode, or for unknown codes the same words) with
// the name of the first other entry: a double-pressed button shows at once.
void markSameCodes(const std::vector<Code>& codes, std::vector<Description>* descriptions);

// The length as the list shows it: "108.5".
std::string lengthText(double ms);

}  // namespace library
