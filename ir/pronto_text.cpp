// Pronto hex (learned, type 0000) to a signal in microseconds.
//
// Our own reading, with reasons a user can act on; the simulated driver keeps
// its own check in sim/pronto.cpp, and the fuzzer holds the two to the same
// verdict.
#include <cstdio>

#include "ir/ir.h"

namespace ir {

namespace {

// One carrier period of frequency code 1, in microseconds.
const double PERIOD_UNIT_US = 0.241246;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A word as the user typed it, short and printable.
std::string shown(std::string_view token)
{
    std::string out;
    for (size_t i = 0; i < token.size() && i < 12; ++i) {
        unsigned char c = static_cast<unsigned char>(token[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (token.size() > 12)
        out += "...";
    return out;
}

std::string fourHex(unsigned word)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", word & 0xFFFFu);
    return text;
}

bool refuse(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

}  // namespace

bool parsePronto(std::string_view text, Signal* signal, std::string* error)
{
    std::vector<unsigned> words;
    words.reserve(text.size() / 5 + 1);
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        size_t start = pos;
        while (pos < text.size() && !isSpace(text[pos]))
            ++pos;
        if (pos == start)
            break;
        std::string_view token = text.substr(start, pos - start);
        unsigned value = 0;
        bool hex = token.size() == 4;
        for (size_t i = 0; hex && i < 4; ++i) {
            int v = hexValue(token[i]);
            hex = v >= 0;
            if (hex)
                value = value * 16 + static_cast<unsigned>(v);
        }
        if (!hex)
            return refuse(error, "word " + std::to_string(words.size() + 1) + " is \"" + shown(token) +
                                     "\", not four hex digits");
        words.push_back(value);
    }

    size_t n = words.size();
    if (n < 6)
        return refuse(error, (n == 0 ? std::string("no words") : "only " + std::to_string(n) + " words") +
                                 ": a Pronto code has at least 6 (4 header words and a pair)");
    if (n % 2 != 0)
        return refuse(error, std::to_string(n) +
                                 " words, an odd number: the durations after the 4 header words come in pairs");
    if (words[0] != 0)
        return refuse(error, "word 1 is " + fourHex(words[0]) +
                                 ": only learned codes (type 0000) can be read");
    if (words[1] == 0)
        return refuse(error, "word 2, the frequency code, is 0000");
    size_t once = words[2], repeat = words[3];
    if (once + repeat == 0)
        return refuse(error, "words 3 and 4 give no pairs at all (0000 0000)");
    if (4 + 2 * (once + repeat) != n)
        return refuse(error, "words 3 and 4 announce " + std::to_string(once) + " once and " +
                                 std::to_string(repeat) + " repeat pairs, " +
                                 std::to_string(4 + 2 * (once + repeat)) + " words in all, but the text has " +
                                 std::to_string(n));

    if (signal) {
        Signal s;
        s.frequencyCode = words[1];
        double period = words[1] * PERIOD_UNIT_US;
        s.carrierHz = 1000000.0 / period;
        s.once.reserve(once);
        s.repeat.reserve(repeat);
        for (size_t i = 4; i < n; i += 2) {
            Pair p{words[i] * period, words[i + 1] * period};
            (i < 4 + 2 * once ? s.once : s.repeat).push_back(p);
        }
        *signal = std::move(s);
    }
    return true;
}

}  // namespace ir
