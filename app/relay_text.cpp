#include "relay_text.h"

#include <cstring>
#include <limits>

namespace relay {

void copyReceivedText(const char* text, char (&out)[RECEIVED_TEXT_MAX + 1], size_t readable)
{
    std::memset(out, 0, sizeof out);
    if (!text)
        return;
    size_t limit = readable < RECEIVED_TEXT_MAX ? readable : size_t(RECEIVED_TEXT_MAX);
    for (size_t i = 0; i < limit && text[i] != '\0'; ++i)
        out[i] = text[i];
}

int32_t packProgress(int32_t progress, int32_t quality)
{
    if (progress < 0)
        progress = 255;
    // The driver's quality is not range-checked: wrap like the 32-bit message
    // parameter it becomes instead of overflowing.
    uint32_t packed = static_cast<uint32_t>(quality) * 256u + static_cast<uint32_t>(progress);
    return static_cast<int32_t>(packed);
}

static int16_t clamp16(int32_t v)
{
    if (v > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (v < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(v);
}

ProgressReport unpackProgress(int32_t wParam)
{
    ProgressReport r;
    r.progress = clamp16(wParam % 256);
    r.quality = clamp16(wParam / 256);
    return r;
}

bool isEndReport(int32_t wParam)
{
    return (static_cast<uint32_t>(wParam) & 0xFFu) == 255u;
}

std::string carrierCaption(int32_t hz)
{
    return std::to_string(hz / 1000) + "." + std::to_string((hz % 1000) / 100) + "KHz";
}

}  // namespace relay
