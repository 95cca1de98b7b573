// Received-text copying and progress report decoding with arbitrary driver
// input: the copy never reads past 16 bytes and always ends in NUL; decoding
// any message parameters stays in range; the carrier caption never fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/relay_text.h"
#include "ui/bars.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The driver's text: exactly 16 readable bytes (a shorter input is
    // padded with NULs), which may or may not hold a NUL.
    std::vector<char> text(16, '\0');
    memcpy(text.data(), data, size < 16 ? size : 16);
    char out[17];
    relay::copyReceivedText(text.data(), out);
    if (out[16] != '\0' || memcmp(out, text.data(), strlen(out)) != 0)
        abort();
    if (size >= 12) {
        int32_t progress, quality, hz;
        memcpy(&progress, data, 4);
        memcpy(&quality, data + 4, 4);
        memcpy(&hz, data + 8, 4);
        relay::ProgressReport r = relay::unpackProgress(relay::packProgress(progress, quality));
        if (r.progress < -255 || r.progress > 255)
            abort();
        (void)relay::carrierCaption(hz);
        bars::ProgressGeometry pg = bars::progressGeometry(4935, 15.0);
        bars::QualityGeometry qg = bars::qualityGeometry(1575, 15.0);
        if (bars::progressSegments(r.progress, pg, 64).size() > 64 ||
            bars::qualitySegments(r.quality, qg, 64).size() > 64)
            abort();
    }
    return 0;
}
