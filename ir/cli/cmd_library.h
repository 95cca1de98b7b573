// pellwick-ir list, get and add: the code library's remote files on the
// command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pellwickir {

// Whether command is one of the library's (list, get, add).
bool isLibraryCommand(const std::string& command);

// Runs one of them, args[0] being the command. Exit codes: 0 done, 1 the
// file or the code is not there, 2 invalid input (an unreadable file, text
// that is not Pronto, a usage error).
int libraryCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace pellwickir
