// Broadlink IR packets, as Home Assistant's learnt commands and SmartIR's
// code files hold them (base64), and SmartIR's JSON files.
//
// A packet: 0x26 (infrared), a repeat count, the data's length (two bytes,
// least significant first), then durations in units of 2^-15 s (about
// 30.5 us), mark first, one byte each, or 0x00 and two bytes (most
// significant first) for a long one. It holds no carrier: a code comes in
// at the carrier of the protocol it decodes to, else at 38 kHz.
#include <cmath>

#include <nlohmann/json.hpp>

#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

const double BROADLINK_UNIT_US = 1000000.0 / 32768.0;
const unsigned char BROADLINK_IR = 0x26;

const char BASE64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == '-')
        return 62;
    if (c == '/' || c == '_')
        return 63;
    return -1;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool unbase64(std::string_view text, std::string* bytes, std::string* error)
{
    unsigned buffer = 0;
    int bits = 0;
    size_t padding = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '=') {
            ++padding;
            continue;
        }
        int v = base64Value(c);
        if (v < 0 || padding > 0) {
            *error = "character " + std::to_string(i + 1) + " (\"" + shown(text.substr(i, 1)) +
                     "\") is not base64";
            return false;
        }
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes->push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    if (bits >= 6) {
        *error = "the base64 text is cut short";
        return false;
    }
    return true;
}

std::string base64(const std::string& bytes)
{
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (unsigned char b : bytes) {
        buffer = (buffer << 8) | b;
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out += BASE64[(buffer >> bits) & 0x3F];
        }
    }
    if (bits > 0)
        out += BASE64[(buffer << (6 - bits)) & 0x3F];
    while (out.size() % 4)
        out += '=';
    return out;
}

// The packet's bytes, from base64 or from hex (which starts "26").
bool packetBytes(std::string_view text, std::string* bytes, std::string* error)
{
    text = trim(text);
    bool hex = text.size() >= 8 && text.size() % 2 == 0 && text.substr(0, 2) == "26";
    for (size_t i = 0; hex && i < text.size(); ++i)
        hex = isHex(text[i]);
    if (!hex)
        return unbase64(text, bytes, error);
    for (size_t i = 0; i < text.size(); i += 2) {
        uint64_t b = 0;
        parseUnsigned("0x" + std::string(text.substr(i, 2)), 0xFF, &b);
        bytes->push_back(static_cast<char>(b));
    }
    return true;
}

}  // namespace

bool looksLikeBroadlink(std::string_view text)
{
    text = trim(text);
    // 0x26 (infrared) in base64 or hex; 0xB2 and 0xD7 (radio) too, to be
    // refused with their reason.
    std::string_view start = text.substr(0, 2);
    return text.size() >= 8 &&
           (start == "Jg" || start == "sg" || start == "1w" || (start == "26" && isHex(text[2])));
}

bool broadlinkToPronto(std::string_view packet, std::string* pronto, std::string* error, std::string* lost)
{
    std::string bytes;
    if (!packetBytes(packet, &bytes, error))
        return false;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 4) {
        *error = "a packet of " + std::to_string(bytes.size()) + " bytes is too short";
        return false;
    }
    if (b[0] != BROADLINK_IR) {
        *error = b[0] == 0xB2 || b[0] == 0xD7 ? "a radio (RF) packet, not infrared"
                                              : "the packet does not start with 0x26 (infrared)";
        return false;
    }
    size_t length = b[2] | (static_cast<size_t>(b[3]) << 8);
    if (4 + length > bytes.size()) {
        *error = "the packet says " + std::to_string(length) + " bytes of data but holds " +
                 std::to_string(bytes.size() - 4);
        return false;
    }
    std::vector<double> d;
    for (size_t i = 4; i < 4 + length;) {
        unsigned units = b[i++];
        if (units == 0) {
            if (i + 2 > 4 + length)  // a zero too close to the end to start a duration: padding
                break;
            units = (static_cast<unsigned>(b[i]) << 8) | b[i + 1];
            i += 2;
        }
        if (units == 0)  // the zeros that pad a packet
            break;
        d.push_back(units * BROADLINK_UNIT_US);
    }
    if (d.empty()) {
        *error = "the packet holds no durations";
        return false;
    }
    // The device sends the data once and then as often again as the repeat
    // count says.
    std::vector<Pair> once = toPairs(d, DEFAULT_LEAD_OUT_US), all;
    for (unsigned k = 0; k <= b[1]; ++k)
        all.insert(all.end(), once.begin(), once.end());
    // Decoded by timing alone (carrier 0: not measured), so that a protocol
    // whose carrier is far from 38 kHz (Mitsubishi's 32.6) is still named.
    Signal timing;
    timing.once = once;
    double carrier = protocolCarrierHz(timing);
    *lost = carrier > 0 ? "no carrier in a Broadlink packet: the carrier of the code's protocol"
                        : "no carrier in a Broadlink packet: 38 kHz";
    return writePronto(carrier > 0 ? carrier : DEFAULT_CARRIER_HZ, all, {}, pronto, error);
}

bool prontoToBroadlink(const Signal& signal, std::string* packet, std::string* error)
{
    std::string data;
    for (const std::vector<Pair>* part : {&signal.once, &signal.repeat})
        for (double us : ir::durations(*part)) {
            long units = std::lround(us / BROADLINK_UNIT_US);
            if (units < 1)
                units = 1;
            if (units > 0xFFFF) {
                *error = "a duration of " + std::to_string(std::lround(us)) + " us is longer than a Broadlink "
                         "packet holds (2 s)";
                return false;
            }
            if (units > 0xFF) {
                data += '\0';
                data += static_cast<char>(units >> 8);
            }
            data += static_cast<char>(units & 0xFF);
        }
    if (data.size() > 0xFFFF) {
        *error = "too long for a Broadlink packet";
        return false;
    }
    std::string bytes = {static_cast<char>(BROADLINK_IR), 0, static_cast<char>(data.size() & 0xFF),
                         static_cast<char>(data.size() >> 8)};
    *packet = base64(bytes + data);
    return true;
}

// ---------------------------------------------------------------------------
// SmartIR: {"manufacturer", "supportedModels", "commandsEncoding",
// "commands": {name: code or {name: ...}}}; each code is named by its path.

namespace {

using Json = nlohmann::ordered_json;

void readCommands(const Json& node, const std::string& path, const std::string& encoding, Remote* remote,
                  Imported* out, Losses* losses, int depth)
{
    for (auto it = node.begin(); it != node.end(); ++it) {
        std::string name = path.empty() ? it.key() : path + "/" + it.key();
        const Json& v = it.value();
        if (v.is_object()) {
            if (depth > 16)
                out->skipped.push_back({0, name, "nested deeper than 16 levels"});
            else
                readCommands(v, name, encoding, remote, out, losses, depth + 1);
            continue;
        }
        if (!v.is_string()) {
            out->skipped.push_back({0, name, std::string("a ") + v.type_name() + ", not a code"});
            continue;
        }
        std::string text = v.get<std::string>(), pronto, error, lost;
        bool ok;
        if (encoding == "pronto") {
            Signal s;
            ok = parsePronto(text, &s, &error);
            if (ok)
                pronto = prontoText(s);
        } else {
            ok = broadlinkToPronto(text, &pronto, &error, &lost);
        }
        if (!ok) {
            out->skipped.push_back({0, name, error});
            continue;
        }
        if (!lost.empty())
            losses->add(0, lost);
        remote->codes.push_back({name, pronto, ""});
    }
}

}  // namespace

Imported readSmartIr(std::string_view text, const std::string& stem)
{
    Imported out;
    out.format = Format::SmartIr;
    Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded()) {
        out.refused = "not a SmartIR file: not JSON";
        return out;
    }
    if (!doc.is_object() || !doc.contains("commands") || !doc["commands"].is_object()) {
        out.refused = "not a SmartIR file: no \"commands\" object";
        return out;
    }
    std::string encoding = "base64";
    if (doc.contains("commandsEncoding") && doc["commandsEncoding"].is_string())
        encoding = doc["commandsEncoding"].get<std::string>();
    for (char& c : encoding)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (encoding != "base64" && encoding != "hex" && encoding != "pronto") {
        out.refused = "SmartIR codes in \"" + shown(encoding) + "\" encoding: Pellwick reads Base64, Hex and Pronto";
        return out;
    }
    Remote remote;
    for (const char* key : {"manufacturer", "supportedModels"}) {
        const Json* v = doc.contains(key) ? &doc[key] : nullptr;
        if (v && v->is_array() && !v->empty())
            v = &(*v)[0];
        if (v && v->is_string() && !v->get<std::string>().empty())
            remote.name += (remote.name.empty() ? "" : " ") + v->get<std::string>();
    }
    if (remote.name.empty())
        remote.name = stem.empty() ? "SmartIR remote" : stem;
    Losses losses;
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (it.key() != "commands" && it.key() != "manufacturer" && it.key() != "supportedModels" &&
            it.key() != "commandsEncoding" && it.key() != "supportedController")
            losses.add(0, "\"" + shown(it.key()) + "\" (the device's settings) is not kept");
    readCommands(doc["commands"], "", encoding, &remote, &out, &losses, 0);
    out.remotes.push_back(std::move(remote));
    out.lost = losses.list();
    return out;
}

Exported writeSmartIr(const std::vector<Remote>& remotes)
{
    Exported out;
    Json doc;
    std::string name = remotes.size() == 1 ? remotes[0].name : "Pellwick";
    doc["manufacturer"] = name;
    doc["supportedModels"] = Json::array({name});
    doc["supportedController"] = "Broadlink";
    doc["commandsEncoding"] = "Base64";
    doc["commands"] = Json::object();
    size_t written = 0;
    for (const Writable& w : writable(flatCodes(remotes), &out)) {
        const Code& c = w.code;
        std::string error, packet;
        if (!prontoToBroadlink(w.signal, &packet, &error)) {
            out.skipped.push_back({0, c.name, error});
            continue;
        }
        // The path's parts as nested objects: "cool/auto/24".
        Json* node = &doc["commands"];
        std::string_view rest = c.name;
        bool ok = true;
        for (size_t slash; ok && (slash = rest.find('/')) != std::string_view::npos; rest.remove_prefix(slash + 1)) {
            std::string part(rest.substr(0, slash));
            Json& child = (*node)[part];
            if (child.is_null())
                child = Json::object();
            ok = child.is_object();
            node = &child;
        }
        if (!ok || node->contains(std::string(rest))) {
            out.skipped.push_back({0, c.name, "the name is taken by another code or group"});
            continue;
        }
        (*node)[std::string(rest)] = packet;
        ++written;
    }
    out.text = doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    if (written > 0)
        out.lost.push_back({0, "", "Broadlink packets hold no carrier; durations in steps of 30.5 us"});
    return out;
}

}  // namespace formats
}  // namespace ir
