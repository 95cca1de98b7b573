// pellwick_ir_bench: how fast the IR code core decodes and renders, on the
// host, as row 8 of the benchmark table (scripts/bench.sh builds it in
// Release and runs it). It prints figures; nothing here passes or fails.
//
//   pellwick_ir_bench [--quick]
//
// The inspector decodes the code box on every keystroke, and a learnt code
// is up to 2,048 characters: that decode should take well under 1 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ir/ir.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string rendered(const std::vector<std::string>& words)
{
    std::string text, error;
    if (!ir::renderWords(words, &text, &error))
        std::fprintf(stderr, "render %s: %s\n", words[0].c_str(), error.c_str());
    return text;
}

// A code of exactly 2,048 characters: the once part of `code` repeated as
// often as fits, then blanks, as a learnt code padded to the learn buffer.
std::string learntSize(const std::string& code, bool spoil)
{
    ir::Signal s;
    ir::parsePronto(code, &s, nullptr);
    std::string frame = code.substr(20, 10 * s.once.size());
    std::vector<std::string> frames;
    size_t pairs = 0;
    while (19 + 10 * (pairs + s.once.size()) <= 2048) {
        frames.push_back(frame);
        pairs += s.once.size();
    }
    char header[32];
    std::snprintf(header, sizeof header, "0000 %04X %04X 0000", s.frequencyCode, static_cast<unsigned>(pairs));
    std::string text = header;
    for (const std::string& f : frames)
        text += " " + f.substr(0, f.size() - 1);
    if (spoil)  // one mark of the last frame twice as long: no protocol fits
        text.replace(text.size() - 19, 4, "0030");
    text.resize(2048, ' ');
    return text;
}

struct Figure {
    double perSecond;
    double meanUs;
    double p99Us;  // the slowest call but one in a hundred
};

// Runs `once` repeatedly for about `seconds`, timing every call.
template <typename Work>
Figure measure(double seconds, Work once)
{
    std::vector<double> times;
    Clock::time_point start = Clock::now();
    while (secondsSince(start) < seconds || times.size() < 100) {
        Clock::time_point t = Clock::now();
        once();
        times.push_back(secondsSince(t) * 1e6);
    }
    double total = secondsSince(start);
    double sum = 0;
    for (double t : times)
        sum += t;
    std::sort(times.begin(), times.end());
    return {static_cast<double>(times.size()) / total, sum / static_cast<double>(times.size()),
            times[times.size() * 99 / 100]};
}

std::string grouped(double v)
{
    std::string digits = std::to_string(static_cast<long long>(v + 0.5)), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

void row(const std::string& label, const Figure& f, const std::string& beside)
{
    char figure[64], mean[96];
    std::snprintf(figure, sizeof figure, "%s codes/s", grouped(f.perSecond).c_str());
    std::snprintf(mean, sizeof mean, "%.1f us each, 99 %% within %.1f us%s%s", f.meanUs, f.p99Us,
                  beside.empty() ? "" : "; ", beside.c_str());
    std::printf("   %-46s %-24s %s\n", label.c_str(), figure, mean);
}

}  // namespace

int main(int argc, char** argv)
{
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 2 || (argc == 2 && !quick)) {
        std::printf("usage: pellwick_ir_bench [--quick]\n");
        return 2;
    }
    double seconds = quick ? 0.2 : 1.0;
    unsigned long sink = 0;  // keeps the work from being optimised away

    struct Case {
        std::string label;
        std::string text;
    };
    std::string nec1 = rendered({"NEC1", "D=12", "S=34", "F=56"});
    std::vector<Case> decodes = {
        {"decode: NEC1 code, " + std::to_string(nec1.size()) + " characters", nec1},
        {"decode: 2,048 characters of NEC2 frames", learntSize(rendered({"NEC2", "D=4", "F=8"}), false)},
        {"decode: 2,048 characters of RC6 frames", learntSize(rendered({"RC6", "D=1", "F=3", "T=1"}), false)},
        {"decode: 2,048 characters that fit no protocol", learntSize(rendered({"NEC2", "D=4", "F=8"}), true)},
    };

    std::printf("\n8. IR code core on the host: parse and decode, render (pellwick_ir_bench, Release build%s)\n",
                quick ? ", quick run" : "");
    for (const Case& c : decodes) {
        Figure f = measure(seconds, [&] {
            ir::Signal s;
            if (ir::parsePronto(c.text, &s, nullptr))
                sink += ir::decode(s).protocol.size() + 1;
        });
        ir::Signal s;
        ir::parsePronto(c.text, &s, nullptr);
        std::string result = ir::decodeLine(ir::decode(s));
        row(c.label, f, c.text.size() == 2048 ? result + "; target well under 1 ms" : result);
    }

    const std::vector<ir::ProtocolInfo>& all = ir::protocols();
    size_t next = 0;
    Figure render = measure(seconds, [&] {
        const ir::ProtocolInfo& p = all[next++ % all.size()];
        ir::Params params;
        for (const ir::ParamSpec& param : p.params)
            params.set(param.name, param.min + (param.max - param.min + 1) / 3);
        std::string text;
        if (ir::render(p.name, params, &text, nullptr))
            sink += text.size();
    });
    row("render: every protocol in turn", render, "");
    std::printf("   (checksum %lu)\n", sink);
    return 0;
}
