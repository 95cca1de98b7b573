// The IRP notation: a parser of the published lines and the evaluation of
// their expressions.
//
// What it reads, as the public IRP documents define it:
//   {38.4k,564,lsb,33%}        carrier (k), unit in us or periods (p), bit order, duty cycle
//   <1,-1|1,-3>                bit symbols: 2, 4, 8 or 16 of them, each a list of durations
//   16 -8 564u -2.5m ^108m     a mark, a space (in units, us or ms), an extent
//   D:8 ~F:8 F:1:6 F:-6 2:8    fields: data:width:shift, complemented, in reverse order, constants
//   (D^S^F):8 C:4              expressions as data; definitions as names
//   (...)* (...)+ (...)3 <..>(..)   repeated or counted groups, a group with its own symbols
//   [T=0][T=8]                 what the first pass and the repeats do differently
//   T=1-T                      assignments
//   {C=...,X=...}              definitions
//   [D:0..255,S:0..255=255-D,T@:0..1=0]   parameters with their ranges and defaults
// Expressions: numbers (decimal, 0x, 0b), names, ( ), a:b:c and a::c
// bitfields, unary - ~ ! #, ** * / % + - << >> < <= > >= == != & ^ | && ||.
//
// What cannot be sent as a Pronto code is refused: no carrier, durations
// after the repeated group, more than one repeated group, widths that are
// not constant.
#include "ir/irp.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace ir {
namespace irp {

namespace {

const int MAX_DEPTH = 48;        // nesting of parentheses and groups
const size_t MAX_STEPS = 6000;   // steps of one sequence, counted groups unrolled
const double MAX_US = 10e6;      // no duration of a remote lasts ten seconds

// The stream as written, before it is flattened into sequences.
struct Item {
    enum Kind { DURATION, EXTENT, FIELD, GROUP, ASSIGN, VARIATION } kind = DURATION;
    bool mark = false;
    double amount = 0;  // DURATION, EXTENT: in units, or with `unit`
    char unit = 0;      // 0 (units), 'u', 'm', 'p'
    int node = -1;      // FIELD: its BITFIELD node; ASSIGN: the value
    std::string target; // ASSIGN
    int group = -1;     // GROUP
    std::vector<int> alternatives;  // VARIATION: a group each, its items inline
    size_t at = 0;      // place in the line, for messages
};

struct Group {
    std::vector<Item> items;
    int bitspec = -1;  // its own symbols; -1: its parent's
    enum Repeat { ONCE, COUNT, STAR, PLUS } repeat = ONCE;
    int count = 1;     // COUNT: times; PLUS: at least
};

struct RawDuration {
    bool mark;
    double amount;
    char unit;
};

struct RawParam {
    std::string name;
    long long min, max;
    int defaultExpr;
    std::string defaultText;
    size_t at;
};

bool isNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

class Parser {
public:
    Parser(std::string_view text, Protocol* p) : s_(text), p_(p) {}

    bool parse(std::string* error)
    {
        bool ok = generalSpec() && topStream() && definitionsAndParameters();
        skip();
        if (ok && pos_ < s_.size())
            ok = fail("unexpected \"" + std::string(1, s_[pos_]) + "\" after the line");
        ok = ok && resolveNames() && resolveDurations() && flattenAll();
        if (!ok && error)
            *error = "at " + std::to_string(errorAt_ + 1) + ": " + error_;
        return ok;
    }

private:
    // -- Lexing ---------------------------------------------------------------

    void skip()
    {
        for (;;) {
            while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_])))
                ++pos_;
            if (s_.substr(pos_, 2) != "/*")
                return;
            size_t end = s_.find("*/", pos_ + 2);
            pos_ = end == std::string_view::npos ? s_.size() : end + 2;
        }
    }

    bool peek(char c)
    {
        skip();
        return pos_ < s_.size() && s_[pos_] == c;
    }

    bool peek(std::string_view text)
    {
        skip();
        return s_.substr(pos_, text.size()) == text;
    }

    bool eat(char c)
    {
        if (!peek(c))
            return false;
        ++pos_;
        return true;
    }

    bool expect(char c)
    {
        return eat(c) || fail(std::string("expected \"") + c + "\"");
    }

    bool fail(const std::string& why)
    {
        if (error_.empty()) {
            error_ = why;
            errorAt_ = pos_;
        }
        return false;
    }

    bool failAt(size_t at, const std::string& why)
    {
        pos_ = at;
        return fail(why);
    }

    bool name(std::string* out)
    {
        skip();
        if (pos_ >= s_.size() || !isNameStart(s_[pos_]))
            return fail("expected a name");
        size_t start = pos_;
        while (pos_ < s_.size() && isNameChar(s_[pos_]) && pos_ - start < 32)
            ++pos_;
        *out = std::string(s_.substr(start, pos_ - start));
        return true;
    }

    // A whole number: decimal, 0x hex or 0b binary.
    bool integer(long long* out)
    {
        skip();
        size_t start = pos_;
        int base = 10;
        if (s_.substr(pos_, 2) == "0x" || s_.substr(pos_, 2) == "0X")
            base = 16;
        else if (s_.substr(pos_, 2) == "0b" || s_.substr(pos_, 2) == "0B")
            base = 2;
        if (base != 10)
            pos_ += 2;
        unsigned long long v = 0;
        size_t digits = 0;
        for (; pos_ < s_.size(); ++pos_, ++digits) {
            char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[pos_])));
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99;
            if (d >= base)
                break;
            if (v > (~0ULL - static_cast<unsigned>(d)) / static_cast<unsigned>(base))
                return failAt(start, "number too large");
            v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        }
        if (digits == 0)
            return failAt(start, "expected a number");
        *out = static_cast<long long>(v);
        return true;
    }

    // A number with an optional fraction: 38.4, 564, 59.08.
    bool decimal(double* out)
    {
        skip();
        size_t start = pos_;
        while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.'))
            ++pos_;
        std::string text(s_.substr(start, pos_ - start));
        char* end = nullptr;
        double v = text.empty() ? 0 : std::strtod(text.c_str(), &end);
        if (text.empty() || *end != 0 || text.size() > 20 || !std::isfinite(v))
            return failAt(start, "expected a number");
        *out = v;
        return true;
    }

    bool startsNumber()
    {
        skip();
        return pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.');
    }

    // A duration's number and unit: 16, 564u, 2.5m, 21p.
    bool durationAmount(double* amount, char* unit)
    {
        if (!decimal(amount))
            return false;
        *unit = 0;
        if (pos_ < s_.size() && (s_[pos_] == 'u' || s_[pos_] == 'm' || s_[pos_] == 'p') &&
            !(pos_ + 1 < s_.size() && isNameChar(s_[pos_ + 1])))
            *unit = s_[pos_++];
        return true;
    }

    // -- Carrier, unit, bit order and bit symbols -------------------------------

    bool generalSpec()
    {
        if (!expect('{'))
            return false;
        double unit = 1;
        bool periods = false;
        do {
            if (peek("msb") || peek("lsb")) {
                p_->msbFirst = s_[pos_] == 'm';
                pos_ += 3;
                continue;
            }
            double v = 0;
            if (!decimal(&v))
                return false;
            if (pos_ < s_.size() && s_[pos_] == 'k') {
                ++pos_;
                p_->carrierHz = v * 1000;
            } else if (pos_ < s_.size() && s_[pos_] == '%') {
                ++pos_;  // the duty cycle: a Pronto code has no place for it
            } else if (pos_ < s_.size() && s_[pos_] == 'p') {
                ++pos_;
                unit = v;
                periods = true;
            } else {
                if (pos_ < s_.size() && s_[pos_] == 'u')
                    ++pos_;
                unit = v;
            }
        } while (eat(','));
        if (!expect('}'))
            return false;
        // Without one the carrier is 38 kHz; 0 (not modulated) has no Pronto code.
        if (!(p_->carrierHz > 0) || p_->carrierHz > 1e7)
            return fail("a carrier of 0 or beyond 10 MHz: a Pronto code has none");
        p_->unitUs = periods ? unit * 1e6 / p_->carrierHz : unit;
        if (!(p_->unitUs > 0) || p_->unitUs > MAX_US)
            return fail("the unit must be more than 0");
        return true;
    }

    bool bitspec(int* index)
    {
        if (!expect('<'))
            return false;
        std::vector<std::vector<RawDuration>> symbols(1);
        for (;;) {
            skip();
            bool mark = !eat('-');
            RawDuration d{mark, 0, 0};
            if (!startsNumber())
                return fail("a bit symbol holds durations only");
            if (!durationAmount(&d.amount, &d.unit))
                return false;
            symbols.back().push_back(d);
            if (eat(','))
                continue;
            if (eat('|')) {
                symbols.emplace_back();
                continue;
            }
            if (!expect('>'))
                return false;
            break;
        }
        int bits = symbols.size() == 2 ? 1 : symbols.size() == 4 ? 2 : symbols.size() == 8 ? 3
                 : symbols.size() == 16 ? 4 : 0;
        if (bits == 0)
            return fail("bit symbols come as 2, 4, 8 or 16, not " + std::to_string(symbols.size()));
        rawSymbols_.push_back(symbols);
        BitSpec bitSpec;
        bitSpec.bits = bits;
        p_->bitspecs.push_back(bitSpec);
        *index = static_cast<int>(p_->bitspecs.size()) - 1;
        return true;
    }

    // -- The stream --------------------------------------------------------------

    bool topStream()
    {
        skip();
        int bitSpecAt = -1;
        if (peek('<') && !bitspec(&bitSpecAt))
            return false;
        return group(bitSpecAt, &top_);
    }

    bool group(int bitSpecAt, int* index)
    {
        if (++depth_ > MAX_DEPTH)
            return fail("groups nested too deep");
        Group g;
        g.bitspec = bitSpecAt;
        if (!expect('(') || !itemList(&g.items, ')') || !repeatMarker(&g))
            return false;
        --depth_;
        groups_.push_back(g);
        *index = static_cast<int>(groups_.size()) - 1;
        return true;
    }

    bool repeatMarker(Group* g)
    {
        skip();
        if (eat('*')) {
            g->repeat = Group::STAR;
        } else if (eat('+')) {
            g->repeat = Group::PLUS;
        } else if (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
            long long n = 0;
            if (!integer(&n))
                return false;
            if (n < 1 || n > 64)
                return fail("a group is sent 1 to 64 times");
            g->count = static_cast<int>(n);
            g->repeat = eat('+') ? Group::PLUS : Group::COUNT;
        }
        return true;
    }

    // Items separated by commas, up to and with `close`.
    bool itemList(std::vector<Item>* list, char close)
    {
        if (!peek(close)) {
            do {
                if (!item(list))
                    return false;
            } while (eat(','));
        }
        return expect(close);
    }

    bool item(std::vector<Item>* items)
    {
        skip();
        Item it;
        it.at = pos_;
        if (pos_ >= s_.size())
            return fail("the line ends inside a group");
        char c = s_[pos_];
        if (c == '^' || c == '-') {
            ++pos_;
            it.kind = c == '^' ? Item::EXTENT : Item::DURATION;
            if (!startsNumber())
                return fail(c == '^' ? "an extent is a number" : "a space is a number");
            if (!durationAmount(&it.amount, &it.unit))
                return false;
        } else if (c == '<') {
            int bitSpecAt = -1;
            it.kind = Item::GROUP;
            if (!bitspec(&bitSpecAt) || !group(bitSpecAt, &it.group))
                return false;
        } else if (c == '[') {
            return variation(items);
        } else if (c == '(') {
            // (D^S^F):8 is a field; (16,-4,1,^108m)* a group.
            size_t start = pos_;
            std::string savedError = error_;
            size_t nodes = p_->nodes.size();
            int depth = depth_, node = -1;
            if (unary(&node) && p_->nodes[static_cast<size_t>(node)].op == Op::BITFIELD && !peek('*') &&
                !peek('+') && !(pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])))) {
                it.kind = Item::FIELD;
                it.node = node;
            } else {
                pos_ = start;
                error_ = savedError;
                depth_ = depth;
                p_->nodes.resize(nodes);
                it.kind = Item::GROUP;
                if (!group(-1, &it.group))
                    return false;
            }
        } else if (isNameStart(c) && assignmentAhead()) {
            it.kind = Item::ASSIGN;
            if (!name(&it.target) || !expect('=') || !expression(&it.node))
                return false;
        } else if (std::isdigit(static_cast<unsigned char>(c)) && !fieldAhead()) {
            it.kind = Item::DURATION;
            it.mark = true;
            if (!durationAmount(&it.amount, &it.unit))
                return false;
        } else {
            it.kind = Item::FIELD;
            if (!unary(&it.node))
                return false;
            if (p_->nodes[static_cast<size_t>(it.node)].op != Op::BITFIELD)
                return failAt(it.at, "expected a duration, a field (name:width) or a group");
        }
        items->push_back(it);
        return true;
    }

    // NAME=... but not NAME==...
    bool assignmentAhead()
    {
        size_t i = pos_;
        while (i < s_.size() && isNameChar(s_[i]))
            ++i;
        while (i < s_.size() && std::isspace(static_cast<unsigned char>(s_[i])))
            ++i;
        return i < s_.size() && s_[i] == '=' && !(i + 1 < s_.size() && s_[i + 1] == '=');
    }

    // A number followed by ':' is a constant field (1:1), otherwise a mark.
    bool fieldAhead()
    {
        size_t i = pos_;
        while (i < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i])) || s_[i] == '.'))
            ++i;
        while (i < s_.size() && std::isspace(static_cast<unsigned char>(s_[i])))
            ++i;
        return i < s_.size() && s_[i] == ':';
    }

    // [T=0][T=8]: one list of items per pass, the first for the intro, the
    // second for the repeats.
    bool variation(std::vector<Item>* items)
    {
        Item it;
        it.kind = Item::VARIATION;
        it.at = pos_;
        while (eat('[')) {
            Group g;
            if (!itemList(&g.items, ']'))
                return false;
            groups_.push_back(g);
            it.alternatives.push_back(static_cast<int>(groups_.size()) - 1);
        }
        if (it.alternatives.size() < 2)
            return failAt(it.at, "a variation has at least two [..]");
        items->push_back(it);
        return true;
    }

    // -- Definitions and parameters ---------------------------------------------

    bool definitionsAndParameters()
    {
        while (peek('{')) {
            ++pos_;
            do {
                std::string n;
                int node = -1;
                size_t at = pos_;
                if (!name(&n) || !expect('=') || !expression(&node))
                    return false;
                definitions_.push_back({n, node, at});
            } while (eat(','));
            if (!expect('}'))
                return false;
        }
        if (!peek('['))
            return fail("the line needs its parameter specification [..]");
        ++pos_;
        do {
            RawParam param{"", 0, 0, -1, "", 0};
            skip();
            param.at = pos_;
            if (!name(&param.name))
                return false;
            eat('@');
            if (!expect(':') || !integer(&param.min) || !expect('.') || !expect('.') || !integer(&param.max))
                return false;
            if (eat('=')) {
                skip();
                size_t start = pos_;
                if (!expression(&param.defaultExpr))
                    return false;
                param.defaultText = std::string(s_.substr(start, pos_ - start));
                while (!param.defaultText.empty() && std::isspace(static_cast<unsigned char>(param.defaultText.back())))
                    param.defaultText.pop_back();
            }
            params_.push_back(param);
        } while (eat(','));
        return expect(']');
    }

    // -- Expressions --------------------------------------------------------------

    int node(Op op, int a = -1, int b = -1, int c = -1, long long value = 0)
    {
        Node n;
        n.op = op;
        n.a = a;
        n.b = b;
        n.c = c;
        n.value = value;
        p_->nodes.push_back(n);
        return static_cast<int>(p_->nodes.size()) - 1;
    }

    bool expression(int* out) { return binary(1, out); }

    // The binding strength of the operator at the current place, and its length.
    int binaryOperator(Op* op, size_t* length)
    {
        skip();
        struct Entry { const char* text; Op op; int strength; };
        static const Entry OPS[] = {
            {"**", Op::POWER, 11}, {"<<", Op::SHIFT_LEFT, 8}, {">>", Op::SHIFT_RIGHT, 8},
            {"<=", Op::LESS_EQUAL, 7}, {">=", Op::GREATER_EQUAL, 7}, {"==", Op::EQUAL, 6},
            {"!=", Op::NOT_EQUAL, 6}, {"&&", Op::LOGICAL_AND, 2}, {"||", Op::LOGICAL_OR, 1},
            {"*", Op::MULTIPLY, 10}, {"/", Op::DIVIDE, 10}, {"%", Op::MODULO, 10}, {"+", Op::ADD, 9},
            {"-", Op::SUBTRACT, 9}, {"<", Op::LESS, 7}, {">", Op::GREATER, 7}, {"&", Op::AND, 5},
            {"^", Op::XOR, 4}, {"|", Op::OR, 3},
        };
        for (const Entry& e : OPS) {
            std::string_view t(e.text);
            if (s_.substr(pos_, t.size()) == t) {
                *op = e.op;
                *length = t.size();
                return e.strength;
            }
        }
        return 0;
    }

    bool binary(int minStrength, int* out)
    {
        if (++depth_ > MAX_DEPTH)
            return fail("expression nested too deep");
        if (!unary(out))
            return false;
        for (;;) {
            Op op;
            size_t length = 0;
            int strength = binaryOperator(&op, &length);
            if (strength == 0 || strength < minStrength)
                break;
            pos_ += length;
            int right = -1;
            // ** binds to the right, the others to the left.
            if (!binary(op == Op::POWER ? strength : strength + 1, &right))
                return false;
            *out = node(op, *out, right);
        }
        --depth_;
        return true;
    }

    bool unary(int* out)
    {
        skip();
        if (++depth_ > MAX_DEPTH)
            return fail("expression nested too deep");
        bool ok;
        if (eat('-')) {
            ok = unary(out);
            *out = node(Op::NEGATE, *out);
        } else if (eat('!')) {
            ok = unary(out);
            *out = node(Op::LOGICAL_NOT, *out);
        } else if (eat('#')) {
            ok = unary(out);
            *out = node(Op::BIT_COUNT, *out);
        } else if (eat('~')) {
            ok = unary(out);
            // ~F:8 is the field complemented, ~X every bit of X.
            Node& n = p_->nodes[static_cast<size_t>(*out)];
            if (ok && n.op == Op::BITFIELD && !n.complement)
                n.complement = true;
            else
                *out = node(Op::NOT, *out);
        } else {
            ok = postfix(out);
        }
        --depth_;
        return ok;
    }

    bool postfix(int* out)
    {
        if (!primary(out))
            return false;
        skip();
        if (peek("::")) {
            pos_ += 2;
            int shift = -1;
            if (!primary(&shift))
                return false;
            *out = node(Op::BITFIELD, *out, -1, shift);
        } else if (eat(':')) {
            bool reverse = eat('-');
            int width = -1, shift = -1;
            if (!primary(&width))
                return false;
            if (eat(':') && !primary(&shift))
                return false;
            *out = node(Op::BITFIELD, *out, width, shift);
            p_->nodes[static_cast<size_t>(*out)].reverse = reverse;
        }
        return true;
    }

    bool primary(int* out)
    {
        skip();
        if (eat('(')) {
            if (!expression(out))
                return false;
            return expect(')');
        }
        if (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
            long long v = 0;
            if (!integer(&v))
                return false;
            *out = node(Op::NUMBER, -1, -1, -1, v);
            return true;
        }
        std::string n;
        if (!name(&n))
            return fail("expected a number, a name or (");
        pendingNames_.push_back(n);
        *out = node(Op::NAME, -1, -1, -1, static_cast<long long>(pendingNames_.size()) - 1);
        p_->nodes.back().c = static_cast<int>(pos_ - n.size());  // where it stands, for messages
        return true;
    }

    // -- Names ----------------------------------------------------------------------

    int findName(const std::string& n) const
    {
        for (size_t i = 0; i < p_->names.size(); ++i)
            if (p_->names[i].name == n)
                return static_cast<int>(i);
        return -1;
    }

    void collectAssignments(const Group& g, std::vector<std::pair<std::string, size_t>>* out) const
    {
        for (const Item& it : g.items) {
            if (it.kind == Item::ASSIGN)
                out->push_back({it.target, it.at});
            if (it.kind == Item::GROUP)
                collectAssignments(groups_[static_cast<size_t>(it.group)], out);
            for (int alt : it.alternatives)
                collectAssignments(groups_[static_cast<size_t>(alt)], out);
        }
    }

    // Parameters, then the variables the stream assigns, then definitions;
    // every name in an expression becomes its index.
    bool resolveNames()
    {
        for (const RawParam& rp : params_) {
            if (findName(rp.name) >= 0)
                return failAt(rp.at, "parameter " + rp.name + " given twice");
            if (rp.min < 0 || rp.min > rp.max)
                return failAt(rp.at, "the range of " + rp.name + " must run from 0 or more upwards");
            Name n;
            n.name = rp.name;
            n.min = rp.min;
            n.max = rp.max;
            n.defaultExpr = rp.defaultExpr;
            n.defaultText = rp.defaultText;
            unsigned long long m = 0;
            while (m < static_cast<unsigned long long>(rp.max))
                m = (m << 1) | 1;
            n.mask = m;
            p_->names.push_back(n);
        }
        p_->parameters = static_cast<int>(p_->names.size());
        std::vector<std::pair<std::string, size_t>> assigned;
        collectAssignments(groups_[static_cast<size_t>(top_)], &assigned);
        for (const auto& a : assigned) {
            bool definition = false;
            for (const auto& d : definitions_)
                definition = definition || d.name == a.first;
            if (definition)
                return failAt(a.second, a.first + " is a definition; it cannot be assigned");
            if (findName(a.first) < 0) {
                Name n;
                n.kind = Name::VARIABLE;
                n.name = a.first;
                n.mask = ~0ULL;
                p_->names.push_back(n);
            }
        }
        if (p_->names.size() > static_cast<size_t>(MAX_NAMES))
            return fail("more than " + std::to_string(MAX_NAMES) + " parameters and variables");
        for (const auto& d : definitions_) {
            if (findName(d.name) >= 0)
                return failAt(d.at, d.name + " is defined twice, or is a parameter too");
            Name n;
            n.kind = Name::DEFINITION;
            n.name = d.name;
            n.expr = d.node;
            p_->names.push_back(n);
        }
        for (Node& n : p_->nodes) {
            if (n.op != Op::NAME)
                continue;
            const std::string& text = pendingNames_[static_cast<size_t>(n.value)];
            int index = findName(text);
            if (index < 0)
                return failAt(static_cast<size_t>(n.c), "unknown name " + text);
            n.value = index;
            n.c = -1;
        }
        // A definition may use others, never itself.
        for (size_t i = 0; i < p_->names.size(); ++i)
            if (p_->names[i].kind == Name::DEFINITION && usesName(p_->names[i].expr, static_cast<int>(i), 0))
                return fail("the definition of " + p_->names[i].name + " depends on itself");
        return true;
    }

    bool usesName(int node, int name, int depth) const
    {
        if (node < 0 || depth > 64)
            return depth > 64;
        const Node& n = p_->nodes[static_cast<size_t>(node)];
        if (n.op == Op::NAME) {
            const Name& target = p_->names[static_cast<size_t>(n.value)];
            return n.value == name || (target.kind == Name::DEFINITION && usesName(target.expr, name, depth + 1));
        }
        return usesName(n.a, name, depth + 1) || usesName(n.b, name, depth + 1) || usesName(n.c, name, depth + 1);
    }

    // -- Durations -------------------------------------------------------------------

    double microseconds(double amount, char unit) const
    {
        switch (unit) {
        case 'u': return amount;
        case 'm': return amount * 1000;
        case 'p': return amount * 1e6 / p_->carrierHz;
        default: return amount * p_->unitUs;
        }
    }

    bool resolveDurations()
    {
        for (size_t b = 0; b < rawSymbols_.size(); ++b)
            for (const auto& symbol : rawSymbols_[b]) {
                std::vector<Duration> out;
                for (const RawDuration& d : symbol) {
                    double us = microseconds(d.amount, d.unit);
                    if (us > MAX_US)
                        return fail("a bit symbol's duration is longer than ten seconds");
                    out.push_back({d.mark, us});
                }
                p_->bitspecs[b].symbols.push_back(out);
            }
        return true;
    }

    // -- Flattening ---------------------------------------------------------------------

    // Constant values of a field's width and shift.
    bool constant(int node, long long* out, size_t at)
    {
        if (node < 0) {
            *out = 0;
            return true;
        }
        if (!evaluate(*p_, node, nullptr, nullptr, out))
            return failAt(at, "a field's width and shift must be constant numbers");
        return true;
    }

    // Where the repeated group is: the group and the groups around it.
    bool findRepeat(int g, std::vector<int>* path, std::vector<int>* found, int* count) const
    {
        path->push_back(g);
        const Group& group = groups_[static_cast<size_t>(g)];
        if (group.repeat == Group::STAR || group.repeat == Group::PLUS) {
            if (++*count == 1)
                *found = *path;
        }
        for (const Item& it : group.items) {
            if (it.kind == Item::GROUP)
                findRepeat(it.group, path, found, count);
            for (int alt : it.alternatives)
                findRepeat(alt, path, found, count);
        }
        path->pop_back();
        return true;
    }

    bool hasVariation(int g) const
    {
        for (const Item& it : groups_[static_cast<size_t>(g)].items)
            if (it.kind == Item::VARIATION || (it.kind == Item::GROUP && hasVariation(it.group)))
                return true;
        return false;
    }

    struct Emit {
        Sequence* seq;
        int pass;          // 0: the intro, 1: the repeats
        int repeatGroup;   // -1: emit it like any group
        bool stopped = false;  // the repeated group's passes are out: the rest is the ending
        int run = -1;      // the open run of fields: its step, or -1
        int runSpec = -1;
    };

    bool closeRun(Emit& e, size_t at)
    {
        if (e.run < 0)
            return true;
        Step& step = e.seq->steps[static_cast<size_t>(e.run)];
        int bits = p_->bitspecs[static_cast<size_t>(step.bitspec)].bits;
        e.run = -1;
        if (step.count % bits != 0)
            return failAt(at, "fields of " + std::to_string(step.count) + " bits do not fill whole symbols of " +
                                  std::to_string(bits) + " bits");
        return true;
    }

    bool addStep(Emit& e, const Step& step)
    {
        if (e.seq->steps.size() >= MAX_STEPS)
            return fail("the line sends too many durations");
        e.seq->steps.push_back(step);
        return true;
    }

    bool field(Emit& e, const Item& it, int bitSpecAt)
    {
        if (bitSpecAt < 0)
            return failAt(it.at, "a field without bit symbols");
        const Node bf = p_->nodes[static_cast<size_t>(it.node)];
        long long width = 0, shift = 0;
        if (bf.b < 0)
            return failAt(it.at, "a field needs its width (D:8, not D::8)");
        if (!constant(bf.b, &width, it.at) || !constant(bf.c, &shift, it.at))
            return false;
        if (width < 0 || width > 64 || shift < 0 || shift > 63 || width + shift > 64)
            return failAt(it.at, "a field's width and shift must fit in 64 bits");
        Field f;
        f.data = bf.a;
        f.width = static_cast<int>(width);
        f.shift = static_cast<int>(shift);
        f.complement = bf.complement;
        const Node& data = p_->nodes[static_cast<size_t>(bf.a)];
        if (data.op == Op::NAME && p_->names[static_cast<size_t>(data.value)].kind != Name::DEFINITION) {
            f.name = static_cast<int>(data.value);
        } else {
            if (e.seq->expressionFields >= MAX_FIELDS)
                return failAt(it.at, "more than " + std::to_string(MAX_FIELDS) + " fields of expressions");
            f.index = e.seq->expressionFields++;
        }
        if (e.run >= 0 && e.runSpec != bitSpecAt && !closeRun(e, it.at))
            return false;
        if (e.run < 0) {
            Step step;
            step.kind = Step::SYMBOLS;
            step.bitspec = bitSpecAt;
            step.first = static_cast<int>(e.seq->slots.size());
            if (!addStep(e, step))
                return false;
            e.run = static_cast<int>(e.seq->steps.size()) - 1;
            e.runSpec = bitSpecAt;
        }
        if (e.seq->slots.size() + static_cast<size_t>(f.width) > MAX_STEPS)
            return failAt(it.at, "the line sends too many bits");
        int index = static_cast<int>(e.seq->fields.size());
        e.seq->fields.push_back(f);
        bool highFirst = p_->msbFirst != bf.reverse;
        for (int k = 0; k < f.width; ++k)
            e.seq->slots.push_back({index, highFirst ? f.width - 1 - k : k});
        e.seq->steps[static_cast<size_t>(e.run)].count += f.width;
        return true;
    }

    bool items(Emit& e, const std::vector<Item>& list, int level, int bitSpecAt)
    {
        for (const Item& it : list) {
            if (e.stopped)
                return true;
            if (it.kind != Item::FIELD && !closeRun(e, it.at))
                return false;
            Step step;
            switch (it.kind) {
            case Item::DURATION:
            case Item::EXTENT:
                step.kind = it.kind == Item::EXTENT ? Step::EXTENT : it.mark ? Step::MARK : Step::SPACE;
                step.us = microseconds(it.amount, it.unit);
                step.level = level;
                if (step.us > MAX_US)
                    return failAt(it.at, "a duration longer than ten seconds");
                if (step.us > 0 && !addStep(e, step))
                    return false;
                break;
            case Item::FIELD:
                if (!field(e, it, bitSpecAt))
                    return false;
                break;
            case Item::ASSIGN: {
                int target = findName(it.target);
                if (p_->names[static_cast<size_t>(target)].kind != Name::VARIABLE)
                    return failAt(it.at, "the parameter " + it.target +
                                             " is assigned before the repeat ends; only variables can be");
                step.kind = Step::ASSIGN;
                step.target = target;
                step.expr = it.node;
                if (!addStep(e, step))
                    return false;
                break;
            }
            case Item::VARIATION:
                if (static_cast<size_t>(e.pass) < it.alternatives.size() &&
                    !items(e, groups_[static_cast<size_t>(it.alternatives[static_cast<size_t>(e.pass)])].items, level,
                           bitSpecAt))
                    return false;
                break;
            case Item::GROUP:
                if (!group(e, it.group, level + 1, bitSpecAt))
                    return false;
                break;
            }
        }
        return true;
    }

    bool group(Emit& e, int g, int level, int bitSpecAt)
    {
        if (level >= MAX_LEVELS)
            return fail("groups nested too deep");
        const Group& group = groups_[static_cast<size_t>(g)];
        int own = group.bitspec >= 0 ? group.bitspec : bitSpecAt;
        int times = group.repeat == Group::COUNT ? group.count : 1;
        if (g == e.repeatGroup) {
            // In the intro: a press sends the data at least once. (..)* adds a
            // pass when nothing before it carries data (RC5, NEC2, JVC's
            // lead-in); (..)n+ sends its n passes.
            times = group.repeat == Group::PLUS ? group.count : e.seq->carriesData() ? 0 : 1;
        } else if ((group.repeat == Group::STAR || group.repeat == Group::PLUS) && e.repeatGroup >= 0) {
            return fail("more than one repeated group");
        }
        for (int t = 0; t < times && !e.stopped; ++t) {
            Step begin;
            begin.kind = Step::BEGIN;
            begin.level = level;
            if (!closeRun(e, 0) || !addStep(e, begin) || !items(e, group.items, level, own) || !closeRun(e, 0))
                return false;
        }
        if (g == e.repeatGroup)
            e.stopped = true;
        return true;
    }

    // What follows the repeated group may only assign (RC5's T=1-T): a Pronto
    // code has no place for a part sent after the button is let go.
    bool endingIsSilent(const std::vector<int>& path)
    {
        for (size_t k = path.size() - 1; k > 0; --k) {
            const Group& parent = groups_[static_cast<size_t>(path[k - 1])];
            bool after = false;
            for (const Item& it : parent.items) {
                if (after && it.kind != Item::ASSIGN)
                    return failAt(it.at, "durations after the repeated group cannot be sent in a Pronto code");
                after = after || (it.kind == Item::GROUP && it.group == path[k]);
            }
        }
        return true;
    }

    bool flattenAll()
    {
        std::vector<int> path, found;
        int repeats = 0;
        findRepeat(top_, &path, &found, &repeats);
        if (repeats > 1)
            return fail("more than one repeated group");
        int repeatGroup = repeats == 1 ? found.back() : -1;
        // [..][..] without a repeat marker: the first pass, then the repeats.
        if (repeatGroup < 0 && hasVariation(top_)) {
            repeatGroup = top_;
            found = {top_};
        }
        for (size_t k = 0; k + 1 < found.size(); ++k)
            if (groups_[static_cast<size_t>(found[k])].repeat == Group::COUNT)
                return fail("a repeated group inside a counted one");
        if (repeatGroup >= 0 && !endingIsSilent(found))
            return false;
        Emit intro{&p_->intro, 0, repeatGroup};
        if (!group(intro, top_, 0, -1))
            return false;
        if (repeatGroup >= 0) {
            // The bit symbols in force where the repeated group stands.
            int bitSpecAt = -1;
            for (int g : found)
                bitSpecAt = groups_[static_cast<size_t>(g)].bitspec >= 0 ? groups_[static_cast<size_t>(g)].bitspec : bitSpecAt;
            Emit repeat{&p_->repeat, 1, -1};
            Group once = groups_[static_cast<size_t>(repeatGroup)];
            once.repeat = Group::ONCE;
            once.bitspec = bitSpecAt;
            groups_.push_back(once);
            if (!group(repeat, static_cast<int>(groups_.size()) - 1, 0, bitSpecAt))
                return false;
        }
        if (p_->intro.steps.size() + p_->repeat.steps.size() == 0)
            return fail("the line sends nothing");
        p_->repeatIsIntro = sameSends(p_->intro, p_->repeat);
        return true;
    }

    // The same steps and fields, apart from where groups begin: a group's
    // extent counts from its own beginning either way.
    static bool sameSends(const Sequence& a, const Sequence& b)
    {
        std::vector<const Step*> x, y;
        for (const Step& s : a.steps)
            if (s.kind != Step::BEGIN)
                x.push_back(&s);
        for (const Step& s : b.steps)
            if (s.kind != Step::BEGIN)
                y.push_back(&s);
        if (x.size() != y.size() || a.slots.size() != b.slots.size() || a.fields.size() != b.fields.size())
            return false;
        for (size_t i = 0; i < x.size(); ++i)
            if (x[i]->kind != y[i]->kind || x[i]->us != y[i]->us || x[i]->bitspec != y[i]->bitspec ||
                x[i]->first != y[i]->first || x[i]->count != y[i]->count || x[i]->target != y[i]->target ||
                x[i]->expr != y[i]->expr)
                return false;
        for (size_t i = 0; i < a.slots.size(); ++i)
            if (a.slots[i].field != b.slots[i].field || a.slots[i].bit != b.slots[i].bit)
                return false;
        for (size_t i = 0; i < a.fields.size(); ++i) {
            const Field &f = a.fields[i], &g = b.fields[i];
            if (f.data != g.data || f.width != g.width || f.shift != g.shift || f.complement != g.complement ||
                f.name != g.name)
                return false;
        }
        return true;
    }

    std::string_view s_;
    size_t pos_ = 0;
    Protocol* p_;
    std::string error_;
    size_t errorAt_ = 0;
    int depth_ = 0;
    int top_ = -1;
    std::vector<Group> groups_;
    std::vector<std::vector<std::vector<RawDuration>>> rawSymbols_;
    std::vector<std::string> pendingNames_;
    struct Definition { std::string name; int node; size_t at; };
    std::vector<Definition> definitions_;
    std::vector<RawParam> params_;
};

unsigned long long reversed(unsigned long long v, int bits)
{
    unsigned long long r = 0;
    for (int k = 0; k < bits; ++k)
        r |= ((v >> k) & 1) << (bits - 1 - k);
    return r;
}

long long shiftRight(long long v, long long by)
{
    if (by >= 64)
        return v < 0 ? -1 : 0;
    // Right shifts of negative numbers are the implementation's choice: a
    // complement makes the number non-negative first.
    return v < 0 ? ~(~v >> by) : v >> by;
}

bool eval(const Protocol& p, int index, const long long* values, const unsigned long long* known, long long* out,
          int depth)
{
    if (index < 0 || depth > 200)
        return false;
    const Node& n = p.nodes[static_cast<size_t>(index)];
    typedef unsigned long long U;
    long long a = 0, b = 0, c = 0;
    switch (n.op) {
    case Op::NUMBER:
        *out = n.value;
        return true;
    case Op::NAME: {
        const Name& name = p.names[static_cast<size_t>(n.value)];
        if (name.kind == Name::DEFINITION)
            return eval(p, name.expr, values, known, out, depth + 1);
        if (!values || (known[n.value] & name.mask) != name.mask)
            return false;
        *out = values[n.value];
        return true;
    }
    case Op::BITFIELD: {
        if (!eval(p, n.a, values, known, &a, depth + 1) || (n.c >= 0 && !eval(p, n.c, values, known, &c, depth + 1)))
            return false;
        if (c < 0)
            return false;
        if (n.b < 0) {  // a::c
            *out = shiftRight(n.complement ? ~a : a, c);
            return true;
        }
        if (!eval(p, n.b, values, known, &b, depth + 1) || b < 0 || b > 64)
            return false;
        Field f;
        f.width = static_cast<int>(b);
        f.shift = c > 63 ? 64 : static_cast<int>(c);
        f.complement = n.complement;
        U v = fieldValue(f, a);
        *out = static_cast<long long>(n.reverse ? reversed(v, f.width) : v);
        return true;
    }
    default:
        break;
    }
    if (!eval(p, n.a, values, known, &a, depth + 1))
        return false;
    switch (n.op) {
    case Op::NEGATE: *out = static_cast<long long>(0 - static_cast<U>(a)); return true;
    case Op::NOT: *out = ~a; return true;
    case Op::LOGICAL_NOT: *out = a == 0; return true;
    case Op::BIT_COUNT: {
        long long count = 0;
        for (U v = static_cast<U>(a); v; v &= v - 1)
            ++count;
        *out = count;
        return true;
    }
    default:
        break;
    }
    if (!eval(p, n.b, values, known, &b, depth + 1))
        return false;
    U ua = static_cast<U>(a), ub = static_cast<U>(b);
    switch (n.op) {
    case Op::POWER: {
        if (b < 0) {
            *out = a == 1 ? 1 : 0;
            return true;
        }
        U r = 1, base = ua;
        for (U e = ub; e; e >>= 1, base *= base)
            if (e & 1)
                r *= base;
        *out = static_cast<long long>(r);
        return true;
    }
    case Op::MULTIPLY: *out = static_cast<long long>(ua * ub); return true;
    case Op::DIVIDE:
    case Op::MODULO:
        if (b == 0)
            return false;
        if (b == -1)  // the one quotient that overflows
            *out = n.op == Op::DIVIDE ? static_cast<long long>(0 - ua) : 0;
        else
            *out = n.op == Op::DIVIDE ? a / b : a % b;
        return true;
    case Op::ADD: *out = static_cast<long long>(ua + ub); return true;
    case Op::SUBTRACT: *out = static_cast<long long>(ua - ub); return true;
    case Op::SHIFT_LEFT: *out = b < 0 || b > 63 ? 0 : static_cast<long long>(ua << b); return true;
    case Op::SHIFT_RIGHT: *out = b < 0 ? 0 : shiftRight(a, b); return true;
    case Op::LESS: *out = a < b; return true;
    case Op::LESS_EQUAL: *out = a <= b; return true;
    case Op::GREATER: *out = a > b; return true;
    case Op::GREATER_EQUAL: *out = a >= b; return true;
    case Op::EQUAL: *out = a == b; return true;
    case Op::NOT_EQUAL: *out = a != b; return true;
    case Op::AND: *out = a & b; return true;
    case Op::XOR: *out = a ^ b; return true;
    case Op::OR: *out = a | b; return true;
    case Op::LOGICAL_AND: *out = a != 0 && b != 0; return true;
    case Op::LOGICAL_OR: *out = a != 0 || b != 0; return true;
    default: return false;
    }
}

}  // namespace

bool compile(std::string_view name, std::string_view line, Protocol* out, std::string* error)
{
    Protocol p;
    p.name = std::string(name);
    p.irp = std::string(line);
    Parser parser(line, &p);
    if (!parser.parse(error))
        return false;
    *out = std::move(p);
    return true;
}

bool evaluate(const Protocol& p, int node, const long long* values, const unsigned long long* known, long long* out)
{
    return eval(p, node, values, known, out, 0);
}

double tolerance(double nominalUs)
{
    double quarter = 0.25 * nominalUs;
    return quarter > 100.0 ? quarter : 100.0;
}

}  // namespace irp
}  // namespace ir
