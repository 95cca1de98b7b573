// Pronto hex from durations: what the format converters need to turn a
// signal given in microseconds (LIRC, Flipper, Broadlink) into a code.
// Portable, no platform headers.
#pragma once

#include <string>
#include <vector>

#include "ir/ir.h"

namespace ir {

// The frequency word for a carrier: the whole number nearest
// 1,000,000 / (carrier x 0.241246); 0 when no word can hold it.
unsigned prontoFrequencyCode(double carrierHz);

// Writes the Pronto text (words upper case, one blank apart) of a signal
// whose once and repeat parts are given in microseconds at this carrier.
// Each duration becomes the nearest whole number of carrier periods, at
// least one. Returns false with a reason for a carrier or a duration that
// Pronto cannot hold, or for a code without pairs.
bool writePronto(double carrierHz, const std::vector<Pair>& once, const std::vector<Pair>& repeat,
                 std::string* pronto, std::string* error);

// The words of a parsed signal again: exact, as Signal keeps durations as
// whole periods of its frequency word.
std::string prontoText(const Signal& signal);

}  // namespace ir
