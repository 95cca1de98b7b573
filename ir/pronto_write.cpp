// Pronto hex from durations in microseconds.
#include "ir/pronto_write.h"

#include <cmath>
#include <cstdio>

namespace ir {

namespace {

const double PERIOD_UNIT_US = 0.241246;

void appendWord(std::string* text, unsigned word)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", word & 0xFFFFu);
    if (!text->empty())
        *text += ' ';
    *text += hex;
}

}  // namespace

unsigned prontoFrequencyCode(double carrierHz)
{
    if (!(carrierHz > 0) || !std::isfinite(carrierHz))
        return 0;
    double word = std::round(1000000.0 / (carrierHz * PERIOD_UNIT_US));
    return word >= 1 && word <= 0xFFFF ? static_cast<unsigned>(word) : 0;
}

bool writePronto(double carrierHz, const std::vector<Pair>& once, const std::vector<Pair>& repeat,
                 std::string* pronto, std::string* error)
{
    unsigned code = prontoFrequencyCode(carrierHz);
    if (code == 0) {
        *error = "a carrier of " + std::to_string(static_cast<long long>(carrierHz)) +
                 " Hz cannot be written as Pronto (63 Hz to 4.1 MHz)";
        return false;
    }
    if (once.empty() && repeat.empty()) {
        *error = "no durations";
        return false;
    }
    if (once.size() > 0xFFFF || repeat.size() > 0xFFFF) {
        *error = std::to_string(once.size() > repeat.size() ? once.size() : repeat.size()) +
                 " pairs in one part, more than Pronto holds (65,535)";
        return false;
    }
    double period = code * PERIOD_UNIT_US;
    std::string text;
    text.reserve(20 + 10 * (once.size() + repeat.size()));
    appendWord(&text, 0);
    appendWord(&text, code);
    appendWord(&text, static_cast<unsigned>(once.size()));
    appendWord(&text, static_cast<unsigned>(repeat.size()));
    for (const std::vector<Pair>* part : {&once, &repeat})
        for (const Pair& p : *part)
            for (double us : {p.markUs, p.spaceUs}) {
                if (!(us > 0) || !std::isfinite(us)) {
                    *error = "a duration of " + std::to_string(static_cast<long long>(us)) + " us";
                    return false;
                }
                double periods = std::round(us / period);
                if (periods > 0xFFFF) {
                    char why[160];
                    std::snprintf(why, sizeof why,
                                  "a duration of %.0f us is longer than Pronto holds at this carrier "
                                  "(65,535 periods, %.0f ms)",
                                  us, 0xFFFF * period / 1000.0);
                    *error = why;
                    return false;
                }
                appendWord(&text, periods < 1 ? 1u : static_cast<unsigned>(periods));
            }
    *pronto = std::move(text);
    return true;
}

std::string prontoText(const Signal& signal)
{
    double period = signal.frequencyCode * PERIOD_UNIT_US;
    std::string text;
    text.reserve(20 + 10 * (signal.once.size() + signal.repeat.size()));
    for (unsigned w : {0u, signal.frequencyCode, static_cast<unsigned>(signal.once.size()),
                       static_cast<unsigned>(signal.repeat.size())})
        appendWord(&text, w);
    for (const std::vector<Pair>* part : {&signal.once, &signal.repeat})
        for (const Pair& p : *part) {
            appendWord(&text, static_cast<unsigned>(std::lround(p.markUs / period)));
            appendWord(&text, static_cast<unsigned>(std::lround(p.spaceUs / period)));
        }
    return text;
}

}  // namespace ir
