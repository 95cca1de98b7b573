#include "measure.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

double nowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<double> Samples::sorted() const
{
    std::vector<double> v = values_;
    std::sort(v.begin(), v.end());
    return v;
}

double Samples::median() const
{
    if (values_.empty())
        return 0;
    std::vector<double> v = sorted();
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Samples::percentile(double p) const
{
    if (values_.empty())
        return 0;
    std::vector<double> v = sorted();
    double rank = std::ceil(p / 100.0 * static_cast<double>(v.size()));
    size_t index = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
    return v[std::min(index, v.size() - 1)];
}

double Samples::min() const
{
    return values_.empty() ? 0 : *std::min_element(values_.begin(), values_.end());
}

double Samples::max() const
{
    return values_.empty() ? 0 : *std::max_element(values_.begin(), values_.end());
}

size_t Samples::above(double limit) const
{
    return static_cast<size_t>(
        std::count_if(values_.begin(), values_.end(), [limit](double v) { return v > limit; }));
}

std::string prontoText(size_t chars, unsigned salt, int lineWords)
{
    const size_t HEADER = 19;  // "0000 006D OOOO RRRR"
    const size_t MAX_PAIRS = 2 * 0xFFFF;
    size_t words = 4;
    size_t pairs = 0;
    std::string body;
    body.reserve(chars);
    auto separator = [&] {
        return lineWords > 0 && words % static_cast<size_t>(lineWords) == 0 ? "\r\n" : " ";
    };
    char first[8];
    std::snprintf(first, sizeof first, "%04X", 0x10u + (salt & 0xFFu));
    while (pairs < MAX_PAIRS) {
        std::string pair = separator();
        pair += pairs == 0 ? first : "0010";
        ++words;
        pair += separator();
        pair += "0020";
        ++words;
        if (HEADER + body.size() + pair.size() > chars) {
            words -= 2;
            break;
        }
        body += pair;
        ++pairs;
    }
    // Padding beyond a pair's length means the pair counts could not hold the text.
    if (pairs == 0 || chars - HEADER - body.size() > 12)
        return std::string();
    size_t once = std::min<size_t>(pairs, 0xFFFF);
    char header[32];
    std::snprintf(header, sizeof header, "0000 006D %04X %04X", static_cast<unsigned>(once),
                  static_cast<unsigned>(pairs - once));
    std::string text = header + body;
    text.append(chars - text.size(), ' ');
    return text;
}

uint64_t floodNumber(const std::string& code)
{
    if (code.size() != 12 || code.compare(0, 2, "F1") != 0)
        return 0;
    uint64_t n = 0;
    for (size_t i = 2; i < code.size(); ++i) {
        char c = code[i];
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return 0;
        n = n * 16 + static_cast<uint64_t>(digit);
    }
    return n;
}

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string millis(double ms)
{
    double magnitude = std::fabs(ms);
    int decimals = magnitude >= 100 ? 1 : magnitude >= 10 ? 2 : 3;
    return fixed(ms, decimals) + " ms";
}

std::string kilobytes(double bytes)
{
    long long kb = static_cast<long long>(std::llround(bytes / 1024.0));
    bool negative = kb < 0;
    std::string digits = std::to_string(negative ? -kb : kb);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return (negative ? "-" : "") + grouped + " KB";
}

std::string signedCount(long long n)
{
    return n > 0 ? "+" + std::to_string(n) : std::to_string(n);
}

const char* verdict(bool met)
{
    return met ? "MET" : "MISSED";
}

}  // namespace bench
