// pellwick-ir, the command-line face of the IR code core: decode, render,
// info and plot. The tool's whole behaviour is run(), so that the unit tests
// drive it exactly as main() does.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ir {
struct ProtocolInfo;
}

namespace pellwickir {

// Runs one command. args are the arguments after the program's name; a code
// not given as arguments is read from in. Returns the exit code: 0 done,
// 1 no protocol fits (decode) or the output file cannot be written, 2 an
// invalid code, a refused render or a usage error.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

// The protocols command (cmd_protocols.cpp), and a protocol's parameters as
// it and render --help list them: "D=0..255 S=0..255 [255-D] F=0..255".
int protocolsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
std::string parametersText(const ir::ProtocolInfo& protocol);

}  // namespace pellwickir
