// Pure pieces of the callback relay: copying a received event code out of the
// driver's memory, packing and unpacking progress reports, and the carrier
// frequency caption.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace relay {

enum { RECEIVED_TEXT_MAX = 16 };

// Copies the driver's text into out: its bytes up to its NUL, never more than
// 16, and never reading past the 16th byte nor past the first `readable`
// bytes (a text without its NUL may end where readable memory does); out[16]
// and every byte after the text are 0. A null address gives the empty text.
void copyReceivedText(const char* text, char (&out)[RECEIVED_TEXT_MAX + 1],
                      size_t readable = RECEIVED_TEXT_MAX);

// wParam of a progress report: signal quality * 256 + progress, with 255 for
// a negative progress. Wraps in 32 bits rather than overflowing.
int32_t packProgress(int32_t progress, int32_t quality);

struct ProgressReport {
    int16_t progress;  // remainder of wParam by 256, with wParam's sign
    int16_t quality;   // wParam / 256, truncated toward zero
};
ProgressReport unpackProgress(int32_t wParam);

// Whether wParam is a learn's end: the 255 that a negative progress is sent
// as, whatever quality came with it. A negative quality makes wParam negative
// and its remainder by 256 then reads -1, so the low byte decides.
bool isEndReport(int32_t wParam);

// "38.0KHz": f div 1000, ".", (f mod 1000) div 100, "KHz", truncating.
std::string carrierCaption(int32_t hz);

}  // namespace relay
