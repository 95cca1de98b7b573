#include "sim/keypad.h"

#include <cstdio>

#include "ir/ir.h"

namespace keypad {

const std::vector<Button>& buttons()
{
    // Function numbers follow the usual TV numbering of RC5 remotes; all fit
    // the 7-bit F of RC5 and the Sony protocols.
    static const std::vector<Button> table = {
        {"Power", 12, 0, 0}, {"Mute", 13, 0, 2},
        {"1", 1, 1, 0},      {"2", 2, 1, 1},      {"3", 3, 1, 2},
        {"4", 4, 2, 0},      {"5", 5, 2, 1},      {"6", 6, 2, 2},
        {"7", 7, 3, 0},      {"8", 8, 3, 1},      {"9", 9, 3, 2},
                             {"0", 0, 4, 1},
        {"Vol +", 16, 5, 0},                      {"Ch +", 32, 5, 2},
        {"Vol -", 17, 6, 0},                      {"Ch -", 33, 6, 2},
                             {"Up", 80, 7, 1},
        {"Left", 85, 8, 0},  {"OK", 87, 8, 1},    {"Right", 86, 8, 2},
                             {"Down", 81, 9, 1},
    };
    return table;
}

const Button* find(const std::string& caption)
{
    for (const Button& b : buttons())
        if (caption == b.caption)
            return &b;
    return nullptr;
}

bool render(const ir::ProtocolInfo& protocol, long device, int function, std::string* pronto,
            std::string* error)
{
    ir::Params params;
    for (const ir::ParamSpec& p : protocol.params) {
        if (p.name == "D")
            params.set("D", device);
        else if (p.name == "F")
            params.set("F", function);
        else if (!p.hasDefault)
            params.set(p.name, p.min);
    }
    return ir::render(protocol.name, params, pronto, error);
}

std::string eventCode(int protocolNumber, long device, int function)
{
    unsigned bytes[5] = {static_cast<unsigned>(protocolNumber) & 0xFF, (static_cast<unsigned>(device) >> 8) & 0xFF,
                         static_cast<unsigned>(device) & 0xFF, (static_cast<unsigned>(function) >> 8) & 0xFF,
                         static_cast<unsigned>(function) & 0xFF};
    unsigned check = 0;
    char text[13];
    for (int i = 0; i < 5; ++i) {
        check ^= bytes[i];
        std::snprintf(text + 2 * i, 3, "%02X", bytes[i]);
    }
    std::snprintf(text + 10, 3, "%02X", check);
    return text;
}

}  // namespace keypad
