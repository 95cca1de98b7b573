// Plain lists, one code a line: "name<TAB>code", "name: code" or the code
// alone, the code as Pronto hex, a Broadlink packet or a Global Cache
// sendir line. sendir holds the carrier in Hz and each duration as a count
// of carrier periods, as Pronto does: its counts go across unchanged.
#include <cmath>

#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

const double PERIOD_UNIT_US = 0.241246;

bool looksLikePronto(std::string_view text)
{
    std::vector<std::string_view> w = words(trim(text));
    return !w.empty() && w[0] == "0000" && (w.size() == 1 || w[1].size() == 4);
}

}  // namespace

Format codeKind(std::string_view code)
{
    if (looksLikeSendir(code))
        return Format::Sendir;
    if (looksLikePronto(code))
        return Format::Pronto;
    if (looksLikeBroadlink(code))
        return Format::Broadlink;
    return Format::Unknown;
}

namespace {

const char* kindText(Format f)
{
    return f == Format::Sendir ? "a sendir line" : f == Format::Pronto ? "a Pronto code" : "a Broadlink packet";
}

// Splits "name<TAB>code" or "name: code"; a line that is a code alone has
// an empty name.
void splitEntry(std::string_view line, std::string_view* name, std::string_view* code)
{
    size_t at = line.find('\t');
    size_t skip = 1;
    if (at == std::string_view::npos || looksLikePronto(line)) {
        at = codeKind(line) != Format::Unknown ? std::string_view::npos : line.rfind(": ");
        skip = 2;
    }
    if (at == std::string_view::npos) {
        *name = {};
        *code = trim(line);
        return;
    }
    *name = trim(line.substr(0, at));
    *code = trim(line.substr(at + skip));
}

// Counts in carrier periods to Pronto words, unchanged.
bool countsToPronto(double carrierHz, const std::vector<double>& counts, size_t onceCount, std::string* pronto,
                    std::string* error)
{
    double period = prontoFrequencyCode(carrierHz) * PERIOD_UNIT_US;
    std::vector<double> us;
    for (double c : counts)
        us.push_back(c * period);
    std::vector<Pair> all = toPairs(us, 0);
    std::vector<Pair> once(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(onceCount));
    std::vector<Pair> repeat(all.begin() + static_cast<std::ptrdiff_t>(onceCount), all.end());
    return writePronto(carrierHz, once, repeat, pronto, error);
}

}  // namespace

bool looksLikeSendir(std::string_view text)
{
    return startsWithNoCase(trim(text), "sendir,");
}

bool sendirToPronto(std::string_view line, std::string* pronto, std::string* error, std::string* lost)
{
    std::vector<std::string_view> f;
    std::string_view rest = trim(line);
    for (size_t comma; (comma = rest.find(',')) != std::string_view::npos; rest.remove_prefix(comma + 1))
        f.push_back(trim(rest.substr(0, comma)));
    f.push_back(trim(rest));
    if (f.size() < 8 || !equalNoCase(f[0], "sendir")) {
        *error = "a sendir line is sendir,MODULE:PORT,ID,FREQUENCY,REPEAT,OFFSET and then on and off counts";
        return false;
    }
    uint64_t hz = 0, repeat = 0, offset = 0;
    // Up to the highest carrier a Pronto code holds (its frequency word 1),
    // which is what a code near it is written back as.
    if (!parseUnsigned(f[3], 4145146, &hz) || hz == 0) {
        *error = "the frequency \"" + shown(f[3]) + "\" is not a carrier in Hz";
        return false;
    }
    if (!parseUnsigned(f[4], 65535, &repeat) || repeat == 0) {
        *error = "the repeat count \"" + shown(f[4]) + "\" is not a number from 1";
        return false;
    }
    std::vector<double> counts;
    for (size_t i = 6; i < f.size(); ++i) {
        uint64_t c = 0;
        if (!parseUnsigned(f[i], 65535, &c) || c == 0) {
            *error = "\"" + shown(f[i]) + "\" is not a count of carrier periods (1 to 65535)";
            return false;
        }
        counts.push_back(static_cast<double>(c));
    }
    if (counts.size() % 2 != 0) {
        *error = std::to_string(counts.size()) + " counts, an odd number: they come in on and off pairs";
        return false;
    }
    if (!parseUnsigned(f[5], 65535, &offset) || offset % 2 == 0 || offset > counts.size()) {
        *error = "the offset \"" + shown(f[5]) + "\" is not an odd place (1 to " + std::to_string(counts.size() - 1) +
                 ") among the counts";
        return false;
    }
    // The repeat part starts at the offset. From the start (1), a single
    // send is a code without a repeat part, more sends one without a once part.
    size_t onceCount = offset == 1 ? (repeat == 1 ? counts.size() / 2 : 0) : (offset - 1) / 2;
    if (repeat > (offset == 1 ? 2u : 1u))
        *lost = "the repeat count: a Pronto code sends its repeat part while the button is held";
    if (!countsToPronto(static_cast<double>(hz), counts, onceCount, pronto, error))
        return false;
    return true;
}

std::string prontoToSendir(const Signal& s)
{
    double period = s.frequencyCode * PERIOD_UNIT_US;
    // The offset and the repeat count that give the same parts back.
    size_t offset = s.once.empty() || s.repeat.empty() ? 1 : 2 * s.once.size() + 1;
    int repeat = s.once.empty() ? 2 : 1;
    std::string line = "sendir,1:1,1," + std::to_string(std::lround(s.carrierHz)) + "," + std::to_string(repeat) +
                       "," + std::to_string(offset);
    for (const std::vector<Pair>* part : {&s.once, &s.repeat})
        for (double us : ir::durations(*part))
            line += "," + std::to_string(std::lround(us / period));
    return line;
}

Imported readCodeList(std::string_view text, const std::string& stem, Format format)
{
    Imported out;
    out.format = format;
    Remote remote;
    remote.name = stem.empty() ? "Imported codes" : stem;
    Losses losses;
    size_t entries = 0;
    for (const Line& line : splitLines(text)) {
        std::string_view l = trim(line.text);
        if (l.empty() || l[0] == '#')
            continue;
        ++entries;
        std::string_view name, code;
        splitEntry(l, &name, &code);
        bool changed = false;
        std::string utf8 = name.empty() ? "Code " + std::to_string(remote.codes.size() + 1) : utf8Name(name, &changed);
        if (changed)
            losses.add(line.number, "a name that is not UTF-8 was read as Latin-1", utf8);
        Format kind = codeKind(code);
        if (kind != format) {
            out.skipped.push_back({line.number, utf8,
                                   kind == Format::Unknown ? "\"" + shown(code) + "\" is not " + kindText(format)
                                                           : std::string(kindText(kind)) + ", not " + kindText(format)});
            continue;
        }
        std::string pronto, error, lost;
        Signal s;
        bool ok = format == Format::Sendir  ? sendirToPronto(code, &pronto, &error, &lost)
                  : format == Format::Pronto ? parsePronto(code, &s, &error)
                                             : broadlinkToPronto(code, &pronto, &error, &lost);
        if (!ok) {
            out.skipped.push_back({line.number, utf8, error});
            continue;
        }
        if (format == Format::Pronto)
            pronto = prontoText(s);
        if (!lost.empty())
            losses.add(line.number, lost);
        remote.codes.push_back({utf8, pronto, ""});
    }
    if (remote.codes.empty() && out.skipped.size() == entries) {
        out.refused = entries == 0 ? "the file holds no codes"
                                   : "not a list of codes: no line holds " + std::string(kindText(format));
        out.skipped.clear();
        return out;
    }
    out.remotes.push_back(std::move(remote));
    out.lost = losses.list();
    return out;
}

Exported writeCodeList(const std::vector<Remote>& remotes, Format format)
{
    Exported out;
    size_t written = 0;
    for (const Writable& c : writable(flatCodes(remotes), &out)) {
        std::string error, code;
        if (format == Format::Broadlink && !prontoToBroadlink(c.signal, &code, &error)) {
            out.skipped.push_back({0, c.code.name, error});
            continue;
        }
        if (format == Format::Pronto)
            code = prontoText(c.signal);
        else if (format == Format::Sendir)
            code = prontoToSendir(c.signal);
        out.text += oneLineName(c.code.name, true, &out) + "\t" + code + "\n";
        ++written;
    }
    if (format == Format::Broadlink && written > 0)
        out.lost.push_back({0, "", "Broadlink packets hold no carrier; durations in steps of 30.5 us"});
    return out;
}

}  // namespace formats
}  // namespace ir
