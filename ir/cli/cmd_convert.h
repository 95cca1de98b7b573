// pellwick-ir convert: code files from one format to another.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pellwickir {

// args[0] is "convert". Returns the exit code: 0 done, 1 done with entries
// skipped, 2 nothing usable or a usage error.
int convertCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace pellwickir
