// pellwick-ir protocols: every protocol the IR core knows, with its IRP line
// and parameters, in the order of preference.
#include <nlohmann/json.hpp>

#include <ostream>

#include "ir/cli/cli.h"
#include "ir/ir.h"

namespace pellwickir {

namespace {

const char PROTOCOLS_USAGE[] =
    "usage: pellwick-ir protocols [--json]\n"
    "\n"
    "Lists every protocol, one per line: its name, its IRP line and its\n"
    "parameters with their ranges and [defaults], separated by tabs, in the\n"
    "table's order: where a code fits more than one, decode names the first\n"
    "of those with the carrier nearest the code's (NECx1 goes before NECx2\n"
    "all the same). --json prints one JSON array of {\"name\", \"irp\",\n"
    "\"carrierHz\", \"parameters\": [{\"name\", \"min\", \"max\", \"default\"}]}.\n"
    "Exit codes: 0 done, 2 a usage error.\n";

}  // namespace

std::string parametersText(const ir::ProtocolInfo& p)
{
    std::string text;
    for (const ir::ParamSpec& s : p.params) {
        text += (text.empty() ? "" : " ") + s.name + "=" + std::to_string(s.min) + ".." + std::to_string(s.max);
        if (s.hasDefault)
            text += " [" + s.defaultText + "]";
    }
    return text;
}

int protocolsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    bool json = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            out << PROTOCOLS_USAGE;
            return 0;
        }
        if (args[i] != "--json") {
            err << "pellwick-ir: protocols takes no " << args[i] << "\n" << PROTOCOLS_USAGE;
            return 2;
        }
        json = true;
    }
    if (!json) {
        for (const ir::ProtocolInfo& p : ir::protocols())
            out << p.name << "\t" << p.irp << "\t" << parametersText(p) << "\n";
        return 0;
    }
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ir::ProtocolInfo& p : ir::protocols()) {
        nlohmann::ordered_json params = nlohmann::ordered_json::array();
        for (const ir::ParamSpec& s : p.params) {
            nlohmann::ordered_json param = {{"name", s.name}, {"min", s.min}, {"max", s.max}};
            if (s.hasDefault)
                param["default"] = s.defaultText;
            params.push_back(param);
        }
        list.push_back({{"name", p.name}, {"irp", p.irp}, {"carrierHz", p.carrierHz}, {"parameters", params}});
    }
    out << list.dump() << "\n";
    return 0;
}

}  // namespace pellwickir
