// LIRC files against lircd's own reading of them: Debian's lirc package
// ships irsimsend, which parses a lircd.conf with lircd's code and writes
// the durations it would send. Every field and flag we read must give what
// it gives, and what we write must read back through it unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ir/formats/formats.h"

namespace {

namespace fmt = ir::formats;

// What irsimsend sends for the first code of a one-remote file: the press,
// and with count 2 one repeat. Empty when irsimsend refuses the file.
std::vector<double> lircdSends(const std::string& conf, int count)
{
    char dir[] = "/tmp/pellwick-lirc-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    std::ofstream(std::string(dir) + "/r.conf") << conf;
    std::string command = std::string("cd ") + dir + " && irsimsend -c " + std::to_string(count) +
                          " r.conf >/dev/null 2>&1";
    int status = std::system(command.c_str());
    EXPECT_NE(WEXITSTATUS(status), 127) << "irsimsend is missing: scripts/install-deps.sh installs lirc";
    std::vector<double> d;
    std::ifstream out(std::string(dir) + "/simsend.out");
    std::string kind;
    double us;
    while (out >> kind >> us)
        d.push_back(us);
    std::system((std::string("rm -rf ") + dir).c_str());
    return d;
}

std::vector<double> durations(const std::string& pronto, double* period)
{
    ir::Signal s;
    EXPECT_TRUE(ir::parsePronto(pronto, &s, nullptr)) << pronto;
    *period = s.frequencyCode * 0.241246;
    std::vector<double> d;
    for (const auto* part : {&s.once, &s.repeat})
        for (const ir::Pair& p : *part) {
            d.push_back(p.markUs);
            d.push_back(p.spaceUs);
        }
    return d;
}

std::string remote(const std::string& body, const std::string& codes)
{
    bool raw = body.find("RAW_CODES") != std::string::npos;
    return "# a test remote\nbegin remote\n  name test\n" + body + (raw ? "  begin raw_codes\n" : "  begin codes\n") +
           codes + (raw ? "  end raw_codes\n" : "  end codes\n") + "end remote\n";
}

std::string before(const std::string& text, const char* marker)
{
    return text.substr(0, text.find(marker));
}

}  // namespace

TEST(LircFormat, EveryFieldAndFlagAsLircdSendsIt)
{
    const std::string NEC = "  header 9000 4500\n  one 563 1687\n  zero 563 563\n";
    struct { const char* what; std::string body, codes; int count; } cases[] = {
        {"pulse distance with pre_data, ptrail, repeat and a constant length",
         NEC + "  flags SPACE_ENC|CONST_LENGTH\n  bits 16\n  ptrail 563\n  repeat 9000 2250\n  pre_data_bits 16\n"
               "  pre_data 0x20DF\n  gap 108000\n  frequency 38000\n",
         "    KEY_POWER 0x10EF   # comment after a code\n", 2},
        {"plead, pre, post, post_data, foot, gap and repeat_gap without a repeat code",
         "  bits 4\n  header 1000 2000\n  one 100 300\n  zero 100 200\n  plead 50\n  pre_data_bits 2\n"
         "  pre_data 0x2\n  pre 700 800\n  post 710 810\n  post_data_bits 2\n  post_data 0x1\n  foot 3000 4000\n"
         "  gap 50000\n  repeat_gap 60000\n",
         "    A 0x9\n", 2},
        {"no header on repeats, constant length", NEC + "  flags SPACE_ENC|NO_HEAD_REP|CONST_LENGTH\n  bits 8\n"
                                                        "  ptrail 563\n  gap 60000\n", "    B 0xA5\n", 2},
        {"no foot on repeats", NEC + "  flags SPACE_ENC|NO_FOOT_REP\n  bits 8\n  foot 1000 5000\n  gap 30000\n",
         "    C 0x5A\n", 2},
        {"repeat code with its header and repeat_gap",
         NEC + "  flags SPACE_ENC|REPEAT_HEADER\n  bits 8\n  ptrail 563\n  repeat 9000 2250\n  gap 40000\n"
               "  repeat_gap 90000\n",
         "    D 0x01\n", 2},
        {"repeat_mask flips bits of repeats", NEC + "  bits 8\n  ptrail 563\n  repeat_mask 0x0F\n  gap 40000\n",
         "    E 0x81\n", 2},
        {"least significant bit first", NEC + "  flags SPACE_ENC|REVERSE\n  bits 12\n  ptrail 563\n  gap 40000\n",
         "    F 0x123\n", 2},
        {"pulse width (Sony-like), no flags, octal and decimal codes",
         "  bits 12\n  header 2400 600\n  one 1200 600\n  zero 600 600\n  gap 45000\n  frequency 40000\n",
         "    G 021\n", 2},
        {"RC5 with plead and constant length", "  flags RC5|CONST_LENGTH\n  bits 13\n  one 889 889\n  zero 889 889\n"
                                               "  plead 889\n  gap 113792\n  frequency 36000\n",
         "    H 0x100C\n", 2},
        {"SHIFT_ENC is RC5", "  flags SHIFT_ENC\n  bits 13\n  one 889 889\n  zero 889 889\n  plead 889\n  gap 90000\n",
         "    I 0x1035\n", 2},
        {"RC6 with its double-length bit from rc6_mask",
         "  flags RC6|CONST_LENGTH\n  bits 16\n  header 2667 889\n  one 444 444\n  zero 444 444\n"
         "  pre_data_bits 21\n  pre_data 0x37FF0\n  gap 105000\n  rc6_mask 0x100000000\n  frequency 36000\n",
         "    J 0x7bfe\n", 2},
        {"raw codes over several lines, constant length",
         "  flags RAW_CODES|CONST_LENGTH\n  gap 100000\n  frequency 36000\n",
         "    name K\n      900 450 60 60\n      60 170 60\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string conf = remote(c.body, c.codes);
        fmt::Imported in = fmt::importText(conf, fmt::Format::Unknown, "test.lircd.conf");
        ASSERT_EQ(in.refused, "");
        ASSERT_EQ(in.codeCount(), 1u) << (in.skipped.empty() ? "" : in.skipped[0].reason);
        double period = 0;
        std::vector<double> ours = durations(in.remotes[0].codes[0].pronto, &period);
        std::vector<double> lircd = lircdSends(conf, c.count);
        ASSERT_EQ(ours.size(), lircd.size());
        for (size_t i = 0; i < ours.size(); ++i)
            EXPECT_NEAR(ours[i], lircd[i], period / 2 + 0.5) << "duration " << i;
    }
}

TEST(LircFormat, WhatLircdCannotSendOrProntoCannotHold)
{
    const std::string NEC = "  bits 16\n  header 9000 4500\n  one 563 1687\n  zero 563 563\n  ptrail 563\n"
                            "  gap 108000\n";
    struct { const char* what; std::string conf; size_t codes; const char* skipped; const char* lost; } cases[] = {
        {"a code wider than bits", remote(NEC, "  A 0x1FFFF\n  B 0x1\n"), 1, "0x1FFFF has more than 16 bits", ""},
        {"bad hex", remote(NEC, "  A 0xZZ\n"), 0, "\"0xZZ\" is not a number", ""},
        {"more than 64 bits", remote(NEC + "  pre_data_bits 64\n", "  A 0x1\n"), 0, "80 bits in all", ""},
        {"a huge duration", remote(NEC + "  foot 99999999999 5\n", "  A 0x1\n"), 0, "foot: \"99999999999\"", ""},
        {"a duration Pronto cannot hold", remote(NEC + "  foot 9000000 5\n", "  A 0x1\n"), 0, "longer than Pronto", ""},
        {"an unsupported encoding", remote(NEC + "  flags RCMM\n", "  A 0x1\n"), 0, "RCMM encoding is not read", ""},
        {"a raw code that ends with a space", remote("  flags RAW_CODES\n  gap 1000\n", "  name A\n  100 200\n"), 0,
         "an even number", ""},
        {"a truncated file", before(remote(NEC, "  A 0x1\n  B 0x2\n"), "end remote"), 2, "no \"end remote\"", ""},
        {"duty cycle and toggle bits", remote(NEC + "  duty_cycle 33\n  toggle_bit_mask 0x80\n", "  A 0x1\n"), 1, "",
         "duty_cycle 33 %"},
        {"several values: a sequence; min_repeat", remote(NEC + "  min_repeat 2\n", "  A 0x1 0x2\n"), 1, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fmt::Imported in = fmt::importText(c.conf, fmt::Format::Lirc);
        ASSERT_EQ(in.refused, "");
        EXPECT_EQ(in.codeCount(), c.codes);
        std::string skipped, lost;
        for (const fmt::Problem& p : in.skipped)
            skipped += fmt::problemText(p) + "\n";
        for (const fmt::Problem& p : in.lost)
            lost += fmt::problemText(p) + "\n";
        EXPECT_NE(skipped.find(c.skipped), std::string::npos) << skipped;
        EXPECT_NE(lost.find(c.lost), std::string::npos) << lost;
    }
    // Two values and min_repeat 2: two frames, then two repeats, in the once part.
    fmt::Imported seq = fmt::importText(cases[9].conf, fmt::Format::Lirc);
    ir::Signal s;
    ASSERT_TRUE(ir::parsePronto(seq.remotes[0].codes[0].pronto, &s, nullptr));
    EXPECT_EQ(s.once.size(), 4 * 18u);
    EXPECT_EQ(s.repeat.size(), 18u);
}

TEST(LircFormat, ExportIsReadByLircdUnchanged)
{
    // Codes of several shapes, one with a blank in its name, through our
    // RAW_CODES file and back through lircd's reading.
    std::vector<std::vector<std::string>> renders = {
        {"NEC1", "D=4", "F=8"}, {"RC6", "D=1", "F=3", "T=1"}, {"Sony20", "D=3", "S=200", "F=9"}, {"JVC", "D=3", "F=9"}};
    for (const auto& words : renders) {
        SCOPED_TRACE(words[0]);
        fmt::Remote r{"my remote", {{"Vol up", "", ""}}};
        ASSERT_TRUE(ir::renderWords(words, &r.codes[0].pronto, nullptr));
        fmt::Exported out = fmt::exportRemotes({r}, fmt::Format::Lirc);
        EXPECT_TRUE(out.skipped.empty());
        EXPECT_NE(out.text.find("name Vol_up"), std::string::npos);
        double period = 0;
        std::vector<double> ours = durations(r.codes[0].pronto, &period);
        std::vector<double> lircd = lircdSends(out.text, 1);
        ASSERT_EQ(ours.size(), lircd.size());
        for (size_t i = 0; i + 1 < ours.size(); ++i)
            EXPECT_EQ(std::lround(ours[i]), lircd[i]) << "duration " << i;
        EXPECT_EQ(std::lround(ours.back()), lircd.back());  // the gap: the longest lead-out
    }
}
