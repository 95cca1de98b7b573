// The formats as a whole: which one a file is, reading and writing through
// the format's own reader and writer, single codes in any form, and many
// files in one go.
#include "ir/formats/internal.h"

namespace ir {
namespace formats {

namespace {

// No code file comes near this; a larger one is refused before reading.
const size_t MAX_FILE_BYTES = 16 * 1024 * 1024;
// A file of junk would list a problem a line: the first ones tell enough.
const size_t MAX_PROBLEMS = 200;

// The first line that is neither blank nor a comment.
std::string_view firstEntry(std::string_view text, bool hashComments)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        std::string_view line = trim(text.substr(pos, end == std::string_view::npos ? text.size() - pos : end - pos));
        if (!line.empty() && !(hashComments && line[0] == '#'))
            return line;
        if (end == std::string_view::npos)
            break;
        pos = end + 1;
    }
    return {};
}

bool endsWithNoCase(std::string_view s, std::string_view ending)
{
    return s.size() >= ending.size() && equalNoCase(s.substr(s.size() - ending.size()), ending);
}

void capProblems(std::vector<Problem>* list)
{
    if (list->size() <= MAX_PROBLEMS)
        return;
    size_t more = list->size() - MAX_PROBLEMS;
    list->resize(MAX_PROBLEMS);
    list->push_back({0, "", "and " + std::to_string(more) + " more"});
}

}  // namespace

const std::vector<FormatInfo>& formatList()
{
    static const std::vector<FormatInfo> list = {
        {Format::Lirc, "lirc", "LIRC lircd.conf", ".lircd.conf"},
        {Format::Flipper, "flipper", "Flipper .ir", ".ir"},
        {Format::Broadlink, "broadlink", "Broadlink packets", ".txt"},
        {Format::SmartIr, "smartir", "SmartIR JSON", ".json"},
        {Format::Sendir, "sendir", "Global Cache sendir", ".txt"},
        {Format::Pronto, "pronto", "Pronto list", ".txt"},
        {Format::Csv, "csv", "CSV", ".csv"},
    };
    return list;
}

const FormatInfo& formatInfo(Format format)
{
    static const FormatInfo unknown = {Format::Unknown, "unknown", "unknown format", ""};
    for (const FormatInfo& f : formatList())
        if (f.format == format)
            return f;
    return unknown;
}

Format formatByName(std::string_view name)
{
    for (const FormatInfo& f : formatList())
        if (equalNoCase(name, f.name))
            return f.format;
    return Format::Unknown;
}

Format detect(std::string_view content, std::string_view fileName)
{
    std::string_view first = firstEntry(content, false);
    if (startsWithNoCase(first, "Filetype:"))
        return Format::Flipper;
    if (!first.empty() && (first[0] == '{' || first[0] == '['))
        return Format::SmartIr;
    std::string_view entry = firstEntry(content, true);
    std::vector<std::string_view> w = words(entry);
    if (w.size() >= 2 && equalNoCase(w[0], "begin") && equalNoCase(w[1], "remote"))
        return Format::Lirc;
    if (!w.empty() && equalNoCase(w[0], "include"))
        return Format::Lirc;
    Format kind = codeKind(entry);
    if (kind == Format::Unknown && !entry.empty()) {
        size_t tab = entry.find('\t'), colon = entry.rfind(": ");
        size_t at = tab != std::string_view::npos ? tab : colon;
        if (at != std::string_view::npos)
            kind = codeKind(entry.substr(at + 1));
    }
    if (kind != Format::Unknown)
        return kind;
    if (startsWithNoCase(entry, "name,") || startsWithNoCase(entry, "name;") ||
        startsWithNoCase(entry, "\"name\""))
        return Format::Csv;
    if (endsWithNoCase(fileName, ".ir"))
        return Format::Flipper;
    if (endsWithNoCase(fileName, ".conf"))
        return Format::Lirc;
    if (endsWithNoCase(fileName, ".json"))
        return Format::SmartIr;
    if (endsWithNoCase(fileName, ".csv"))
        return Format::Csv;
    return Format::Unknown;
}

Imported importText(std::string_view content, Format format, std::string_view fileName)
{
    Imported out;
    if (content.size() > MAX_FILE_BYTES) {
        out.refused = "the file is " + std::to_string(content.size() / (1024 * 1024)) +
                      " MB; a code file is far smaller (Pellwick reads up to 16 MB)";
        return out;
    }
    if (format == Format::Unknown)
        format = detect(content, fileName);
    std::string stem = fileStem(fileName);
    switch (format) {
    case Format::Lirc:
        out = readLirc(content, stem);
        break;
    case Format::Flipper:
        out = readFlipper(content, stem);
        break;
    case Format::SmartIr:
        out = readSmartIr(content, stem);
        break;
    case Format::Csv:
        out = readCsv(content, stem);
        break;
    case Format::Broadlink:
    case Format::Sendir:
    case Format::Pronto:
        out = readCodeList(content, stem, format);
        break;
    case Format::Unknown:
        out.refused = firstEntry(content, true).empty()
                          ? "the file is empty"
                          : "not a format Pellwick reads (LIRC, Flipper, Broadlink, SmartIR, sendir, Pronto or CSV)";
        break;
    }
    if (!out.refused.empty()) {
        out.remotes.clear();
        out.skipped.clear();
        out.lost.clear();
    }
    capProblems(&out.skipped);
    capProblems(&out.lost);
    return out;
}

std::string summary(const Imported& imported, std::string_view fileName)
{
    std::string name = fileName.empty() ? std::string("the file") : std::string(fileName);
    if (!imported.refused.empty())
        return name + ": " + imported.refused + "\n";
    size_t codes = imported.codeCount(), remotes = imported.remotes.size();
    std::string text = name + " (" + formatInfo(imported.format).title + "): " + std::to_string(codes) +
                       (codes == 1 ? " code" : " codes") + " in " + std::to_string(remotes) +
                       (remotes == 1 ? " remote" : " remotes");
    if (!imported.skipped.empty())
        text += ", " + std::to_string(imported.skipped.size()) + " skipped";
    text += "\n";
    for (const Problem& p : imported.skipped)
        text += "  skipped: " + problemText(p) + "\n";
    for (const Problem& p : imported.lost)
        text += "  not kept: " + problemText(p) + "\n";
    return text;
}

Exported exportRemotes(const std::vector<Remote>& remotes, Format format)
{
    Exported out;
    switch (format) {
    case Format::Lirc:
        out = writeLirc(remotes);
        break;
    case Format::Flipper:
        out = writeFlipper(remotes);
        break;
    case Format::SmartIr:
        out = writeSmartIr(remotes);
        break;
    case Format::Csv:
        out = writeCsv(remotes);
        break;
    case Format::Broadlink:
    case Format::Sendir:
    case Format::Pronto:
        out = writeCodeList(remotes, format);
        break;
    case Format::Unknown:
        out.skipped.push_back({0, "", "no format to write"});
        return out;
    }
    size_t notes = 0;
    for (const Remote& r : remotes)
        for (const Code& c : r.codes)
            notes += c.note.empty() ? 0 : 1;
    if (notes > 0 && format != Format::Csv)
        out.lost.push_back({0, "", "notes are not written (" + std::to_string(notes) + " codes have one)"});
    return out;
}

bool parseAnyCode(std::string_view text, Signal* signal, std::string* error)
{
    std::string pronto, lost, compact;
    switch (codeKind(firstEntry(text, false))) {
    case Format::Sendir:
        if (!sendirToPronto(trim(firstEntry(text, false)), &pronto, error, &lost))
            return false;
        return parsePronto(pronto, signal, error);
    case Format::Broadlink:
        for (char c : text)
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                compact += c;
        if (!broadlinkToPronto(compact, &pronto, error, &lost))
            return false;
        return parsePronto(pronto, signal, error);
    default:
        return parsePronto(text, signal, error);
    }
}

Batch importFiles(const std::vector<std::string>& fileNames, const ReadFile& read, const Progress& progress)
{
    Batch batch;
    for (size_t i = 0; i < fileNames.size(); ++i) {
        if (progress && !progress(i, fileNames.size(), fileNames[i])) {
            batch.cancelled = true;
            return batch;
        }
        FileImport file;
        file.fileName = fileNames[i];
        std::string content, error;
        if (!read(fileNames[i], &content, &error))
            file.imported.refused = "cannot be read: " + error;
        else
            file.imported = importText(content, Format::Unknown, fileNames[i]);
        batch.files.push_back(std::move(file));
    }
    if (progress)
        progress(fileNames.size(), fileNames.size(), "");
    return batch;
}

}  // namespace formats
}  // namespace ir
