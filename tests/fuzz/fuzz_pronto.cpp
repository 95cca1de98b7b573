// Pronto hex parsing and formatting: never reads outside the input, and what
// it accepts formats back to a text that parses to the same code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sim/pronto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pronto::Code code;
    if (!pronto::parse(reinterpret_cast<const char*>(data), size, &code))
        return 0;
    std::string text = pronto::format(code);
    pronto::Code again;
    if (!pronto::parse(text.data(), text.size(), &again) || pronto::format(again) != text)
        abort();
    pronto::Code once = pronto::burst(code);
    std::string burst = pronto::format(once);
    if (!pronto::parse(burst.data(), burst.size(), nullptr))
        abort();
    (void)pronto::durationMicros(code);
    (void)pronto::carrierHz(code);
    return 0;
}
