// CSV with a header row: name, protocol, D, S, F, T, pronto and note, in
// any order and case, separated by commas (or semicolons, as spreadsheets
// in some countries write them). A row with a protocol is rendered from its
// parameters; its Pronto text is kept when it decodes to the same, so that
// a learnt code comes back exactly and an edited parameter wins.
#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

const char* const COLUMNS[] = {"name", "protocol", "D", "S", "F", "T", "pronto", "note"};
enum { NAME, PROTOCOL, PD, PS, PF, PT, PRONTO, NOTE, COLUMN_COUNT };

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
    if (fields(head, separator, &h))
        for (size_t k = 0; k < h.size(); ++k)
            for (int c = 0; c < COLUMN_COUNT; ++c)
                if (equalNoCase(h[k], COLUMNS[c]) && column[c] < 0)
                    column[c] = static_cast<int>(k);
    if (column[NAME] < 0 || (column[PROTOCOL] < 0 && column[PRONTO] < 0)) {
        out.refused = "not a CSV list of codes: the first row must name the columns, with name and protocol "
                      "(and D, S, F, T) or pronto";
        return out;
    }
    Remote remote;
    remote.name = stem.empty() ? "Imported codes" : stem;
    Losses losses;
    for (++i; i < lines.size(); ++i) {
        if (trim(lines[i].text).empty())
            continue;
        std::vector<std::string> f;
        size_t number = lines[i].number;
        if (!fields(lines[i].text, separator, &f)) {
            out.skipped.push_back({number, "", "a quote is not closed"});
            continue;
        }
        auto get = [&](int c) { return column[c] >= 0 && column[c] < static_cast<int>(f.size()) ? f[column[c]] : ""; };
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
            for (int c : {PD, PS, PF, PT})
                if (!get(c).empty())
                    w.push_back(std::string(COLUMNS[c]) + "=" + get(c));
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
    out.text = "name,protocol,D,S,F,T,pronto,note\n";
    for (const Writable& c : writable(flatCodes(remotes), &out)) {
        std::string line = decodeLine(decode(c.signal));
        std::vector<std::string> col(COLUMN_COUNT);
        col[NAME] = oneLineName(c.code.name, false, &out);
        std::vector<std::string_view> w = words(line);
        if (!w.empty() && w[0] != "unknown") {
            col[PROTOCOL] = std::string(w[0]);
            for (size_t k = 1; k < w.size(); ++k)
                for (int p : {PD, PS, PF, PT})
                    if (w[k].size() > 2 && w[k][0] == COLUMNS[p][0] && w[k][1] == '=')
                        col[p] = std::string(w[k].substr(2));
        }
        col[PRONTO] = prontoText(c.signal);
        col[NOTE] = c.code.note;
        for (int k = 0; k < COLUMN_COUNT; ++k)
            out.text += (k ? "," : "") + quoted(col[k]);
        out.text += "\n";
    }
    return out;
}

}  // namespace formats
}  // namespace ir
