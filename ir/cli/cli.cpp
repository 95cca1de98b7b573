#include "ir/cli/cli.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "ir/cli/cmd_convert.h"
#include "ir/cli/cmd_library.h"
#include "ir/formats/formats.h"
#include "ir/ir.h"

namespace pellwickir {

namespace {

const char USAGE[] =
    "usage: pellwick-ir <command> [options] [TEXT...]\n"
    "\n"
    "Pronto hex IR codes: the protocol and parameters of a code, the code of a\n"
    "protocol with parameters, the facts of a code and a plot of its waveform.\n"
    "\n"
    "  decode [--all] [--json] [TEXT...]  protocol and parameters: NEC1 D=12 S=34 F=56\n"
    "  render PROTOCOL NAME=VALUE...   the Pronto text: render NEC1 D=4 F=8\n"
    "  info [--json] [TEXT...]         carrier, pair counts, lengths, durations\n"
    "  plot [TEXT...] -o FILE.svg      the waveform as an SVG picture\n"
    "  list|get|add REMOTE.json ...    the codes of a remote file of the code library\n"
    "  protocols [--json]              every protocol, its IRP line and parameters\n"
    "  convert --to FORMAT IN [-o OUT] a code file in another format (LIRC, Flipper, ...)\n"
    "\n"
    "TEXT is the code's words, joined with blanks; without them the code is read\n"
    "from standard input (any line ends). pellwick-ir <command> --help tells more.\n"
    "Exit codes: 0 done, 1 no protocol fits (decode) or the file cannot be\n"
    "written (plot), 2 an invalid code, a refused render or a usage error.\n";

const char DECODE_USAGE[] =
    "usage: pellwick-ir decode [--all] [--json] [TEXT...]\n"
    "\n"
    "Prints the code's protocol and parameters on one line, NAME=decimal in the\n"
    "protocol's order: \"NEC1 D=12 S=34 F=56\", \"RC5 D=12 F=56 T=1\". --json prints\n"
    "{\"protocol\":\"NEC1\",\"D\":12,\"S\":34,\"F\":56}. Where several protocols fit, the\n"
    "preferred one; --all prints every fit, one per line, the preferred first\n"
    "(--json: an array). The README's pellwick-ir section gives the rules: what\n"
    "a learner may do to a code and the order of preference.\n"
    "Exit codes: 0 decoded, 1 a valid code that fits no protocol (prints\n"
    "\"unknown\"), 2 an invalid code (the reason on standard error).\n";

const char INFO_USAGE[] =
    "usage: pellwick-ir info [--json] [TEXT...]\n"
    "\n"
    "Prints the code's carrier, pair counts, the lengths of its once and repeat\n"
    "parts, its shortest and longest marks and spaces, and its durations grouped\n"
    "into clusters (\"573 us x 35\"). --json prints the same as one JSON object.\n"
    "Exit codes: 0 done, 2 an invalid code.\n";

const char PLOT_USAGE[] =
    "usage: pellwick-ir plot [TEXT...] -o FILE.svg\n"
    "\n"
    "Writes the code's waveform as SVG: marks as bars over a time axis in ms,\n"
    "the once part and the repeat part in two colours, the carrier and the\n"
    "decode in the title. -o - writes to standard output.\n"
    "Exit codes: 0 written, 1 the file cannot be written, 2 an invalid code.\n";

std::string renderUsage()
{
    std::string text =
        "usage: pellwick-ir render PROTOCOL NAME=VALUE...\n"
        "\n"
        "Prints the Pronto text of the protocol with these parameters on one line:\n"
        "the first frame as the once part, what is sent while the button is held as\n"
        "the repeat part. Names in any case, values in decimal; a parameter with a\n"
        "default [in brackets] may be left out.\n"
        "  pellwick-ir render NEC1 D=4 F=8\n"
        "\n"
        "Protocols and the ranges of their parameters:\n";
    for (const ir::ProtocolInfo& p : ir::protocols()) {
        std::string line = "  " + p.name;
        line.resize(14, ' ');
        text += line + " " + parametersText(p) + "\n";
    }
    return text + "Exit codes: 0 done, 2 refused (the reason on standard error).\n";
}

int usageError(std::ostream& err, const std::string& why, const std::string& usage)
{
    err << "pellwick-ir: " << why << "\n" << usage;
    return 2;
}

struct Options {
    bool help = false;
    bool json = false;
    bool all = false;  // decode: every fit
    std::string output;
    bool hasOutput = false;
    std::vector<std::string> words;
};

// Reads a command's options. Pronto words never start with '-', so every
// argument that does is an option.
bool readOptions(const std::vector<std::string>& args, bool jsonAllowed, bool outputAllowed, Options* o,
                 std::string* why)
{
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o->help = true;
        } else if (jsonAllowed && a == "--json") {
            o->json = true;
        } else if (a == "--all" && args[0] == "decode") {
            o->all = true;
        } else if (outputAllowed && a == "-o") {
            if (i + 1 >= args.size()) {
                *why = "-o needs a file name";
                return false;
            }
            o->output = args[++i];
            o->hasOutput = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            *why = "unknown option " + a;
            return false;
        } else {
            o->words.push_back(a);
        }
    }
    return true;
}

// Appends code point c as UTF-8.
void appendUtf8(std::string* out, unsigned long c)
{
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Text as Windows editors and PowerShell's redirection save it: with a
// UTF-8 byte-order mark, or as UTF-16 (little or big-endian) after its mark.
// Returns it as UTF-8 without the mark; other bytes are returned as they
// are. False for UTF-16 with an odd number of bytes.
bool inputText(const std::string& bytes, std::string* text, std::string* error)
{
    auto startsWith = [&](const char* mark, size_t n) { return bytes.compare(0, n, mark, n) == 0; };
    if (startsWith("\xEF\xBB\xBF", 3)) {
        *text = bytes.substr(3);
        return true;
    }
    bool little = startsWith("\xFF\xFE", 2), big = startsWith("\xFE\xFF", 2);
    if (!little && !big) {
        *text = bytes;
        return true;
    }
    if (bytes.size() % 2) {
        *error = "the input is UTF-16 with an odd number of bytes (" + std::to_string(bytes.size()) + ")";
        return false;
    }
    auto unit = [&](size_t i) {
        unsigned a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? a | b << 8 : a << 8 | b;
    };
    text->clear();
    for (size_t i = 2; i < bytes.size(); i += 2) {
        unsigned long c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // half a pair: not text
        }
        appendUtf8(text, c);
    }
    return true;
}

// The code from the arguments, or from standard input.
bool readSignal(const Options& o, std::istream& in, std::ostream& err, ir::Signal* signal)
{
    std::string text, error;
    if (o.words.empty()) {
        std::string bytes(std::istreambuf_iterator<char>(in), (std::istreambuf_iterator<char>()));
        if (!inputText(bytes, &text, &error)) {
            err << "pellwick-ir: " << error << "\n";
            return false;
        }
    } else {
        for (const std::string& w : o.words)
            text += (text.empty() ? "" : " ") + w;
    }
    if (!ir::formats::parseAnyCode(text, signal, &error)) {
        err << "pellwick-ir: not a valid Pronto code: " << error << "\n";
        return false;
    }
    return true;
}

int decodeCommand(const Options& o, std::istream& in, std::ostream& out, std::ostream& err)
{
    ir::Signal signal;
    if (!readSignal(o, in, err, &signal))
        return 2;
    std::vector<ir::Decoded> fits = ir::decodeAll(signal);
    if (fits.empty() || !o.all) {
        ir::Decoded d = fits.empty() ? ir::Decoded() : fits.front();
        out << (o.json ? ir::decodeJson(d) : ir::decodeLine(d)) << "\n";
    } else {
        for (size_t i = 0; i < fits.size(); ++i)
            out << (!o.json ? "" : i == 0 ? "[" : ",") << (o.json ? ir::decodeJson(fits[i]) : ir::decodeLine(fits[i]))
                << (o.json ? "" : "\n");
        out << (o.json ? "]\n" : "");
    }
    return fits.empty() ? 1 : 0;
}

int infoCommand(const Options& o, std::istream& in, std::ostream& out, std::ostream& err)
{
    ir::Signal signal;
    if (!readSignal(o, in, err, &signal))
        return 2;
    ir::Facts f = ir::facts(signal);
    out << (o.json ? ir::factsJson(f) + "\n" : ir::factsText(f));
    return 0;
}

int plotCommand(const Options& o, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (!o.hasOutput)
        return usageError(err, "plot needs -o FILE.svg", PLOT_USAGE);
    ir::Signal signal;
    if (!readSignal(o, in, err, &signal))
        return 2;
    std::string svg = ir::plotSvg(signal);
    if (o.output == "-") {
        out << svg;
        return 0;
    }
    std::ofstream file(o.output, std::ios::binary);
    file << svg;
    file.close();
    if (!file) {
        err << "pellwick-ir: cannot write " << o.output << "\n";
        return 1;
    }
    return 0;
}

int renderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> words(args.begin() + 1, args.end());
    for (const std::string& w : words)
        if (w == "--help" || w == "-h") {
            out << renderUsage();
            return 0;
        }
    if (words.empty())
        return usageError(err, "render needs a protocol", renderUsage());
    std::string pronto, error;
    if (!ir::renderWords(words, &pronto, &error)) {
        err << "pellwick-ir: " << error << "\n";
        return 2;
    }
    out << pronto << "\n";
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usageError(err, "no command", USAGE);
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << USAGE;
        return 0;
    }
    if (command == "render")
        return renderCommand(args, out, err);
    if (command == "convert")
        return convertCommand(args, in, out, err);
    if (isLibraryCommand(command))
        return libraryCommand(args, in, out, err);
    if (command == "protocols")
        return protocolsCommand(args, out, err);
    const char* usage = command == "decode" ? DECODE_USAGE
                        : command == "info" ? INFO_USAGE
                        : command == "plot" ? PLOT_USAGE
                                            : nullptr;
    if (!usage)
        return usageError(err, "unknown command " + command, USAGE);
    Options o;
    std::string why;
    if (!readOptions(args, command != "plot", command == "plot", &o, &why))
        return usageError(err, why, usage);
    if (o.help) {
        out << usage;
        return 0;
    }
    if (command == "decode")
        return decodeCommand(o, in, out, err);
    if (command == "info")
        return infoCommand(o, in, out, err);
    return plotCommand(o, in, out, err);
}

}  // namespace pellwickir
