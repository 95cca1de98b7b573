// pellwick_formats_bench: how fast the format converters read and write,
// on the host, as row 11 of the benchmark table (scripts/bench.sh builds it
// in Release beside row 8's benchmark and runs it). It prints figures;
// nothing here passes or fails.
//
//   pellwick_formats_bench [--quick]
//
// Targets: a 60-button LIRC pulse-distance remote read in under 20 ms; a
// collection of 1,000 such files, of the shapes LIRC's remote collection is
// made of, read with progress in under 10 s; a 100-code remote written in
// every format in under 10 ms each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ir/formats/formats.h"

namespace {

namespace fmt = ir::formats;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A lircd.conf of one remote with `buttons` codes, in one of the shapes
// that real remotes' files have, its timings varied a little as irrecord
// measures them.
std::string lircRemote(int shape, int buttons, std::mt19937* random)
{
    std::uniform_real_distribution<double> jitter(0.95, 1.05);
    auto us = [&](double nominal) { return std::to_string(static_cast<long>(nominal * jitter(*random))); };
    std::string body, codes;
    int bits = 16;
    switch (shape % 5) {
    case 0:  // NEC: 16 bits of device, 16 of command, a repeat code
        body = "  flags SPACE_ENC|CONST_LENGTH\n  header " + us(9000) + " " + us(4500) + "\n  one " + us(560) + " " +
               us(1690) + "\n  zero " + us(560) + " " + us(560) + "\n  ptrail " + us(560) + "\n  repeat " + us(9000) +
               " " + us(2250) + "\n  pre_data_bits 16\n  pre_data 0x20DF\n  gap 108000\n";
        break;
    case 1:  // Samsung-like: no repeat code, the whole frame again
        body = "  flags SPACE_ENC|CONST_LENGTH\n  header " + us(4500) + " " + us(4500) + "\n  one " + us(550) + " " +
               us(1650) + "\n  zero " + us(550) + " " + us(550) + "\n  ptrail " + us(550) +
               "\n  pre_data_bits 16\n  pre_data 0xE0E0\n  gap 108000\n";
        break;
    case 2:  // Sony: pulse width, 12 bits, 40 kHz
        bits = 12;
        body = "  flags SPACE_ENC|CONST_LENGTH\n  header " + us(2400) + " " + us(600) + "\n  one " + us(1200) + " " +
               us(600) + "\n  zero " + us(600) + " " + us(600) + "\n  gap 45000\n  min_repeat 2\n  frequency 40000\n";
        break;
    case 3:  // Panasonic: 48 bits in all
        body = "  flags SPACE_ENC\n  header " + us(3500) + " " + us(1750) + "\n  one " + us(430) + " " + us(1300) +
               "\n  zero " + us(430) + " " + us(430) + "\n  ptrail " + us(430) +
               "\n  pre_data_bits 32\n  pre_data 0x40040100\n  gap 75000\n  frequency 37000\n";
        break;
    default:  // RC5 bi-phase with a toggle bit
        bits = 13;
        body = "  flags RC5|CONST_LENGTH\n  one " + us(889) + " " + us(889) + "\n  zero " + us(889) + " " + us(889) +
               "\n  plead " + us(889) + "\n  gap 113792\n  toggle_bit_mask 0x800\n  frequency 36000\n";
        break;
    }
    std::uniform_int_distribution<int> code(0, (1 << bits) - 1);
    for (int b = 0; b < buttons; ++b) {
        char line[64];
        std::snprintf(line, sizeof line, "    KEY_%03d 0x%04X\n", b, code(*random));
        codes += line;
    }
    return "# generated\nbegin remote\n  name shape" + std::to_string(shape) + "\n  bits " + std::to_string(bits) +
           "\n  eps 30\n  aeps 100\n" + body + "  begin codes\n" + codes + "  end codes\nend remote\n";
}

struct Times {
    double median, worst;
};

template <typename Work>
Times timed(int runs, Work work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point t = Clock::now();
        work();
        ms.push_back(msSince(t));
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void row(const std::string& label, const std::string& figure, const std::string& beside)
{
    std::printf("   %-46s %-24s %s\n", label.c_str(), figure.c_str(), beside.c_str());
}

std::string ms(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", value);
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 2 || (argc == 2 && !quick)) {
        std::printf("usage: pellwick_formats_bench [--quick]\n");
        return 2;
    }
    int runs = quick ? 10 : 50;
    std::mt19937 random(16);
    size_t sink = 0;
    std::printf("\n11. Code file formats on the host (pellwick_formats_bench, Release build%s)\n",
                quick ? ", quick run" : "");

    std::string nec = lircRemote(0, 60, &random);
    fmt::Imported one = fmt::importText(nec);
    Times read = timed(runs, [&] { sink += fmt::importText(nec).codeCount(); });
    row("import: a 60-button LIRC SPACE_ENC remote", ms(read.median) + " median",
        "slowest " + ms(read.worst) + "; " + std::to_string(one.codeCount()) + " codes; target < 20 ms");

    std::vector<std::string> names, contents;
    for (int i = 0; i < 1000; ++i) {
        names.push_back("remote" + std::to_string(i) + ".lircd.conf");
        contents.push_back(lircRemote(i, 60, &random));
    }
    size_t told = 0, codes = 0, files = 0;
    Clock::time_point start = Clock::now();
    fmt::Batch batch = fmt::importFiles(
        names,
        [&](const std::string& name, std::string* content, std::string*) {
            *content = contents[static_cast<size_t>(std::atoi(name.c_str() + 6))];
            return true;
        },
        [&](size_t, size_t, const std::string&) { return ++told > 0; });
    double collection = msSince(start);
    for (const fmt::FileImport& f : batch.files) {
        codes += f.imported.codeCount();
        files += f.imported.refused.empty() ? 1 : 0;
    }
    row("import: 1,000 such files (5 shapes), progress", ms(collection),
        std::to_string(files) + " files, " + std::to_string(codes) + " codes, progress told " +
            std::to_string(told) + " times; target < 10 s");

    fmt::Remote hundred{"hundred", {}};
    for (int i = 0; hundred.codes.size() < 100; ++i)
        for (const fmt::Code& c : fmt::importText(lircRemote(i, 20, &random)).remotes[0].codes)
            if (hundred.codes.size() < 100)
                hundred.codes.push_back({"Button " + std::to_string(hundred.codes.size()), c.pronto, ""});
    for (const fmt::FormatInfo& f : fmt::formatList()) {
        fmt::Exported out;
        Times write = timed(runs, [&] {
            out = fmt::exportRemotes({hundred}, f.format);
            sink += out.text.size();
        });
        row(std::string("export: 100 codes as ") + f.title, ms(write.median) + " median",
            "slowest " + ms(write.worst) + "; " + std::to_string(out.text.size() / 1024) + " KB; target < 10 ms");
    }
    std::printf("   (checksum %zu)\n", sink);
    return 0;
}
