// The code library: a folder of remote files (remote.h), loaded as a whole
// and changed a remote at a time. Every change is on disk, written
// atomically, before it is reported done; a file another program changed
// since it was read is read again first and the change applied to what it
// holds now; a file that cannot be read is listed with its reason and never
// written, renamed or deleted.
//
// Two programs (two Pellwicks, Pellwick and pellwick-ir) never write the
// folder at once: every write happens under the folder's lock (fsio.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "library/remote.h"

namespace library {

// A safe file name for a remote of this name: the name itself as far as it
// can be ("Living room TV.json"), with characters no file name may hold
// replaced, no reserved device name, no leading dot, at most 60 bytes before
// ".json", and " (2)", " (3)"... added while `taken` says the name is used.
std::string fileNameFor(std::string_view name, const std::function<bool(const std::string&)>& taken);

// A file of the folder that cannot be read, and why.
struct Unreadable {
    std::string file;
    ReadError error;
};

// How a change went. SAVED: on disk. PENDING: applied in memory only, the
// folder cannot be written now (message says why); retry() saves it later.
// REFUSED: nothing changed (message says why).
struct Outcome {
    enum Kind { SAVED, PENDING, REFUSED };
    Kind kind = SAVED;
    std::string message;
    bool reloaded = false;  // another program had changed the file: it was read again first
    bool applied() const { return kind != REFUSED; }
};

// A change to one remote: it changes the remote given, or says why it no
// longer can (the code it names is not there any more) and changes nothing.
using Change = std::function<std::string(Remote&)>;

// One remote file changed on its own (the command line's way): under the
// folder's lock, read, changed and written atomically; made, as a remote
// named `name`, when it does not exist. Refused when the file cannot be read
// (it is left as it is) or the change does not apply.
Outcome changeFile(const std::string& folder, const std::string& file, const std::string& name,
                   const Change& change);

class Library {
public:
    struct Entry {
        int id = 0;         // stable for the life of the Library
        std::string file;   // in the folder
        Remote remote;      // as shown: as on disk, with any pending changes
        bool onDisk = false;
        bool dirty = false;  // changes not yet on disk
        uint64_t diskPrint = 0;  // fingerprint of the file as last read or written
        std::vector<Change> queued;  // the pending changes, to apply again after a reload
        // False while only the remote's name has been read (load's
        // namesFirst): its codes are read, and checked, from `unread`, the
        // file's bytes as read, when first needed.
        bool whole = true;
        std::string unread;
    };

    explicit Library(std::string folder, int lockTimeoutMs = 3000);
    const std::string& folder() const { return folder_; }

    // Reads every remote in the folder, made first when it is missing.
    // False, with the reason, when the folder cannot be made or read. With
    // namesFirst, each file is read but only its name is looked at: the
    // window lists a large library at once and reads its codes as it needs
    // them (readWhole) or has time (readMore). A file whose codes turn out
    // not to be readable then moves to unreadable().
    bool load(std::string* error, bool namesFirst = false);
    // Reads the remote's codes when only its name has been read; false when
    // the remote is not there or its file cannot be read after all.
    bool readWhole(int id);
    // Reads whole the next remotes that are not, about `bytes` of their
    // files; true when every remote is whole.
    bool readMore(size_t bytes);
    bool allWhole() const;

    // Sorted by name (letters of any case together).
    const std::vector<Entry>& remotes() const { return entries_; }
    const std::vector<Unreadable>& unreadable() const { return unreadable_; }
    const Entry* find(int id) const;

    // The name itself when no remote has it (in any case of its letters),
    // else the name with " (2)", " (3)"... after it.
    std::string uniqueName(const std::string& name) const;

    // A new remote with all its codes in one write: all or nothing (a code
    // that cannot go into a remote refuses the whole remote).
    Outcome create(const Remote& remote, int* id);
    Outcome change(int id, const Change& change);
    // Deletes the remote's file; refused when the file changed since it
    // was read (it is read again, so that the user sees what they delete).
    Outcome remove(int id);
    // Saves again what could not be saved; true when nothing is left unsaved.
    bool retry(std::string* error);
    bool dirty() const;
    // Reads the remote's file again when another program changed or deleted
    // it; true when the remote shown changed.
    bool refresh(int id);

    // Changes in the window's terms. A code is named by its place and what
    // it holds: when the file was changed meanwhile, the change finds it by
    // what it holds.
    static Change addCode(Code code, size_t at);
    static Change renameCode(size_t index, const Code& expected, std::string name);
    static Change removeCode(size_t index, const Code& expected);
    static Change moveCode(size_t index, const Code& expected, int by);
    static Change renameRemote(std::string name);

private:
    Entry* entry(int id);
    bool taken(const std::string& file, const Entry* except) const;
    void sort();
    static bool before(const Entry& a, const Entry& b);
    // Brings e up to date with its file (under the lock): false, with the
    // outcome, when the change cannot go on.
    bool catchUp(Entry& e, Outcome* out);
    // Reads e's codes from the bytes its name was read from: false, with
    // the outcome, when they cannot be read (e is then gone).
    bool readWhole(Entry& e, Outcome* out);
    // Writes e (its remote is what it should hold); with followName, the
    // file is renamed after the remote's new name.
    bool write(Entry& e, std::string* error, bool followName);
    void dropEntry(int id);

    std::string folder_;
    int lockTimeoutMs_;
    int nextId_ = 1;
    std::vector<Entry> entries_;
    std::vector<Unreadable> unreadable_;
};

}  // namespace library
