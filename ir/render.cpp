// Rendering: a protocol and its parameters to Pronto hex, from the same
// table rows the decoder walks.
#include <cctype>
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
using irp::PARAM_COUNT;
using irp::PARAM_D;
using irp::PARAM_F;
using irp::PARAM_S;

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
        takes += (takes.empty() ? "" : ", ") + p.name;
    for (const Param& given : params.list())
        if (!info->param(given.name))
            return refuse(error, info->name + " has no " + given.name.substr(0, 20) + "; it takes " + takes);
    for (const ParamSpec& p : info->params) {
        int id = 0;
        while (id < PARAM_COUNT && p.name != irp::paramName(id))
            ++id;
        const long long* given = params.find(p.name);
        long long v = given ? *given : 0;
        if (!given) {
            if (!p.hasDefault)
                return refuse(error, p.name + " is missing: " + info->name + " needs " + p.name + " from " +
                                         rangeText(p));
            irp::Default d = id == irp::PARAM_S ? row->sDefault : row->tDefault;
            v = d == irp::COMPLEMENT_OF_D ? 255 - value[PARAM_D] : d == irp::SAME_AS_D ? value[PARAM_D] : 0;
        } else if (v < p.min || v > p.max) {
            return refuse(error, p.name + " must be " + rangeText(p));
        }
        value[id] = static_cast<long>(v);
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
    const ProtocolInfo* info = findProtocol(words[0]);
    Params params;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        size_t eq = w.find('=');
        std::string name = w.substr(0, eq);
        size_t digits = eq + 1 + (eq + 1 < w.size() && w[eq + 1] == '-' ? 1 : 0);
        bool number = eq != std::string::npos && eq > 0 && digits < w.size();
        for (size_t k = 0; number && k < eq; ++k)
            number = std::isalnum(static_cast<unsigned char>(w[k])) || w[k] == '_';
        for (size_t k = digits; number && k < w.size(); ++k)
            number = w[k] >= '0' && w[k] <= '9';
        if (!number)
            return refuse(error, "\"" + w.substr(0, 40) + "\" is not NAME=number (a parameter's name, = and a "
                                 "number in decimal)");
        // The protocol's own spelling of the name, when it has one.
        if (const ParamSpec* spec = info ? info->param(name) : nullptr)
            name = spec->name;
        if (params.has(name))
            return refuse(error, name + " is given twice");
        // Eighteen digits reach past every range; more would only overflow.
        long long v = w.size() - digits > 18 ? 1000000000000000000LL : std::stoll(w.substr(digits));
        params.set(name, w[eq + 1] == '-' ? -v : v);
    }
    return render(words[0], params, pronto, error);
}

}  // namespace ir
