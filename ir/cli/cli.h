// pellwick-ir, the command-line face of the IR code core: decode, render,
// info and plot. The tool's whole behaviour is run(), so that the unit tests
// drive it exactly as main() does.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pellwickir {

// Runs one command. args are the arguments after the program's name; a code
// not given as arguments is read from in. Returns the exit code: 0 done,
// 1 no protocol fits (decode) or the output file cannot be written, 2 an
// invalid code, a refused render or a usage error.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace pellwickir
