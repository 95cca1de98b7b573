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
std::string refusal(const ir::ParamSpec& param, const std::string& text, bool* given, long long* value)
{
    *given = false;
    if (text.find_first_not_of(" \t") == std::string::npos) {
        if (param.hasDefault)
            return "";
        return param.name + " is missing: enter a number from " + ir::rangeText(param) + ".";
    }
    if (!ir::parseNumber(text, value) || *value < param.min || *value > param.max)
        return param.name + " must be a number from " + ir::rangeText(param) + ".";
    *given = true;
    return "";
}

}  // namespace

std::vector<Row> rows(const ir::ProtocolInfo& protocol, const std::string& skip, const std::string& taken,
                      bool withDefaults)
{
    std::vector<Row> out;
    std::string used = upper(taken);
    for (const ir::ParamSpec& param : protocol.params) {
        if (upper(param.name) == upper(skip))
            continue;
        Row row{param, param.name};
        for (size_t i = 0; i < param.name.size(); ++i) {
            char key = static_cast<char>(std::toupper(static_cast<unsigned char>(param.name[i])));
            if (std::isalnum(static_cast<unsigned char>(key)) && used.find(key) == std::string::npos) {
                used += key;
                row.label.insert(i, "&");
                break;
            }
        }
        row.label += " (" + ir::rangeText(param);
        if (withDefaults && param.hasDefault)
            row.label += "; blank: " + param.defaultText;
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
        std::string why = refusal(rows[i].param, i < texts.size() ? texts[i] : "", &given, &value);
        if (!why.empty() && checked.ok()) {
            checked.badRow = static_cast<int>(i);
            checked.why = why;
        }
        if (given)
            checked.params.set(rows[i].param.name, value);
    }
    return checked;
}

void Typed::remember(const std::vector<Row>& rows, const std::vector<std::string>& texts)
{
    for (size_t i = 0; i < rows.size() && i < texts.size(); ++i)
        byName_[upper(rows[i].param.name)] = texts[i];
}

std::vector<std::string> Typed::textsFor(const std::vector<Row>& rows) const
{
    std::vector<std::string> texts;
    for (const Row& row : rows) {
        auto it = byName_.find(upper(row.param.name));
        bool given = false;
        long long value = 0;
        bool fits = it != byName_.end() && refusal(row.param, it->second, &given, &value).empty();
        texts.push_back(fits ? it->second : "");
    }
    return texts;
}

}  // namespace paramform
