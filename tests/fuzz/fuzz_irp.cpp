// The IRP parser on arbitrary bytes. A line is refused with the reason and
// its place, or it compiles; then it sends its parameters at the ends of
// their ranges, and the decoder, walking the line it came from, names values
// within their ranges or nothing; never a crash, a hang or undefined
// behaviour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ir/ir.h"
#include "ir/irp.h"

namespace {

// Runs as Pronto pairs: a part starts with a mark and ends with a space.
std::vector<ir::Pair> pairs(const std::vector<ir::irp::Run>& runs)
{
    std::vector<ir::Pair> out;
    for (const ir::irp::Run& r : runs) {
        if (r.mark)
            out.push_back({r.us, 0});
        else if (!out.empty())
            out.back().spaceUs += r.us;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    ir::irp::Protocol p;
    std::string error;
    if (!ir::irp::compile("fuzz", line, &p, &error)) {
        if (error.compare(0, 3, "at ") != 0)
            abort();
        return 0;
    }
    for (int end = 0; end < 2; ++end) {
        long long values[ir::irp::MAX_NAMES] = {};
        for (int i = 0; i < p.parameters; ++i)
            values[i] = end ? p.names[static_cast<size_t>(i)].max : p.names[static_cast<size_t>(i)].min;
        std::vector<ir::irp::Run> intro, repeat;
        if (!ir::irp::runs(p, values, &intro, &repeat, &error)) {
            if (error.empty())
                abort();
            continue;
        }
        ir::Signal s;
        s.carrierHz = p.carrierHz;
        s.once = pairs(intro);
        s.repeat = pairs(repeat);
        if (s.once.size() + s.repeat.size() > 4000)
            continue;
        std::vector<long long> decoded;
        if (ir::irp::matches(p, s, &decoded)) {
            for (int i = 0; i < p.parameters; ++i) {
                const ir::irp::Name& n = p.names[static_cast<size_t>(i)];
                if (decoded[static_cast<size_t>(i)] < n.min || decoded[static_cast<size_t>(i)] > n.max)
                    abort();
            }
        }
    }
    return 0;
}
