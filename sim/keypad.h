// The virtual remote's keypad (tavrixsim.exe) as plain data: its buttons,
// the function number each sends, the code a button makes for a protocol
// and device, and the 12-character event code a press delivers.
//
// Portable: compiled into pellwick_core, so the host unit tests check it.
#pragma once

#include <string>
#include <vector>

namespace ir {
struct ProtocolInfo;
}

namespace keypad {

// Control ids of the simulator window; the end-to-end tests find its
// controls by them.
enum ControlId {
    IDC_SIM_LBLPROTOCOL = 100,
    IDC_SIM_PROTOCOL = 101,
    IDC_SIM_LBLDEVICE = 102,
    IDC_SIM_DEVICE = 103,
    IDC_SIM_KEYPAD = 104,     // the group box around the keypad
    IDC_SIM_FAILURES = 105,   // the group box around the switches
    IDC_SIM_TXFAIL = 106,
    IDC_SIM_LEARNERROR = 107,
    IDC_SIM_LBLEVENT = 108,
    IDC_SIM_EVENT = 109,
    IDC_SIM_FIRST_KEY = 200,  // button n of buttons() has id IDC_SIM_FIRST_KEY + n
};

struct Button {
    const char* caption;
    int function;     // the protocol's F
    int row, column;  // place on the keypad, three columns
};

// Every button in tab order: row by row, left to right.
const std::vector<Button>& buttons();

// The button with this caption, or null.
const Button* find(const std::string& caption);

// Renders the code a button sends: the protocol with D = device and
// F = function (where it has them); the other parameters take their
// defaults, or the lowest value of their range where they have none (S of
// Sony20 and Panasonic, Kaseikyo's M and N). False with the reason in
// *error, as ir::render gives it (a device or function out of the
// protocol's range).
bool render(const ir::ProtocolInfo& protocol, long device, int function, std::string* pronto,
            std::string* error);

// The event code a press delivers: 12 upper-case hex digits, PP DDDD FFFF CC,
// with PP the protocol's number (its place in ir::protocols(), from 1),
// DDDD the device, FFFF the function and CC the exclusive or of the five
// bytes before it. NEC1 (01), device 4, function 16: 010004001015.
std::string eventCode(int protocolNumber, long device, int function);

}  // namespace keypad
