// One format's reader on arbitrary bytes (FUZZ_FORMAT names it; the build
// makes one fuzzer per format). Whatever comes in is whole: every code is
// valid Pronto with a name, a refusal brings nothing, and writing the codes
// back in the same format reads again to the same number of codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ir/formats/formats.h"

namespace fmt = ir::formats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fmt::Format format = fmt::formatByName(FUZZ_FORMAT);
    std::string text(reinterpret_cast<const char*>(data), size);
    fmt::Imported in = fmt::importText(text, format, "fuzz.txt");
    if (!in.refused.empty() && (in.codeCount() > 0 || !in.skipped.empty()))
        abort();
    for (const fmt::Remote& r : in.remotes)
        for (const fmt::Code& c : r.codes)
            if (c.name.empty() || !ir::parsePronto(c.pronto, nullptr, nullptr))
                abort();
    if (in.codeCount() > 0) {
        fmt::Exported out = fmt::exportRemotes(in.remotes, format);
        fmt::Imported again = fmt::importText(out.text, format, "fuzz.txt");
        if (!again.refused.empty() || again.codeCount() + out.skipped.size() != in.codeCount())
            abort();
    }
    ir::Signal signal;
    std::string error;
    if (!fmt::parseAnyCode(text, &signal, &error) && error.empty())
        abort();
    return 0;
}
