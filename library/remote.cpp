#include "library/remote.h"

#include <cctype>
#include <cstdio>
#include <iterator>
#include <limits>
#include <map>

#include <nlohmann/json.hpp>

#include "ir/ir.h"

namespace library {

const char FORMAT_NAME[] = "pellwick-remote";

namespace {

// Objects keep their fields in the order read, so that a rewritten file
// differs from the one read only where the remote changed.
using json = nlohmann::ordered_json;

const char* const REMOTE_FIELDS[] = {"format", "version", "name", "codes"};
const char* const CODE_FIELDS[] = {"name", "pronto", "note"};

template <size_t N>
bool known(const std::string& key, const char* const (&fields)[N])
{
    for (const char* f : fields)
        if (key == f)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Lines. The parser's DOM keeps no positions, so a reason that concerns one
// field (a code that is not Pronto) is placed by parsing the file a second
// time with an event handler that stops at that field, through an iterator
// that counts how far the parser has read.

struct CountingIterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* p;
    const char* base;
    size_t* read;

    reference operator*() const { return *p; }
    CountingIterator& operator++()
    {
        ++p;
        *read = static_cast<size_t>(p - base);
        return *this;
    }
    bool operator==(const CountingIterator& o) const { return p == o.p; }
    bool operator!=(const CountingIterator& o) const { return p != o.p; }
};

// A path into the document: object keys, and array indexes written "#3".
using Path = std::vector<std::string>;

class Locator : public nlohmann::json_sax<json> {
public:
    Locator(const Path& target, const size_t* read) : target_(target), read_(read) {}
    size_t found = std::string::npos;

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return open(false); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override
    {
        path_.back() = k;
        return check();
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        return false;
    }

private:
    // A value begins: in an array it is the next element.
    bool value()
    {
        if (arrays_.empty() || !arrays_.back().first)
            return true;
        path_.back() = "#" + std::to_string(arrays_.back().second++);
        return check();
    }
    bool open(bool array)
    {
        if (!value())
            return false;
        arrays_.push_back({array, 0});
        path_.emplace_back();
        return true;
    }
    bool close()
    {
        arrays_.pop_back();
        path_.pop_back();
        return true;
    }
    bool check()
    {
        if (path_ != target_)
            return true;
        found = *read_;
        return false;  // found: parse no further
    }

    Path target_;
    const size_t* read_;
    Path path_;
    std::vector<std::pair<bool, size_t>> arrays_;  // whether an array, its next index
};

int lineAt(std::string_view bytes, size_t offset)
{
    if (offset > bytes.size())
        offset = bytes.size();
    int line = 1;
    for (size_t i = 0; i < offset; ++i)
        line += bytes[i] == '\n';
    return line;
}

int lineOf(std::string_view bytes, const Path& path)
{
    size_t read = 0;
    Locator locator(path, &read);
    CountingIterator first{bytes.data(), bytes.data(), &read}, last{bytes.data() + bytes.size(), bytes.data(), &read};
    json::sax_parse(first, last, &locator);
    // The parser has read the token that starts the field, and perhaps one
    // character more.
    return locator.found == std::string::npos ? 0 : lineAt(bytes, locator.found ? locator.found - 1 : 0);
}

// The parser's message without its prefix ("[json.exception.parse_error.101]
// parse error at line 1, column 2: ") and without the bytes it last read,
// which need not be text.
std::string parseMessage(const char* what)
{
    std::string text = what;
    size_t colon = text.find(": ", text.find("column"));
    if (colon != std::string::npos)
        text.erase(0, colon + 2);
    size_t last = text.find("; last read");
    if (last != std::string::npos)
        text.erase(last);
    return text;
}

}  // namespace

bool isUtf8(std::string_view s)
{
    static const uint32_t SMALLEST[] = {0, 0x80, 0x800, 0x10000};
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
        if (n == 4 || s.size() - i <= n)
            return false;  // not a lead byte, or cut short
        uint32_t cp = n == 0 ? c : c & (0x3Fu >> n);
        for (size_t k = 1; k <= n; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d >> 6) != 2)
                return false;
            cp = (cp << 6) | (d & 0x3Fu);
        }
        if (cp < SMALLEST[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;  // overlong, beyond Unicode, or a surrogate
        i += n + 1;
    }
    return true;
}

namespace {

// Reads "1.0" (or 1) into its major and minor numbers.
bool readVersion(const json& v, long* major, long* minor)
{
    if (v.is_number_unsigned() && v.get<unsigned long long>() < 1000000) {
        *major = static_cast<long>(v.get<unsigned long long>());
        *minor = 0;
        return true;
    }
    if (!v.is_string())
        return false;
    const std::string& t = v.get_ref<const std::string&>();
    int used = 0;
    unsigned a = 0, b = 0;
    return t.size() <= 15 && std::sscanf(t.c_str(), "%u.%u%n", &a, &b, &used) == 2 &&
           used == static_cast<int>(t.size()) && t[0] >= '0' && t[0] <= '9' &&
           (*major = static_cast<long>(a), *minor = static_cast<long>(b), true);
}

// The fields not in `fields`, as an object's text; empty when there are none.
template <size_t N>
std::string unknownFields(const json& object, const char* const (&fields)[N])
{
    json extra = json::object();
    for (const auto& item : object.items())
        if (!known(item.key(), fields))
            extra[item.key()] = item.value();
    return extra.empty() ? std::string() : extra.dump();
}

template <size_t N>
void addUnknownFields(json* object, const std::string& extra, const char* const (&fields)[N])
{
    if (extra.empty())
        return;
    json fieldsRead = json::parse(extra, nullptr, false);
    if (!fieldsRead.is_object())
        return;
    for (const auto& item : fieldsRead.items())
        if (!known(item.key(), fields))
            (*object)[item.key()] = item.value();
}

}  // namespace

namespace {

// What the file as a whole says of itself: an object with the format's
// name, a version this program reads, and the remote's name. doc holds at
// least those fields.
bool readHead(std::string_view bytes, const json& doc, Remote* read, ReadError* error)
{
    auto fail = [&](const std::string& reason, const Path& where) {
        error->reason = reason;
        error->line = where.empty() ? 0 : lineOf(bytes, where);
        return false;
    };
    if (!doc.is_object())
        return fail(std::string("not a Pellwick remote: the file holds a JSON ") + doc.type_name() +
                        ", not an object",
                    {});
    auto field = doc.find("format");
    if (field == doc.end())
        return fail("not a Pellwick remote: it has no \"format\"", {});
    if (!field->is_string() || field->get_ref<const std::string&>() != FORMAT_NAME)
        return fail("not a Pellwick remote: its format is " + field->dump(-1, ' ', true, json::error_handler_t::replace) +
                        ", not \"" + FORMAT_NAME + "\"",
                    {"format"});
    long major = 0, minor = 0;
    field = doc.find("version");
    if (field == doc.end())
        return fail("the file has no \"version\"", {});
    if (!readVersion(*field, &major, &minor) || major < 1)
        return fail("its version " + field->dump(-1, ' ', true, json::error_handler_t::replace) +
                        " is not a version number such as \"1.0\"",
                    {"version"});
    if (major > FORMAT_MAJOR)
        return fail("it is of version " + std::to_string(major) + "." + std::to_string(minor) +
                        ", newer than this Pellwick reads (" + std::to_string(FORMAT_MAJOR) + ".x)",
                    {"version"});

    read->minor = minor > FORMAT_MINOR && minor < 1000000 ? static_cast<int>(minor) : FORMAT_MINOR;
    field = doc.find("name");
    if (field == doc.end() || !field->is_string())
        return fail("the remote has no \"name\" text", field == doc.end() ? Path() : Path{"name"});
    read->name = field->get<std::string>();
    std::string problem = nameProblem(read->name);
    if (!problem.empty())
        return fail("the remote's name: " + problem, {"name"});
    return true;
}

bool parseError(std::string_view bytes, const char* what, size_t byte, ReadError* error)
{
    error->reason = std::string("not valid JSON: ") + parseMessage(what);
    error->line = lineAt(bytes, byte ? byte - 1 : 0);
    return false;
}

// The fields of the object the file holds that readHead looks at, each as
// read; the parser stops once it has them, so that the codes after them
// are not read.
class HeadReader : public nlohmann::json_sax<json> {
public:
    json head;
    std::string failure;  // the parser's message, when the text is not JSON up to there
    size_t failedAt = 0;

    bool null() override { return value(nullptr); }
    bool boolean(bool v) override { return value(v); }
    bool number_integer(number_integer_t v) override { return value(v); }
    bool number_unsigned(number_unsigned_t v) override { return value(v); }
    bool number_float(number_float_t v, const string_t&) override { return value(v); }
    bool string(string_t& v) override { return value(v); }
    bool binary(binary_t&) override { return value(nullptr); }
    bool start_object(std::size_t) override { return open(json::object()); }
    bool start_array(std::size_t) override { return open(json::array()); }
    bool end_object() override { return --depth_ > 0 || done(); }
    bool end_array() override { return --depth_ > 0 || done(); }
    bool key(string_t& k) override
    {
        if (depth_ == 1)
            key_ = k;
        return true;
    }
    bool parse_error(std::size_t at, const std::string&, const nlohmann::detail::exception& e) override
    {
        failure = e.what();
        failedAt = at;
        return false;
    }

private:
    static bool wanted(const std::string& k) { return k == "format" || k == "version" || k == "name"; }
    bool done() { return false; }  // the whole head has been read: parse no further
    template <typename T>
    bool value(T v)
    {
        if (depth_ == 0) {
            head = json(v);  // not an object: nothing more to read
            return false;
        }
        if (depth_ == 1 && wanted(key_)) {
            head[key_] = json(v);
            return head.size() < 3 || done();
        }
        return true;
    }
    bool open(json empty)
    {
        if (depth_ == 0 && empty.is_object())
            head = json::object();
        else if (depth_ <= 1 && !value(empty))
            return false;
        ++depth_;
        return true;
    }
    int depth_ = 0;
    std::string key_;
};

}  // namespace

bool readRemoteName(std::string_view bytes, std::string* name, ReadError* error)
{
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        *error = {"the file is empty", 0};
        return false;
    }
    HeadReader reader;
    json::sax_parse(bytes.begin(), bytes.end(), &reader);
    if (!reader.failure.empty() && (!reader.head.is_object() || reader.head.size() < 3))
        return parseError(bytes, reader.failure.c_str(), reader.failedAt, error);
    Remote read;
    if (!readHead(bytes, reader.head, &read, error))
        return false;
    *name = read.name;
    return true;
}

bool readRemote(std::string_view bytes, Remote* remote, ReadError* error)
{
    auto fail = [&](const std::string& reason, const Path& where) {
        error->reason = reason;
        error->line = where.empty() ? 0 : lineOf(bytes, where);
        return false;
    };
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return fail("the file is empty", {});
    json doc;
    try {
        doc = json::parse(bytes.begin(), bytes.end());
    } catch (const json::parse_error& e) {
        return parseError(bytes, e.what(), e.byte, error);
    } catch (const json::exception& e) {
        // A number too large for a double ("1e999"): the parser says so
        // without a place.
        std::string what = e.what();
        what.erase(0, what.find("] ") == std::string::npos ? 0 : what.find("] ") + 2);
        if (what.size() > 80)
            what = what.substr(0, 80) + "...";
        *error = {"not valid JSON: " + what, 0};
        return false;
    }
    Remote read;
    if (!readHead(bytes, doc, &read, error))
        return false;
    read.extra = unknownFields(doc, REMOTE_FIELDS);
    std::string problem;
    auto field = doc.find("codes");
    if (field != doc.end() && !field->is_array())
        return fail("\"codes\" is not a list", {"codes"});
    if (field != doc.end()) {
        read.codes.reserve(field->size());
        for (size_t i = 0; i < field->size(); ++i) {
            const json& c = (*field)[i];
            std::string at = "#" + std::to_string(i), which = "code " + std::to_string(i + 1);
            if (!c.is_object())
                return fail(which + " is not an object", {"codes", at});
            Code code;
            for (const char* key : CODE_FIELDS) {
                auto f = c.find(key);
                if (f == c.end())
                    continue;
                if (!f->is_string())
                    return fail(which + ": \"" + key + "\" is not text", {"codes", at, key});
                std::string& to = key == std::string("name") ? code.name : key == std::string("note") ? code.note : code.pronto;
                to = f->get<std::string>();
            }
            if (!code.name.empty())
                which += " (\"" + code.name + "\")";
            if (c.find("name") == c.end())
                return fail(which + " has no name", {"codes", at});
            if (c.find("pronto") == c.end())
                return fail(which + " has no \"pronto\" text", {"codes", at});
            problem = codeProblem(code);
            if (!problem.empty())
                return fail(which + ": " + problem,
                            {"codes", at, problem.compare(0, 5, "name:") == 0 ? "name" : "pronto"});
            code.extra = unknownFields(c, CODE_FIELDS);
            read.codes.push_back(std::move(code));
        }
    }
    *remote = std::move(read);
    return true;
}

std::string writeRemote(const Remote& remote)
{
    json doc = json::object();
    doc["format"] = FORMAT_NAME;
    doc["version"] = std::to_string(FORMAT_MAJOR) + "." +
                     std::to_string(remote.minor > FORMAT_MINOR ? remote.minor : FORMAT_MINOR);
    doc["name"] = remote.name;
    addUnknownFields(&doc, remote.extra, REMOTE_FIELDS);
    json codes = json::array();
    for (const Code& code : remote.codes) {
        json c = json::object();
        c["name"] = code.name;
        c["pronto"] = code.pronto;
        if (!code.note.empty())
            c["note"] = code.note;
        addUnknownFields(&c, code.extra, CODE_FIELDS);
        codes.push_back(std::move(c));
    }
    doc["codes"] = std::move(codes);
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string nameProblem(std::string_view name)
{
    if (name.find_first_not_of(" \t") == std::string_view::npos)
        return "a name cannot be empty";
    if (!isUtf8(name))
        return "the name is not UTF-8 text";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "a name cannot hold line breaks or control characters";
    if (name.size() > 1000)
        return "a name can be at most 1,000 bytes long";
    return std::string();
}

std::string codeProblem(const Code& code)
{
    std::string problem = nameProblem(code.name);
    if (!problem.empty())
        return "name: " + problem;
    if (!isUtf8(code.note))
        return "the note is not UTF-8 text";
    std::string why;
    if (!isUtf8(code.pronto) || !ir::parsePronto(code.pronto, nullptr, &why))
        return "not valid Pronto: " + (why.empty() ? std::string("the text is not UTF-8") : why);
    return std::string();
}

uint64_t fingerprint(std::string_view bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// ---------------------------------------------------------------------------

Description describe(std::string_view pronto)
{
    Description d;
    ir::Signal signal;
    std::string error;
    if (!ir::parsePronto(pronto, &signal, &error)) {
        d.decode = error;
        return d;
    }
    d.valid = true;
    d.decode = ir::decodeLine(ir::decode(signal));
    ir::Facts f = ir::facts(signal);
    d.lengthMs = f.oncePairs ? f.onceMs : f.repeatMs;
    return d;
}

void markSameCodes(const std::vector<Code>& codes, std::vector<Description>* descriptions)
{
    // What makes two entries the same code: the decode of a known code, the
    // words of an unknown one (in upper case, one blank apart).
    auto key = [&](size_t i) {
        const Description& d = (*descriptions)[i];
        if (!d.valid)
            return std::string();
        if (d.decode != "unknown")
            return d.decode;
        std::string words = "~";
        bool blank = false;
        for (char c : codes[i].pronto) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                blank = words.size() > 1;
                continue;
            }
            if (blank)
                words += ' ';
            blank = false;
            words += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return words;
    };
    std::map<std::string, std::pair<size_t, size_t>> firstTwo;  // key: first and second entry
    const size_t NONE = std::numeric_limits<size_t>::max();
    size_t n = codes.size() < descriptions->size() ? codes.size() : descriptions->size();
    std::vector<std::string> keys(n);
    for (size_t i = 0; i < n; ++i) {
        keys[i] = key(i);
        if (keys[i].empty())
            continue;
        auto found = firstTwo.emplace(keys[i], std::make_pair(i, NONE));
        if (!found.second && found.first->second.second == NONE)
            found.first->second.second = i;
    }
    for (size_t i = 0; i < n; ++i) {
        (*descriptions)[i].sameAs.clear();
        if (keys[i].empty())
            continue;
        const auto& two = firstTwo[keys[i]];
        size_t other = two.first != i ? two.first : two.second;
        if (other != NONE)
            (*descriptions)[i].sameAs = codes[other].name;
    }
}

std::string lengthText(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ms);
    return text;
}

}  // namespace library
