// The protocols as data: one row per protocol, written the way its IRP line
// reads, and the small set of items the decoder and the renderer interpret.
// Internal to ir/; the rest of the program sees only ir.h.
#pragma once

#include <string_view>
#include <vector>

#include "ir/ir.h"

namespace ir {
namespace irp {

// The parameters this table's rows use, in the order they are written.
enum ParamId { PARAM_D = 0, PARAM_S = 1, PARAM_F = 2, PARAM_T = 3, PARAM_COUNT = 4 };
const char* paramName(int id);  // "D", "S", "F", "T"

enum ItemKind {
    DURATION,  // 16 (mark) or -8 (space), in units
    FIELD,     // D:8, ~F:8, F:1:6 (one bit of F from bit 6)
    CONSTANT,  // 2:8
    XOR_DSF,   // (D^S^F):8
    EXTENT,    // ^108m: the last space lasts until the frame is this long
};

struct Item {
    ItemKind kind = DURATION;
    int units = 0;           // DURATION
    ParamId param = PARAM_D; // FIELD
    int bits = 0;            // FIELD, CONSTANT, XOR_DSF
    int shift = 0;           // FIELD: lowest bit of the parameter that it carries
    bool inverted = false;   // FIELD: ~
    bool wide = false;       // FIELD: sent with every duration of <zero|one> doubled
    long value = 0;          // CONSTANT
    double us = 0;           // EXTENT

    // A bare number in a frame is a duration, as in IRP.
    Item(int durationUnits) : units(durationUnits) {}
    explicit Item(ItemKind k) : kind(k) {}
};

inline Item field(ParamId p, int bits, int shift = 0, bool inverted = false)
{
    Item i(FIELD);
    i.param = p;
    i.bits = bits;
    i.shift = shift;
    i.inverted = inverted;
    return i;
}
inline Item D(int bits) { return field(PARAM_D, bits); }
inline Item S(int bits) { return field(PARAM_S, bits); }
inline Item F(int bits) { return field(PARAM_F, bits); }
inline Item T(int bits) { return field(PARAM_T, bits); }
inline Item notF(int bits, int shift = 0) { return field(PARAM_F, bits, shift, true); }
// <-2,2|2,-2>(T:1): a field sent with double-length durations.
inline Item wide(Item i)
{
    i.wide = true;
    return i;
}
inline Item constant(long value, int bits)
{
    Item i(CONSTANT);
    i.value = value;
    i.bits = bits;
    return i;
}
inline Item xorDSF(int bits)
{
    Item i(XOR_DSF);
    i.bits = bits;
    return i;
}
inline Item extentMs(double ms)
{
    Item i(EXTENT);
    i.us = ms * 1000.0;
    return i;
}

// What a parameter left out when rendering becomes.
enum Default { NO_DEFAULT, ZERO, COMPLEMENT_OF_D /* 255-D */, SAME_AS_D };

struct Row {
    const char* name;
    const char* irp;
    double carrierHz;
    double unitUs;
    bool msbFirst;
    int zero[2];  // <zero|one>: durations in units, + mark, - space
    int one[2];
    std::vector<Item> once;    // the first frame, as sent when the button goes down
    std::vector<Item> repeat;  // sent while the button is held; empty: the same as once
    Default sDefault;
    Default tDefault;

    const std::vector<Item>& repeatFrame() const { return repeat.empty() ? once : repeat; }
};

// Every protocol, in the order of protocols().
const std::vector<Row>& rows();
const Row* findRow(std::string_view name);
bool sameName(std::string_view a, std::string_view b);  // without regard to case

// The bits of parameter p that a frame carries: its range is 0 to 2^bits - 1.
int paramBits(const Row& row, ParamId p);

// Durations may be off by 25 % or 100 us, whichever is larger.
double tolerance(double nominalUs);

}  // namespace irp
}  // namespace ir
