// Decoding: one engine walks a protocol's frame, item by item, along the
// signal's durations, and every protocol is a row of the table.
//
// The engine lays the frame's nominal marks and spaces end to end, merging
// neighbours of the same kind as the air does (a biphase half-bit next to
// its twin, a bit's space running into the frame's closing gap), and checks
// each measured duration when the level changes. A bit that is not known yet
// is tried both ways; a wrong guess fails within a duration or two, so the
// walk stays linear. A signal decodes only when exactly one protocol with
// one set of parameters fits it.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ir/ir.h"
#include "ir/irp.h"

namespace ir {

namespace {

using irp::Item;
using irp::ParamId;
using irp::Row;
using irp::PARAM_COUNT;
using irp::PARAM_D;
using irp::PARAM_F;
using irp::PARAM_S;

// A row's parameter values, D, S, F, T.
struct Values {
    long value[PARAM_COUNT] = {0, 0, 0, 0};
    bool operator==(const Values& o) const
    {
        for (int p = 0; p < PARAM_COUNT; ++p)
            if (value[p] != o.value[p])
                return false;
        return true;
    }
    bool operator!=(const Values& o) const { return !(*this == o); }
};

struct Walk {
    size_t i = 0;        // the duration the signal is in
    double used = 0;     // nominal us of duration i laid so far; 0: not begun
    double elapsed = 0;  // nominal us since the frame began
    long value[PARAM_COUNT] = {0, 0, 0, 0};
    long known[PARAM_COUNT] = {0, 0, 0, 0};  // bits of value that a field has set
    unsigned onceFrames = 0, repeatFrames = 0;

    bool samePlace(const Walk& o) const
    {
        for (int p = 0; p < PARAM_COUNT; ++p)
            if (value[p] != o.value[p] || known[p] != o.known[p])
                return false;
        return i == o.i && used == o.used;
    }
};

bool near(double measured, double nominal)
{
    return std::fabs(measured - nominal) <= irp::tolerance(nominal);
}

int bitOf(long value, int bits, int k, bool msbFirst)
{
    return static_cast<int>((value >> (msbFirst ? bits - 1 - k : k)) & 1);
}

class Engine {
public:
    Engine(const Row& row, const std::vector<double>& durations)
        : row_(row), d_(durations), budget_(64 * durations.size() + 10000)
    {
    }

    bool exhausted() const { return budget_ == 0; }

    // Every way the frame fits the signal from w on, each ending with the
    // frame's last space still open.
    void frame(const std::vector<Item>& items, Walk w, std::vector<Walk>* ends)
    {
        w.elapsed = 0;
        walk(items, 0, 0, w, ends);
    }

private:
    static bool isMark(size_t i) { return i % 2 == 0; }

    bool place(Walk& w, bool mark, double us) const
    {
        w.elapsed += us;
        if (w.used > 0) {
            if (isMark(w.i) == mark) {
                w.used += us;
                return true;
            }
            if (!near(d_[w.i], w.used))
                return false;
            ++w.i;
            w.used = 0;
        }
        if (w.i >= d_.size())
            return false;
        if (isMark(w.i) != mark)
            // A Pronto signal starts with a mark: a frame's leading space
            // (RC5's start bit) is silence before it.
            return !mark && w.i == 0;
        w.used = us;
        return true;
    }

    bool sendBit(Walk& w, int bit, bool wide) const
    {
        const int* halves = bit ? row_.one : row_.zero;
        for (int j = 0; j < 2; ++j)
            if (halves[j] != 0 && !place(w, halves[j] > 0, std::abs(halves[j]) * row_.unitUs * (wide ? 2 : 1)))
                return false;
        return true;
    }

    bool sendValue(Walk& w, long value, int bits) const
    {
        for (int k = 0; k < bits; ++k)
            if (!sendBit(w, bitOf(value, bits, k, row_.msbFirst), false))
                return false;
        return true;
    }

    void walk(const std::vector<Item>& items, size_t index, int firstBit, Walk w, std::vector<Walk>* ends)
    {
        for (; index < items.size(); ++index, firstBit = 0) {
            if (budget_ == 0)
                return;
            --budget_;
            const Item& it = items[index];
            switch (it.kind) {
            case irp::DURATION:
                if (!place(w, it.units > 0, std::abs(it.units) * row_.unitUs))
                    return;
                break;
            case irp::EXTENT:
                if (it.us > w.elapsed && !place(w, false, it.us - w.elapsed))
                    return;
                break;
            case irp::CONSTANT:
                if (!sendValue(w, it.value, it.bits))
                    return;
                break;
            case irp::XOR_DSF: {
                long mask = (1L << it.bits) - 1;
                if ((w.known[PARAM_D] & w.known[PARAM_S] & w.known[PARAM_F] & mask) != mask)
                    return;
                if (!sendValue(w, (w.value[PARAM_D] ^ w.value[PARAM_S] ^ w.value[PARAM_F]) & mask, it.bits))
                    return;
                break;
            }
            case irp::FIELD:
                for (int k = firstBit; k < it.bits; ++k) {
                    long m = 1L << (it.shift + (row_.msbFirst ? it.bits - 1 - k : k));
                    long& value = w.value[it.param];
                    long& known = w.known[it.param];
                    if (known & m) {
                        if (!sendBit(w, ((value & m) != 0) != it.inverted, it.wide))
                            return;
                        continue;
                    }
                    for (int bit = 0; bit < 2; ++bit) {
                        Walk v = w;
                        v.known[it.param] |= m;
                        if ((bit != 0) != it.inverted)
                            v.value[it.param] |= m;
                        if (sendBit(v, bit, it.wide))
                            walk(items, index, k + 1, v, ends);
                    }
                    return;
                }
                break;
            }
        }
        ends->push_back(w);
    }

    const Row& row_;
    const std::vector<double>& d_;
    size_t budget_;
};

bool complete(const Row& row, const Walk& w)
{
    for (int p = 0; p < PARAM_COUNT; ++p) {
        long all = (1L << irp::paramBits(row, static_cast<ParamId>(p))) - 1;
        if ((w.known[p] & all) != all)
            return false;
    }
    return true;
}

Values paramsOf(const Walk& w)
{
    Values values;
    for (int p = 0; p < PARAM_COUNT; ++p)
        values.value[p] = w.value[p];
    return values;
}

// The values by name, in the order of the protocol's parameters.
Decoded decoded(const char* name, const Values& values)
{
    Decoded d;
    d.protocol = name;
    for (const ParamSpec& spec : findProtocol(name)->params)
        for (int p = 0; p < PARAM_COUNT; ++p)
            if (spec.name == irp::paramName(p))
                d.params.set(spec.name, values.value[p]);
    return d;
}

struct Match {
    bool fits = false;
    bool ambiguous = false;  // fits more than one way: never a guess
    Values params;
    unsigned onceFrames = 0, repeatFrames = 0;
};

// Whether the durations are one or more frames of the row, all with the same
// parameters: the first frame, or the repeat frame, in any order, the first
// of them carrying every parameter. With `given`, the parameters are already
// known (a repeat part after its once part) and any frame may come first.
Match matchRow(const Row& row, const std::vector<double>& d, const Values* given)
{
    Match result;
    if (d.empty())
        return result;
    Engine engine(row, d);
    std::vector<Walk> frontier(1);
    if (given)
        for (int p = 0; p < PARAM_COUNT; ++p) {
            frontier[0].value[p] = given->value[p];
            frontier[0].known[p] = (1L << irp::paramBits(row, static_cast<ParamId>(p))) - 1;
        }
    const std::vector<Item>* kinds[2] = {&row.once, &row.repeatFrame()};
    int kindCount = kinds[0] == kinds[1] ? 1 : 2;
    std::vector<Walk> finals;
    for (bool first = !given; !frontier.empty(); first = false) {
        std::vector<Walk> next;
        for (const Walk& start : frontier)
            for (int k = 0; k < kindCount; ++k) {
                std::vector<Walk> ends;
                engine.frame(*kinds[k], start, &ends);
                for (Walk& e : ends) {
                    if (first && !complete(row, e))
                        continue;
                    ++(k == 0 ? e.onceFrames : e.repeatFrames);
                    if (e.i + 1 == d.size()) {
                        // The lead-out: a learner may listen for as long as it likes.
                        if (e.i % 2 == 1 && d[e.i] >= e.used - irp::tolerance(e.used))
                            finals.push_back(e);
                    } else {
                        bool seen = false;
                        for (const Walk& n : next)
                            seen = seen || n.samePlace(e);
                        if (!seen)
                            next.push_back(e);
                    }
                }
            }
        // More than a handful of places to be in at a frame's end: the
        // durations fit too loosely to tell one code from another.
        if (engine.exhausted() || next.size() > 8) {
            result.ambiguous = true;
            return result;
        }
        frontier.swap(next);
    }
    for (const Walk& f : finals) {
        Values p = paramsOf(f);
        if (result.fits && p != result.params) {
            result.ambiguous = true;
            result.fits = false;
            return result;
        }
        if (!result.fits) {
            result.fits = true;
            result.params = p;
            result.onceFrames = f.onceFrames;
            result.repeatFrames = f.repeatFrames;
        }
    }
    return result;
}

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

// NEC1, NEC2 and Pioneer send the same frame. A carrier nearer 40 kHz than
// 38.4 kHz makes it Pioneer, whatever follows; otherwise what follows the
// first frame (in the once part and in the repeat part) tells: whole frames
// make NEC2, short repeat frames or nothing make NEC1, a mixture neither.
const char* necKind(const Signal& signal, const Match& nec1, bool wholeFramesOnly)
{
    if (signal.carrierHz >= 39200.0)
        return wholeFramesOnly ? "Pioneer" : nullptr;
    if (signal.once.empty())
        return wholeFramesOnly ? "NEC2" : nullptr;
    unsigned frames = nec1.onceFrames - 1, shorts = nec1.repeatFrames;
    if (!signal.repeat.empty()) {
        Match after = matchRow(*irp::findRow("NEC1"), durations(signal.repeat), &nec1.params);
        if (!after.fits)
            return nullptr;
        frames += after.onceFrames;
        shorts += after.repeatFrames;
    }
    if (frames == 0)
        return "NEC1";
    return shorts == 0 ? "NEC2" : nullptr;
}

}  // namespace

std::vector<Decoded> decodeAll(const Signal& signal)
{
    std::vector<double> d = durations(signal.once.empty() ? signal.repeat : signal.once);
    std::vector<Decoded> found;
    Match nec1, nec2;
    for (const Row& row : irp::rows()) {
        std::string name = row.name;
        if (name == "Pioneer")
            continue;  // NEC2's frame on another carrier: told apart below
        Match m = matchRow(row, d, nullptr);
        if (m.ambiguous)
            return {};
        if (name == "NEC1" || name == "NEC2")
            (name == "NEC1" ? nec1 : nec2) = m;
        else if (m.fits)
            found.push_back(decoded(row.name, m.params));
    }
    if (nec1.fits)
        if (const char* kind = necKind(signal, nec1, nec2.fits))
            found.push_back(decoded(kind, nec1.params));
    if (found.size() > 1)
        found.clear();
    return found;
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
