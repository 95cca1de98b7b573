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
           "another format, to OUT or to standard output. FORMAT is one of " + names + ".\n"
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

bool formatOption(const std::vector<std::string>& args, size_t* i, fmt::Format* format, std::string* why)
{
    if (*i + 1 >= args.size()) {
        *why = args[*i] + " needs a format";
        return false;
    }
    const std::string& name = args[++*i];
    *format = fmt::formatByName(name);
    if (*format == fmt::Format::Unknown) {
        *why = name == "library" ? "the library format is not available in this build" : "unknown format " + name;
        return false;
    }
    return true;
}

}  // namespace

int convertCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    fmt::Format from = fmt::Format::Unknown, to = fmt::Format::Unknown;
    std::string input, output, why;
    bool hasInput = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool ok = true;
        if (a == "--help" || a == "-h") {
            out << convertUsage();
            return 0;
        } else if (a == "--from") {
            ok = formatOption(args, &i, &from, &why);
        } else if (a == "--to") {
            ok = formatOption(args, &i, &to, &why);
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
    if (to == fmt::Format::Unknown || !hasInput) {
        err << "pellwick-ir: convert needs --to FORMAT and an input file\n" << convertUsage();
        return 2;
    }
    std::string content;
    if (!readAll(input, in, &content)) {
        err << "pellwick-ir: cannot read " << input << "\n";
        return 2;
    }
    fmt::Imported imported = fmt::importText(content, from, input == "-" ? "" : input);
    if (!imported.refused.empty()) {
        err << "pellwick-ir: " << input << ": " << imported.refused << "\n";
        return 2;
    }
    for (const fmt::Problem& p : imported.skipped)
        err << "pellwick-ir: " << input << ": skipped: " << fmt::problemText(p) << "\n";
    for (const fmt::Problem& p : imported.lost)
        err << "pellwick-ir: " << input << ": not kept: " << fmt::problemText(p) << "\n";
    fmt::Exported exported = fmt::exportRemotes(imported.remotes, to);
    for (const fmt::Problem& p : exported.skipped)
        err << "pellwick-ir: not written: " << fmt::problemText(p) << "\n";
    for (const fmt::Problem& p : exported.lost)
        err << "pellwick-ir: " << fmt::formatInfo(to).title << " cannot hold: " << fmt::problemText(p) << "\n";
    if (imported.codeCount() == exported.skipped.size()) {
        err << "pellwick-ir: " << input << ": no code to write\n";
        return 2;
    }
    if (output.empty() || output == "-") {
        out << exported.text;
    } else {
        std::string existing;
        if (readAll(output, in, &existing) && !existing.empty() &&
            !fmt::importText(existing, to, output).refused.empty()) {
            err << "pellwick-ir: " << output << " exists and is not a " << fmt::formatInfo(to).title
                << " file: it is left as it is\n";
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
