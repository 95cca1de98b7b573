// Flipper Zero's .ir files: "key: value" lines, a signal per "name:",
// either raw (carrier, duty cycle, durations in us) or parsed (a protocol
// with its address and command, as the Flipper firmware's encoders lay
// them out). Parsed signals map to the IR core's protocols and parameters;
// export writes parsed where a code decodes to one of them, else raw.
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
const uint32_t KASEIKYO_PANASONIC = 0x2002;

// A protocol and its parameters as decodeLine writes them: "NEC1 D=4 S=251 F=8".
struct Words {
    std::string protocol;
    std::map<char, long> p;
    long get(char name) const
    {
        auto it = p.find(name);
        return it == p.end() ? -1 : it->second;
    }
};

Words decodedWords(const Signal& s)
{
    Words out;
    std::string line = decodeLine(decode(s));
    std::vector<std::string_view> w = words(line);
    if (w.empty() || w[0] == "unknown")
        return out;
    out.protocol = std::string(w[0]);
    for (size_t i = 1; i < w.size(); ++i)
        if (w[i].size() > 2 && w[i][1] == '=')
            out.p[w[i][0]] = std::atol(std::string(w[i].substr(2)).c_str());
    return out;
}

// A Flipper parsed signal as the core's protocol and parameter words.
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

std::string params(const char* protocol, long d, long s, long f)
{
    std::string w = protocol;
    if (d >= 0)
        w += " D=" + std::to_string(d);
    if (s >= 0)
        w += " S=" + std::to_string(s);
    if (f >= 0)
        w += " F=" + std::to_string(f);
    return w;
}

// The core's words for a Flipper signal; empty with a reason when the core
// has no protocol for it.
std::string coreWords(const std::string& protocol, uint32_t a, uint32_t c, std::string* why)
{
    if (protocol == "NEC")
        return params("NEC1", a, 255 - a, c);
    if (protocol == "NECext") {
        if ((c >> 8) == (~c & 0xFF))
            return params("NEC1", a & 0xFF, a >> 8, c & 0xFF);
        *why = "NECext with a 16-bit command (its high byte is not the low byte inverted): the IR core has no "
               "such protocol";
        return "";
    }
    if (protocol == "Samsung32")
        return params("NECx2", a, a, c);
    if (protocol == "RC5")
        return params("RC5", a, -1, c) + " T=0";
    if (protocol == "RC5X")  // the second start bit clear: F from 64 up
        return params("RC5", a, -1, 64 + (c & 0x3F)) + " T=0";
    if (protocol == "RC6")
        return params("RC6", a, -1, c) + " T=0";
    if (protocol == "SIRC")
        return params("Sony12", a, -1, c);
    if (protocol == "SIRC15")
        return params("Sony15", a, -1, c);
    if (protocol == "SIRC20")
        return params("Sony20", a & 0x1F, a >> 5, c);
    if (protocol == "Pioneer")
        return params("Pioneer", a, 255 - a, c);
    if (protocol == "Kaseikyo") {
        uint32_t vendor = (a >> 8) & 0xFFFF, id = (a >> 24) & 3, genre1 = (a >> 4) & 0xF, genre2 = a & 0xF;
        if (vendor == KASEIKYO_PANASONIC)
            return params("Panasonic", genre1 << 4, genre2 | ((c & 0xF) << 4), (id << 6) | (c >> 4));
        char text[120];
        std::snprintf(text, sizeof text, "Kaseikyo of vendor 0x%04X: the IR core knows only Panasonic's (0x2002)",
                      static_cast<unsigned>(vendor));
        *why = text;
        return "";
    }
    *why = protocol + ": the IR core has no such protocol yet";
    return "";
}

// The Flipper protocol, address and command for a code that decodes to one
// of the protocols a Flipper sends; false for the others.
bool flipperParsed(const Words& w, std::string* protocol, uint32_t* a, uint32_t* c)
{
    long d = w.get('D'), s = w.get('S'), f = w.get('F'), t = w.get('T');
    auto set = [&](const char* p, long address, long command) {
        *protocol = p;
        *a = static_cast<uint32_t>(address);
        *c = static_cast<uint32_t>(command);
        return true;
    };
    if (w.protocol == "NEC1")
        return s == 255 - d ? set("NEC", d, f) : set("NECext", d | (s << 8), f | ((~f & 0xFF) << 8));
    if (w.protocol == "NECx2" && s == d)
        return set("Samsung32", d, f);
    // The Flipper alternates RC5's and RC6's toggle by itself: only T=0
    // comes back the same.
    if (w.protocol == "RC5" && t == 0)
        return f < 64 ? set("RC5", d, f) : set("RC5X", d, f - 64);
    if (w.protocol == "RC6" && t == 0)
        return set("RC6", d, f);
    if (w.protocol == "Sony12")
        return set("SIRC", d, f);
    if (w.protocol == "Sony15")
        return set("SIRC15", d, f);
    if (w.protocol == "Sony20")
        return set("SIRC20", d | (s << 5), f);
    if (w.protocol == "Pioneer" && s == 255 - d)
        return set("Pioneer", d, f);
    if (w.protocol == "Panasonic" && (d & 0xF) == 0)
        return set("Kaseikyo", ((f >> 6) << 24) | (KASEIKYO_PANASONIC << 8) | ((d >> 4) << 4) | (s & 0xF),
                   (s >> 4) | ((f & 0x3F) << 4));
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
            std::string text = coreWords(m->flipper, a, c, &error);
            if (text.empty())
                return error;
            std::vector<std::string> w;
            for (std::string_view x : words(text))
                w.emplace_back(x);
            if (!renderWords(w, &out->pronto, &error))
                return text + ": " + error;
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
        std::string protocol;
        uint32_t a = 0, cmd = 0;
        if (flipperParsed(decodedWords(s), &protocol, &a, &cmd)) {
            out.text += "# \nname: " + name + "\ntype: parsed\nprotocol: " + protocol + "\naddress: " + hexBytes(a) +
                        "\ncommand: " + hexBytes(cmd) + "\n";
            continue;
        }
        std::vector<double> d = toDurations(s.once);
        std::vector<double> r = toDurations(s.repeat);
        d.insert(d.end(), r.begin(), r.end());
        double hz = std::round(s.carrierHz);
        if (d.size() > FLIPPER_MAX_TIMINGS) {
            out.skipped.push_back({0, c.name, std::to_string(d.size()) +
                                                  " durations: a Flipper raw signal holds at most 1024"});
            continue;
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
