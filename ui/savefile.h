// Saving a file the user chose, whole or not at all.
#pragma once

#include <string>

namespace savefile {

// Writes bytes to a temporary file in path's folder, flushes it to the
// disk, then puts it in path's place in one step: a failure at any point
// leaves path as it was. False with the system's reason in *error.
bool writeAtomically(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace savefile
