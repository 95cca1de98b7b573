#include "ui/paramform.h"

#include <cctype>

namespace paramform {

namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The reason a field's text is refused; empty when it is fine.
std::string refusal(const ir::ParamSpec& spec, const std::string& text, bool* given, long long* value)
{
    *given = false;
    if (text.find_first_not_of(" \t") == std::string::npos) {
        if (spec.hasDefault)
            return "";
        return spec.name + " is missing: enter a number from " + ir::rangeText(spec) + ".";
    }
    if (!ir::parseNumber(text, value) || *value < spec.min || *value > spec.max)
        return spec.name + " must be a number from " + ir::rangeText(spec) + ".";
    *given = true;
    return "";
}

}  // namespace

std::vector<Row> rows(const ir::ProtocolInfo& protocol, const std::string& skip, const std::string& taken,
                      bool withDefaults)
{
    std::vector<Row> out;
    std::string used = upper(taken);
    for (const ir::ParamSpec& spec : protocol.params) {
        if (upper(spec.name) == upper(skip))
            continue;
        Row row{spec, spec.name};
        for (size_t i = 0; i < spec.name.size(); ++i) {
            char key = static_cast<char>(std::toupper(static_cast<unsigned char>(spec.name[i])));
            if (std::isalnum(static_cast<unsigned char>(key)) && used.find(key) == std::string::npos) {
                used += key;
                row.label.insert(i, "&");
                break;
            }
        }
        row.label += " (" + ir::rangeText(spec);
        if (withDefaults && spec.hasDefault)
            row.label += "; blank: " + spec.defaultText;
        row.label += "):";
        out.push_back(row);
    }
    return out;
}

Checked check(const std::vector<Row>& rows, const std::vector<std::string>& texts)
{
    Checked checked;
    for (size_t i = 0; i < rows.size(); ++i) {
        bool given = false;
        long long value = 0;
        std::string why = refusal(rows[i].spec, i < texts.size() ? texts[i] : "", &given, &value);
        if (!why.empty() && checked.ok()) {
            checked.badRow = static_cast<int>(i);
            checked.why = why;
        }
        if (given)
            checked.params.set(rows[i].spec.name, value);
    }
    return checked;
}

void Typed::remember(const std::vector<Row>& rows, const std::vector<std::string>& texts)
{
    for (size_t i = 0; i < rows.size() && i < texts.size(); ++i)
        byName_[upper(rows[i].spec.name)] = texts[i];
}

std::vector<std::string> Typed::textsFor(const std::vector<Row>& rows) const
{
    std::vector<std::string> texts;
    for (const Row& row : rows) {
        auto it = byName_.find(upper(row.spec.name));
        bool given = false;
        long long value = 0;
        bool fits = it != byName_.end() && refusal(row.spec, it->second, &given, &value).empty();
        texts.push_back(fits ? it->second : "");
    }
    return texts;
}

}  // namespace paramform
