// How a parameter's value is written, the one rule of Generate, the virtual
// remote and pellwick-ir render.
#include "ir/ir.h"

namespace ir {

bool parseNumber(std::string_view text, long long* value)
{
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return false;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        // A 19th digit goes past every range a parameter has: the value
        // stays there instead of overflowing.
        v = v >= 100000000000000000LL ? 1000000000000000000LL : v * 10 + (c - '0');
    }
    *value = negative ? -v : v;
    return true;
}

}  // namespace ir
