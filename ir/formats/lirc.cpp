// LIRC's lircd.conf: remotes of raw codes, and the encoded remotes (pulse
// distance, RC5 and RC6 bi-phase) that LIRC's remote collection is mostly
// made of. A code comes in as lircd sends it: the frame of a button press
// (with min_repeat repeats) as the once part, what a held button sends as
// the repeat part. Export writes raw codes, which every lircd reads.
#include <cmath>
#include <cstdio>

#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

enum Flag : unsigned {
    RAW_CODES = 1u << 0,
    RC5 = 1u << 1,  // SHIFT_ENC is its old name
    RC6 = 1u << 2,
    SPACE_ENC = 1u << 3,
    SPACE_FIRST = 1u << 4,
    REVERSE = 1u << 5,
    NO_HEAD_REP = 1u << 6,
    NO_FOOT_REP = 1u << 7,
    CONST_LENGTH = 1u << 8,
    REPEAT_HEADER = 1u << 9,
    UNSUPPORTED = 1u << 10,  // RCMM, XMP, GRUNDIG, BO, SERIAL, GOLDSTAR
};

struct FlagName {
    const char* name;
    unsigned flag;
};
const FlagName FLAGS[] = {
    {"RAW_CODES", RAW_CODES},     {"RC5", RC5},           {"SHIFT_ENC", RC5},
    {"RC6", RC6},                 {"SPACE_ENC", SPACE_ENC}, {"SPACE_FIRST", SPACE_FIRST},
    {"REVERSE", REVERSE},         {"NO_HEAD_REP", NO_HEAD_REP}, {"NO_FOOT_REP", NO_FOOT_REP},
    {"CONST_LENGTH", CONST_LENGTH}, {"REPEAT_HEADER", REPEAT_HEADER},
    {"RCMM", UNSUPPORTED},        {"XMP", UNSUPPORTED},   {"GRUNDIG", UNSUPPORTED},
    {"BO", UNSUPPORTED},          {"SERIAL", UNSUPPORTED}, {"GOLDSTAR", UNSUPPORTED},
};

// Parameters that only tell lircd how to receive: they say nothing of the
// signal a button sends.
const char* const RECEIVE_ONLY[] = {"eps", "aeps", "ignore_mask", "suppress_repeat", "min_code_repeat",
                                    "manual_sort", "driver", "two", "three", "baud", "serial_mode"};

// Durations of a frame as lircd lays them: neighbours of one kind merged,
// a space before the first mark dropped.
struct Sender {
    std::vector<double> d;
    double sum = 0;

    void pulse(double us)
    {
        if (us <= 0)
            return;
        if (d.size() % 2 == 1)
            d.back() += us;
        else
            d.push_back(us);
        sum += us;
    }
    void space(double us)
    {
        if (us <= 0 || d.empty())
            return;
        if (d.size() % 2 == 0)
            d.back() += us;
        else
            d.push_back(us);
        sum += us;
    }
};

struct Pulse {
    double p = 0, s = 0;
    bool given() const { return p > 0 && s > 0; }
};

struct LircCode {
    std::string name;
    size_t line;
    std::vector<uint64_t> values;  // encoded remotes
    std::vector<double> raw;       // raw remotes
    std::string error;
};

struct LircRemote {
    std::string name;
    size_t line = 0;
    unsigned flags = 0;
    int bits = 0, preBits = 0, postBits = 0;
    uint64_t preData = 0, postData = 0, toggleBitMask = 0, repeatMask = 0, rc6Mask = 0;
    unsigned toggleBit = 0, minRepeat = 0;
    size_t toggleLine = 0;
    Pulse header, one, zero, foot, repeat, pre, post;
    double plead = 0, ptrail = 0, gap = 0, repeatGap = 0, frequency = DEFAULT_CARRIER_HZ;
    std::string error;  // what makes every code of the remote unusable
    size_t errorLine = 0;
    std::vector<LircCode> codes;

    int allBits() const { return preBits + bits + postBits; }
    bool biphase() const { return (flags & (RC5 | RC6)) != 0; }

    // lircd's send_data: the bits of `data` from the top, `done` bits into
    // the whole of pre_data, code and post_data.
    void sendData(Sender* s, uint64_t data, int n, int done) const
    {
        for (int i = 0; i < n; ++i) {
            int bitIndex = (flags & REVERSE) ? i : n - 1 - i;
            int bit = static_cast<int>((data >> bitIndex) & 1);
            uint64_t mask = uint64_t(1) << (allBits() - 1 - done - i);
            bool wide = (mask & rc6Mask) != 0;
            const Pulse& b = bit ? one : zero;
            double p = wide ? 2 * b.p : b.p, sp = wide ? 2 * b.s : b.s;
            if ((bit && biphase()) || (flags & SPACE_FIRST)) {
                s->space(sp);
                s->pulse(p);
            } else {
                s->pulse(p);
                s->space(sp);
            }
        }
    }

    // The repeat code's frame (send_repeat) and its gap.
    std::vector<double> repeatFrame() const
    {
        Sender s;
        if ((flags & REPEAT_HEADER) && header.given()) {
            s.pulse(header.p);
            s.space(header.s);
        }
        s.pulse(plead);
        s.pulse(repeat.p);
        s.space(repeat.s);
        s.pulse(ptrail);
        return withGap(s, true);
    }

    // A code's frame as lircd's send_code lays it, the first of a press or
    // one sent again, and its gap.
    std::vector<double> frame(uint64_t value, bool again) const
    {
        Sender s;
        {
            if (!again || !(flags & NO_HEAD_REP)) {
                if (header.given()) {
                    s.pulse(header.p);
                    s.space(header.s);
                }
            }
            s.pulse(plead);
            if (preBits > 0) {
                sendData(&s, preData, preBits, 0);
                if (pre.given()) {
                    s.pulse(pre.p);
                    s.space(pre.s);
                }
            }
            sendData(&s, again && repeatMask ? value ^ repeatMask : value, bits, preBits);
            if (postBits > 0) {
                if (post.given()) {
                    s.pulse(post.p);
                    s.space(post.s);
                }
                sendData(&s, postData, postBits, preBits + bits);
            }
            s.pulse(ptrail);
            if ((!again || !(flags & NO_FOOT_REP)) && foot.given()) {
                s.space(foot.s);
                s.pulse(foot.p);
            }
            if (!again && (flags & NO_HEAD_REP) && (flags & CONST_LENGTH) && header.given())
                s.sum -= header.p + header.s;
        }
        return withGap(s, false);
    }

    // lircd leaves out a frame's last space and waits the gap instead.
    std::vector<double> withGap(Sender s, bool repeatCode) const
    {
        if (!s.d.empty() && s.d.size() % 2 == 0) {
            s.sum -= s.d.back();
            s.d.pop_back();
        }
        double g = gap;
        if (repeatCode && repeatGap > 0)
            g = repeatGap;
        else if ((flags & CONST_LENGTH) && gap > s.sum)
            g = gap - s.sum;
        if (g <= 0)
            g = DEFAULT_LEAD_OUT_US;
        s.d.push_back(g);
        return s.d;
    }
};

void append(std::vector<double>* to, const std::vector<double>& more)
{
    to->insert(to->end(), more.begin(), more.end());
}

class LircReader {
public:
    LircReader(std::string_view text, const std::string& stem) : text_(text), stem_(stem) {}

    Imported read()
    {
        out_.format = Format::Lirc;
        enum { OUTSIDE, REMOTE, CODES, RAW } state = OUTSIDE;
        LircRemote remote;
        bool anyRemote = false;
        size_t lastLine = 0;
        for (const Line& line : splitLines(text_)) {
            lastLine = line.number;
            std::vector<std::string_view> w = words(line.text);
            for (size_t i = 0; i < w.size(); ++i)
                if (w[i][0] == '#') {
                    w.resize(i);
                    break;
                }
            if (w.empty())
                continue;
            bool begin = equalNoCase(w[0], "begin") && w.size() >= 2;
            bool end = equalNoCase(w[0], "end") && w.size() >= 2;
            if (state == OUTSIDE) {
                if (begin && equalNoCase(w[1], "remote")) {
                    remote = LircRemote();
                    remote.line = line.number;
                    state = REMOTE;
                    anyRemote = true;
                } else if (equalNoCase(w[0], "include")) {
                    losses_.add(line.number, "include: the files it names are not read");
                } else {
                    out_.skipped.push_back({line.number, "", "\"" + shown(line.text) + "\" is outside a remote"});
                }
            } else if (state == REMOTE) {
                if (begin && equalNoCase(w[1], "codes")) {
                    state = CODES;
                } else if (begin && equalNoCase(w[1], "raw_codes")) {
                    state = RAW;
                } else if (end && equalNoCase(w[1], "remote")) {
                    finish(&remote);
                    state = OUTSIDE;
                } else {
                    parameter(&remote, w, line.number);
                }
            } else if (end && equalNoCase(w[1], state == CODES ? "codes" : "raw_codes")) {
                state = REMOTE;
            } else if (state == CODES) {
                codeLine(&remote, w, line.number);
            } else {
                rawLine(&remote, w, line.number);
            }
        }
        if (!anyRemote) {
            out_.refused = "not a LIRC file: no \"begin remote\"";
            out_.skipped.clear();
            return out_;
        }
        if (state != OUTSIDE) {
            // Encoded codes are whole lines; a raw code may have been cut.
            if (state == RAW && !remote.codes.empty()) {
                out_.skipped.push_back({remote.codes.back().line, remote.codes.back().name,
                                        "the file ends inside this raw code"});
                remote.codes.pop_back();
            }
            out_.skipped.push_back({lastLine, remote.name, "the file ends inside the remote (no \"end remote\")"});
            finish(&remote);
        }
        out_.lost = losses_.list();
        return out_;
    }

private:
    std::string_view text_;
    std::string stem_;
    Imported out_;
    Losses losses_;

    void fail(LircRemote* r, size_t line, const std::string& why)
    {
        if (r->error.empty()) {
            r->error = why;
            r->errorLine = line;
        }
    }

    void parameter(LircRemote* r, const std::vector<std::string_view>& w, size_t line)
    {
        std::string key(w[0]);
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto number = [&](size_t i, uint64_t max, uint64_t* v) {
            if (i < w.size() && parseUnsigned(w[i], max, v, true))
                return true;
            fail(r, line, key + ": " + (i < w.size() ? "\"" + shown(w[i]) + "\" is not a number up to " +
                                                           std::to_string(max)
                                                     : std::string("a value is missing")));
            return false;
        };
        auto duration = [&](size_t i, double* us) {
            uint64_t v = 0;
            if (number(i, 100000000, &v))
                *us = static_cast<double>(v);
        };
        auto pulse = [&](Pulse* p) {
            duration(1, &p->p);
            duration(2, &p->s);
        };
        auto count = [&](int* bits) {
            uint64_t v = 0;
            if (number(1, 64, &v))
                *bits = static_cast<int>(v);
        };
        auto mask = [&](uint64_t* m) { number(1, UINT64_MAX, m); };
        if (key == "name") {
            bool changed = false;
            std::string name;
            for (size_t i = 1; i < w.size(); ++i)
                name += (i > 1 ? " " : "") + std::string(w[i]);
            r->name = utf8Name(name, &changed);
            if (changed)
                losses_.add(line, "a name that is not UTF-8 was read as Latin-1", r->name);
        } else if (key == "flags") {
            std::string all;
            for (size_t i = 1; i < w.size(); ++i)
                all += std::string(w[i]);
            size_t start = 0;
            while (start <= all.size()) {
                size_t bar = all.find('|', start);
                std::string_view f = std::string_view(all).substr(start, bar == std::string::npos ? all.size() - start
                                                                                              : bar - start);
                bool known = f.empty();
                for (const FlagName& k : FLAGS)
                    if (equalNoCase(f, k.name)) {
                        r->flags |= k.flag;
                        known = true;
                        if (k.flag == UNSUPPORTED)
                            fail(r, line, "the " + std::string(k.name) + " encoding is not read");
                    }
                if (!known)
                    losses_.add(line, "flag " + shown(f) + " is not known and was left out");
                if (bar == std::string::npos)
                    break;
                start = bar + 1;
            }
        } else if (key == "bits") {
            count(&r->bits);
        } else if (key == "pre_data_bits") {
            count(&r->preBits);
        } else if (key == "post_data_bits") {
            count(&r->postBits);
        } else if (key == "pre_data") {
            mask(&r->preData);
        } else if (key == "post_data") {
            mask(&r->postData);
        } else if (key == "header") {
            pulse(&r->header);
        } else if (key == "one") {
            pulse(&r->one);
        } else if (key == "zero") {
            pulse(&r->zero);
        } else if (key == "foot") {
            pulse(&r->foot);
        } else if (key == "repeat") {
            pulse(&r->repeat);
        } else if (key == "pre") {
            pulse(&r->pre);
        } else if (key == "post") {
            pulse(&r->post);
        } else if (key == "plead") {
            duration(1, &r->plead);
        } else if (key == "ptrail") {
            duration(1, &r->ptrail);
        } else if (key == "gap") {
            duration(1, &r->gap);
        } else if (key == "repeat_gap") {
            duration(1, &r->repeatGap);
        } else if (key == "min_repeat") {
            uint64_t v = 0;
            if (number(1, 50, &v))
                r->minRepeat = static_cast<unsigned>(v);
        } else if (key == "toggle_bit") {
            uint64_t v = 0;
            if (number(1, 64, &v))
                r->toggleBit = static_cast<unsigned>(v);
            r->toggleLine = line;
        } else if (key == "toggle_bit_mask") {
            mask(&r->toggleBitMask);
            r->toggleLine = line;
        } else if (key == "repeat_mask") {
            mask(&r->repeatMask);
        } else if (key == "rc6_mask") {
            mask(&r->rc6Mask);
        } else if (key == "toggle_mask") {
            uint64_t m = 0;
            mask(&m);
            if (m)
                losses_.add(line, "toggle_mask: lircd flips these bits on every other press; the codes hold "
                                  "the first press");
        } else if (key == "frequency") {
            uint64_t v = 0;
            if (number(1, 10000000, &v)) {
                r->frequency = v ? static_cast<double>(v) : DEFAULT_CARRIER_HZ;
                if (!v)
                    losses_.add(line, "frequency 0 (no carrier): the codes are written at 38 kHz");
            }
        } else if (key == "duty_cycle") {
            uint64_t v = 0;
            if (number(1, 100, &v))
                losses_.add(line, "duty_cycle " + std::to_string(v) + " %: a Pronto code has no duty cycle");
        } else {
            for (const char* k : RECEIVE_ONLY)
                if (key == k)
                    return;
            losses_.add(line, "parameter " + shown(w[0]) + " is not known and was left out");
        }
    }

    void codeLine(LircRemote* r, const std::vector<std::string_view>& w, size_t line)
    {
        LircCode c;
        bool changed = false;
        c.name = utf8Name(w[0], &changed);
        c.line = line;
        if (changed)
            losses_.add(line, "a name that is not UTF-8 was read as Latin-1", c.name);
        for (size_t i = 1; i < w.size() && c.error.empty(); ++i) {
            uint64_t v = 0;
            if (!parseUnsigned(w[i], UINT64_MAX, &v, true))
                c.error = "\"" + shown(w[i]) + "\" is not a number";
            else
                c.values.push_back(v);
        }
        if (c.error.empty() && c.values.empty())
            c.error = "no code after the name";
        r->codes.push_back(std::move(c));
    }

    void rawLine(LircRemote* r, const std::vector<std::string_view>& w, size_t line)
    {
        size_t i = 0;
        if (equalNoCase(w[0], "name")) {
            LircCode c;
            bool changed = false;
            std::string name;
            for (size_t k = 1; k < w.size(); ++k)
                name += (k > 1 ? " " : "") + std::string(w[k]);
            c.name = utf8Name(name, &changed);
            c.line = line;
            if (c.name.empty())
                c.error = "a raw code without a name";
            r->codes.push_back(std::move(c));
            return;
        }
        if (r->codes.empty()) {
            out_.skipped.push_back({line, "", "durations before the first \"name\" of raw_codes"});
            return;
        }
        LircCode& c = r->codes.back();
        for (; i < w.size() && c.error.empty(); ++i) {
            uint64_t v = 0;
            if (!parseUnsigned(w[i], 100000000, &v) || v == 0)
                c.error = "line " + std::to_string(line) + ": \"" + shown(w[i]) +
                          "\" is not a duration (1 to 100,000,000 us)";
            else
                c.raw.push_back(static_cast<double>(v));
        }
    }

    void finish(LircRemote* r)
    {
        if (r->name.empty()) {
            r->name = stem_.empty() ? "LIRC remote" : stem_;
            losses_.add(r->line, "a remote without a name was named " + r->name);
        }
        if (r->error.empty() && !(r->flags & RAW_CODES)) {
            if (r->allBits() > 64)
                fail(r, r->line, std::to_string(r->allBits()) + " bits in all: lircd holds at most 64");
            else if (r->bits == 0)
                fail(r, r->line, "no \"bits\": the codes cannot be laid out");
            else if (!r->one.given() && !r->one.p && !r->one.s)
                fail(r, r->line, "no \"one\": the codes cannot be laid out");
        }
        if (!r->error.empty()) {
            out_.skipped.push_back({r->errorLine, r->name,
                                    r->error + " (" + std::to_string(r->codes.size()) + " codes not read)"});
            return;
        }
        // lircd's older toggle_bit counts from the first bit sent; in RC6 it
        // is also the double-length bit.
        if (r->toggleBit > 0 && static_cast<int>(r->toggleBit) <= r->allBits()) {
            uint64_t bit = uint64_t(1) << (r->allBits() - r->toggleBit);
            if (r->toggleBitMask == 0)
                r->toggleBitMask = bit;
            if ((r->flags & RC6) && r->rc6Mask == 0)
                r->rc6Mask = bit;
        }
        if (r->toggleBitMask)
            losses_.add(r->toggleLine, "toggle_bit_mask: lircd flips these bits from press to press; the codes "
                                       "keep them as the file writes them");
        Remote remote;
        remote.name = r->name;
        for (const LircCode& c : r->codes) {
            std::string pronto, error = c.error;
            if (error.empty())
                error = render(*r, c, &pronto);
            if (!error.empty())
                out_.skipped.push_back({c.line, c.name, error});
            else
                remote.codes.push_back({c.name, pronto, ""});
        }
        out_.remotes.push_back(std::move(remote));
    }

    static std::string render(const LircRemote& r, const LircCode& c, std::string* pronto)
    {
        std::vector<double> once, repeat;
        if (r.flags & RAW_CODES) {
            if (c.raw.empty())
                return "no durations";
            if (c.raw.size() % 2 == 0)
                return std::to_string(c.raw.size()) + " durations, an even number: lircd needs a raw code "
                                                      "to end with a pulse";
            Sender s;
            for (size_t i = 0; i < c.raw.size(); ++i)
                i % 2 ? s.space(c.raw[i]) : s.pulse(c.raw[i]);
            // lircd sends a raw code whole again while a button is held;
            // that is left to the sender, so the code stays one press.
            once = r.withGap(s, false);
        } else {
            if (c.values.empty())
                return "no code";
            for (uint64_t v : c.values)
                if (r.bits < 64 && (v >> r.bits) != 0) {
                    char why[96];
                    std::snprintf(why, sizeof why, "0x%llX has more than %d bits",
                                  static_cast<unsigned long long>(v), r.bits);
                    return why;
                }
            // A button of several codes sends them one after the other.
            for (size_t i = 0; i < c.values.size(); ++i)
                append(&once, r.frame(c.values[i], i > 0));
            repeat = r.repeat.given() ? r.repeatFrame() : r.frame(c.values[0], true);
            for (unsigned k = 0; k < r.minRepeat; ++k)
                append(&once, repeat);
        }
        std::string error;
        if (!writePronto(r.frequency, toPairs(once, DEFAULT_LEAD_OUT_US), toPairs(repeat, DEFAULT_LEAD_OUT_US),
                         pronto, &error))
            return error;
        return "";
    }
};

// lircd's names hold no blanks and start with no '#'.
std::string lircName(const std::string& name, std::vector<Problem>* lost, const std::string& what)
{
    std::string out;
    for (char c : name)
        out += (c == ' ' || c == '\t' || c == '\r' || c == '\n') ? '_' : c;
    if (out.empty() || out[0] == '#')
        out = "_" + out;
    if (out != name)
        lost->push_back({0, name, what + " written as " + out + ": lircd's names hold no blanks"});
    return out;
}

}  // namespace

Imported readLirc(std::string_view text, const std::string& stem)
{
    return LircReader(text, stem).read();
}

Exported writeLirc(const std::vector<Remote>& remotes)
{
    Exported out;
    out.text = "# Written by Pellwick: raw codes, durations in microseconds.\n";
    for (const Remote& remote : remotes) {
        struct Raw {
            std::string name;
            std::vector<double> d;
            double carrier, gap;
        };
        std::vector<Raw> raws;
        std::vector<std::string> names;
        for (const Writable& w : writable(remote.codes, &out)) {
            const Signal& s = w.signal;
            const Code& c = w.code;
            // A press sends the once part and the repeat part once; lircd
            // sends that whole again while the button is held.
            std::vector<double> d = ir::durations(s.once);
            std::vector<double> r = ir::durations(s.repeat);
            d.insert(d.end(), r.begin(), r.end());
            double gap = d.back();
            d.pop_back();
            std::string name = lircName(c.name, &out.lost, "code name");
            for (const std::string& n : names)
                if (n == name) {
                    std::string unique = name + "_" + std::to_string(names.size() + 1);
                    out.lost.push_back({0, c.name, "a second code of this name written as " + unique});
                    name = unique;
                    break;
                }
            names.push_back(name);
            raws.push_back({name, d, s.carrierHz, gap});
        }
        // One carrier and one gap for the remote: the first code's carrier,
        // the longest lead-out.
        double carrier = raws.empty() ? DEFAULT_CARRIER_HZ : std::round(raws[0].carrier);
        double gap = 0;
        for (const Raw& r : raws) {
            gap = r.gap > gap ? r.gap : gap;
            if (std::fabs(r.carrier - carrier) > 0.01 * carrier)
                out.lost.push_back({0, r.name, "carrier " + std::to_string(std::lround(r.carrier)) +
                                                   " Hz written as the remote's " +
                                                   std::to_string(std::lround(carrier)) + " Hz"});
        }
        char head[160];
        std::snprintf(head, sizeof head, "  flags RAW_CODES\n  eps 30\n  aeps 100\n  frequency %ld\n  gap %ld\n",
                      std::lround(carrier), std::lround(gap));
        out.text += "\nbegin remote\n  name " + lircName(remote.name, &out.lost, "remote name") + "\n" + head +
                    "  begin raw_codes\n";
        for (const Raw& r : raws) {
            out.text += "    name " + r.name + "\n";
            for (size_t i = 0; i < r.d.size(); ++i)
                out.text += (i % 8 == 0 ? "      " : " ") + std::to_string(std::lround(r.d[i])) +
                            (i % 8 == 7 || i + 1 == r.d.size() ? "\n" : "");
        }
        out.text += "  end raw_codes\nend remote\n";
    }
    return out;
}

}  // namespace formats
}  // namespace ir
