// The IR code core: Pronto hex to signal, decoding into a protocol and its
// parameters, rendering a protocol back into Pronto hex, the facts about a
// signal and the geometry of its waveform.
//
// Portable C++17 with no platform headers. The Windows program (Code menu),
// the command-line tool pellwick-ir and the simulated device all call it and
// add only their own input and output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ir {

// ---------------------------------------------------------------------------
// Signals.

// One burst: a mark (carrier on) and the space after it, in microseconds.
struct Pair {
    double markUs = 0;
    double spaceUs = 0;

    bool operator==(const Pair& o) const { return markUs == o.markUs && spaceUs == o.spaceUs; }
};

struct Signal {
    unsigned frequencyCode = 0;  // Pronto word 1
    double carrierHz = 0;        // 1,000,000 / (frequencyCode x 0.241246)
    std::vector<Pair> once;      // sent once
    std::vector<Pair> repeat;    // sent while the button is held

    // The same words give the same signal, exactly.
    bool operator==(const Signal& o) const
    {
        return frequencyCode == o.frequencyCode && once == o.once && repeat == o.repeat;
    }
};

// The durations of pairs in order, in microseconds: mark, space, mark, ...
std::vector<double> durations(const std::vector<Pair>& pairs);

// Parses Pronto hex, learned format 0000, into a signal. Words are four hex
// digits (either case) separated by any whitespace (blanks, tabs, CR, LF);
// leading and trailing whitespace is ignored. Returns false with a reason a
// user can read in *error ("word 3 is \"015G\", not four hex digits", ...)
// for anything that is not valid Pronto. Linear in the text's length.
bool parsePronto(std::string_view text, Signal* signal, std::string* error);

// ---------------------------------------------------------------------------
// Protocols and their parameters.

// One parameter's value, named as the protocol's IRP line names it: "D",
// "S", "F", "T", Kaseikyo's "M" and "N", XMP's "OEM", ...
struct Param {
    std::string name;
    long long value = 0;

    bool operator==(const Param& o) const { return name == o.name && value == o.value; }
};

// Parameter values by name. Names compare without regard to case; a name set
// again keeps its place and takes the new value.
class Params {
public:
    Params() = default;
    Params(std::initializer_list<Param> list);  // Params{{"D", 4}, {"F", 8}}

    void set(std::string_view name, long long value);
    // The value of this name; null when it has none.
    const long long* find(std::string_view name) const;
    bool has(std::string_view name) const { return find(name) != nullptr; }
    long long get(std::string_view name, long long otherwise = 0) const;

    // In the order they were set (a decode: the protocol's own order).
    const std::vector<Param>& list() const { return list_; }
    bool empty() const { return list_.empty(); }

    // The same names with the same values, in any order.
    bool operator==(const Params& o) const;
    bool operator!=(const Params& o) const { return !(*this == o); }

private:
    std::vector<Param> list_;
};

// A parameter as the line's parameter specification gives it:
// "S:0..255=255-D" is S, 0, 255, with the default 255-D.
struct ParamSpec {
    std::string name;
    long long min = 0, max = 0;
    bool hasDefault = false;  // may be left out when rendering
    std::string defaultText;  // how the default reads ("255-D", "D", "0"); empty without one
};

// A parameter's value as a user writes it, the same in Generate, the virtual
// remote and pellwick-ir render: decimal digits, a minus allowed in front (so
// that -1 is refused as out of range, not read as 1); no plus, no blank
// inside, no hex, no fraction. Blanks and tabs around it are ignored. A value
// of more than 18 digits reads as one beyond every range. False for anything
// else, the empty text included.
bool parseNumber(std::string_view text, long long* value);

// "0 to 255": a parameter's range as messages and labels write it.
std::string rangeText(const ParamSpec& param);

struct ProtocolInfo {
    std::string name;               // "NEC1", "RC5", "Kaseikyo", ... as the IRP tables write it
    std::string irp;                // its IRP line, parameter specification included
    double carrierHz = 0;           // the line's carrier
    std::vector<ParamSpec> params;  // in the order of the line's parameter specification

    // Its parameter of this name (any case); null when it has none.
    const ParamSpec* param(std::string_view name) const;
};

// Every protocol the core knows, in a fixed order: the order of the Generate
// dialog's and the virtual remote's lists, and of preference when a code
// fits more than one with the same carrier (the more specific first; the
// README's pellwick-ir section lists the rules).
const std::vector<ProtocolInfo>& protocols();
// The protocol of this name, case-insensitive; null when unknown.
const ProtocolInfo* findProtocol(std::string_view name);

// ---------------------------------------------------------------------------
// Decoding.

struct Decoded {
    std::string protocol;  // empty: unknown
    Params params;         // every parameter of the protocol, in its order
    bool known() const { return !protocol.empty(); }
};

// Every protocol that fits the signal with one set of parameters, the
// preferred first; empty when none does. The once part is decoded, or the
// repeat part when there is no once part; the README's pellwick-ir section
// lists the rules. A signal that fits a protocol more than one way does not
// fit it: never a guess.
std::vector<Decoded> decodeAll(const Signal& signal);
// The preferred fit of decodeAll, or unknown.
Decoded decode(const Signal& signal);

// "NEC1 D=12 S=34 F=56", "RC5 D=12 F=56 T=1", or "unknown": the parameters in
// the protocol's own order.
std::string decodeLine(const Decoded& decoded);
// {"protocol":"NEC1","D":12,"S":34,"F":56} or {"protocol":"unknown"}.
std::string decodeJson(const Decoded& decoded);

// ---------------------------------------------------------------------------
// Rendering.

// Makes the Pronto text of a protocol with its parameters: four upper-case
// hex digits per word, one blank between words. Missing parameters with a
// default take it. Returns false with a reason in *error for an unknown
// protocol, a missing parameter, one it does not have or one out of range;
// the reason names the parameter and its range ("F must be 0 to 127").
bool render(std::string_view protocol, const Params& params, std::string* pronto,
            std::string* error);

// Parses "NEC1 D=4 F=8" (words separated by blanks, NAME=decimal, names in
// any case) and renders it. The same errors as render, and one for a word
// that is not NAME=number.
bool renderWords(const std::vector<std::string>& words, std::string* pronto, std::string* error);

// ---------------------------------------------------------------------------
// Facts.

struct Cluster {
    double us;       // mean of the durations in the cluster
    unsigned count;
};

// A pair of a signal: its part and its place in it, from 1.
struct PairAt {
    bool repeat;
    size_t pair;
};

struct Facts {
    double carrierKHz = 0;
    size_t oncePairs = 0, repeatPairs = 0;
    double onceMs = 0, repeatMs = 0;
    double shortestMarkUs = 0, longestMarkUs = 0;
    double shortestSpaceUs = 0, longestSpaceUs = 0;
    std::vector<Cluster> marks;   // shortest first
    std::vector<Cluster> spaces;  // shortest first; lead-out gaps included
    // Durations of zero (no carrier, or no time), which no protocol sends:
    // the pairs that have them, in order.
    std::vector<PairAt> zeroMarks, zeroSpaces;
};

Facts facts(const Signal& signal);
// Readable lines, LF-separated, for the command-line tool and the inspector.
std::string factsText(const Facts& facts);
std::string factsJson(const Facts& facts);

// ---------------------------------------------------------------------------
// Waveform geometry, shared by the SVG plot and the inspector's drawing.

// The colours of the once and the repeat part, 0xRRGGBB, the same in the
// inspector and in the plot.
constexpr unsigned ONCE_COLOUR = 0x1F5FBF;
constexpr unsigned REPEAT_COLOUR = 0x2E8540;

struct MarkBar {
    double startUs, endUs;
    bool repeat;  // belongs to the repeat part
};

struct Waveform {
    double totalUs = 0;          // once part, then the repeat part once
    double repeatStartUs = 0;    // where the repeat part begins (totalUs when none)
    std::vector<MarkBar> marks;  // in time order
};

Waveform waveform(const Signal& signal);

// The waveform as an SVG document: marks as filled bars over a time axis in
// ms, once and repeat parts in their colours, carrier and decode in the
// title. A mark of zero length draws nothing.
std::string plotSvg(const Signal& signal);

}  // namespace ir
