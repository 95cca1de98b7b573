// Rendering: a protocol and its parameters to Pronto hex, from the same
// table rows the decoder walks.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ir/ir.h"
#include "ir/irp.h"

namespace ir {

namespace {

using irp::Item;
using irp::Row;

struct Run {
    bool mark;
    double us;
};

void lay(std::vector<Run>* runs, bool mark, double us)
{
    if (us <= 0)
        return;
    if (!runs->empty() && runs->back().mark == mark)
        runs->back().us += us;
    else
        runs->push_back({mark, us});
}

// The frame's marks and spaces with these parameter values, neighbours of the
// same kind merged.
std::vector<Run> expand(const Row& row, const std::vector<Item>& items, const long value[PARAM_COUNT])
{
    std::vector<Run> runs;
    double elapsed = 0;
    auto put = [&](bool mark, double us) {
        lay(&runs, mark, us);
        elapsed += us;
    };
    auto bit = [&](int b, bool wide) {
        const int* halves = b ? row.one : row.zero;
        for (int j = 0; j < 2; ++j)
            put(halves[j] > 0, std::abs(halves[j]) * row.unitUs * (wide ? 2 : 1));
    };
    auto bits = [&](long v, int n) {
        for (int k = 0; k < n; ++k)
            bit(static_cast<int>((v >> (row.msbFirst ? n - 1 - k : k)) & 1), false);
    };
    for (const Item& it : items) {
        switch (it.kind) {
        case irp::DURATION:
            put(it.units > 0, std::abs(it.units) * row.unitUs);
            break;
        case irp::EXTENT:
            if (it.us > elapsed)
                put(false, it.us - elapsed);
            break;
        case irp::CONSTANT:
            bits(it.value, it.bits);
            break;
        case irp::XOR_DSF:
            bits((value[PARAM_D] ^ value[PARAM_S] ^ value[PARAM_F]) & ((1L << it.bits) - 1), it.bits);
            break;
        case irp::FIELD:
            for (int k = 0; k < it.bits; ++k) {
                int pos = it.shift + (row.msbFirst ? it.bits - 1 - k : k);
                bit(static_cast<int>(((value[it.param] >> pos) & 1) ^ (it.inverted ? 1 : 0)), it.wide);
            }
            break;
        }
    }
    return runs;
}

// One part of the code in carrier periods. A Pronto part starts with a mark:
// a frame's leading space (RC5's start bit) is silence before it, and the
// leading space of the frame that comes next lengthens this one's gap, so
// that frames keep their pace.
std::vector<unsigned> periods(const Row& row, std::vector<Run> frame, const std::vector<Run>& next)
{
    if (!frame.empty() && !frame.front().mark)
        frame.erase(frame.begin());
    if (!next.empty() && !next.front().mark)
        lay(&frame, false, next.front().us);
    std::vector<unsigned> counts;
    for (const Run& r : frame)
        counts.push_back(static_cast<unsigned>(std::lround(r.us * row.carrierHz / 1000000.0)));
    return counts;
}

bool refuse(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

std::string knownNames()
{
    std::string names;
    for (const ProtocolInfo& p : protocols())
        names += (names.empty() ? "" : ", ") + std::string(p.name);
    return names;
}

}  // namespace

std::string rangeText(const ParamSpec& param)
{
    return std::to_string(param.min) + " to " + std::to_string(param.max);
}

bool render(std::string_view protocol, const Params& params, std::string* pronto, std::string* error)
{
    const Row* row = irp::findRow(protocol);
    const ProtocolInfo* info = findProtocol(protocol);
    if (!row || !info)
        return refuse(error, "unknown protocol \"" + std::string(protocol.substr(0, 40)) +
                                 "\"; known: " + knownNames());
    long value[PARAM_COUNT] = {0, 0, 0, 0};
    std::string takes;
    for (const ParamSpec& p : info->params)
        takes += (takes.empty() ? "" : ", ") + std::string(paramName(p.id));
    for (int id = 0; id < PARAM_COUNT; ++id) {
        bool has = false;
        for (const ParamSpec& p : info->params)
            has = has || p.id == id;
        if (params.given[id] && !has)
            return refuse(error, std::string(info->name) + " has no " + paramName(static_cast<ParamId>(id)) +
                                     "; it takes " + takes);
    }
    for (const ParamSpec& p : info->params) {
        long v = params.value[p.id];
        if (!params.given[p.id]) {
            if (!p.hasDefault)
                return refuse(error, std::string(paramName(p.id)) + " is missing: " + info->name +
                                         " needs " + paramName(p.id) + " from " + rangeText(p));
            irp::Default d = p.id == PARAM_S ? row->sDefault : row->tDefault;
            v = d == irp::COMPLEMENT_OF_D ? 255 - value[PARAM_D] : d == irp::SAME_AS_D ? value[PARAM_D] : 0;
        } else if (v < p.min || v > p.max) {
            return refuse(error, std::string(paramName(p.id)) + " must be " + rangeText(p));
        }
        value[p.id] = v;
    }

    std::vector<Run> once = expand(*row, row->once, value);
    std::vector<Run> repeat = expand(*row, row->repeatFrame(), value);
    std::vector<unsigned> words = {0, static_cast<unsigned>(std::lround(1000000.0 / (row->carrierHz * 0.241246))),
                                   0, 0};
    std::vector<unsigned> onceCounts = periods(*row, once, repeat);
    std::vector<unsigned> repeatCounts = periods(*row, repeat, repeat);
    words[2] = static_cast<unsigned>(onceCounts.size() / 2);
    words[3] = static_cast<unsigned>(repeatCounts.size() / 2);
    words.insert(words.end(), onceCounts.begin(), onceCounts.end());
    words.insert(words.end(), repeatCounts.begin(), repeatCounts.end());

    std::string text;
    text.reserve(5 * words.size());
    for (unsigned w : words) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", w & 0xFFFFu);
        if (!text.empty())
            text += ' ';
        text += hex;
    }
    if (pronto)
        *pronto = text;
    return true;
}

bool renderWords(const std::vector<std::string>& words, std::string* pronto, std::string* error)
{
    if (words.empty())
        return refuse(error, "no protocol given; known: " + knownNames());
    Params params;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        size_t eq = w.find('=');
        int id = -1;
        if (eq == 1)
            for (int p = 0; p < PARAM_COUNT; ++p)
                if ((w[0] & ~0x20) == paramName(static_cast<ParamId>(p))[0])
                    id = p;
        size_t digits = eq + 1 + (eq + 1 < w.size() && w[eq + 1] == '-' ? 1 : 0);
        bool number = id >= 0 && digits < w.size();
        for (size_t k = digits; number && k < w.size(); ++k)
            number = w[k] >= '0' && w[k] <= '9';
        if (!number)
            return refuse(error, "\"" + w.substr(0, 40) + "\" is not NAME=number (D, S, F or T, in decimal)");
        if (params.given[id])
            return refuse(error, std::string(paramName(static_cast<ParamId>(id))) + " is given twice");
        // Nine digits reach past every range; more would only overflow.
        long v = w.size() - digits > 9 ? 1000000000L : std::stol(w.substr(digits));
        params.set(static_cast<ParamId>(id), w[eq + 1] == '-' ? -v : v);
    }
    return render(words[0], params, pronto, error);
}

}  // namespace ir
