// Flipper Zero's .ir files: "key: value" lines, a signal per "name:",
// either raw (carrier, duty cycle, durations in us) or parsed (a protocol
// with its address and command, as the Flipper firmware's encoders lay
// them out). Parsed signals map to the IR core's protocols and parameters;
// export writes parsed where the Flipper's signal for a code decodes as the
// code does, else raw.
#include <cmath>
#include <cstdio>
#include <map>

#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

// The Flipper's own limits for a raw signal.
const size_t FLIPPER_MAX_TIMINGS = 1024;
const double FLIPPER_MIN_CARRIER = 10000, FLIPPER_MAX_CARRIER = 56000;
// A carrier this far above the Flipper's highest is written at the highest
// (RCA's 58 kHz, Panasonic_Old's 57.6), when the code still decodes alike.
const double FLIPPER_NEAR_CARRIER = 1.10;
// The carrier the Flipper sends its NEC, NEC42 and Kaseikyo at.
const double FLIPPER_CARRIER = 38000;

// A Flipper parsed signal's protocol and the largest address and command
// it takes.
struct Mapping {
    const char* flipper;
    uint32_t addressMax, commandMax;
};
const Mapping FLIPPER_PROTOCOLS[] = {
    {"NEC", 0xFF, 0xFF},      {"NECext", 0xFFFF, 0xFFFF}, {"NEC42", 0x1FFF, 0xFF},
    {"NEC42ext", 0x3FFFFFF, 0xFFFF}, {"Samsung32", 0xFF, 0xFF}, {"RC5", 0x1F, 0x3F},
    {"RC5X", 0x1F, 0x7F},     {"RC6", 0xFF, 0xFF},        {"SIRC", 0x1F, 0x7F},
    {"SIRC15", 0xFF, 0x7F},   {"SIRC20", 0x1FFF, 0x7F},   {"Kaseikyo", 0x3FFFFFF, 0x3FF},
    {"RCA", 0xF, 0xFF},       {"Pioneer", 0xFF, 0xFF},
};

struct FlipperCode {
    std::string protocol;
    uint32_t address = 0, command = 0;
};

// A pulse-distance frame as the Flipper's encoders time it: header, bits
// least significant first, a stop mark, then silence to the end of the
// period (NEC) or for a fixed gap (Kaseikyo).
struct PulseDistance {
    double headMark, headSpace, mark, zero, one;
    double periodUs, gapUs;
};
const PulseDistance FLIPPER_NEC = {9000, 4500, 560, 560, 1690, 110000, 0};
const PulseDistance FLIPPER_KASEIKYO = {3456, 1728, 432, 432, 1296, 0, 130000};

std::vector<Pair> layOut(const PulseDistance& t, uint64_t bits, int count)
{
    std::vector<Pair> frame = {{t.headMark, t.headSpace}};
    double used = t.headMark + t.headSpace + t.mark;
    for (int i = 0; i < count; ++i) {
        frame.push_back({t.mark, (bits >> i) & 1 ? t.one : t.zero});
        used += frame.back().markUs + frame.back().spaceUs;
    }
    frame.push_back({t.mark, t.periodUs > used ? t.periodUs - used : t.gapUs});
    return frame;
}

// A pulse-distance frame's bits as a Flipper's decoder reads them: after the
// header, a bit per pair, least significant first, 1 where the space is
// more than twice the mark, up to the stop mark, whose gap is longer than
// any bit's space.
struct Frame {
    double headMark = 0, headSpace = 0;
    int bits = 0;
    uint64_t value = 0;
    unsigned byte(int i) const { return static_cast<unsigned>(value >> (8 * i)) & 0xFF; }
};

Frame readFrame(const std::vector<Pair>& pairs)
{
    Frame f;
    if (pairs.empty())
        return f;
    f.headMark = pairs[0].markUs;
    f.headSpace = pairs[0].spaceUs;
    for (size_t i = 1; i < pairs.size() && f.bits < 64 && pairs[i].spaceUs <= 4 * pairs[i].markUs; ++i, ++f.bits)
        if (pairs[i].spaceUs > 2 * pairs[i].markUs)
            f.value |= uint64_t(1) << f.bits;
    return f;
}

bool near(double us, double nominal)
{
    return std::fabs(us - nominal) <= 0.25 * nominal;
}

// The six bytes the Flipper's Kaseikyo encoder sends: the vendor's two
// bytes, their parity nibble with genre 1, genre 2 with the command's low
// nibble, the command's other six bits with the id, and the XOR of the
// three before it. The address holds the id, the vendor and the genres.
uint64_t kaseikyoBytes(uint32_t address, uint32_t command)
{
    unsigned vendor = (address >> 8) & 0xFFFF, id = (address >> 24) & 3;
    unsigned b[6] = {vendor & 0xFF, vendor >> 8};
    unsigned parity = b[0] ^ b[1];
    b[2] = ((parity ^ (parity >> 4)) & 0xF) | (((address >> 4) & 0xF) << 4);
    b[3] = (address & 0xF) | ((command & 0xF) << 4);
    b[4] = (id << 6) | ((command >> 4) & 0x3F);
    b[5] = b[2] ^ b[3] ^ b[4];
    uint64_t value = 0;
    for (int i = 0; i < 6; ++i)
        value |= uint64_t(b[i]) << (8 * i);
    return value;
}

// The Flipper's address and command of a Kaseikyo frame; false when its
// parity nibble or its check byte is not the Flipper's.
bool kaseikyoFlipper(const Frame& f, uint32_t* address, uint32_t* command)
{
    *address = (static_cast<uint32_t>(f.byte(4) >> 6) << 24) | (static_cast<uint32_t>(f.byte(1)) << 16) |
               (f.byte(0) << 8) | (f.byte(2) & 0xF0) | (f.byte(3) & 0xF);
    *command = (f.byte(3) >> 4) | ((f.byte(4) & 0x3F) << 4);
    return kaseikyoBytes(*address, *command) == f.value;
}

uint32_t reversed(uint32_t v, int bits)
{
    uint32_t out = 0;
    for (int i = 0; i < bits; ++i)
        out |= ((v >> i) & 1) << (bits - 1 - i);
    return out;
}

bool renderCode(const char* protocol, const Params& params, std::string* pronto, std::string* why)
{
    if (render(protocol, params, pronto, why))
        return true;
    *why = std::string(protocol) + ": " + *why;
    return false;
}

// Frames the IR core names no protocol for, as the Flipper sends them:
// once, then again (or NEC's ditto) while the button is held.
bool flipperLayout(const PulseDistance& t, uint64_t bits, int count, bool ditto, std::string* pronto,
                   std::string* why)
{
    std::vector<Pair> frame = layOut(t, bits, count), repeat = frame;
    if (ditto)
        repeat = {{t.headMark, t.headSpace / 2}, {t.mark, t.periodUs - t.headMark - t.headSpace / 2 - t.mark}};
    return writePronto(FLIPPER_CARRIER, frame, repeat, pronto, why);
}

// The Pronto code of a parsed signal, its address and command as the
// Flipper firmware's encoders lay them out; false with the reason when it
// cannot be made. *unnamed is set when no protocol of the IR core names it
// and the code is the Flipper's own layout.
bool parsedCode(const FlipperCode& fc, std::string* pronto, std::string* why, bool* unnamed)
{
    const std::string& p = fc.protocol;
    long long a = fc.address, c = fc.command;
    *unnamed = false;
    if (p == "NEC")
        return renderCode("NEC1", {{"D", a}, {"F", c}}, pronto, why);
    if (p == "NECext" && (c >> 8) == (~c & 0xFF))
        return renderCode("NEC1", {{"D", a & 0xFF}, {"S", a >> 8}, {"F", c & 0xFF}}, pronto, why);
    if (p == "NECext")  // the high byte is not the low byte's complement: a 16-bit command
        return renderCode("NEC1-f16", {{"D", a & 0xFF}, {"S", a >> 8}, {"F", c}}, pronto, why);
    if (p == "NEC42" || (p == "NEC42ext" && (a >> 13) == (~a & 0x1FFF) && (c >> 8) == (~c & 0xFF)))
        return renderCode("NEC42", {{"D", a & 0x1FFF}, {"F", c & 0xFF}}, pronto, why);
    // The Flipper's Samsung32 sends ditto frames while held, as NECx1 does.
    if (p == "Samsung32")
        return renderCode("NECx1", {{"D", a}, {"S", a}, {"F", c}}, pronto, why);
    // The Flipper alternates RC5's and RC6's toggle by itself, from 0.
    if (p == "RC5")
        return renderCode("RC5", {{"D", a}, {"F", c}, {"T", 0}}, pronto, why);
    if (p == "RC5X")  // the second start bit clear: F from 64 up; the Flipper sends six bits of the command
        return renderCode("RC5", {{"D", a}, {"F", 64 + (c & 0x3F)}, {"T", 0}}, pronto, why);
    if (p == "RC6")
        return renderCode("RC6", {{"D", a}, {"F", c}, {"T", 0}}, pronto, why);
    if (p == "SIRC")
        return renderCode("Sony12", {{"D", a}, {"F", c}}, pronto, why);
    if (p == "SIRC15")
        return renderCode("Sony15", {{"D", a}, {"F", c}}, pronto, why);
    if (p == "SIRC20")
        return renderCode("Sony20", {{"D", a & 0x1F}, {"S", a >> 5}, {"F", c}}, pronto, why);
    if (p == "Pioneer")
        return renderCode("Pioneer", {{"D", a}, {"F", c}}, pronto, why);
    // The Flipper sends RCA at 38 kHz, its bits least significant first
    // where RCA's line sends D and F most significant first.
    if (p == "RCA")
        return renderCode("RCA-38", {{"D", reversed(fc.address, 4)}, {"F", reversed(fc.command, 8)}}, pronto, why);
    if (p == "Kaseikyo") {
        // The core names the frame by its maker (Panasonic, Denon-K, ...)
        // or as Kaseikyo with M and N, when one of them fits its check.
        uint64_t bits = kaseikyoBytes(fc.address, fc.command);
        Signal s;
        s.carrierHz = FLIPPER_CARRIER;
        s.once = layOut(FLIPPER_KASEIKYO, bits, 48);
        Decoded d = decode(s);
        if (d.known())
            return renderCode(d.protocol.c_str(), d.params, pronto, why);
        *unnamed = true;
        return flipperLayout(FLIPPER_KASEIKYO, bits, 48, false, pronto, why);
    }
    if (p == "NEC42ext") {
        *unnamed = true;
        return flipperLayout(FLIPPER_NEC, fc.address | (uint64_t(fc.command) << 26), 42, true, pronto, why);
    }
    *why = p + ": not a protocol the Flipper sends";
    return false;
}

// What a Flipper sends that could be this code: first by the decode's
// parameters, then by the bits of its first frame as the Flipper's
// decoder reads them. The caller keeps one only when it decodes the same.
std::vector<FlipperCode> flipperCandidates(const Decoded& d, const Signal& s)
{
    std::vector<FlipperCode> out;
    auto add = [&](const char* protocol, long long a, long long c) {
        out.push_back({protocol, static_cast<uint32_t>(a), static_cast<uint32_t>(c)});
    };
    const Params& p = d.params;
    long long D = p.get("D"), S = p.get("S"), F = p.get("F");
    if (d.protocol == "RC5")
        F < 64 ? add("RC5", D, F) : add("RC5X", D, F - 64);
    else if (d.protocol == "RC6")
        add("RC6", D, F);
    else if (d.protocol == "Sony12")
        add("SIRC", D, F);
    else if (d.protocol == "Sony15")
        add("SIRC15", D, F);
    else if (d.protocol == "Sony20")
        add("SIRC20", D | (S << 5), F);
    else if (d.protocol == "Pioneer")
        add("Pioneer", D, F);
    else if (d.protocol == "RCA-38")
        add("RCA", reversed(static_cast<uint32_t>(D), 4), reversed(static_cast<uint32_t>(F), 8));

    Frame f = readFrame(s.once.empty() ? s.repeat : s.once);
    uint32_t a = 0, c = 0;
    if (near(f.headMark, FLIPPER_NEC.headMark) && near(f.headSpace, FLIPPER_NEC.headSpace) && f.bits == 32) {
        bool plain = f.byte(1) == (~f.byte(0) & 0xFF) && f.byte(3) == (~f.byte(2) & 0xFF);
        plain ? add("NEC", f.byte(0), f.byte(2)) : add("NECext", f.value & 0xFFFF, f.value >> 16);
    } else if (near(f.headMark, FLIPPER_NEC.headMark) && near(f.headSpace, FLIPPER_NEC.headSpace) && f.bits == 42) {
        uint32_t address = f.value & 0x3FFFFFF, command = (f.value >> 26) & 0xFFFF;
        bool plain = (address >> 13) == (~address & 0x1FFF) && (command >> 8) == (~command & 0xFF);
        plain ? add("NEC42", address & 0x1FFF, command & 0xFF) : add("NEC42ext", address, command);
    } else if (near(f.headMark, 4500) && near(f.headSpace, 4500) && f.bits == 32 && f.byte(0) == f.byte(1) &&
               f.byte(3) == (~f.byte(2) & 0xFF)) {
        add("Samsung32", f.byte(0), f.byte(2));
    } else if (near(f.headMark, FLIPPER_KASEIKYO.headMark) && near(f.headSpace, FLIPPER_KASEIKYO.headSpace) &&
               f.bits == 48 && kaseikyoFlipper(f, &a, &c)) {
        add("Kaseikyo", a, c);
    }
    return out;
}

// The Flipper's parsed signal for a code, when one makes a code that
// decodes exactly as this one does.
bool flipperParsed(const Signal& s, FlipperCode* out)
{
    Decoded d = decode(s);
    if (!d.known())
        return false;
    for (const FlipperCode& fc : flipperCandidates(d, s)) {
        std::string pronto, why;
        bool unnamed = false;
        Signal back;
        if (parsedCode(fc, &pronto, &why, &unnamed) && !unnamed && parsePronto(pronto, &back, &why)) {
            Decoded again = decode(back);
            if (again.protocol == d.protocol && again.params == d.params) {
                *out = fc;
                return true;
            }
        }
    }
    return false;
}

// "04 00 00 00": four bytes, least significant first.
bool parseHexBytes(std::string_view text, uint32_t* value)
{
    std::vector<std::string_view> w = words(text);
    if (w.size() != 4)
        return false;
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        uint64_t b = 0;
        if (w[i].size() != 2 || !parseUnsigned("0x" + std::string(w[i]), 0xFF, &b))
            return false;
        v |= static_cast<uint32_t>(b) << (8 * i);
    }
    *value = v;
    return true;
}

std::string hexBytes(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
    return text;
}

struct Block {
    size_t line = 0;
    std::string name;
    std::map<std::string, std::string> fields;
    std::map<std::string, size_t> lines;
};

class FlipperReader {
public:
    FlipperReader(Losses* losses) : losses_(losses) {}

    // The code of a block, or a reason.
    std::string code(const Block& b, Code* out)
    {
        auto field = [&](const char* key) -> const std::string* {
            auto it = b.fields.find(key);
            return it == b.fields.end() ? nullptr : &it->second;
        };
        const std::string* type = field("type");
        if (!type)
            return "no \"type:\"";
        out->name = b.name;
        std::string error;
        if (*type == "raw") {
            const std::string *freq = field("frequency"), *duty = field("duty_cycle"), *data = field("data");
            if (!freq || !data)
                return std::string("a raw signal needs \"frequency:\" and \"data:\"");
            uint64_t hz = 0;
            if (!parseUnsigned(*freq, 10000000, &hz) || hz == 0)
                return "frequency \"" + shown(*freq) + "\" is not a carrier in Hz";
            double dutyValue = 0;
            if (duty && !parseDecimal(*duty, &dutyValue))
                return "duty_cycle \"" + shown(*duty) + "\" is not a number";
            if (duty)
                losses_->add(b.lines.at("duty_cycle"), "duty_cycle: a Pronto code has no duty cycle");
            std::vector<double> d;
            for (std::string_view w : words(*data)) {
                uint64_t us = 0;
                if (!parseUnsigned(w, 100000000, &us) || us == 0)
                    return "data: \"" + shown(w) + "\" is not a duration (1 to 100,000,000 us)";
                d.push_back(static_cast<double>(us));
            }
            if (!writePronto(static_cast<double>(hz), toPairs(d, DEFAULT_LEAD_OUT_US), {}, &out->pronto, &error))
                return error;
            return "";
        }
        if (*type == "parsed") {
            const std::string *protocol = field("protocol"), *address = field("address"), *command = field("command");
            if (!protocol || !address || !command)
                return "a parsed signal needs \"protocol:\", \"address:\" and \"command:\"";
            const Mapping* m = nullptr;
            for (const Mapping& k : FLIPPER_PROTOCOLS)
                if (equalNoCase(*protocol, k.flipper))
                    m = &k;
            if (!m)
                return "protocol \"" + shown(*protocol) + "\" is not one the Flipper sends";
            uint32_t a = 0, c = 0;
            if (!parseHexBytes(*address, &a))
                return "address \"" + shown(*address) + "\" is not four hex bytes";
            if (!parseHexBytes(*command, &c))
                return "command \"" + shown(*command) + "\" is not four hex bytes";
            if (a > m->addressMax || c > m->commandMax) {
                char why[120];
                std::snprintf(why, sizeof why, "%s takes an address up to 0x%X and a command up to 0x%X",
                              m->flipper, m->addressMax, m->commandMax);
                return why;
            }
            bool unnamed = false;
            if (!parsedCode({m->flipper, a, c}, &out->pronto, &error, &unnamed))
                return error;
            if (unnamed)
                losses_->add(b.lines.at("protocol"),
                             std::string(m->flipper) + ": the parsed form, as no protocol of the IR core names the "
                                                       "frame; the code is the frame as the Flipper sends it",
                             b.name);
            return "";
        }
        return "type \"" + shown(*type) + "\" is neither raw nor parsed";
    }

private:
    Losses* losses_;
};

}  // namespace

Imported readFlipper(std::string_view text, const std::string& stem)
{
    Imported out;
    out.format = Format::Flipper;
    std::vector<Line> lines = splitLines(text);
    size_t first = 0;
    while (first < lines.size() && trim(lines[first].text).empty())
        ++first;
    std::string_view head = first < lines.size() ? trim(lines[first].text) : std::string_view();
    if (!startsWithNoCase(head, "Filetype:") ||
        (!equalNoCase(trim(head.substr(9)), "IR signals file") && !equalNoCase(trim(head.substr(9)), "IR library file"))) {
        out.refused = "not a Flipper IR file: it does not begin with \"Filetype: IR signals file\"";
        return out;
    }
    Losses losses;
    FlipperReader reader(&losses);
    Remote remote;
    remote.name = stem.empty() ? "Flipper remote" : stem;
    std::vector<Block> blocks;
    bool version = false;
    for (size_t i = first + 1; i < lines.size(); ++i) {
        std::string_view l = trim(lines[i].text);
        if (l.empty() || l[0] == '#')
            continue;
        size_t colon = l.find(':');
        if (colon == std::string_view::npos) {
            out.skipped.push_back({lines[i].number, "", "\"" + shown(l) + "\" is not \"key: value\""});
            continue;
        }
        std::string key(trim(l.substr(0, colon)));
        std::string value(trim(l.substr(colon + 1)));
        if (key == "Version") {
            if (value != "1") {
                out.refused = "a Flipper IR file of version " + shown(value) + "; Pellwick reads version 1";
                return out;
            }
            version = true;
        } else if (key == "name") {
            bool changed = false;
            blocks.push_back(Block());
            blocks.back().line = lines[i].number;
            blocks.back().name = utf8Name(value, &changed);
            if (changed)
                losses.add(lines[i].number, "a name that is not UTF-8 was read as Latin-1", blocks.back().name);
        } else if (blocks.empty()) {
            out.skipped.push_back({lines[i].number, "", "\"" + key + "\" before the first \"name:\""});
        } else if (blocks.back().fields.count(key)) {
            blocks.back().fields[key] = "";  // given twice: the signal is not whole
            blocks.back().lines[key] = 0;
        } else {
            blocks.back().fields[key] = value;
            blocks.back().lines[key] = lines[i].number;
        }
    }
    if (!version) {
        out.refused = "not a Flipper IR file: no \"Version: 1\"";
        return out;
    }
    for (const Block& b : blocks) {
        for (const auto& kv : b.fields) {
            static const char* const KNOWN[] = {"type", "frequency", "duty_cycle", "data", "protocol", "address",
                                                "command"};
            bool known = false;
            for (const char* k : KNOWN)
                known = known || kv.first == k;
            if (!known)
                losses.add(b.lines.at(kv.first), "\"" + shown(kv.first) + ":\" is not known and was left out");
        }
        Code code;
        std::string why;
        for (const auto& kv : b.lines)
            if (kv.second == 0)
                why = "\"" + kv.first + ":\" is given twice";
        if (why.empty() && b.name.empty())
            why = "an empty name";
        if (why.empty())
            why = reader.code(b, &code);
        if (!why.empty())
            out.skipped.push_back({b.line, b.name, why});
        else
            remote.codes.push_back(std::move(code));
    }
    out.remotes.push_back(std::move(remote));
    out.lost = losses.list();
    return out;
}

Exported writeFlipper(const std::vector<Remote>& remotes)
{
    Exported out;
    out.text = "Filetype: IR signals file\nVersion: 1\n";
    for (const Writable& w : writable(flatCodes(remotes), &out)) {
        const Signal& s = w.signal;
        const Code& c = w.code;
        std::string name = oneLineName(c.name, false, &out);
        FlipperCode fc;
        if (flipperParsed(s, &fc)) {
            out.text += "# \nname: " + name + "\ntype: parsed\nprotocol: " + fc.protocol + "\naddress: " +
                        hexBytes(fc.address) + "\ncommand: " + hexBytes(fc.command) + "\n";
            continue;
        }
        std::vector<double> d = ir::durations(s.once);
        std::vector<double> r = ir::durations(s.repeat);
        d.insert(d.end(), r.begin(), r.end());
        double hz = std::round(s.carrierHz);
        if (d.size() > FLIPPER_MAX_TIMINGS) {
            out.skipped.push_back({0, c.name, std::to_string(d.size()) +
                                                  " durations: a Flipper raw signal holds at most 1024"});
            continue;
        }
        if (hz > FLIPPER_MAX_CARRIER && hz <= FLIPPER_MAX_CARRIER * FLIPPER_NEAR_CARRIER) {
            Signal slower = s;
            slower.carrierHz = FLIPPER_MAX_CARRIER;
            Decoded before = decode(s), after = decode(slower);
            if (after.protocol == before.protocol && after.params == before.params) {
                out.lost.push_back({0, c.name, "carrier " + std::to_string(std::lround(hz)) +
                                                   " Hz written as 56 kHz, the most a Flipper sends"});
                hz = FLIPPER_MAX_CARRIER;
            }
        }
        if (hz < FLIPPER_MIN_CARRIER || hz > FLIPPER_MAX_CARRIER) {
            out.skipped.push_back({0, c.name, "carrier " + std::to_string(std::lround(hz)) +
                                                  " Hz: a Flipper sends 10 to 56 kHz"});
            continue;
        }
        out.text += "# \nname: " + name + "\ntype: raw\nfrequency: " + std::to_string(std::lround(hz)) +
                    "\nduty_cycle: 0.330000\ndata:";
        for (double us : d)
            out.text += " " + std::to_string(std::lround(us));
        out.text += "\n";
    }
    return out;
}

}  // namespace formats
}  // namespace ir
