// The virtual remote's keypad: the event code rule, and every key of every
// protocol renders a code that decodes back to that protocol, device and key.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "ir/ir.h"
#include "sim/keypad.h"

TEST(Keypad, EventCodeIsProtocolDeviceFunctionAndCheckByte)
{
    struct Case { int protocol; long device; int function; const char* code; } cases[] = {
        {1, 4, 16, "010004001015"},      // NEC1, device 4, Vol +: 01 ^ 04 ^ 10
        {5, 0, 0, "050000000005"},       // RC5, device 0, key 0
        {14, 255, 87, "0E00FF0057A6"},   // Mitsubishi, device 255, OK
        {2, 0x1234, 0xABCD, "021234ABCD42"},  // every byte counts once
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, keypad::eventCode(c.protocol, c.device, c.function))
            << "protocol " << c.protocol << " device " << c.device << " function " << c.function;
}

TEST(Keypad, EveryKeyOfEveryProtocolDecodesBackToItself)
{
    std::set<std::pair<int, int>> places;
    std::set<int> functions;
    for (const keypad::Button& key : keypad::buttons())
        EXPECT_TRUE(places.insert({key.row, key.column}).second && functions.insert(key.function).second &&
                    key.column >= 0 && key.column < 3)
            << key.caption << " shares its place or function, or is off the keypad";

    for (const ir::ProtocolInfo& protocol : ir::protocols()) {
        const ir::ParamSpec *d = protocol.param("D"), *f = protocol.param("F");
        for (long long device : {0LL, d ? d->max : 0}) {
            for (const keypad::Button& key : keypad::buttons()) {
                SCOPED_TRACE(protocol.name + " D=" + std::to_string(device) + " key " + key.caption);
                std::string pronto, error;
                ir::Signal signal;
                // A key whose function the protocol cannot send is refused.
                bool sendable = f && key.function <= f->max;
                ASSERT_EQ(sendable, keypad::render(protocol, static_cast<long>(device), key.function, &pronto, &error));
                if (!sendable)
                    continue;
                ASSERT_TRUE(ir::parsePronto(pronto, &signal, &error)) << error;
                ir::Decoded decoded = ir::decode(signal);
                EXPECT_EQ(decoded.protocol + " " + std::to_string(decoded.params.get("D")) + " " +
                              std::to_string(decoded.params.get("F")),
                          protocol.name + " " + std::to_string(device) + " " + std::to_string(key.function));
            }
        }
    }
    std::string pronto, error;
    EXPECT_FALSE(keypad::render(*ir::findProtocol("RC5"), 32, 1, &pronto, &error));
    EXPECT_NE(std::string::npos, error.find("D must be 0 to 31")) << error;
}
