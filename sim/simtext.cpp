#include "sim/simtext.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "ir/ir.h"

namespace simtext {

namespace {

const char NEC1[] =
    "0000 006C 0022 0002 015B 00AD 0016 0016 0016 0016 0016 0041 0016 0041 0016 0016 "
    "0016 0016 0016 0016 0016 0016 0016 0016 0016 0041 0016 0016 0016 0016 0016 0016 "
    "0016 0041 0016 0016 0016 0016 0016 0016 0016 0016 0016 0016 0016 0041 0016 0041 "
    "0016 0041 0016 0016 0016 0016 0016 0041 0016 0041 0016 0041 0016 0016 0016 0016 "
    "0016 0016 0016 0041 0016 0041 0016 06A4 015B 0057 0016 0E6C";
const char RC5[] =
    "0000 0073 0000 000B 0020 0020 0040 0020 0020 0040 0020 0020 0040 0020 0020 0040 "
    "0020 0020 0020 0020 0040 0020 0020 0020 0020 0CC8";
const char RC6[] =
    "0000 0073 0000 0014 0060 0020 0010 0020 0010 0010 0010 0010 0010 0020 0020 0010 "
    "0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0010 0020 0020 0010 0010 "
    "0010 0010 0010 0010 0010 0010 0010 0010 0020 0010 0010 0BDD";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string lower(const std::string& text)
{
    std::string s = text;
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && isSpace(text[b]))
        ++b;
    while (e > b && isSpace(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string escape(const char* bytes, size_t length)
{
    std::string out;
    out.reserve(length + length / 8 + 2);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char octal[5];
                std::snprintf(octal, sizeof octal, "\\%03o", c);
                out += octal;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string escape(const std::string& text)
{
    return escape(text.data(), text.size());
}

std::string quoted(const char* bytes, size_t length, size_t limit)
{
    if (!bytes)
        return "(null)";
    size_t shown = length < limit ? length : limit;
    std::string out = "\"" + escape(bytes, shown) + "\"";
    if (shown < length)
        out += " (cut, " + std::to_string(length) + " bytes)";
    return out;
}

std::string quoted(const std::string& text, size_t limit)
{
    return quoted(text.data(), text.size(), limit);
}

bool unescape(const std::string& escaped, std::string* out)
{
    std::string s;
    for (size_t i = 0; i < escaped.size(); ++i) {
        char c = escaped[i];
        if (c != '\\') {
            s += c;
            continue;
        }
        if (++i >= escaped.size())
            return false;
        char e = escaped[i];
        switch (e) {
        case '\\': s += '\\'; break;
        case '"': s += '"'; break;
        case '\'': s += '\''; break;
        case 'n': s += '\n'; break;
        case 'r': s += '\r'; break;
        case 't': s += '\t'; break;
        case 'x': {
            int value = 0, digits = 0;
            while (digits < 2 && i + 1 < escaped.size() && hexDigit(escaped[i + 1]) >= 0) {
                value = value * 16 + hexDigit(escaped[++i]);
                ++digits;
            }
            if (digits == 0)
                return false;
            s += static_cast<char>(value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int value = e - '0', digits = 1;
                while (digits < 3 && i + 1 < escaped.size() && escaped[i + 1] >= '0' &&
                       escaped[i + 1] <= '7') {
                    value = value * 8 + (escaped[++i] - '0');
                    ++digits;
                }
                if (value > 0xFF)
                    return false;
                s += static_cast<char>(value);
            } else {
                return false;
            }
        }
    }
    *out = s;
    return true;
}

bool parseNumber(const std::string& text, int64_t* value)
{
    if (text.empty() || text.size() > 24)
        return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    int base = 10;
    if (text.size() > i + 1 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        int d = base == 16 ? hexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (d < 0)
            return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull)  // nothing the device takes needs more than 32 bits
            return false;
    }
    *value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return true;
}

std::vector<std::string> splitWords(const std::string& line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            ++i;
        size_t start = i;
        while (i < line.size() && !isSpace(line[i]))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

size_t boundedLength(const char* text, size_t max)
{
    if (!text)
        return 0;
    const void* nul = std::memchr(text, 0, max);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : max;
}

const char* namedCode(const std::string& name)
{
    std::string n = lower(name);
    if (n == "nec1")
        return NEC1;
    if (n == "rc5")
        return RC5;
    if (n == "rc6")
        return RC6;
    return nullptr;
}

namespace {

std::string button(const std::vector<std::string>& words)
{
    std::string code;
    ir::renderWords(words, &code, nullptr);
    return code;
}

}  // namespace

const char* remoteCode(uint32_t press)
{
    // The remote's buttons are protocol codes made by the IR core, as any
    // code pointed at the device by protocol and parameters is.
    static const std::string BUTTONS[] = {button({"NEC1", "D=12", "S=34", "F=56"}),
                                          button({"RC5", "D=12", "F=56"}), button({"RC6", "D=1", "F=3"})};
    return BUTTONS[press % 3].c_str();
}

std::string floodCode(uint32_t number)
{
    char code[16];
    std::snprintf(code, sizeof code, "F1%010lX", static_cast<unsigned long>(number));
    return code;
}

std::string codeName(const std::string& pronto)
{
    ir::Signal signal;
    std::string error;
    if (!ir::parsePronto(pronto, &signal, &error))
        return "an invalid code";
    ir::Decoded decoded = ir::decode(signal);
    return decoded.known() ? ir::decodeLine(decoded) : "a code of no known protocol";
}

Hostile parseHostile(const std::string& list, std::vector<std::string>* unknown)
{
    Hostile h;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        std::string name = lower(trim(list.substr(start, comma - start)));
        if (name == "stale-text")
            h.staleText = true;
        else if (name == "no-nul")
            h.noNul = true;
        else if (name == "early-callbacks")
            h.earlyCallbacks = true;
        else if (name == "late-callbacks")
            h.lateCallbacks = true;
        else if (name == "progress-flood")
            h.progressFlood = true;
        else if (name == "no-nul-code")
            h.noNulCode = true;
        else if (name == "no-relay-window")
            h.noRelayWindow = true;
        else if (name == "keep-control-word")
            h.keepControlWord = true;
        else if (!name.empty() && unknown)
            unknown->push_back(name);
        start = comma + 1;
    }
    return h;
}

namespace {

// A version number or `fail`.
void readVersion(const std::string& name, const std::string& value, bool* fail, uint32_t* number,
                 std::vector<std::string>* problems)
{
    int64_t v = 0;
    if (lower(trim(value)) == "fail")
        *fail = true;
    else if (parseNumber(trim(value), &v) && v >= 0)
        *number = static_cast<uint32_t>(v);
    else if (problems)
        problems->push_back(name + ": not a number or fail: \"" + escape(value) + "\"");
}

void readErrorNumber(const std::string& name, const std::string& value, uint32_t* number,
                     std::vector<std::string>* problems)
{
    int64_t v = 0;
    if (parseNumber(trim(value), &v) && v >= INT32_MIN)
        *number = static_cast<uint32_t>(v);
    else if (problems)
        problems->push_back(name + ": not a number: \"" + escape(value) + "\"");
}

bool readInfo(const std::string& value, Settings* s)
{
    std::string v = lower(trim(value));
    if (v == "fail") {
        s->infoFail = true;
        return true;
    }
    std::vector<int64_t> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = v.find(',', start);
        std::string part = trim(v.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        int64_t n = 0;
        if (!parseNumber(part, &n))
            return false;
        parts.push_back(n);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 5)
        return false;
    for (size_t i = 2; i < 5; ++i)
        if (parts[i] < 0 || parts[i] > 255)
            return false;
    s->infoFirmware = static_cast<int32_t>(parts[0]);
    s->infoProtocol = static_cast<int32_t>(parts[1]);
    for (size_t i = 0; i < 3; ++i)
        s->infoDate[i] = static_cast<uint8_t>(parts[2 + i]);
    return true;
}

}  // namespace

Settings readSettings(const std::function<bool(const char* name, std::string* value)>& lookup,
                      std::vector<std::string>* problems)
{
    Settings s;
    std::string value;
    if (lookup("TAVRIXSIM_LOG", &value))
        s.logPath = trim(value);
    if (lookup("TAVRIXSIM_DRVINFO", &value))
        readVersion("TAVRIXSIM_DRVINFO", value, &s.drvInfoFail, &s.drvInfo, problems);
    if (lookup("TAVRIXSIM_LIBVERSION", &value))
        readVersion("TAVRIXSIM_LIBVERSION", value, &s.libVersionFail, &s.libVersion, problems);
    if (lookup("TAVRIXSIM_OPEN_ERROR", &value)) {
        uint32_t error = 0;
        std::vector<std::string> local;
        readErrorNumber("TAVRIXSIM_OPEN_ERROR", value, &error, &local);
        if (local.empty()) {
            s.openFails = true;
            s.openError = error;
        } else if (problems) {
            problems->insert(problems->end(), local.begin(), local.end());
        }
    }
    if (lookup("TAVRIXSIM_INFO", &value) && !readInfo(value, &s) && problems)
        problems->push_back("TAVRIXSIM_INFO: not fw,proto,b8,b9,b10 or fail: \"" + escape(value) + "\"");
    if (lookup("TAVRIXSIM_LEARN_ERROR", &value))
        readErrorNumber("TAVRIXSIM_LEARN_ERROR", value, &s.learnError, problems);
    if (lookup("TAVRIXSIM_SCRIPT", &value))
        s.scriptPath = trim(value);
    if (lookup("TAVRIXSIM_TIMES", &value))
        s.timesPath = trim(value);
    if (lookup("TAVRIXSIM_HOSTILE", &value)) {
        std::vector<std::string> unknown;
        s.hostile = parseHostile(value, &unknown);
        if (problems)
            for (const std::string& u : unknown)
                problems->push_back("TAVRIXSIM_HOSTILE: unknown misbehaviour \"" + escape(u) + "\"");
    }
    return s;
}

bool parseScriptLine(const std::string& line, ScriptLine* out, std::string* error)
{
    ScriptLine result;
    std::string t = trim(line);
    if (t.empty() || t[0] == '#') {
        *out = result;
        return true;
    }
    std::vector<std::string> words = splitWords(t);
    int64_t delay = 0;
    if (!parseNumber(words[0], &delay) || delay < 0 || delay > 3600 * 1000) {
        if (error)
            *error = "a line starts with its delay in ms: \"" + escape(line) + "\"";
        return false;
    }
    if (words.size() < 2) {
        if (error)
            *error = "no command after the delay: \"" + escape(line) + "\"";
        return false;
    }
    result.delayMs = static_cast<int>(delay);
    result.words.assign(words.begin() + 1, words.end());
    *out = result;
    return true;
}

}  // namespace simtext
