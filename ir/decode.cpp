// Decoding: every protocol's parsed IRP line is walked along the signal's
// durations, and what fits is named in a fixed order of preference.
//
// The walk lays the line's nominal marks and spaces end to end, merging
// neighbours of the same kind as the air does (a biphase half-bit next to
// its twin, a bit's space running into the frame's closing gap), and checks
// each measured duration when the level changes. A bit not known yet is
// tried both ways (every symbol value, for symbols of 2 or 4 bits); a wrong
// guess fails within a duration or two, so the walk stays linear. Once the
// first frame has given every parameter, the frames after it are rendered
// and compared duration by duration.
//
// What a learner does to a code, and what is still named:
// - every duration off by 25 % or 100 us, whichever is larger, around its
//   nominal value shifted by one receiver bias for the whole code: marks
//   longer by up to MAX_BIAS_US and spaces shorter by as much (or the
//   reverse), as a receiver's slow edges make them;
// - a part's last space, the lead-out, of any length: the learner stopped
//   where it liked; every lead-out before it is checked as any space;
// - several frames in a part, a repeat frame without the first frame (JVC
//   without its lead-in), a frame followed by its ditto frames;
// - a carrier within 10 % of the protocol's, or 0 (not measured).
#include <algorithm>
#include <cmath>

#include "ir/ir.h"
#include "ir/irp.h"

namespace ir {

namespace {

using namespace irp;

const double MAX_BIAS_US = 160;
const double CARRIER_FIT = 0.10;    // a protocol fits a carrier this close to its own
const double CARRIER_SAME = 0.03;   // carriers this close count as the same one
const size_t MAX_ENDS = 16;         // ways one frame may fit before the signal counts as too loose

// Where a walk stands in the signal's durations (even: marks, odd: spaces).
// Plain data, copied for every guess.
struct Cursor {
    size_t i;       // the duration being laid
    double used;    // nominal us laid into it so far; 0: not begun
    double lo, hi;  // the receiver bias every duration so far allows
};

const Cursor START = {0, 0, -MAX_BIAS_US, MAX_BIAS_US};

struct Durations {
    const double* d;
    size_t n;
    double relative, absoluteUs;  // the protocol's tolerance
};

// Duration c.i is complete at c.used nominal us: within the tolerance of it,
// shifted by a bias that all the others allow too.
bool check(const Durations& s, Cursor& c)
{
    double tol = std::max(s.relative * c.used, s.absoluteUs), off = s.d[c.i] - c.used;
    if (c.i % 2 == 1)
        off = -off;  // a mark lengthened by the bias, a space shortened
    c.lo = std::max(c.lo, off - tol);
    c.hi = std::min(c.hi, off + tol);
    return c.lo <= c.hi;
}

bool place(const Durations& s, Cursor& c, bool mark, double us)
{
    if (us <= 0)
        return true;
    if (c.used > 0) {
        if ((c.i % 2 == 0) == mark) {
            c.used += us;
            return true;
        }
        if (!check(s, c))
            return false;
        ++c.i;
        c.used = 0;
    }
    if (c.i >= s.n)
        return false;
    if ((c.i % 2 == 0) != mark)
        // A Pronto part starts with a mark: a frame's leading space (RC5's
        // start bit) is silence before it.
        return !mark && c.i == 0;
    c.used = us;
    return true;
}

// The part ends here: the frame's last space is the lead-out, of any
// length; or the frame ended on a mark and the part's last space follows.
bool finished(const Durations& s, Cursor c)
{
    if (c.used <= 0)
        return false;
    if (c.i + 1 == s.n && c.i % 2 == 1)
        return true;
    return c.i + 2 == s.n && c.i % 2 == 0 && check(s, c);
}

bool placeRuns(const Durations& s, Cursor& c, const std::vector<Run>& frame)
{
    for (const Run& r : frame)
        if (!place(s, c, r.mark, r.us))
            return false;
    return true;
}

// Whole frames, at least `least` of them, from c to the end of the part.
bool follow(const Durations& s, Cursor& c, const std::vector<Run>& frame, int least)
{
    for (int frames = 0;; ++frames) {
        if (frames >= least && finished(s, c))
            return true;
        size_t before = c.i;
        if (frame.empty() || !placeRuns(s, c, frame) || c.i == before)
            return false;
    }
}

// -- The walk of a frame --------------------------------------------------------

struct Walk {
    Cursor at = START;
    double t = 0;  // nominal us since the sequence began
    double origin[MAX_LEVELS] = {};
    long long value[MAX_NAMES] = {};
    unsigned long long known[MAX_NAMES] = {};
    unsigned long long field[MAX_FIELDS] = {};  // expression fields: their value, computed or read so far
    unsigned char state[MAX_FIELDS] = {};       // 0 not begun, 1 computed, 2 read from the signal
};

struct Pending {
    Walk w;
    size_t step, symbol;
};

class FrameWalk {
public:
    FrameWalk(const Protocol& p, const Sequence& seq, const Durations& s)
        // The walk covers one frame: its work is bounded by the frame's
        // size, however long the signal.
        : p_(p), seq_(seq), s_(s), budget_(64 * (seq.steps.size() + seq.slots.size()) + 20000)
    {
        stack_.reserve(32);
    }

    // Every way the sequence fits the signal from its first duration on, each
    // with the sequence's last space still open. False when there are too
    // many to tell one code from another.
    bool run(std::vector<Walk>* ends)
    {
        stack_.push_back({Walk(), 0, 0});
        while (!stack_.empty()) {
            Pending next = stack_.back();
            stack_.pop_back();
            if (advance(next) && accepted(next.w)) {
                ends->push_back(next.w);
                if (ends->size() > MAX_ENDS)
                    return false;
            }
            if (budget_ == 0)
                return false;
        }
        return true;
    }

private:
    bool lay(Walk& w, bool mark, double us) const
    {
        w.t += us > 0 ? us : 0;
        return place(s_, w.at, mark, us);
    }

    // The sent bit of a field's slot: 0 or 1, or -1 when not known yet.
    int knownBit(Walk& w, const Field& f, int bit) const
    {
        if (f.name >= 0) {
            int q = f.shift + bit;
            if (q > 63 || !((w.known[f.name] >> q) & 1))
                return q > 63 ? (f.complement ? 1 : 0) : -1;
            return static_cast<int>(((w.value[f.name] >> q) & 1) ^ (f.complement ? 1 : 0));
        }
        int k = f.index;
        if (w.state[k] == 0) {
            long long v = 0;
            bool now = evaluate(p_, f.data, w.value, w.known, &v);
            w.state[k] = now ? 1 : 2;
            w.field[k] = now ? fieldValue(f, v) : 0;
        }
        return w.state[k] == 1 ? static_cast<int>((w.field[k] >> bit) & 1) : -1;
    }

    void setBit(Walk& w, const Field& f, int bit, int sent) const
    {
        if (f.name >= 0) {
            int q = f.shift + bit;
            unsigned long long m = 1ULL << q;
            w.known[f.name] |= m;
            unsigned long long v = static_cast<unsigned long long>(w.value[f.name]);
            v = (sent ^ (f.complement ? 1 : 0)) ? v | m : v & ~m;
            w.value[f.name] = static_cast<long long>(v);
        } else if (sent) {
            w.field[f.index] |= 1ULL << bit;
        }
    }

    // Runs the walk on until the sequence ends (true) or the signal does not
    // fit (false); guesses that fit as well go on the stack.
    bool advance(Pending& pd)
    {
        Walk& w = pd.w;
        for (; pd.step < seq_.steps.size(); ++pd.step, pd.symbol = 0) {
            const Step& step = seq_.steps[pd.step];
            if (budget_ == 0)
                return false;
            --budget_;
            switch (step.kind) {
            case Step::MARK:
            case Step::SPACE:
                if (!lay(w, step.kind == Step::MARK, step.us))
                    return false;
                break;
            case Step::BEGIN:
                w.origin[step.level] = w.t;
                break;
            case Step::EXTENT:
                if (!lay(w, false, step.us - (w.t - w.origin[step.level])))
                    return false;
                w.origin[step.level] = w.t;
                break;
            case Step::ASSIGN: {
                long long v = 0;
                if (!evaluate(p_, step.expr, w.value, w.known, &v))
                    return false;
                w.value[step.target] = v;
                w.known[step.target] = ~0ULL;
                break;
            }
            case Step::SYMBOLS:
                if (!symbols(pd, step))
                    return false;
                break;
            }
        }
        return true;
    }

    bool symbols(Pending& pd, const Step& step)
    {
        Walk& w = pd.w;
        const BitSpec& bitSpec = p_.bitspecs[static_cast<size_t>(step.bitspec)];
        int k = bitSpec.bits;
        for (; static_cast<int>(pd.symbol) * k < step.count; ++pd.symbol) {
            if (budget_ == 0)
                return false;
            --budget_;
            const Slot* slots = &seq_.slots[static_cast<size_t>(step.first) + pd.symbol * static_cast<size_t>(k)];
            unsigned fixedMask = 0, fixedValue = 0;
            for (int i = 0; i < k; ++i) {
                int at = p_.msbFirst ? k - 1 - i : i;
                int b = knownBit(w, seq_.fields[static_cast<size_t>(slots[i].field)], slots[i].bit);
                if (b >= 0) {
                    fixedMask |= 1u << at;
                    fixedValue |= static_cast<unsigned>(b) << at;
                }
            }
            // Every symbol the known bits allow whose durations fit where the
            // walk stands (tried on the cursor alone: most guesses fail on
            // their first duration); the last one goes on in w.
            unsigned fit[16];
            Cursor at[16];
            double us[16];
            int fits = 0;
            for (unsigned v = 0; v < bitSpec.symbols.size(); ++v) {
                if ((v & fixedMask) != fixedValue)
                    continue;
                Cursor c = w.at;
                double total = 0;
                bool ok = true;
                for (const Duration& d : bitSpec.symbols[v]) {
                    ok = ok && place(s_, c, d.mark, d.us);
                    total += d.us;
                }
                if (ok) {
                    fit[fits] = v;
                    at[fits] = c;
                    us[fits++] = total;
                }
            }
            if (fits == 0)
                return false;
            for (int f = 0; f + 1 < fits; ++f) {
                stack_.push_back({w, pd.step, pd.symbol + 1});
                take(stack_.back().w, slots, k, fit[f], fixedMask, at[f], us[f]);
            }
            take(w, slots, k, fit[fits - 1], fixedMask, at[fits - 1], us[fits - 1]);
        }
        return true;
    }

    // Takes symbol v: its unknown bits become known, the walk stands where
    // its durations end.
    void take(Walk& w, const Slot* slots, int k, unsigned v, unsigned fixedMask, const Cursor& at, double us) const
    {
        for (int i = 0; i < k; ++i) {
            int bit = p_.msbFirst ? k - 1 - i : i;
            if (!((fixedMask >> bit) & 1))
                setBit(w, seq_.fields[static_cast<size_t>(slots[i].field)], slots[i].bit,
                       static_cast<int>((v >> bit) & 1));
        }
        w.at = at;
        w.t += us;
    }

    // The fields whose expressions could not be computed where they stood
    // (a checksum over values sent after it) agree with what was read.
    bool accepted(Walk& w) const
    {
        for (const Field& f : seq_.fields) {
            if (f.name >= 0 || w.state[f.index] != 2)
                continue;
            long long v = 0;
            if (!evaluate(p_, f.data, w.value, w.known, &v) || fieldValue(f, v) != w.field[f.index])
                return false;
        }
        return true;
    }

    const Protocol& p_;
    const Sequence& seq_;
    const Durations& s_;
    size_t budget_;
    std::vector<Pending> stack_;
};

// Every parameter known, each within its range.
bool complete(const Protocol& p, const Walk& w)
{
    for (int i = 0; i < p.parameters; ++i) {
        const Name& n = p.names[static_cast<size_t>(i)];
        if ((w.known[i] & n.mask) != n.mask || w.value[i] < n.min || w.value[i] > n.max)
            return false;
    }
    return true;
}

struct Fit {
    bool fits = false;
    bool ambiguous = false;  // fits more than one way: never a guess
    std::vector<long long> params;
};

// Whether the signal is frames of this protocol with one set of parameters:
// the once part the first frame, or a repeat frame that carries every
// parameter (a learner that missed the first frame), then repeat frames; the
// repeat part repeat frames. A repeat part without a once part is what the
// remote repeats: a whole NEC frame there is NEC2, never NEC1.
Fit fit(const Protocol& p, const std::vector<double>& once, const std::vector<double>& repeat)
{
    Fit result;
    const std::vector<double>& firstPart = once.empty() ? repeat : once;
    Durations first{firstPart.data(), firstPart.size(), p.relativeTolerance, p.absoluteToleranceUs};
    Durations rest{repeat.data(), repeat.size(), p.relativeTolerance, p.absoluteToleranceUs};
    if (first.n == 0)
        return result;
    std::vector<std::vector<long long>> found;
    for (const Sequence* seq : {&p.intro, &p.repeat}) {
        bool introRepeats = p.repeat.steps.empty();  // sent once: a held button sends it again
        if (!seq->carriesData() || (seq == &p.repeat && p.repeatIsIntro) ||
            (seq == &p.intro && once.empty() && !introRepeats && !p.repeatIsIntro))
            continue;
        std::vector<Walk> ends;
        if (!FrameWalk(p, *seq, first).run(&ends)) {
            result.ambiguous = true;
            return result;
        }
        for (const Walk& e : ends) {
            if (!complete(p, e))
                continue;
            std::vector<long long> params(e.value, e.value + p.parameters);
            std::vector<Run> introRuns, repeatRuns;
            std::string error;
            if (!runs(p, params.data(), &introRuns, &repeatRuns, &error))
                continue;
            const std::vector<Run>& next = repeatRuns.empty() ? introRuns : repeatRuns;
            Cursor c = e.at;
            if (!follow(first, c, next, 0))
                continue;
            Cursor r = {0, 0, c.lo, c.hi};
            if (!once.empty() && !repeat.empty() && !follow(rest, r, next, 1))
                continue;
            if (std::find(found.begin(), found.end(), params) == found.end())
                found.push_back(params);
        }
    }
    if (found.size() > 1)
        result.ambiguous = true;
    else if (found.size() == 1)
        result = {true, false, found.front()};
    return result;
}

bool carrierFits(const Protocol& p, double carrierHz)
{
    return carrierHz <= 0 || std::fabs(carrierHz / p.carrierHz - 1) <= CARRIER_FIT;
}

struct Found {
    const Protocol* row;
    std::vector<long long> params;
};

// The order of preference: fits whose carrier is the one nearest the
// measured carrier first; then the table's order, but a row that names
// another as preferredOver goes before it.
void order(std::vector<Found>* fits, double carrierHz)
{
    std::vector<Found> out;
    std::vector<Found> near, far;
    if (carrierHz > 0 && !fits->empty()) {
        double best = fits->front().row->carrierHz;
        for (const Found& f : *fits)
            if (std::fabs(std::log(f.row->carrierHz / carrierHz)) < std::fabs(std::log(best / carrierHz)))
                best = f.row->carrierHz;
        for (const Found& f : *fits)
            (std::fabs(f.row->carrierHz / best - 1) <= CARRIER_SAME ? near : far).push_back(f);
    } else {
        near = *fits;
    }
    for (std::vector<Found>* group : {&near, &far}) {
        while (!group->empty()) {
            size_t pick = 0;
            for (size_t i = 0; i < group->size(); ++i) {
                bool beaten = false;
                for (const Found& other : *group)
                    beaten = beaten || sameName(other.row->preferredOver, (*group)[i].row->name);
                if (!beaten) {
                    pick = i;
                    break;
                }
            }
            out.push_back((*group)[pick]);
            group->erase(group->begin() + static_cast<std::ptrdiff_t>(pick));
        }
    }
    fits->swap(out);
}

}  // namespace

std::vector<double> durations(const std::vector<Pair>& pairs)
{
    std::vector<double> d;
    d.reserve(2 * pairs.size());
    for (const Pair& p : pairs) {
        d.push_back(p.markUs);
        d.push_back(p.spaceUs);
    }
    return d;
}

namespace irp {

bool matches(const Protocol& p, const Signal& signal, std::vector<long long>* params)
{
    Fit f = fit(p, durations(signal.once), durations(signal.repeat));
    if (f.fits && params)
        *params = f.params;
    return f.fits;
}

}  // namespace irp

std::vector<Decoded> decodeAll(const Signal& signal)
{
    std::vector<double> once = durations(signal.once), repeat = durations(signal.repeat);
    std::vector<Found> fits;
    for (const Protocol& row : rows()) {
        if (!carrierFits(row, signal.carrierHz))
            continue;
        Fit f = fit(row, once, repeat);
        if (f.fits)
            fits.push_back({&row, f.params});
    }
    order(&fits, signal.carrierHz);
    std::vector<Decoded> out;
    for (const Found& f : fits) {
        Decoded d;
        d.protocol = f.row->name;
        for (int i = 0; i < f.row->parameters; ++i)
            d.params.set(f.row->names[static_cast<size_t>(i)].name, f.params[static_cast<size_t>(i)]);
        out.push_back(d);
    }
    return out;
}

Decoded decode(const Signal& signal)
{
    std::vector<Decoded> all = decodeAll(signal);
    return all.empty() ? Decoded() : all.front();
}

std::string decodeLine(const Decoded& decoded)
{
    const ProtocolInfo* info = decoded.known() ? findProtocol(decoded.protocol) : nullptr;
    if (!info)
        return "unknown";
    std::string line = info->name;
    for (const ParamSpec& p : info->params)
        if (const long long* v = decoded.params.find(p.name))
            line += " " + p.name + "=" + std::to_string(*v);
    return line;
}

std::string decodeJson(const Decoded& decoded)
{
    const ProtocolInfo* info = decoded.known() ? findProtocol(decoded.protocol) : nullptr;
    if (!info)
        return "{\"protocol\":\"unknown\"}";
    std::string json = "{\"protocol\":\"" + info->name + "\"";
    for (const ParamSpec& p : info->params)
        if (const long long* v = decoded.params.find(p.name))
            json += ",\"" + p.name + "\":" + std::to_string(*v);
    return json + "}";
}

}  // namespace ir
