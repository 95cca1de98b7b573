// The code library's file reader on any bytes: it accepts or refuses with a
// reason, never crashes; a remote it accepts is written back to a file that
// reads as the same remote, and writes the same bytes again. The reader of
// names alone refuses with a reason too. (It takes the first of a field
// given twice where the whole reader takes the last; the library reads such
// a file whole when the first does not do.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    library::Remote remote;
    library::ReadError error, headError;
    std::string name;
    if (!library::readRemoteName(bytes, &name, &headError) && (headError.reason.empty() || headError.line < 0))
        std::abort();
    if (!library::readRemote(bytes, &remote, &error)) {
        if (error.reason.empty() || error.line < 0)
            std::abort();
        return 0;
    }
    std::string written = library::writeRemote(remote);
    library::Remote again;
    if (!library::readRemote(written, &again, &error) || !(again == remote) || library::writeRemote(again) != written)
        std::abort();
    // Whatever the name, its file name stays in the folder.
    std::string file = library::fileNameFor(remote.name, [](const std::string&) { return false; });
    if (file.find_first_of("/\\") != std::string::npos || file[0] == '.')
        std::abort();
    return 0;
}
