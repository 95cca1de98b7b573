// Other programs' code files in and out of the code library: an import
// reads files (LIRC, Flipper, Broadlink, SmartIR, sendir, Pronto lists,
// CSV, or remote files of another library) into remotes and writes them
// into the library, all or nothing; an export writes remotes in a format.
//
// Portable: the library window runs the reading on a worker thread and
// the writing a remote at a time between its messages; the host tests run
// both directly.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ir/formats/formats.h"
#include "library/library.h"

namespace library {

// A file that cannot be a code file is refused before it is read.
const unsigned long long MOST_CODE_FILE_BYTES = 16ull * 1024 * 1024;

// One file read for an import: the remotes it brings (each with at least
// one code the library can take) and what did not come in.
struct FileToImport {
    std::string file;    // as the summary names it
    std::string format;  // the format's title
    std::vector<Remote> remotes;
    std::vector<ir::formats::Problem> skipped;  // entries left out, each with its line and reason
    std::vector<ir::formats::Problem> lost;     // what the codes cannot hold
    std::string refused;                        // nothing came in: why
};

// A file's content as remotes: a remote file of the library's own format
// as it is, any other through the formats core (the format found from the
// content). A remote is named after the file when the file names none the
// library can take.
FileToImport readCodeFile(std::string_view content, const std::string& file);

// The files chosen, read one after another: paths to read them by, shown
// to name them in the summary. progress(done, total) is told before each
// file; when it returns false the reading stops, *cancelled is set and
// nothing is returned.
std::vector<FileToImport> readCodeFiles(const std::vector<std::string>& paths, const std::vector<std::string>& shown,
                                        const std::function<bool(size_t, size_t)>& progress, bool* cancelled);

// The files of a folder and of its folders, for an import of a whole
// collection: their paths and, in *shown, their paths inside the folder.
bool codeFilesIn(const std::string& folder, std::vector<std::string>* paths, std::vector<std::string>* shown,
                 std::string* error);

// The remotes of an import written into a library one at a time, so that
// a window can show progress and take the user's input between them.
// All or nothing: when it is cancelled, or the library cannot take a
// remote, every remote it wrote is taken out again. Names taken by other
// remotes get " (2)", " (3)"...; no remote of the library is ever changed.
class Import {
public:
    enum State { WRITING, DONE, CANCELLED, FAILED };

    Import(Library* library, std::vector<FileToImport> files);
    State state() const { return state_; }
    size_t total() const { return plan_.size(); }
    size_t written() const { return ids_.size(); }
    // Writes the next remote; false once the import is no longer WRITING.
    bool step();
    // Takes out again every remote written so far (CANCELLED).
    void cancel();
    // The remotes written, by the ids the library gave them.
    const std::vector<int>& ids() const { return ids_; }
    // The first line says what came in in all; then each file with the
    // remotes it became, each entry skipped with its line and reason, and
    // what a format could not hold.
    std::string summary() const;
    // The first line of the summary.
    std::string outcome() const;

private:
    struct Planned {
        size_t file;
        Remote remote;
        std::string wanted;  // the remote's name in the file, when it had to change
    };
    void takeBack(State state);

    Library* library_;
    std::vector<FileToImport> files_;
    std::vector<Planned> plan_;
    std::vector<int> ids_;
    std::vector<std::string> notTakenBack_;  // remotes another program changed meanwhile
    State state_ = WRITING;
    std::string failure_;
};

// Remotes written in a format: the file's text, what could not be written
// and what the format cannot hold.
ir::formats::Exported exportRemotes(const std::vector<Remote>& remotes, ir::formats::Format format);

// Why a file's content is no code file Pellwick reads (so that replacing
// it would lose what it holds); empty when it is one.
std::string notACodeFile(std::string_view content, const std::string& file);

}  // namespace library
