// A protocol's parameters as a form lays them out and checks them, the same
// in Code, Generate and in the virtual remote: one row per parameter the
// protocol has, in its own order, each field checked by the one number rule
// (ir::parseNumber) as it is typed. Portable, so the host tests reach it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ir/ir.h"

namespace paramform {

struct Row {
    ir::ParamSpec param;
    std::string label;  // "&D (0 to 255):", "&S (0 to 255; blank: 255-D):"
};

// The rows of protocol, leaving out the parameter named skip (the virtual
// remote's keys give F). Each label takes as its access key the first
// letter of its name that no row before it and no letter of `taken` has
// ("O&EM2" after "&OEM1"). With defaults, a label says what a blank field
// becomes.
std::vector<Row> rows(const ir::ProtocolInfo& protocol, const std::string& skip, const std::string& taken,
                      bool withDefaults);

// The fields' texts read: the values given, and the first field refused
// with its reason ("D must be a number from 0 to 255.", "M is missing: enter
// a number from 0 to 255.").
struct Checked {
    ir::Params params;  // the fields given, in the rows' order
    int badRow = -1;    // -1: none refused
    std::string why;
    bool ok() const { return badRow < 0; }
};
Checked check(const std::vector<Row>& rows, const std::vector<std::string>& texts);

// What was typed, by parameter name, kept for the next protocol and the
// next opening: a protocol's rows start with the texts typed for their
// names where these fit the new ranges, blank where they do not.
class Typed {
public:
    void remember(const std::vector<Row>& rows, const std::vector<std::string>& texts);
    std::vector<std::string> textsFor(const std::vector<Row>& rows) const;

private:
    std::map<std::string, std::string> byName_;  // upper-case names
};

}  // namespace paramform
