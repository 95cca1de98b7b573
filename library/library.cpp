#include "library/library.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "library/fsio.h"

namespace library {

namespace {

std::string lowerAscii(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool reservedDeviceName(const std::string& base)
{
    // Windows keeps these names for devices, with any extension and with
    // blanks before it: "con.json" and "COM1 .json" are no files.
    std::string stem = base.substr(0, base.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const RESERVED[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* r : RESERVED)
        if (stem == r)
            return true;
    if (stem.size() >= 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)) {
        std::string digit = stem.substr(3);
        // 0 to 9, and the superscript digits 1, 2 and 3 in UTF-8.
        return (digit.size() == 1 && std::isdigit(static_cast<unsigned char>(digit[0]))) || digit == "\xC2\xB9" ||
               digit == "\xC2\xB2" || digit == "\xC2\xB3";
    }
    return false;
}

Outcome refused(const std::string& why)
{
    Outcome o;
    o.kind = Outcome::REFUSED;
    o.message = why;
    return o;
}

// Finds the code a change names: at its place, or where the file now
// holds it.
long findCode(const Remote& r, size_t index, const Code& expected)
{
    if (index < r.codes.size() && r.codes[index].name == expected.name && r.codes[index].pronto == expected.pronto)
        return static_cast<long>(index);
    for (size_t i = 0; i < r.codes.size(); ++i)
        if (r.codes[i].name == expected.name && r.codes[i].pronto == expected.pronto)
            return static_cast<long>(i);
    return -1;
}

std::string gone(const Code& c)
{
    return "\"" + c.name + "\" is no longer in the remote (another program changed it)";
}

std::string remoteProblem(const Remote& remote)
{
    std::string problem = nameProblem(remote.name);
    if (!problem.empty())
        return "the remote's name: " + problem;
    for (size_t i = 0; i < remote.codes.size(); ++i) {
        problem = codeProblem(remote.codes[i]);
        if (!problem.empty())
            return "code " + std::to_string(i + 1) + " (\"" + remote.codes[i].name + "\"): " + problem;
    }
    return std::string();
}

}  // namespace

std::string fileNameFor(std::string_view name, const std::function<bool(const std::string&)>& taken)
{
    const size_t MOST = 60;
    bool utf8 = isUtf8(name);
    std::string base;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        bool bad = u < 0x20 || u == 0x7F || (u >= 0x80 && !utf8) || std::string("<>:\"/\\|?*").find(c) != std::string::npos;
        base += bad ? '_' : c;
    }
    auto trimEnd = [&] {
        while (!base.empty() && (base.back() == ' ' || base.back() == '.'))
            base.pop_back();
    };
    base.erase(0, std::min(base.find_first_not_of(' '), base.size()));
    if (base.size() > MOST) {
        size_t cut = MOST;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut;  // never inside a character
        base.resize(cut);
    }
    trimEnd();
    if (!base.empty() && base[0] == '.')
        base[0] = '_';  // no hidden file, no "..", and never one of the library's own files
    if (base.empty())
        base = "remote";
    if (reservedDeviceName(base))
        base = "_" + base;
    std::string candidate = base + ".json";
    for (int n = 2; taken(candidate); ++n)
        candidate = base + " (" + std::to_string(n) + ").json";
    return candidate;
}

Outcome changeFile(const std::string& folder, const std::string& file, const std::string& name,
                   const std::function<std::string(Remote&)>& change)
{
    fsio::FolderLock lock;
    std::string why, bytes;
    if (!lock.acquire(folder, 3000, &why))
        return refused(why);
    bool missing = false;
    Remote remote;
    remote.name = name;
    if (!fsio::readFile(fsio::join(folder, file), &bytes, &why, &missing) && !missing)
        return refused(why);
    ReadError problem;
    if (!missing && !readRemote(bytes, &remote, &problem))
        return refused(file + (problem.line ? " line " + std::to_string(problem.line) : std::string()) + ": " +
                       problem.reason);
    std::string refusal = change(remote);
    if (!refusal.empty())
        return refused(refusal);
    if (!fsio::writeAtomic(folder, file, writeRemote(remote), &why))
        return refused(why);
    return Outcome();
}

// ---------------------------------------------------------------------------

Library::Library(std::string folder, int lockTimeoutMs) : folder_(std::move(folder)), lockTimeoutMs_(lockTimeoutMs) {}

bool Library::load(std::string* error, bool namesFirst)
{
    entries_.clear();
    unreadable_.clear();
    std::vector<std::string> files;
    if (!fsio::makeFolder(folder_, error) || !fsio::listJson(folder_, &files, error))
        return false;
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        std::string bytes, why;
        Entry e;
        ReadError problem;
        if (!fsio::readFile(fsio::join(folder_, file), &bytes, &why)) {
            unreadable_.push_back({file, {why, 0}});
            continue;
        }
        // A head the names' reader refuses is read whole: in a file that
        // gives a field twice, the whole reading takes the last.
        bool named = namesFirst && readRemoteName(bytes, &e.remote.name, &problem);
        if (!named && !readRemote(bytes, &e.remote, &problem)) {
            unreadable_.push_back({file, problem});
            continue;
        }
        e.id = nextId_++;
        e.file = file;
        e.onDisk = true;
        if (named) {
            e.whole = false;
            e.unread = std::move(bytes);
        } else {
            e.diskPrint = fingerprint(bytes);
        }
        entries_.push_back(std::move(e));
    }
    sort();
    return true;
}

const Library::Entry* Library::find(int id) const
{
    for (const Entry& e : entries_)
        if (e.id == id)
            return &e;
    return nullptr;
}

Library::Entry* Library::entry(int id)
{
    return const_cast<Entry*>(find(id));
}

bool Library::before(const Entry& a, const Entry& b)
{
    std::string la = lowerAscii(a.remote.name), lb = lowerAscii(b.remote.name);
    return la != lb ? la < lb : a.remote.name != b.remote.name ? a.remote.name < b.remote.name : a.file < b.file;
}

void Library::sort()
{
    std::stable_sort(entries_.begin(), entries_.end(), before);
}

std::string Library::uniqueName(const std::string& name) const
{
    std::unordered_set<std::string> used;
    for (const Entry& e : entries_)
        used.insert(lowerAscii(e.remote.name));
    std::string candidate = name;
    for (int n = 2; used.count(lowerAscii(candidate)); ++n)
        candidate = name + " (" + std::to_string(n) + ")";
    return candidate;
}

bool Library::taken(const std::string& file, const Entry* except) const
{
    std::string lower = lowerAscii(file);
    for (const Entry& e : entries_)
        if (&e != except && lowerAscii(e.file) == lower)
            return true;
    for (const Unreadable& u : unreadable_)
        if (lowerAscii(u.file) == lower)
            return true;
    // Another program's new file, or one that differs only in a case the
    // file system ignores.
    return (!except || lowerAscii(except->file) != lower) && fsio::exists(fsio::join(folder_, file));
}

void Library::dropEntry(int id)
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; }),
                   entries_.end());
}

bool Library::readWhole(Entry& e, Outcome* out)
{
    if (e.whole)
        return true;
    Remote remote;
    ReadError problem;
    if (!readRemote(e.unread, &remote, &problem)) {
        *out = refused(e.file + (problem.line ? " line " + std::to_string(problem.line) : std::string()) + ": " +
                       problem.reason + ". Pellwick leaves the file as it is");
        unreadable_.push_back({e.file, problem});
        dropEntry(e.id);
        return false;
    }
    e.diskPrint = fingerprint(e.unread);
    // A file that gives its name twice is listed by the first and named by
    // the last, as the whole reading takes it: its place in the list changes.
    out->reloaded = out->reloaded || e.remote.name != remote.name;
    e.remote = std::move(remote);
    e.whole = true;
    std::string().swap(e.unread);
    return true;
}

bool Library::readWhole(int id)
{
    Entry* e = entry(id);
    Outcome out;
    bool whole = e && readWhole(*e, &out);
    if (out.reloaded)
        sort();
    return whole;
}

bool Library::readMore(size_t bytes)
{
    size_t done = 0;
    bool renamed = false;
    for (size_t i = 0; i < entries_.size() && done < bytes;) {
        if (entries_[i].whole) {
            ++i;
            continue;
        }
        done += entries_[i].unread.size();
        Outcome out;
        if (readWhole(entries_[i], &out))
            ++i;  // else it is gone, and the next one is at i
        renamed = renamed || out.reloaded;
    }
    if (renamed)
        sort();
    return allWhole();
}

bool Library::allWhole() const
{
    for (const Entry& e : entries_)
        if (!e.whole)
            return false;
    return true;
}

bool Library::catchUp(Entry& e, Outcome* out)
{
    if (!e.onDisk)
        return true;
    std::string bytes, why;
    bool missing = false;
    if (!fsio::readFile(fsio::join(folder_, e.file), &bytes, &why, &missing)) {
        *out = refused(missing ? "the remote's file " + e.file + " was deleted by another program" : why);
        if (missing)
            dropEntry(e.id);
        return false;
    }
    // A remote listed by its name only is read whole from what the file
    // holds now.
    if (!e.whole && bytes == e.unread)
        return readWhole(e, out);
    uint64_t print = fingerprint(bytes);
    if (e.whole && print == e.diskPrint)
        return true;
    Remote now;
    ReadError problem;
    if (!readRemote(bytes, &now, &problem)) {
        // Never written over: the file is listed as unreadable from now on.
        *out = refused("another program changed " + e.file + " and it cannot be read now: " + problem.reason);
        unreadable_.push_back({e.file, problem});
        dropEntry(e.id);
        return false;
    }
    // The changes not yet on disk go onto what the file holds now; one
    // that no longer finds its code is dropped.
    std::vector<Change> kept;
    for (const Change& c : e.queued)
        if (c(now).empty())
            kept.push_back(c);
    e.queued = kept;
    e.dirty = !kept.empty();
    e.remote = std::move(now);
    e.diskPrint = print;
    e.whole = true;
    std::string().swap(e.unread);
    out->reloaded = true;
    return true;
}

bool Library::write(Entry& e, std::string* error, bool followName)
{
    if (!e.onDisk) {
        // A new remote: its name is chosen now, under the lock, so that it
        // takes no other program's new file.
        e.file = fileNameFor(e.remote.name, [&](const std::string& f) { return taken(f, &e); });
    }
    std::string bytes = writeRemote(e.remote);
    if (!fsio::writeAtomic(folder_, e.file, bytes, error))
        return false;
    e.onDisk = true;
    e.dirty = false;
    e.queued.clear();
    e.diskPrint = fingerprint(bytes);
    // A renamed remote's file follows its name when it can; when it cannot,
    // the old file name serves as well. Other files keep their names, which
    // scripts may know them by.
    if (!followName)
        return true;
    std::string wanted = fileNameFor(e.remote.name, [&](const std::string& f) { return taken(f, &e); });
    if (lowerAscii(wanted) != lowerAscii(e.file) && fsio::renameNew(folder_, e.file, wanted, nullptr))
        e.file = wanted;
    return true;
}

Outcome Library::create(const Remote& remote, int* id)
{
    std::string problem = remoteProblem(remote);
    if (!problem.empty())
        return refused(problem);
    Entry e;
    e.id = nextId_++;
    e.remote = remote;
    e.dirty = true;
    if (id)
        *id = e.id;
    Outcome out;
    fsio::FolderLock lock;
    std::string why;
    if (!lock.acquire(folder_, lockTimeoutMs_, &why) || !write(e, &why, false)) {
        out.kind = Outcome::PENDING;
        out.message = why;
    }
    // In its place: a sort of every remote for each one an import adds
    // would cost more than the write.
    entries_.insert(std::upper_bound(entries_.begin(), entries_.end(), e, before), std::move(e));
    return out;
}

Outcome Library::change(int id, const Change& change)
{
    Entry* e = entry(id);
    if (!e)
        return refused("the remote is no longer in the library");
    Outcome out;
    fsio::FolderLock lock;
    std::string why;
    bool locked = lock.acquire(folder_, lockTimeoutMs_, &why);
    if (locked ? !catchUp(*e, &out) : !readWhole(*e, &out))
        return out;
    Remote next = e->remote;
    std::string problem = change(next);
    if (!problem.empty()) {
        Outcome no = refused(problem);
        no.reloaded = out.reloaded;
        return no;
    }
    Remote before = e->remote;
    e->remote = next;
    if (!locked || !write(*e, &why, before.name != next.name)) {
        e->queued.push_back(change);
        e->dirty = true;
        out.kind = Outcome::PENDING;
        out.message = why;
    }
    if (before.name != next.name || out.reloaded)
        sort();
    return out;
}

Outcome Library::remove(int id)
{
    Entry* e = entry(id);
    if (!e)
        return refused("the remote is no longer in the library");
    fsio::FolderLock lock;
    std::string why;
    Outcome out;
    if (e->onDisk) {
        if (!lock.acquire(folder_, lockTimeoutMs_, &why))
            return refused(why);
        if (!catchUp(*e, &out))
            return out;
        if (out.reloaded)
            return refused("another program changed " + e->file + ": it has been read again, delete it again if you still want to");
        if (!fsio::removeFile(fsio::join(folder_, e->file), &why))
            return refused(why);
    }
    dropEntry(id);
    return out;
}

bool Library::dirty() const
{
    for (const Entry& e : entries_)
        if (e.dirty)
            return true;
    return false;
}

bool Library::retry(std::string* error)
{
    if (!dirty())
        return true;
    fsio::FolderLock lock;
    if (!lock.acquire(folder_, lockTimeoutMs_, error))
        return false;
    std::vector<int> ids;
    for (const Entry& e : entries_)
        if (e.dirty)
            ids.push_back(e.id);
    bool all = true;
    for (int id : ids) {
        Entry* e = entry(id);
        Outcome out;
        if (!e || !catchUp(*e, &out)) {
            if (error && !out.message.empty())
                *error = out.message;
            continue;
        }
        if (e->dirty && !write(*e, error, false))
            all = false;
    }
    sort();
    return all && !dirty();
}

bool Library::refresh(int id)
{
    Entry* e = entry(id);
    if (!e || !e->onDisk)
        return false;
    Outcome out;
    bool stays = catchUp(*e, &out);
    if (stays && out.reloaded)
        sort();
    return !stays || out.reloaded;
}

// ---------------------------------------------------------------------------

Change Library::addCode(Code code, size_t at)
{
    return [code, at](Remote& r) {
        std::string problem = codeProblem(code);
        if (!problem.empty())
            return problem;
        r.codes.insert(r.codes.begin() + static_cast<long>(std::min(at, r.codes.size())), code);
        return std::string();
    };
}

Change Library::renameCode(size_t index, const Code& expected, std::string name)
{
    return [index, expected, name](Remote& r) {
        std::string problem = nameProblem(name);
        if (!problem.empty())
            return problem;
        long i = findCode(r, index, expected);
        if (i < 0)
            return gone(expected);
        r.codes[static_cast<size_t>(i)].name = name;
        return std::string();
    };
}

Change Library::removeCode(size_t index, const Code& expected)
{
    return [index, expected](Remote& r) {
        long i = findCode(r, index, expected);
        if (i < 0)
            return gone(expected);
        r.codes.erase(r.codes.begin() + i);
        return std::string();
    };
}

Change Library::moveCode(size_t index, const Code& expected, int by)
{
    return [index, expected, by](Remote& r) {
        long i = findCode(r, index, expected);
        if (i < 0)
            return gone(expected);
        long to = i + by;
        if (to < 0 || to >= static_cast<long>(r.codes.size()))
            return std::string("\"" + expected.name + "\" is at the " + (by < 0 ? "top" : "bottom") + " already");
        std::swap(r.codes[static_cast<size_t>(i)], r.codes[static_cast<size_t>(to)]);
        return std::string();
    };
}

Change Library::renameRemote(std::string name)
{
    return [name](Remote& r) {
        std::string problem = nameProblem(name);
        if (!problem.empty())
            return problem;
        r.name = name;
        return std::string();
    };
}

}  // namespace library
