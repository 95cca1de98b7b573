#include "sim/pronto.h"

namespace pronto {

namespace {

// Carrier period of frequency code 1, in microseconds.
const double PERIOD_UNIT_MICROS = 0.241246;

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

// Reads the word that starts at text[*pos]: exactly four hex digits followed
// by whitespace or the end.  Advances *pos past the word.
bool readWord(const char* text, size_t length, size_t* pos, uint16_t* word)
{
    uint32_t value = 0;
    size_t i = *pos;
    for (int digit = 0; digit < 4; ++digit, ++i) {
        if (i >= length)
            return false;
        int v = hexValue(text[i]);
        if (v < 0)
            return false;
        value = value * 16 + static_cast<uint32_t>(v);
    }
    if (i < length && !isSpace(text[i]))
        return false;
    *pos = i;
    *word = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

bool parse(const char* text, size_t length, Code* out)
{
    if (!text)
        return false;
    Code code;
    uint16_t header[4] = {};
    size_t wordCount = 0;
    size_t onceWords = 0;
    size_t repeatWords = 0;
    size_t pos = 0;
    for (;;) {
        while (pos < length && isSpace(text[pos]))
            ++pos;
        if (pos >= length)
            break;
        uint16_t word = 0;
        if (!readWord(text, length, &pos, &word))
            return false;
        if (wordCount < 4) {
            header[wordCount] = word;
            if (wordCount == 3) {
                if (header[0] != 0 || header[1] == 0)
                    return false;
                onceWords = 2 * static_cast<size_t>(header[2]);
                repeatWords = 2 * static_cast<size_t>(header[3]);
                if (onceWords + repeatWords == 0)
                    return false;
                if (out) {
                    code.once.reserve(onceWords);
                    code.repeat.reserve(repeatWords);
                }
            }
        } else {
            // The counts are known by now, so a code longer than they claim
            // fails here, before it can grow the vectors.
            size_t index = wordCount - 4;
            if (index >= onceWords + repeatWords)
                return false;
            if (out) {
                if (index < onceWords)
                    code.once.push_back(word);
                else
                    code.repeat.push_back(word);
            }
        }
        ++wordCount;
    }
    if (wordCount < 6 || wordCount != 4 + onceWords + repeatWords)
        return false;
    if (out) {
        code.type = header[0];
        code.freqCode = header[1];
        *out = std::move(code);
    }
    return true;
}

double carrierHz(const Code& code)
{
    if (code.freqCode == 0)
        return 0.0;
    return 1000000.0 / (code.freqCode * PERIOD_UNIT_MICROS);
}

double durationMicros(const Code& code)
{
    // Sums of at most 2 x 65535 words of at most 65535 fit in 64 bits easily.
    uint64_t periods = 0;
    for (uint16_t d : code.once)
        periods += d;
    for (uint16_t d : code.repeat)
        periods += d;
    return static_cast<double>(periods) * code.freqCode * PERIOD_UNIT_MICROS;
}

std::string format(const Code& code)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(5 * (4 + code.once.size() + code.repeat.size()));
    auto put = [&](uint16_t word) {
        if (!text.empty())
            text += ' ';
        text += DIGITS[(word >> 12) & 0xF];
        text += DIGITS[(word >> 8) & 0xF];
        text += DIGITS[(word >> 4) & 0xF];
        text += DIGITS[word & 0xF];
    };
    put(code.type);
    put(code.freqCode);
    put(static_cast<uint16_t>(code.once.size() / 2));
    put(static_cast<uint16_t>(code.repeat.size() / 2));
    for (uint16_t d : code.once)
        put(d);
    for (uint16_t d : code.repeat)
        put(d);
    return text;
}

Code burst(const Code& code)
{
    if (code.once.empty())
        return code;
    Code b;
    b.type = code.type;
    b.freqCode = code.freqCode;
    b.once = code.once;
    return b;
}

}  // namespace pronto
