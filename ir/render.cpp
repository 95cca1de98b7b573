// Rendering: a protocol and its parameters to Pronto hex, by executing the
// sequences of its parsed IRP line.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "ir/ir.h"
#include "ir/irp.h"

namespace ir {

namespace irp {

namespace {

void lay(std::vector<Run>* runs, bool mark, double us)
{
    if (us <= 0)
        return;
    if (!runs->empty() && runs->back().mark == mark)
        runs->back().us += us;
    else
        runs->push_back({mark, us});
}

bool execute(const Protocol& p, const Sequence& seq, long long* values, unsigned long long* known,
             std::vector<Run>* out, std::string* error)
{
    double t = 0, origin[MAX_LEVELS] = {};
    std::vector<long long> data(seq.fields.size());
    std::vector<bool> computed(seq.fields.size());
    auto put = [&](bool mark, double us) {
        lay(out, mark, us);
        t += us > 0 ? us : 0;
    };
    for (const Step& step : seq.steps) {
        switch (step.kind) {
        case Step::MARK:
        case Step::SPACE:
            put(step.kind == Step::MARK, step.us);
            break;
        case Step::BEGIN:
            origin[step.level] = t;
            break;
        case Step::EXTENT:
            put(false, step.us - (t - origin[step.level]));
            origin[step.level] = t;
            break;
        case Step::ASSIGN: {
            long long v = 0;
            if (!evaluate(p, step.expr, values, known, &v)) {
                *error = "cannot compute " + p.names[static_cast<size_t>(step.target)].name;
                return false;
            }
            values[step.target] = v;
            known[step.target] = ~0ULL;
            break;
        }
        case Step::SYMBOLS: {
            const BitSpec& bitSpec = p.bitspecs[static_cast<size_t>(step.bitspec)];
            for (int s = 0; s < step.count; s += bitSpec.bits) {
                unsigned symbol = 0;
                for (int i = 0; i < bitSpec.bits; ++i) {
                    const Slot& slot = seq.slots[static_cast<size_t>(step.first + s + i)];
                    const Field& f = seq.fields[static_cast<size_t>(slot.field)];
                    size_t k = static_cast<size_t>(slot.field);
                    if (!computed[k]) {
                        bool ok = f.name >= 0 ? known[f.name] == ~0ULL
                                              : evaluate(p, f.data, values, known, &data[k]);
                        if (f.name >= 0)
                            data[k] = values[f.name];
                        if (!ok) {
                            *error = "cannot compute a field of " + p.name;
                            return false;
                        }
                        computed[k] = true;
                    }
                    unsigned bit = static_cast<unsigned>((fieldValue(f, data[k]) >> slot.bit) & 1);
                    symbol |= bit << (p.msbFirst ? bitSpec.bits - 1 - i : i);
                }
                for (const Duration& d : bitSpec.symbols[symbol])
                    put(d.mark, d.us);
            }
            break;
        }
        }
    }
    return true;
}

}  // namespace

bool runs(const Protocol& p, const long long* parameters, std::vector<Run>* intro, std::vector<Run>* repeat,
          std::string* error)
{
    long long values[MAX_NAMES] = {};
    unsigned long long known[MAX_NAMES] = {};
    for (int i = 0; i < p.parameters; ++i) {
        values[i] = parameters[i];
        known[i] = ~0ULL;
    }
    intro->clear();
    repeat->clear();
    return execute(p, p.intro, values, known, intro, error) && execute(p, p.repeat, values, known, repeat, error);
}

}  // namespace irp

namespace {

using irp::Run;

// One part of the code in carrier periods. A Pronto part starts with a mark:
// a frame's leading space (RC5's start bit) is silence before it, and the
// leading space of the frame that comes next lengthens this one's gap, so
// that frames keep their pace.
std::vector<unsigned> periods(double carrierHz, std::vector<Run> frame, const std::vector<Run>& next)
{
    if (!frame.empty() && !frame.front().mark)
        frame.erase(frame.begin());
    if (!next.empty() && !next.front().mark) {
        if (!frame.empty() && !frame.back().mark)
            frame.back().us += next.front().us;
        else
            frame.push_back(next.front());
    }
    // A part ends with a space: a frame that ends on a mark gets the
    // shortest gap a Pronto code can hold.
    if (!frame.empty() && frame.back().mark)
        frame.push_back({false, 0});
    std::vector<unsigned> counts;
    for (const Run& r : frame) {
        double n = std::round(r.us * carrierHz / 1000000.0);
        counts.push_back(static_cast<unsigned>(n < 1 ? 1 : n > 0xFFFF ? 0xFFFF : n));
    }
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
        names += (names.empty() ? "" : ", ") + p.name;
    return names;
}

// Every parameter's value: as given, or its default (which may use the
// parameters before it, as S=255-D does).
bool values(const irp::Protocol& row, const Params& params, long long* out, std::string* error)
{
    std::string takes;
    for (int i = 0; i < row.parameters; ++i)
        takes += (takes.empty() ? "" : ", ") + row.names[static_cast<size_t>(i)].name;
    for (const Param& given : params.list()) {
        int i = 0;
        while (i < row.parameters && !irp::sameName(row.names[static_cast<size_t>(i)].name, given.name))
            ++i;
        if (i == row.parameters)
            return refuse(error, row.name + " has no " + given.name.substr(0, 20) + "; it takes " + takes);
    }
    unsigned long long known[irp::MAX_NAMES] = {};
    for (int i = 0; i < row.parameters; ++i) {
        const irp::Name& n = row.names[static_cast<size_t>(i)];
        ParamSpec range{n.name, n.min, n.max, n.defaultExpr >= 0, n.defaultText};
        if (const long long* v = params.find(n.name)) {
            out[i] = *v;
        } else if (n.defaultExpr < 0) {
            return refuse(error, n.name + " is missing: " + row.name + " needs " + n.name + " from " + rangeText(range));
        } else if (!irp::evaluate(row, n.defaultExpr, out, known, &out[i])) {
            return refuse(error, n.name + "'s default " + n.defaultText + " needs a parameter given after it");
        }
        if (out[i] < n.min || out[i] > n.max)
            return refuse(error, n.name + (params.has(n.name) ? "" : " (" + n.defaultText + ")") + " must be " +
                                     rangeText(range));
        known[i] = ~0ULL;
    }
    return true;
}

}  // namespace

std::string rangeText(const ParamSpec& param)
{
    return std::to_string(param.min) + " to " + std::to_string(param.max);
}

bool render(std::string_view protocol, const Params& params, std::string* pronto, std::string* error)
{
    const irp::Protocol* row = irp::findRow(protocol);
    if (!row)
        return refuse(error, "unknown protocol \"" + std::string(protocol.substr(0, 40)) +
                                 "\"; known: " + knownNames());
    long long value[irp::MAX_NAMES] = {};
    std::vector<Run> once, repeat;
    std::string why;
    if (!values(*row, params, value, error))
        return false;
    if (!irp::runs(*row, value, &once, &repeat, &why))
        return refuse(error, why);

    std::vector<unsigned> words = {0, static_cast<unsigned>(std::lround(1000000.0 / (row->carrierHz * 0.241246))),
                                   0, 0};
    std::vector<unsigned> onceCounts = periods(row->carrierHz, once, repeat);
    std::vector<unsigned> repeatCounts = periods(row->carrierHz, repeat, repeat);
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
        long long v = 0;
        bool number = eq != std::string::npos && eq > 0 && parseNumber(std::string_view(w).substr(eq + 1), &v);
        for (size_t k = 0; number && k < eq; ++k)
            number = std::isalnum(static_cast<unsigned char>(w[k])) || w[k] == '_';
        if (!number)
            return refuse(error, "\"" + w.substr(0, 40) + "\" is not NAME=number (a parameter's name, = and a "
                                 "number in decimal)");
        // The protocol's own spelling of the name, when it has one.
        if (const ParamSpec* known = info ? info->param(name) : nullptr)
            name = known->name;
        if (params.has(name))
            return refuse(error, name + " is given twice");
        params.set(name, v);
    }
    return render(words[0], params, pronto, error);
}

}  // namespace ir
