#include "library/transfer.h"

#include <algorithm>

#include "library/fsio.h"

namespace library {

namespace fmt = ir::formats;

namespace {

// "Living room.lircd.conf" in "TVs/Living room.lircd.conf": "Living room".
std::string stemOf(const std::string& file)
{
    std::string name = file.substr(file.find_last_of("/\\") + 1);
    for (const char* ending : {".lircd.conf", ".conf", ".ir", ".json", ".txt", ".csv"}) {
        size_t n = std::char_traits<char>::length(ending);
        if (name.size() > n && name.compare(name.size() - n, n, ending) == 0)
            return name.substr(0, name.size() - n);
    }
    return name.substr(0, std::min(name.size(), name.find_last_of('.')));
}

// A remote file of a library: a JSON object that names the library's format.
bool ownFormat(std::string_view content)
{
    size_t first = content.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    return first != std::string_view::npos && content[first] == '{' &&
           content.find(std::string("\"") + FORMAT_NAME + "\"") != std::string_view::npos;
}

std::string count(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

FileToImport readCodeFile(std::string_view content, const std::string& file)
{
    FileToImport out;
    out.file = file;
    if (ownFormat(content)) {
        Remote remote;
        ReadError why;
        out.format = "Pellwick remote";
        if (readRemote(content, &remote, &why))
            out.remotes.push_back(std::move(remote));
        else
            out.refused = "a Pellwick remote file that cannot be read: " +
                          (why.line ? "line " + std::to_string(why.line) + ": " : std::string()) + why.reason;
        return out;
    }
    fmt::Imported in = fmt::importText(content, fmt::Format::Unknown, file);
    if (!in.refused.empty()) {
        out.refused = in.refused;
        return out;
    }
    out.format = fmt::formatInfo(in.format).title;
    out.skipped = std::move(in.skipped);
    out.lost = std::move(in.lost);
    std::string stem = stemOf(file);
    for (const fmt::Remote& r : in.remotes) {
        Remote remote;
        remote.name = nameProblem(r.name).empty() ? r.name : nameProblem(stem).empty() ? stem : "Imported codes";
        for (const fmt::Code& c : r.codes) {
            Code code{c.name, c.pronto, c.note, ""};
            std::string problem = codeProblem(code);
            if (problem.empty())
                remote.codes.push_back(std::move(code));
            else
                out.skipped.push_back({0, c.name, problem});
        }
        if (!remote.codes.empty())
            out.remotes.push_back(std::move(remote));
    }
    return out;
}

std::vector<FileToImport> readCodeFiles(const std::vector<std::string>& paths, const std::vector<std::string>& shown,
                                        const std::function<bool(size_t, size_t)>& progress, bool* cancelled)
{
    std::vector<FileToImport> files;
    *cancelled = false;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (progress && !progress(i, paths.size())) {
            *cancelled = true;
            return {};
        }
        const std::string& name = i < shown.size() ? shown[i] : paths[i];
        unsigned long long size = 0;
        std::string content, why;
        if (fsio::fileSize(paths[i], &size) && size > MOST_CODE_FILE_BYTES) {
            files.push_back(FileToImport());
            files.back().file = name;
            files.back().refused = "the file is " + std::to_string(size / (1024 * 1024)) +
                                   " MB; a code file is far smaller (Pellwick reads up to 16 MB)";
        } else if (!fsio::readFile(paths[i], &content, &why)) {
            files.push_back(FileToImport());
            files.back().file = name;
            files.back().refused = why;
        } else {
            files.push_back(readCodeFile(content, name));
        }
    }
    if (progress)
        progress(paths.size(), paths.size());
    return files;
}

bool codeFilesIn(const std::string& folder, std::vector<std::string>* paths, std::vector<std::string>* shown,
                 std::string* error)
{
    std::vector<std::string> inside;
    if (!fsio::listTree(folder, &inside, error))
        return false;
    std::sort(inside.begin(), inside.end());
    paths->clear();
    for (const std::string& file : inside)
        paths->push_back(fsio::join(folder, file));
    *shown = std::move(inside);
    return true;
}

// ---------------------------------------------------------------------------

Import::Import(Library* library, std::vector<FileToImport> files) : library_(library), files_(std::move(files))
{
    for (size_t f = 0; f < files_.size(); ++f)
        for (const Remote& r : files_[f].remotes)
            plan_.push_back({f, r, ""});
    if (plan_.empty())
        state_ = DONE;
}

bool Import::step()
{
    if (state_ != WRITING)
        return false;
    Planned& p = plan_[ids_.size()];
    std::string name = library_->uniqueName(p.remote.name);
    if (name != p.remote.name) {
        p.wanted = p.remote.name;
        p.remote.name = name;
    }
    int id = 0;
    Outcome o = library_->create(p.remote, &id);
    if (o.kind != Outcome::SAVED) {
        if (o.kind == Outcome::PENDING)
            library_->remove(id);  // never on disk: it only leaves the window
        failure_ = "\"" + p.remote.name + "\" cannot be written: " + o.message;
        takeBack(FAILED);
        return false;
    }
    ids_.push_back(id);
    if (ids_.size() == plan_.size())
        state_ = DONE;
    return state_ == WRITING;
}

void Import::cancel()
{
    if (state_ == WRITING)
        takeBack(CANCELLED);
}

void Import::takeBack(State state)
{
    for (size_t i = ids_.size(); i-- > 0;) {
        const Library::Entry* e = library_->find(ids_[i]);
        std::string name = e ? e->remote.name : std::string();
        Outcome o = library_->remove(ids_[i]);
        if (!o.applied())
            notTakenBack_.push_back("\"" + name + "\" stays: " + o.message);
    }
    failure_ += failure_.empty() || ids_.empty() ? "" : ". The " + count(ids_.size(), "remote", "remotes") +
                                                          " written before were taken out again";
    ids_.clear();
    state_ = state;
}

std::string Import::outcome() const
{
    size_t codes = 0, skipped = 0, refused = 0;
    for (const Planned& p : plan_)
        codes += p.remote.codes.size();
    for (const FileToImport& f : files_) {
        skipped += f.skipped.size();
        refused += f.refused.empty() ? 0 : 1;
    }
    std::string text;
    if (state_ == CANCELLED)
        text = "Cancelled: nothing was imported, the library is as it was.";
    else if (state_ == FAILED)
        text = "Nothing was imported: " + failure_ + ".";
    else if (state_ == WRITING)
        text = "Writing " + std::to_string(ids_.size() + 1) + " of " + count(plan_.size(), "remote", "remotes") + ".";
    else if (plan_.empty())
        text = "Nothing was imported: no file held a code Pellwick reads.";
    else
        text = "Imported " + count(plan_.size(), "remote", "remotes") + " with " + count(codes, "code", "codes") +
               " from " + count(files_.size(), "file", "files") + ".";
    if (skipped && state_ != CANCELLED)
        text += " " + count(skipped, "entry", "entries") + " skipped.";
    if (refused && state_ != CANCELLED)
        text += " " + count(refused, "file", "files") + " not read.";
    return text;
}

std::string Import::summary() const
{
    std::string text = outcome() + "\n";
    for (const std::string& stays : notTakenBack_)
        text += stays + "\n";
    size_t next = 0;
    for (size_t f = 0; f < files_.size(); ++f) {
        const FileToImport& file = files_[f];
        text += "\n" + file.file;
        if (!file.refused.empty()) {
            text += ": not read: " + file.refused + "\n";
            continue;
        }
        size_t codes = 0, remotes = 0;
        for (const Remote& r : file.remotes) {
            codes += r.codes.size();
            ++remotes;
        }
        text += " (" + file.format + "): " + count(codes, "code", "codes") + " in " +
                count(remotes, "remote", "remotes") +
                (file.skipped.empty() ? "" : ", " + std::to_string(file.skipped.size()) + " skipped") + "\n";
        for (; next < plan_.size() && plan_[next].file == f; ++next) {
            const Planned& p = plan_[next];
            if (state_ == DONE)
                text += "  remote \"" + p.remote.name + "\"" +
                        (p.wanted.empty() ? "" : " (a remote named \"" + p.wanted + "\" was there already)") + "\n";
        }
        for (const fmt::Problem& p : file.skipped)
            text += "  skipped: " + fmt::problemText(p) + "\n";
        for (const fmt::Problem& p : file.lost)
            text += "  not kept: " + fmt::problemText(p) + "\n";
    }
    return text;
}

// ---------------------------------------------------------------------------

fmt::Exported exportRemotes(const std::vector<Remote>& remotes, fmt::Format format)
{
    std::vector<fmt::Remote> out;
    for (const Remote& r : remotes) {
        out.push_back({r.name, {}});
        for (const Code& c : r.codes)
            out.back().codes.push_back({c.name, c.pronto, c.note});
    }
    return fmt::exportRemotes(out, format);
}

std::string notACodeFile(std::string_view content, const std::string& file)
{
    if (content.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return std::string();  // empty: nothing to lose
    FileToImport read = readCodeFile(content, file);
    return read.remotes.empty() ? read.refused : std::string();
}

}  // namespace library
