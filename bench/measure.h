// Small helpers of the benchmark that need no window: timings and their
// statistics, the test texts for the code box, and how figures are printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Milliseconds on the performance counter (the same clock in every process
// of the machine, so times taken in two processes can be compared).
double nowMs();

// A set of timings, in milliseconds.
class Samples {
public:
    void add(double ms) { values_.push_back(ms); }
    size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    double median() const;
    // Nearest-rank percentile, p in (0, 100]: the smallest value that at
    // least p percent of the samples do not exceed.
    double percentile(double p) const;
    double min() const;
    double max() const;
    // How many samples are above limit.
    size_t above(double limit) const;

private:
    std::vector<double> sorted() const;
    std::vector<double> values_;
};

// A valid Pronto code of exactly `chars` characters: a header, mark/space
// pairs (as many as fit, once burst first, then repeat burst), and blanks
// to make up the length. With lineWords, a line break (CR LF) follows every
// lineWords words instead of a blank, as in a code pasted from a text file;
// without, it is one line, as the program writes learnt codes. `salt`
// changes the first duration, so that two texts of the same length differ.
// Empty when chars is too small for one pair (29) or too large for the pair
// counts (about 1.3 million characters).
std::string prontoText(size_t chars, unsigned salt = 0, int lineWords = 0);

// The sequence number in a flood code ("F1" and ten hex digits); 0 for
// anything else.
uint64_t floodNumber(const std::string& code);

// Figures as the table prints them.
std::string fixed(double value, int decimals);
std::string millis(double ms);          // "12.345 ms", fewer decimals when large
std::string kilobytes(double bytes);    // "12,345 KB"
std::string signedCount(long long n);   // "+3", "-1", "0"
const char* verdict(bool met);          // "MET" / "MISSED"

}  // namespace bench
