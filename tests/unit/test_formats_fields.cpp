// The formats' finer points: which format a file is, the exact layouts of
// sendir and CSV, Broadlink packets byte by byte, what a Flipper cannot
// take, several LIRC remotes in one file.
#include <gtest/gtest.h>

#include "ir/formats/formats.h"
#include "tests/codes.h"

namespace {

namespace fmt = ir::formats;

fmt::Imported one(const std::string& text, fmt::Format format = fmt::Format::Unknown)
{
    fmt::Imported in = fmt::importText(text, format);
    EXPECT_EQ(in.refused, "") << text.substr(0, 80);
    return in;
}

std::string lost(const std::vector<fmt::Problem>& list)
{
    std::string text;
    for (const fmt::Problem& p : list)
        text += fmt::problemText(p) + "\n";
    return text;
}

std::string decodeOf(const std::string& pronto)
{
    ir::Signal s;
    return ir::parsePronto(pronto, &s, nullptr) ? ir::decodeLine(ir::decode(s)) : "invalid";
}

}  // namespace

TEST(FormatFields, TheFormatIsFoundFromTheContent)
{
    // A misleading file name changes nothing; only content that tells
    // nothing falls back on it.
    struct { std::string text; const char* file; fmt::Format format; } cases[] = {
        {"# comment\n\nbegin remote\n", "codes.json", fmt::Format::Lirc},
        {"include \"other.conf\"\n", "", fmt::Format::Lirc},
        {"\xEF\xBB\xBF" "Filetype: IR signals file\n", "x.csv", fmt::Format::Flipper},
        {"  {\"commands\": {}}", "x.ir", fmt::Format::SmartIr},
        {"Power\tJgAEAAEBAQE=\n", "", fmt::Format::Broadlink},
        {"26000400010101\n", "", fmt::Format::Broadlink},
        {"Power: sendir,1:1,1,38000,1,1,10,10\n", "", fmt::Format::Sendir},
        {std::string(codes::NEC1) + "\n", "x.ir", fmt::Format::Pronto},
        {"Name;Protocol;D;F\n", "", fmt::Format::Csv},
        {"\n\n", "remote.ir", fmt::Format::Flipper},
        {"just words\n", "remote.lircd.conf", fmt::Format::Lirc},
        {"just words\n", "remote.txt", fmt::Format::Unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt::detect(c.text, c.file), c.format) << c.text.substr(0, 40);
}

TEST(FormatFields, SendirAndCsvLayoutsComeBackExactly)
{
    // A learnt code has only a once part; a published one may have only a
    // repeat part: sendir's offset and repeat count keep each layout.
    const std::string onceOnly = "0000 006D 0001 0000 0010 0200", repeatOnly = "0000 006D 0000 0001 0010 0200",
                      both = "0000 006D 0001 0001 0010 0200 0011 0300";
    for (const std::string& pronto : {onceOnly, repeatOnly, both}) {
        fmt::Exported out = fmt::exportRemotes({{"R", {{"A", pronto, ""}}}}, fmt::Format::Sendir);
        EXPECT_EQ(one(out.text).remotes[0].codes[0].pronto, pronto) << out.text;
    }
    EXPECT_EQ(fmt::exportRemotes({{"R", {{"A", both, ""}}}}, fmt::Format::Sendir).text,
              "A\tsendir,1:1,1,38029,1,3,16,512,17,768\n");
    EXPECT_NE(lost(one("A\tsendir,1:1,1,38000,5,3,16,512,17,768\n").lost).find("the repeat count"), std::string::npos);

    // CSV: quotes, semicolons, notes; an edited parameter wins over the
    // Pronto text beside it, which is kept when it agrees.
    fmt::Imported csv = one(
        "name;protocol;D;S;F;T;pronto;note\n"
        "\"Vol \"\"up\"\"; loud\";NEC1;12;34;56;;" + std::string(codes::NEC1) + ";from the old remote\n"
        "Edited;NEC1;12;34;57;;" + std::string(codes::NEC1) + ";\n"
        "Learnt;;;;;;" + onceOnly + ";\n");
    ASSERT_EQ(csv.codeCount(), 3u);
    const std::vector<fmt::Code>& c = csv.remotes[0].codes;
    EXPECT_EQ(c[0].name, "Vol \"up\"; loud");
    EXPECT_EQ(c[0].pronto, codes::NEC1);
    EXPECT_EQ(c[0].note, "from the old remote");
    EXPECT_EQ(decodeOf(c[1].pronto), "NEC1 D=12 S=34 F=57");
    EXPECT_NE(lost(csv.lost).find("Edited: the pronto column decodes otherwise"), std::string::npos);
    EXPECT_EQ(c[2].pronto, onceOnly);
    std::string written = fmt::exportRemotes(csv.remotes, fmt::Format::Csv).text;
    EXPECT_NE(written.find("\"Vol \"\"up\"\"; loud\",NEC1,12,34,56,,0000 006C"), std::string::npos) << written;
    EXPECT_EQ(one(written).remotes[0].codes[0].name, "Vol \"up\"; loud");

    // Parameters of any name the core has, in any case; a row gives its
    // protocol's own. A column that is no parameter is reported.
    fmt::Imported named = one("name,protocol,D,F,pairid,M,N,S,E,Vendor\n"
                              "Menu,Apple,238,2,7,,,,,Apple\n"
                              "Mute,Kaseikyo,5,30,,84,50,1,0,\n");
    ASSERT_EQ(named.codeCount(), 2u) << lost(named.skipped);
    EXPECT_EQ(decodeOf(named.remotes[0].codes[0].pronto), "Apple D=238 F=2 PairID=7");
    EXPECT_EQ(decodeOf(named.remotes[0].codes[1].pronto), "Kaseikyo D=5 S=1 F=30 E=0 M=84 N=50");
    EXPECT_NE(lost(named.lost).find("line 1: the column \"Vendor\" is neither"), std::string::npos);
    // Export: D, S, F and T first, then the other names the codes have.
    written = fmt::exportRemotes(named.remotes, fmt::Format::Csv).text;
    EXPECT_EQ(written.substr(0, written.find('\n')), "name,protocol,D,S,F,T,PairID,E,M,N,pronto,note");
    EXPECT_NE(written.find("\nMute,Kaseikyo,5,1,30,,,0,84,50,0000 "), std::string::npos) << written;
}

TEST(FormatFields, BroadlinkPacketsByteByByte)
{
    // 0x26, repeat count, length (LSB first), then durations in 2^-15 s:
    // 0x00 and two bytes (MSB first) for a long one; zeros pad the end.
    struct { const char* packet; size_t once; double firstUs, lastUs; const char* note; } cases[] = {
        {"260009000001282214000D0500", 2, 9033, 101715, "hex, a long mark and the usual 0x0D05 gap"},
        {"JgAJAAABKCIUAA0FAA==", 2, 9033, 101715, "the same in base64"},
        {"JgEJAAABKCIUAA0FAA==", 4, 9033, 101715, "repeat count 1: sent twice"},
        {"JgAEAAEBAQEAAAAA", 2, 31, 31, "zeros after the length are padding"},
        {"JgADAAEBAQ==", 2, 31, 100000, "ends with a mark: a 100 ms lead-out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        ir::Signal s;
        std::string error;
        ASSERT_TRUE(fmt::parseAnyCode(c.packet, &s, &error)) << error;
        EXPECT_EQ(s.once.size(), c.once);
        EXPECT_NEAR(s.once.front().markUs, c.firstUs, 14);
        EXPECT_NEAR(s.once.back().spaceUs, c.lastUs, 14);
        EXPECT_EQ(s.frequencyCode, 0x6Du);  // no protocol: 38 kHz
    }
    // A code that decodes takes its protocol's carrier.
    std::string packet = fmt::exportRemotes({{"R", {{"x", codes::RC5, ""}}}}, fmt::Format::Broadlink).text.substr(2);
    ir::Signal rc5;
    ASSERT_TRUE(fmt::parseAnyCode(packet, &rc5, nullptr));
    EXPECT_EQ(rc5.frequencyCode, 0x73u);
}

TEST(FormatFields, WhatAFlipperCannotTakeIsWrittenRawOrNotAtAll)
{
    std::string longCode = "0000 006D 0201 0000";
    for (int i = 0; i < 513; ++i)
        longCode += " 0010 0020";
    struct { std::string words, pronto; const char* expect; } cases[] = {
        {"RC5 D=1 F=2 T=1", "", "type: raw"},        // the Flipper sets the toggle itself
        {"NEC2 D=4 F=8", "", "type: raw"},           // a Flipper's NEC sends NEC1's repeats
        {"Pioneer D=4 S=9 F=8", "", "type: raw"},    // a Flipper's Pioneer has S = 255 - D
        {"", "0000 0040 0001 0000 0010 0200", "not written: carrier 64768 Hz: a Flipper sends 10 to 56 kHz"},
        {"", longCode, "not written: 1026 durations: a Flipper raw signal holds at most 1024"},
        // A little above the Flipper's 56 kHz: sent at 56, and still RCA.
        {"RCA D=15 F=42", "", "type: raw\nfrequency: 56000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expect);
        std::string pronto = c.pronto, error;
        if (!c.words.empty()) {
            std::vector<std::string> w;
            for (size_t start = 0, end; start < c.words.size(); start = end + 1) {
                end = c.words.find(' ', start);
                end = end == std::string::npos ? c.words.size() : end;
                w.push_back(c.words.substr(start, end - start));
            }
            ASSERT_TRUE(ir::renderWords(w, &pronto, &error)) << error;
        }
        fmt::Exported out = fmt::exportRemotes({{"R", {{"A", pronto, ""}}}}, fmt::Format::Flipper);
        std::string all = out.text + (out.skipped.empty() ? "" : "not written: " + out.skipped[0].reason);
        EXPECT_NE(all.find(c.expect), std::string::npos) << all;
        if (out.skipped.empty()) {
            EXPECT_EQ(decodeOf(one(out.text).remotes[0].codes[0].pronto), decodeOf(pronto));
        }
    }
}

TEST(FormatFields, SeveralLircRemotesInOneFile)
{
    const std::string body = "  bits 8\n  header 9000 4500\n  one 560 1690\n  zero 560 560\n  ptrail 560\n"
                              "  gap 100000\n  begin codes\n    KEY_A 0x01\n  end codes\nend remote\n";
    fmt::Imported in = one("begin remote\n  name tv\n" + body + "begin remote\n  name amp\n" + body);
    ASSERT_EQ(in.remotes.size(), 2u);
    EXPECT_EQ(in.remotes[1].name, "amp");
    // Back out: two remotes in one file; in a one-remote format the codes
    // carry their remote's name.
    EXPECT_EQ(one(fmt::exportRemotes(in.remotes, fmt::Format::Lirc).text).remotes.size(), 2u);
    EXPECT_EQ(one(fmt::exportRemotes(in.remotes, fmt::Format::Pronto).text).remotes[0].codes[1].name, "amp/KEY_A");
    EXPECT_EQ(fmt::summary(in, "two.conf"), "two.conf (LIRC lircd.conf): 2 codes in 2 remotes\n");
}
