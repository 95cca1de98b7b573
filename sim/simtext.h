// Text handling of the simulated device that needs no Windows: the call log's
// quoting, the numbers and lists of its environment settings, the built-in
// remote's codes and the lines of a control script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace simtext {

// C escapes for bytes: \\ \" \n \r \t, and three-digit octal (\001, \377) for
// every other byte outside printable ASCII, so that no escape can swallow the
// character after it.
std::string escape(const char* bytes, size_t length);
std::string escape(const std::string& text);

// "<escaped>" for the call log.  Only the first `limit` bytes are shown; a
// longer text gets " (cut, <length> bytes)" after the closing quote.
std::string quoted(const char* bytes, size_t length, size_t limit = 2100);
std::string quoted(const std::string& text, size_t limit = 2100);

// Reverses escape(): the text between the quotes of a quoted() field.  Also
// takes \xHH and \0.  False for a dangling or unknown escape.
bool unescape(const std::string& escaped, std::string* out);

// A whole word as a number: decimal with an optional sign, or 0x/0X hex.
bool parseNumber(const std::string& text, int64_t* value);

// Splits at runs of ASCII whitespace.
std::vector<std::string> splitWords(const std::string& line);

// Byte length of a text that may lack its NUL: up to the first NUL, at most max.
size_t boundedLength(const char* text, size_t max);

// The built-in remote and the named codes that `point` accepts.
const char* namedCode(const std::string& name);  // nec1, rc5, rc6 (any case); null otherwise
const char* remoteCode(uint32_t press);           // the built-in remote, cycling: NEC1 D=12 S=34 F=56,
                                                  // RC5 D=12 F=56, RC6 D=1 F=3, rendered by ir/
std::string floodCode(uint32_t number);           // received code number n of a flood: 12 chars

// A code as the event line names it: what the IR core decodes it as
// ("NEC1 D=4 S=251 F=16"), "a code of no known protocol" or "an invalid code".
std::string codeName(const std::string& pronto);

// Misbehaviours chosen with TAVRIXSIM_HOSTILE.
struct Hostile {
    bool staleText = false;       // received text freed right after the callback
    bool noNul = false;           // received texts of 24 bytes without NUL
    bool earlyCallbacks = false;  // callbacks before the program can have a relay window
    bool lateCallbacks = false;   // callbacks for 300 ms after TavrixClose
    bool progressFlood = false;   // 10,000 progress reports a second during a learn
    bool noNulCode = false;       // learnt code fills the 2049-byte buffer without NUL
    bool noRelayWindow = false;   // the program's hidden relay window cannot be created
    bool keepControlWord = false; // the hook's control word is the program's alone to clear
};
// Comma-separated names, blanks around them ignored.  Unknown names are
// collected in *unknown and otherwise ignored.
Hostile parseHostile(const std::string& list, std::vector<std::string>* unknown);

// Per-process settings, from the TAVRIXSIM_* environment variables.
struct Settings {
    std::string logPath;
    bool drvInfoFail = false;
    uint32_t drvInfo = 0x100;
    bool libVersionFail = false;
    uint32_t libVersion = 2680;
    bool openFails = false;
    uint32_t openError = 0;
    bool infoFail = false;
    int32_t infoFirmware = 263, infoProtocol = 256;
    uint8_t infoDate[3] = {15, 11, 26};
    uint32_t learnError = 997;
    std::string scriptPath;
    std::string timesPath;  // where the start and end of every call are written
    Hostile hostile;
};
// lookup(name) gives the variable's value and true, or false when it is not
// set.  A value that cannot be read keeps the default and is described in
// *problems.
Settings readSettings(const std::function<bool(const char* name, std::string* value)>& lookup,
                      std::vector<std::string>* problems);

// One line of a control script: "<delay ms> <command> <args>".  A blank line
// or one starting with # gives an empty command.
struct ScriptLine {
    int delayMs = 0;
    std::vector<std::string> words;  // command and its arguments
};
bool parseScriptLine(const std::string& line, ScriptLine* out, std::string* error);

}  // namespace simtext
