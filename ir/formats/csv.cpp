// CSV with a header row: name, protocol, pronto and note, and a column for
// each parameter the rows use, named as the IR core names it (D, S, F, T,
// PairID, M, N, OEM, ...); in any order and case, separated by commas (or
// semicolons, as spreadsheets in some countries write them). A row with a
// protocol is rendered from its parameters; its Pronto text is kept when it
// decodes to the same, so that a learnt code comes back exactly and an
// edited parameter wins.
#include <algorithm>
#include <iterator>

#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

const char* const COLUMNS[] = {"name", "protocol", "pronto", "note"};
enum { NAME, PROTOCOL, PRONTO, NOTE, COLUMN_COUNT };
// The parameter columns an export always writes, so that a file of the
// protocols that have no others keeps the layout name,protocol,D,S,F,T.
const char* const FIRST_PARAMETERS[] = {"D", "S", "F", "T"};

// A parameter name of any protocol of the IR core, as the core writes it;
// null for a name no protocol has.
const std::string* coreParameter(std::string_view name)
{
    for (const ProtocolInfo& p : protocols())
        if (const ParamSpec* known = p.param(name))
            return &known->name;
    return nullptr;
}

// One row's fields, blanks around them dropped unless quoted; false for an
// unclosed quote.
bool fields(std::string_view line, char separator, std::vector<std::string>* out)
{
    out->clear();
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i;; ++i) {
                if (i >= line.size())
                    return false;
                if (line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"'))
                    break;
                if (line[i] == '"')
                    ++i;
                field += line[i];
            }
            size_t end = line.find(separator, i);
            i = end == std::string_view::npos ? line.size() : end;
        } else {
            size_t end = line.find(separator, i);
            end = end == std::string_view::npos ? line.size() : end;
            field = std::string(trim(line.substr(i, end - i)));
            i = end;
        }
        out->push_back(std::move(field));
        if (i >= line.size())
            return true;
        ++i;  // the separator
    }
}

std::string quoted(const std::string& field)
{
    if (field.find_first_of(",;\"\r\n") == std::string::npos && trim(field) == field)
        return field;
    std::string out = "\"";
    for (char c : field)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

Imported readCsv(std::string_view text, const std::string& stem)
{
    Imported out;
    out.format = Format::Csv;
    std::vector<Line> lines = splitLines(text);
    size_t i = 0;
    while (i < lines.size() && trim(lines[i].text).empty())
        ++i;
    std::string_view head = i < lines.size() ? lines[i].text : std::string_view();
    char separator = head.find(',') == std::string_view::npos && head.find(';') != std::string_view::npos ? ';' : ',';
    std::vector<std::string> h;
    int column[COLUMN_COUNT];
    for (int& c : column)
        c = -1;
    // The parameter columns: where each is and the name it gives.
    std::vector<std::pair<size_t, std::string>> parameters;
    Losses losses;
    if (fields(head, separator, &h))
        for (size_t k = 0; k < h.size(); ++k) {
            int known = -1;
            for (int c = 0; c < COLUMN_COUNT; ++c)
                if (equalNoCase(h[k], COLUMNS[c]))
                    known = c;
            const std::string* parameter = known < 0 ? coreParameter(h[k]) : nullptr;
            bool again = known >= 0 && column[known] >= 0;
            for (const auto& p : parameters)
                again = again || (parameter && *parameter == p.second);
            if (known >= 0 && !again)
                column[known] = static_cast<int>(k);
            else if (parameter && !again)
                parameters.emplace_back(k, *parameter);
            else if (!h[k].empty())
                losses.add(lines[i].number, "the column \"" + shown(h[k]) + "\" " +
                                                (again ? "is given twice: the first is read"
                                                       : "is neither a field nor a parameter of any protocol: it "
                                                         "is left out"));
        }
    if (column[NAME] < 0 || (column[PROTOCOL] < 0 && column[PRONTO] < 0)) {
        out.refused = "not a CSV list of codes: the first row must name the columns, with name and protocol "
                      "(and the parameters, D, S, F, T, ...) or pronto";
        return out;
    }
    Remote remote;
    remote.name = stem.empty() ? "Imported codes" : stem;
    for (++i; i < lines.size(); ++i) {
        if (trim(lines[i].text).empty())
            continue;
        std::vector<std::string> f;
        size_t number = lines[i].number;
        if (!fields(lines[i].text, separator, &f)) {
            out.skipped.push_back({number, "", "a quote is not closed"});
            continue;
        }
        auto field = [&](size_t k) { return k < f.size() ? f[k] : std::string(); };
        auto get = [&](int c) { return column[c] >= 0 ? field(static_cast<size_t>(column[c])) : std::string(); };
        bool changed = false;
        Code code{utf8Name(get(NAME), &changed), "", get(NOTE)};
        if (changed)
            losses.add(number, "a name that is not UTF-8 was read as Latin-1", code.name);
        if (code.name.empty()) {
            out.skipped.push_back({number, "", "no name"});
            continue;
        }
        std::string error, given = get(PRONTO);
        Signal s;
        if (!given.empty() && !parsePronto(given, &s, &error)) {
            out.skipped.push_back({number, code.name, "pronto: " + error});
            continue;
        }
        if (!given.empty())
            code.pronto = prontoText(s);
        if (!get(PROTOCOL).empty()) {
            std::vector<std::string> w = {get(PROTOCOL)};
            for (const auto& p : parameters)
                if (!field(p.first).empty())
                    w.push_back(p.second + "=" + field(p.first));
            std::string rendered;
            Signal r;
            if (!renderWords(w, &rendered, &error)) {
                out.skipped.push_back({number, code.name, error});
                continue;
            }
            parsePronto(rendered, &r, nullptr);
            if (given.empty() || decodeLine(decode(s)) != decodeLine(decode(r))) {
                if (!given.empty())
                    losses.add(number, "the pronto column decodes otherwise than the parameters: the code is made "
                                       "from the parameters", code.name);
                code.pronto = rendered;
            }
        }
        if (code.pronto.empty()) {
            out.skipped.push_back({number, code.name, "neither a protocol nor a Pronto code"});
            continue;
        }
        remote.codes.push_back(std::move(code));
    }
    out.remotes.push_back(std::move(remote));
    out.lost = losses.list();
    return out;
}

Exported writeCsv(const std::vector<Remote>& remotes)
{
    Exported out;
    std::vector<Writable> codes = writable(flatCodes(remotes), &out);
    std::vector<Decoded> decodes;
    std::vector<std::string> names(std::begin(FIRST_PARAMETERS), std::end(FIRST_PARAMETERS));
    for (const Writable& c : codes) {
        decodes.push_back(decode(c.signal));
        for (const Param& p : decodes.back().params.list())
            if (std::find(names.begin(), names.end(), p.name) == names.end())
                names.push_back(p.name);
    }
    out.text = "name,protocol";
    for (const std::string& n : names)
        out.text += "," + quoted(n);
    out.text += ",pronto,note\n";
    for (size_t i = 0; i < codes.size(); ++i) {
        const Decoded& d = decodes[i];
        out.text += quoted(oneLineName(codes[i].code.name, false, &out)) + "," + quoted(d.protocol);
        for (const std::string& n : names) {
            const long long* v = d.params.find(n);
            out.text += "," + (v ? std::to_string(*v) : std::string());
        }
        out.text += "," + quoted(prontoText(codes[i].signal)) + "," + quoted(codes[i].code.note) + "\n";
    }
    return out;
}

}  // namespace formats
}  // namespace ir
