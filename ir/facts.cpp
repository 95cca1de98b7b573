// The facts about a signal that a user checks a code by: carrier, lengths,
// extremes, and the durations grouped into the few values they cluster at.
#include <algorithm>
#include <cstdio>

#include "ir/ir.h"
#include "ir/irp.h"

namespace ir {

namespace {

// Sorted durations into clusters: a cluster takes every following duration
// within the decoding tolerance of its shortest, so that a code's 1-unit and
// 3-unit durations never share one.
std::vector<Cluster> clusters(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    std::vector<Cluster> out;
    size_t i = 0;
    while (i < us.size()) {
        double first = us[i], sum = 0;
        size_t j = i;
        for (; j < us.size() && us[j] <= first + irp::tolerance(first); ++j)
            sum += us[j];
        out.push_back({sum / static_cast<double>(j - i), static_cast<unsigned>(j - i)});
        i = j;
    }
    return out;
}

std::string number(const char* format, double v)
{
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string clusterText(const std::vector<Cluster>& list)
{
    std::string text;
    for (const Cluster& c : list)
        text += (text.empty() ? "" : ", ") + number("%.0f", c.us) + " us x " + std::to_string(c.count);
    return text;
}

std::string clusterJson(const std::vector<Cluster>& list)
{
    std::string json;
    for (const Cluster& c : list)
        json += std::string(json.empty() ? "" : ",") + "{\"us\":" + number("%.0f", c.us) +
                ",\"count\":" + std::to_string(c.count) + "}";
    return "[" + json + "]";
}

// "zero-length marks: 3 (pairs: once 1, 2; repeat 4)\n", or nothing when
// there are none. A long code names its first few pairs only.
std::string zeroText(const char* what, const std::vector<PairAt>& at)
{
    if (at.empty())
        return "";
    const size_t SHOWN = 8;
    std::string text = std::string("zero-length ") + what + ": " + std::to_string(at.size()) + " (pairs: ";
    for (size_t i = 0; i < at.size() && i < SHOWN; ++i) {
        bool newPart = i == 0 || at[i].repeat != at[i - 1].repeat;
        text += std::string(i == 0 ? "" : newPart ? "; " : ", ") + (newPart ? (at[i].repeat ? "repeat " : "once ") : "") +
                std::to_string(at[i].pair);
    }
    return text + (at.size() > SHOWN ? ", ...)\n" : ")\n");
}

}  // namespace

Facts facts(const Signal& signal)
{
    Facts f;
    f.carrierKHz = signal.carrierHz / 1000.0;
    f.oncePairs = signal.once.size();
    f.repeatPairs = signal.repeat.size();
    std::vector<double> marks, spaces;
    for (const std::vector<Pair>* part : {&signal.once, &signal.repeat}) {
        double total = 0;
        bool repeat = part == &signal.repeat;
        for (const Pair& p : *part) {
            size_t at = marks.size() - (repeat ? signal.once.size() : 0) + 1;
            if (p.markUs == 0)
                f.zeroMarks.push_back({repeat, at});
            if (p.spaceUs == 0)
                f.zeroSpaces.push_back({repeat, at});
            marks.push_back(p.markUs);
            spaces.push_back(p.spaceUs);
            total += p.markUs + p.spaceUs;
        }
        (part == &signal.once ? f.onceMs : f.repeatMs) = total / 1000.0;
    }
    if (!marks.empty()) {
        auto m = std::minmax_element(marks.begin(), marks.end());
        auto s = std::minmax_element(spaces.begin(), spaces.end());
        f.shortestMarkUs = *m.first;
        f.longestMarkUs = *m.second;
        f.shortestSpaceUs = *s.first;
        f.longestSpaceUs = *s.second;
    }
    f.marks = clusters(marks);
    f.spaces = clusters(spaces);
    return f;
}

std::string factsText(const Facts& f)
{
    return "carrier: " + number("%.3f", f.carrierKHz) + " kHz\n" +
           "pairs: " + std::to_string(f.oncePairs) + " once, " + std::to_string(f.repeatPairs) + " repeat\n" +
           "length: once " + number("%.1f", f.onceMs) + " ms, repeat " + number("%.1f", f.repeatMs) + " ms\n" +
           "marks: " + number("%.0f", f.shortestMarkUs) + " to " + number("%.0f", f.longestMarkUs) + " us: " +
           clusterText(f.marks) + "\n" +
           "spaces: " + number("%.0f", f.shortestSpaceUs) + " to " + number("%.0f", f.longestSpaceUs) + " us: " +
           clusterText(f.spaces) + "\n" + zeroText("marks", f.zeroMarks) + zeroText("spaces", f.zeroSpaces);
}

std::string factsJson(const Facts& f)
{
    return "{\"carrierKHz\":" + number("%.3f", f.carrierKHz) +
           ",\"oncePairs\":" + std::to_string(f.oncePairs) + ",\"repeatPairs\":" + std::to_string(f.repeatPairs) +
           ",\"onceMs\":" + number("%.3f", f.onceMs) + ",\"repeatMs\":" + number("%.3f", f.repeatMs) +
           ",\"shortestMarkUs\":" + number("%.0f", f.shortestMarkUs) +
           ",\"longestMarkUs\":" + number("%.0f", f.longestMarkUs) +
           ",\"shortestSpaceUs\":" + number("%.0f", f.shortestSpaceUs) +
           ",\"longestSpaceUs\":" + number("%.0f", f.longestSpaceUs) +
           ",\"marks\":" + clusterJson(f.marks) + ",\"spaces\":" + clusterJson(f.spaces) +
           ",\"zeroMarks\":" + std::to_string(f.zeroMarks.size()) +
           ",\"zeroSpaces\":" + std::to_string(f.zeroSpaces.size()) + "}";
}

}  // namespace ir
