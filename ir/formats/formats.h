// Other programs' code files, read into remotes of named Pronto codes and
// written back from them: LIRC lircd.conf, Flipper Zero .ir, Broadlink
// packets and SmartIR JSON, Global Cache sendir lines, plain Pronto lists
// and CSV. docs/formats.md describes each format and what it loses.
//
// Portable C++17 with no platform headers: the library window, the
// command-line tool's convert command, the unit tests and the fuzzers call
// it. It never touches a file: the caller reads and writes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ir/ir.h"

namespace ir {
namespace formats {

enum class Format { Unknown, Lirc, Flipper, Broadlink, SmartIr, Sendir, Pronto, Csv };

struct FormatInfo {
    Format format;
    const char* name;       // as the command line writes it: "lirc", "flipper", ...
    const char* title;      // as a menu or a summary writes it: "LIRC lircd.conf"
    const char* extension;  // a file name's usual ending: ".lircd.conf", ".ir", ...
};

// Every format, in a fixed order (the command line's and the menus').
const std::vector<FormatInfo>& formatList();
const FormatInfo& formatInfo(Format format);
// The format of this name, in any case; Unknown for none.
Format formatByName(std::string_view name);

struct Code {
    std::string name;    // UTF-8, as the file wrote it
    std::string pronto;  // four upper-case hex digits a word, one blank apart
    std::string note;    // what the file said of this code beyond its signal
};

struct Remote {
    std::string name;
    std::vector<Code> codes;
};

// An entry that did not come in, or something the file said that the codes
// cannot hold.
struct Problem {
    size_t line = 0;     // 1-based; 0 when the file has no lines for it (JSON) or for the whole file
    std::string entry;   // the code's or the remote's name, when known
    std::string reason;
};

// "line 14: KEY_X: 0x1FFFF has more than 16 bits"
std::string problemText(const Problem& problem);

struct Imported {
    Format format = Format::Unknown;
    std::vector<Remote> remotes;
    std::vector<Problem> skipped;  // entries that did not come in, each whole
    std::vector<Problem> lost;     // what Pronto cannot hold, one line per kind
    std::string refused;           // not of the format at all: why; nothing came in

    size_t codeCount() const;
};

// The format of a file's content; the file name is a hint for content that
// tells nothing (an empty list). Unknown when neither tells.
Format detect(std::string_view content, std::string_view fileName = {});

// Reads a file's content as this format, or as the format its content
// shows (Unknown). fileName names the remote where the format has no name
// of its own (its name without folder and extension).
Imported importText(std::string_view content, Format format = Format::Unknown,
                    std::string_view fileName = {});

// "remote.ir (Flipper .ir): 12 codes in 1 remote, 2 skipped" and then one
// line per skipped entry and per loss, LF-separated.
std::string summary(const Imported& imported, std::string_view fileName);

struct Exported {
    std::string text;              // the file's content
    std::vector<Problem> skipped;  // codes that could not be written (line 0)
    std::vector<Problem> lost;     // what the format cannot hold of those written
};

// Writes remotes in a format. LIRC holds several remotes in one file; the
// other formats hold codes only, so with several remotes each code's name
// gets its remote's name in front ("TV/Power").
Exported exportRemotes(const std::vector<Remote>& remotes, Format format);

// One code in any form a user pastes: Pronto hex, a Broadlink packet
// (base64 or hex) or a sendir line. False with a reason otherwise.
bool parseAnyCode(std::string_view text, Signal* signal, std::string* error);

// ---------------------------------------------------------------------------
// A collection: many files imported in one go, with progress and a way to
// stop. The caller reads the files (paths are its business); the core only
// turns their contents into remotes.

struct FileImport {
    std::string fileName;
    Imported imported;
};

struct Batch {
    std::vector<FileImport> files;
    bool cancelled = false;  // the progress callback said stop: files holds those done before
};

// Reads one file's content; false with a reason when it cannot be read.
using ReadFile = std::function<bool(const std::string& fileName, std::string* content, std::string* error)>;
// Told before each file (done of total so far); returns false to stop.
using Progress = std::function<bool(size_t done, size_t total, const std::string& fileName)>;

// Imports each file with the format its content shows. A file that cannot
// be read is an Imported with that reason as its refusal. A caller that
// must leave nothing half-done on a stop drops the whole Batch.
Batch importFiles(const std::vector<std::string>& fileNames, const ReadFile& read, const Progress& progress);

}  // namespace formats
}  // namespace ir
