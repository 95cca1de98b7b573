// Pronto hex codes as the simulated device reads, checks and writes them.
//
// A Pronto code is a list of four-digit hexadecimal words: type, carrier
// frequency code, once-burst pair count, repeat-burst pair count, then the
// mark/space durations of both bursts counted in carrier periods.  Only the
// learned, modulated type 0000 is accepted.
//
// Portable C++17 with no platform headers: compiled into the driver stand-in
// and into the host unit tests and fuzzers alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pronto {

struct Code {
    uint16_t type = 0;
    uint16_t freqCode = 0;
    std::vector<uint16_t> once;    // 2 x once-pair count durations
    std::vector<uint16_t> repeat;  // 2 x repeat-pair count durations
};

// Parses text[0, length) as a Pronto code.  Words are exactly four hex digits
// (either case) separated by any ASCII whitespace; leading and trailing
// whitespace is ignored.  Returns false for anything else, leaving *out
// unspecified; out may be null to validate only.  Runs in time linear in
// length and never reads outside the given range.
bool parse(const char* text, size_t length, Code* out);

// Carrier frequency in Hz: 1,000,000 / (freqCode x 0.241246); 0 for a zero code.
double carrierHz(const Code& code);

// Length in microseconds of one transmission: the once burst plus one repeat
// burst, lead-out gaps included.
double durationMicros(const Code& code);

// Canonical text: every word as four uppercase hex digits, single spaces, no
// leading or trailing whitespace.  parse(format(c)) gives back c.
std::string format(const Code& code);

// The once burst alone (what a receiver has seen when a learn is cut short):
// the same code with no repeat pairs.  A code without a once burst is
// returned whole, so the result is always a valid code.
Code burst(const Code& code);

}  // namespace pronto
