// What the format readers and writers share: lines with their numbers,
// numbers, names, and the step from durations to a Pronto code. Internal
// to ir/formats/.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ir/formats/formats.h"
#include "ir/pronto_write.h"

namespace ir {
namespace formats {

// A lead-out for a signal that ends with a mark (a Flipper capture, a
// Broadlink packet without its gap): long enough for any protocol's frame
// to end, as a learner's timeout would.
const double DEFAULT_LEAD_OUT_US = 100000;
const double DEFAULT_CARRIER_HZ = 38000;

// The lines of a text, numbered from 1; CR LF, LF or CR end a line, a
// UTF-8 byte order mark is skipped.
struct Line {
    size_t number;
    std::string_view text;
};
std::vector<Line> splitLines(std::string_view text);

std::string_view trim(std::string_view s);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool equalNoCase(std::string_view a, std::string_view b);
// Splits at runs of blanks and tabs.
std::vector<std::string_view> words(std::string_view s);

// A whole unsigned number: decimal, or hex after 0x; base 0 (a leading 0 is
// octal) as C's strtoull reads it when octal is true. False for anything
// else, or a number past max.
bool parseUnsigned(std::string_view s, uint64_t max, uint64_t* value, bool octal = false);
// A decimal number with an optional fraction ("0.330000").
bool parseDecimal(std::string_view s, double* value);

// A name as UTF-8: kept as it is when it is valid UTF-8, else read as
// Latin-1 (an older file's encoding) and *changed set.
std::string utf8Name(std::string_view raw, bool* changed);
// A text shown in a reason: at most 40 characters, control bytes escaped.
std::string shown(std::string_view s);
// The file name without its folders and its extension: a remote's name.
std::string fileStem(std::string_view fileName);

// Collects what a file said that the codes cannot hold: one Problem per
// kind of loss, with the line where it first appeared and how many codes
// it concerns.
class Losses {
public:
    void add(size_t line, const std::string& reason, std::string_view entry = {});
    std::vector<Problem> list() const;

private:
    struct Seen {
        size_t first;
        size_t line;
        std::string entry;
        size_t count;
    };
    std::map<std::string, Seen> seen_;
};

// Durations in microseconds, alternately mark and space, starting with a
// mark, to pairs; an odd count gets leadOutUs as its last space.
std::vector<Pair> toPairs(const std::vector<double>& durations, double leadOutUs);

// A code as a signal again, for the writers; false with the reason it is
// not valid Pronto.
bool codeSignal(const Code& code, Signal* signal, std::string* error);

// The carrier of the protocol a signal decodes to (by rendering it), or 0
// when it decodes to none.
double protocolCarrierHz(const Signal& signal);

// The codes of several remotes as one list, named "Remote/Code" when there
// is more than one remote.
std::vector<Code> flatCodes(const std::vector<Remote>& remotes);

// A code to write, with its signal.
struct Writable {
    Code code;
    Signal signal;
};
// The codes of a list that are valid Pronto; the others go to out->skipped.
std::vector<Writable> writable(const std::vector<Code>& codes, Exported* out);
// A name on one line for a line-based format: line ends (and tabs, when
// the format separates with them) become blanks, which out->lost tells.
std::string oneLineName(const std::string& name, bool tabs, Exported* out);

// Readers: each returns what came in, or a refusal.
Imported readLirc(std::string_view text, const std::string& stem);
Imported readFlipper(std::string_view text, const std::string& stem);
Imported readSmartIr(std::string_view text, const std::string& stem);
Imported readCsv(std::string_view text, const std::string& stem);
// Lines of name and code, the code a Pronto text, a Broadlink packet or a
// sendir line as `format` says.
Imported readCodeList(std::string_view text, const std::string& stem, Format format);

// Writers.
Exported writeLirc(const std::vector<Remote>& remotes);
Exported writeFlipper(const std::vector<Remote>& remotes);
Exported writeSmartIr(const std::vector<Remote>& remotes);
Exported writeCsv(const std::vector<Remote>& remotes);
Exported writeCodeList(const std::vector<Remote>& remotes, Format format);

// Single codes, shared by the lists, SmartIR and parseAnyCode.
// Pronto, Broadlink or Sendir by the look of a code; Unknown otherwise.
Format codeKind(std::string_view code);
bool looksLikeBroadlink(std::string_view text);
bool looksLikeSendir(std::string_view text);
// A Broadlink packet (base64, or hex starting 26) to a Pronto code; notes
// what the packet could not say (its carrier).
bool broadlinkToPronto(std::string_view packet, std::string* pronto, std::string* error, std::string* lost);
bool prontoToBroadlink(const Signal& signal, std::string* base64, std::string* error);
bool sendirToPronto(std::string_view line, std::string* pronto, std::string* error, std::string* lost);
std::string prontoToSendir(const Signal& signal);

}  // namespace formats
}  // namespace ir
