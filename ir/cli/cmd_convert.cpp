// pellwick-ir convert: a code file from one format to another through the
// formats core (ir/formats/formats.h). The result goes to standard output,
// or to a file written whole: a temporary file beside it, then renamed over
// it; a file there that is not of the target format is left alone.
#include "ir/cli/cmd_convert.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "ir/formats/formats.h"
#include "library/remote.h"

namespace pellwickir {

namespace {

namespace fmt = ir::formats;

std::string convertUsage()
{
    std::string names;
    for (const fmt::FormatInfo& f : fmt::formatList())
        names += std::string(names.empty() ? "" : ", ") + f.name;
    return "usage: pellwick-ir convert [--from FORMAT] --to FORMAT IN [-o OUT]\n"
           "\n"
           "Reads the code file IN (- for standard input) and writes its codes in\n"
           "another format, to OUT or to standard output. FORMAT is one of library\n"
           "(a remote file of Pellwick's code library), " + names + ".\n"
           "Without --from the format is found from the content. What did not come in\n"
           "or could not be written is listed on standard error with its line and the\n"
           "reason, as is what the target format cannot hold.\n"
           "Exit codes: 0 done, 1 done with entries skipped, 2 nothing usable or a\n"
           "usage error (the reason on standard error).\n";
}

bool readAll(const std::string& path, std::istream& in, std::string* content)
{
    if (path == "-") {
        content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    *content = text.str();
    return !file.bad();
}

// Writes the file whole or not at all.
bool writeWhole(const std::string& path, const std::string& text, std::string* why)
{
    std::string temporary = path + ".pellwick-tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        file.flush();
        if (!file) {
            *why = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        // Windows renames onto no existing file: the old one goes first.
        std::remove(path.c_str());
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            *why = "cannot replace " + path;
            std::remove(temporary.c_str());
            return false;
        }
    }
    return true;
}

// The code library's own remote files are not one of the formats core's:
// the library reads and writes them.
const char LIBRARY[] = "library";

bool formatOption(const std::vector<std::string>& args, size_t* i, fmt::Format* format, bool* library,
                  std::string* why)
{
    if (*i + 1 >= args.size()) {
        *why = args[*i] + " needs a format";
        return false;
    }
    const std::string& name = args[++*i];
    *library = name == LIBRARY;
    *format = fmt::formatByName(name);
    if (*format == fmt::Format::Unknown && !*library) {
        *why = "unknown format " + name;
        return false;
    }
    return true;
}

// A library remote file as the formats' remote; false when it is not one.
bool readLibrary(const std::string& content, fmt::Imported* imported)
{
    library::Remote remote;
    library::ReadError error;
    if (!library::readRemote(content, &remote, &error)) {
        imported->refused = "not a remote of the code library: " + error.reason +
                            (error.line > 0 ? " (line " + std::to_string(error.line) + ")" : "");
        return false;
    }
    fmt::Remote r{remote.name, {}};
    for (const library::Code& c : remote.codes)
        r.codes.push_back({c.name, c.pronto, c.note});
    imported->remotes.push_back(std::move(r));
    return true;
}

// All the codes as one library remote, named after the one remote there is
// or the output file.
fmt::Exported writeLibrary(const std::vector<fmt::Remote>& remotes, const std::string& output)
{
    fmt::Exported out;
    library::Remote remote;
    remote.name = remotes.size() == 1 ? remotes[0].name : output.empty() ? "Imported codes" : output;
    size_t slash = remote.name.find_last_of("/\\");
    if (remotes.size() != 1 && slash != std::string::npos)
        remote.name = remote.name.substr(slash + 1);
    if (!library::nameProblem(remote.name).empty())
        remote.name = "Imported codes";
    for (const fmt::Remote& r : remotes)
        for (const fmt::Code& c : r.codes) {
            library::Code code;
            code.name = remotes.size() > 1 ? r.name + "/" + c.name : c.name;
            code.pronto = c.pronto;
            code.note = c.note;
            std::string problem = library::codeProblem(code);
            if (!problem.empty())
                out.skipped.push_back({0, c.name, problem});
            else
                remote.codes.push_back(code);
        }
    out.text = library::writeRemote(remote);
    return out;
}

}  // namespace

int convertCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    fmt::Format from = fmt::Format::Unknown, to = fmt::Format::Unknown;
    bool fromLibrary = false, toLibrary = false;
    std::string input, output, why;
    bool hasInput = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool ok = true;
        if (a == "--help" || a == "-h") {
            out << convertUsage();
            return 0;
        } else if (a == "--from") {
            ok = formatOption(args, &i, &from, &fromLibrary, &why);
        } else if (a == "--to") {
            ok = formatOption(args, &i, &to, &toLibrary, &why);
        } else if (a == "-o") {
            ok = i + 1 < args.size();
            why = "-o needs a file name";
            if (ok)
                output = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            ok = false;
            why = "unknown option " + a;
        } else if (hasInput) {
            ok = false;
            why = "one input file only";
        } else {
            input = a;
            hasInput = true;
        }
        if (!ok) {
            err << "pellwick-ir: " << why << "\n" << convertUsage();
            return 2;
        }
    }
    if ((to == fmt::Format::Unknown && !toLibrary) || !hasInput) {
        err << "pellwick-ir: convert needs --to FORMAT and an input file\n" << convertUsage();
        return 2;
    }
    std::string content;
    if (!readAll(input, in, &content)) {
        err << "pellwick-ir: cannot read " << input << "\n";
        return 2;
    }
    fmt::Imported imported;
    bool library = fromLibrary || (from == fmt::Format::Unknown && readLibrary(content, &imported));
    if (fromLibrary)
        readLibrary(content, &imported);
    else if (!library)
        imported = fmt::importText(content, from, input == "-" ? "" : input);
    std::string title = toLibrary ? "the code library" : fmt::formatInfo(to).title;
    if (!imported.refused.empty()) {
        err << "pellwick-ir: " << input << ": " << imported.refused << "\n";
        return 2;
    }
    for (const fmt::Problem& p : imported.skipped)
        err << "pellwick-ir: " << input << ": skipped: " << fmt::problemText(p) << "\n";
    for (const fmt::Problem& p : imported.lost)
        err << "pellwick-ir: " << input << ": not kept: " << fmt::problemText(p) << "\n";
    fmt::Exported exported = toLibrary ? writeLibrary(imported.remotes, output) : fmt::exportRemotes(imported.remotes, to);
    for (const fmt::Problem& p : exported.skipped)
        err << "pellwick-ir: not written: " << fmt::problemText(p) << "\n";
    for (const fmt::Problem& p : exported.lost)
        err << "pellwick-ir: " << title << " cannot hold: " << fmt::problemText(p) << "\n";
    if (imported.codeCount() == exported.skipped.size()) {
        err << "pellwick-ir: " << input << ": no code to write\n";
        return 2;
    }
    if (output.empty() || output == "-") {
        out << exported.text;
    } else {
        std::string existing;
        fmt::Imported old;
        if (readAll(output, in, &existing) && !existing.empty() &&
            (toLibrary ? !readLibrary(existing, &old) : !fmt::importText(existing, to, output).refused.empty())) {
            err << "pellwick-ir: " << output << " exists and is not a file of " << title << ": it is left as it is\n";
            return 2;
        }
        if (!writeWhole(output, exported.text, &why)) {
            err << "pellwick-ir: " << why << "\n";
            return 2;
        }
    }
    return imported.skipped.empty() && exported.skipped.empty() ? 0 : 1;
}

}  // namespace pellwickir
