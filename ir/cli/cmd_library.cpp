#include "ir/cli/cmd_library.h"

#include <iostream>
#include <iterator>

#include "library/fsio.h"
#include "library/library.h"

namespace pellwickir {

namespace {

const char USAGE[] =
    "usage: pellwick-ir list REMOTE.json\n"
    "       pellwick-ir get REMOTE.json NAME\n"
    "       pellwick-ir add REMOTE.json NAME [TEXT...]\n"
    "\n"
    "A remote file of Pellwick's code library (docs/library-format.md):\n"
    "  list   each code's name and decode, a tab between them, one line each\n"
    "  get    the Pronto text of the first code of that name\n"
    "  add    adds a code at the end of the remote, the file made when it does\n"
    "         not exist (the remote named after it); the text from the\n"
    "         arguments, joined with blanks, or from standard input\n"
    "The file is replaced in one step, never left half written; a file that\n"
    "cannot be read is left as it is.\n"
    "Exit codes: 0 done, 1 the file or the code is not there, 2 invalid input\n"
    "(a file that cannot be read, text that is not Pronto, a usage error).\n";

int usage(std::ostream& err, const std::string& why)
{
    err << "pellwick-ir: " << why << "\n" << USAGE;
    return 2;
}

// The folder and the file name of a path.
void split(const std::string& path, std::string* folder, std::string* file)
{
#ifdef _WIN32
    size_t slash = path.find_last_of("\\/");
#else
    size_t slash = path.find_last_of('/');
#endif
    *folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    *file = slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads the remote; 0, or the exit code with the reason said.
int readRemoteFile(const std::string& path, library::Remote* remote, std::ostream& err)
{
    std::string bytes, why;
    bool missing = false;
    if (!library::fsio::readFile(path, &bytes, &why, &missing)) {
        err << "pellwick-ir: " << why << "\n";
        return missing ? 1 : 2;
    }
    library::ReadError problem;
    if (!library::readRemote(bytes, remote, &problem)) {
        err << "pellwick-ir: " << path << (problem.line ? " line " + std::to_string(problem.line) : "")
            << ": " << problem.reason << "\n";
        return 2;
    }
    return 0;
}

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

bool isLibraryCommand(const std::string& command)
{
    return command == "list" || command == "get" || command == "add";
}

int libraryCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            out << USAGE;
            return 0;
        }
    const std::string& command = args[0];
    size_t least = command == "list" ? 2 : 3;
    if (args.size() < least || (command != "add" && args.size() > least))
        return usage(err, command + (args.size() < least ? ": missing arguments" : ": too many arguments"));
    const std::string& path = args[1];
    library::Remote remote;
    if (command == "list") {
        if (int failed = readRemoteFile(path, &remote, err))
            return failed;
        for (const library::Code& code : remote.codes)
            out << code.name << "\t" << library::describe(code.pronto).decode << "\n";
        return 0;
    }
    const std::string& name = args[2];
    if (command == "get") {
        if (int failed = readRemoteFile(path, &remote, err))
            return failed;
        for (const library::Code& code : remote.codes)
            if (code.name == name) {
                out << code.pronto << "\n";
                return 0;
            }
        err << "pellwick-ir: no code named \"" << name << "\" in " << path << "\n";
        return 1;
    }

    library::Code code;
    code.name = name;
    if (args.size() > 3) {
        for (size_t i = 3; i < args.size(); ++i)
            code.pronto += (i > 3 ? " " : "") + args[i];
    } else {
        code.pronto = trimmed(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    std::string problem = library::codeProblem(code);
    if (!problem.empty()) {
        err << "pellwick-ir: " << problem << "\n";
        return 2;
    }
    std::string folder, file;
    split(path, &folder, &file);
    std::string stem = file.size() > 5 && file.compare(file.size() - 5, 5, ".json") == 0 ? file.substr(0, file.size() - 5) : file;
    library::Outcome done = library::changeFile(folder, file, library::nameProblem(stem).empty() ? stem : "Remote",
                                                library::Library::addCode(code, static_cast<size_t>(-1)));
    if (!done.applied()) {
        err << "pellwick-ir: " << done.message << "\n";
        return 2;
    }
    return 0;
}

}  // namespace pellwickir
