// The helpers every format reader and writer shares.
#include <cctype>
#include <cmath>
#include <cstdio>

#include "ir/formats/internal.h"

namespace ir {
namespace formats {

std::vector<Line> splitLines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<Line> lines;
    size_t number = 1, start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r')
            continue;
        lines.push_back({number++, text.substr(start, i - start)});
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

std::string_view trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalNoCase(s.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> words(std::string_view s)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

bool parseUnsigned(std::string_view s, uint64_t max, uint64_t* value, bool octal)
{
    unsigned base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    } else if (octal && s.size() > 1 && s[0] == '0') {
        base = 8;
        s.remove_prefix(1);
    }
    if (s.empty())
        return false;
    uint64_t v = 0;
    for (char c : s) {
        unsigned d = c >= '0' && c <= '9' ? static_cast<unsigned>(c - '0')
                     : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
                     : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
                                            : 99;
        if (d >= base || v > (max - d) / base)
            return false;
        v = v * base + d;
    }
    *value = v;
    return true;
}

bool parseDecimal(std::string_view s, double* value)
{
    double v = 0, scale = 0;
    bool digits = false;
    for (char c : s) {
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (c >= '0' && c <= '9' && v < 1e12) {
            digits = true;
            if (scale > 0)
                scale /= 10;
            v = scale > 0 ? v + (c - '0') * scale : v * 10 + (c - '0');
        } else {
            return false;
        }
    }
    *value = v;
    return digits;
}

namespace {

// The length of the UTF-8 sequence at s[i], or 0 when it is not one.
size_t utf8Length(std::string_view s, size_t i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2))
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

}  // namespace

std::string utf8Name(std::string_view raw, bool* changed)
{
    *changed = false;
    for (size_t i = 0; i < raw.size();) {
        size_t n = utf8Length(raw, i);
        if (n == 0) {
            *changed = true;
            break;
        }
        i += n;
    }
    if (!*changed)
        return std::string(raw);
    std::string out;
    for (unsigned char c : raw) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string shown(std::string_view s)
{
    std::string out;
    size_t i = 0;
    for (; i < s.size() && out.size() < 40; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    // Never end inside a UTF-8 sequence.
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80 && i < s.size())
        out.pop_back();
    if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0 && i < s.size())
        out.pop_back();
    return i < s.size() ? out + "..." : out;
}

std::string fileStem(std::string_view fileName)
{
    size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    for (const char* ending : {".lircd.conf", ".conf", ".ir", ".json", ".csv", ".txt"})
        if (fileName.size() > std::string_view(ending).size() &&
            equalNoCase(fileName.substr(fileName.size() - std::string_view(ending).size()), ending)) {
            fileName.remove_suffix(std::string_view(ending).size());
            break;
        }
    bool changed;
    return utf8Name(fileName, &changed);
}

void Losses::add(size_t line, const std::string& reason, std::string_view entry)
{
    auto it = seen_.find(reason);
    if (it == seen_.end())
        seen_[reason] = {seen_.size(), line, std::string(entry), 1};
    else
        ++it->second.count;
}

std::vector<Problem> Losses::list() const
{
    std::vector<Problem> out(seen_.size());
    for (const auto& kv : seen_) {
        const Seen& s = kv.second;
        std::string reason = kv.first;
        if (s.count > 1)
            reason += " (" + std::to_string(s.count) + " times)";
        out[s.first] = {s.line, s.count > 1 ? std::string() : s.entry, reason};
    }
    return out;
}

std::string problemText(const Problem& p)
{
    std::string text;
    if (p.line > 0)
        text = "line " + std::to_string(p.line) + ": ";
    if (!p.entry.empty())
        text += p.entry + ": ";
    return text + p.reason;
}

size_t Imported::codeCount() const
{
    size_t n = 0;
    for (const Remote& r : remotes)
        n += r.codes.size();
    return n;
}

std::vector<Pair> toPairs(const std::vector<double>& durations, double leadOutUs)
{
    std::vector<Pair> pairs;
    pairs.reserve(durations.size() / 2 + 1);
    for (size_t i = 0; i < durations.size(); i += 2)
        pairs.push_back({durations[i], i + 1 < durations.size() ? durations[i + 1] : leadOutUs});
    return pairs;
}

bool codeSignal(const Code& code, Signal* signal, std::string* error)
{
    if (parsePronto(code.pronto, signal, error))
        return true;
    *error = "not valid Pronto: " + *error;
    return false;
}

double protocolCarrierHz(const Signal& signal)
{
    Decoded d = decode(signal);
    std::string text, error;
    Signal rendered;
    if (!d.known() || !render(d.protocol, d.params, &text, &error) || !parsePronto(text, &rendered, &error))
        return 0;
    return rendered.carrierHz;
}

std::vector<Code> flatCodes(const std::vector<Remote>& remotes)
{
    std::vector<Code> out;
    for (const Remote& r : remotes)
        for (const Code& c : r.codes) {
            out.push_back(c);
            if (remotes.size() > 1)
                out.back().name = r.name + "/" + c.name;
        }
    return out;
}

std::vector<Writable> writable(const std::vector<Code>& codes, Exported* out)
{
    std::vector<Writable> list;
    for (const Code& c : codes) {
        Writable w{c, Signal()};
        std::string error;
        if (codeSignal(c, &w.signal, &error))
            list.push_back(std::move(w));
        else
            out->skipped.push_back({0, c.name, error});
    }
    return list;
}

std::string oneLineName(const std::string& name, bool tabs, Exported* out)
{
    std::string line;
    for (char c : name)
        line += c == '\r' || c == '\n' || (tabs && c == '\t') ? ' ' : c;
    if (line != name)
        out->lost.push_back({0, name, "line ends in the name written as blanks"});
    return line;
}

}  // namespace formats
}  // namespace ir
