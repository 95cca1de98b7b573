// A protocol as its IRP line says it, parsed once into a form that the
// renderer executes and the decoder walks. Internal to ir/; the rest of the
// program sees only ir.h.
//
// The line {carrier,unit,msb}<bit symbols>(stream)repeat{definitions}[parameters]
// becomes: expressions as nodes of one array; the names it uses
// (parameters in the order of the parameter specification, then variables
// the stream assigns, then definitions); the bit symbols in microseconds;
// and two flat sequences: the intro, what a press sends once, and the
// repeat, one pass of the repeated group, what is sent while the button is
// held.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ir {
struct Signal;

namespace irp {

// What one protocol may hold; a line that needs more is refused when the
// table is built. They bound the state the decoder copies per guess.
const int MAX_NAMES = 12;   // parameters and variables
const int MAX_FIELDS = 24;  // bit fields per sequence whose data is an expression
const int MAX_LEVELS = 8;   // nesting of groups

enum class Op : uint8_t {
    NUMBER, NAME, BITFIELD,
    NEGATE, NOT, LOGICAL_NOT, BIT_COUNT,
    POWER, MULTIPLY, DIVIDE, MODULO, ADD, SUBTRACT, SHIFT_LEFT, SHIFT_RIGHT,
    LESS, LESS_EQUAL, GREATER, GREATER_EQUAL, EQUAL, NOT_EQUAL,
    AND, XOR, OR, LOGICAL_AND, LOGICAL_OR, CONDITIONAL,
};

// One expression node; children are indexes into Protocol::nodes.
struct Node {
    Op op = Op::NUMBER;
    long long value = 0;  // NUMBER; NAME: index into Protocol::names
    int a = -1, b = -1, c = -1;
    // BITFIELD a:b:c (data, width, shift); b < 0: data::c, no width.
    bool complement = false;  // ~a:b:c
    bool reverse = false;     // a:-b:c, its bits in the other order
};

struct Duration {
    bool mark;
    double us;
};

struct BitSpec {
    std::vector<std::vector<Duration>> symbols;  // 2, 4, 8 or 16 of them
    int bits = 1;                                // bits per symbol
};

struct Name {
    enum Kind { PARAMETER, VARIABLE, DEFINITION } kind = PARAMETER;
    std::string name;
    long long min = 0, max = 0;   // PARAMETER
    int defaultExpr = -1;         // PARAMETER: its default, -1 without one
    std::string defaultText;      // as the line writes it
    int expr = -1;                // DEFINITION
    unsigned long long mask = 0;  // the bits a value may have: all of max's for a parameter
};

// A bit field of a sequence: data:width:shift, sent in the sequence's order.
struct Field {
    int data = -1;       // expression node
    int width = 0, shift = 0;
    bool complement = false;
    int name = -1;       // the parameter or variable that data names alone; -1: an expression
    int index = -1;      // expression fields: its place among the sequence's, for the decoder's state
};

// One bit of a run of fields, in the order it is sent.
struct Slot {
    int field;  // index into Sequence::fields
    int bit;    // bit of the field's value (0 = least significant)
};

struct Step {
    enum Kind : uint8_t { MARK, SPACE, EXTENT, BEGIN, SYMBOLS, ASSIGN } kind = MARK;
    int level = 0;     // EXTENT, BEGIN: the group's depth
    double us = 0;     // MARK, SPACE, EXTENT
    int bitspec = 0;   // SYMBOLS
    int first = 0;     // SYMBOLS: its slots, first and count (a whole number of symbols)
    int count = 0;
    int target = -1;   // ASSIGN: the variable
    int expr = -1;     // ASSIGN
};

struct Sequence {
    std::vector<Step> steps;
    std::vector<Field> fields;
    std::vector<Slot> slots;
    int expressionFields = 0;
    bool carriesData() const { return !slots.empty(); }
};

struct Protocol {
    std::string name, irp;
    double carrierHz = 38000, unitUs = 1;
    bool msbFirst = false;
    std::vector<Node> nodes;
    std::vector<BitSpec> bitspecs;
    std::vector<Name> names;  // parameters first, in the specification's order
    int parameters = 0;
    Sequence intro;   // sent once: what precedes the repeated group, then the group's first pass
    Sequence repeat;  // one pass of the repeated group; empty when nothing repeats
    // How far a duration may be off: this part of it, or absoluteUs, whichever is larger.
    double relativeTolerance = 0.25, absoluteToleranceUs = 100;
    bool repeatIsIntro = false;  // the intro is one pass of the repeat, nothing more (NEC2, RC5)
    std::string preferredOver;   // a protocol this one is named before, wherever the table has it
};

// Parses and checks an IRP line. False with the reason and its place in
// *error ("at 17: expected ')'") for anything this engine cannot send.
bool compile(std::string_view name, std::string_view line, Protocol* out, std::string* error);

// The value of an expression. names: the values of the names; known: the bits
// of each that are known. False when it needs a bit not known yet, or
// divides by zero.
bool evaluate(const Protocol& p, int node, const long long* values, const unsigned long long* known,
              long long* out);

// The value a field sends: data:width:shift, complemented when it is ~.
inline unsigned long long fieldValue(const Field& f, long long data)
{
    unsigned long long mask = f.width >= 64 ? ~0ULL : (1ULL << f.width) - 1;
    unsigned long long v = f.shift >= 64 ? 0 : static_cast<unsigned long long>(data) >> f.shift;
    return (f.complement ? ~v : v) & mask;
}

// A mark or a space as sent, neighbours of the same kind merged.
struct Run {
    bool mark;
    double us;
};

// What a protocol sends with these parameter values (one per parameter, in
// the specification's order): the intro, then one pass of the repeated
// group. False with the reason when a value cannot be computed (a division
// by zero, a variable used before it is assigned).
bool runs(const Protocol& p, const long long* parameters, std::vector<Run>* intro, std::vector<Run>* repeat,
          std::string* error);

// Whether the signal is frames of this protocol with one set of parameters,
// its carrier aside (the decoder's rules, ir/decode.cpp); *params: their
// values, in the specification's order. False when none fits, or more than
// one does.
bool matches(const Protocol& p, const Signal& signal, std::vector<long long>* params);

// Every protocol, in the order of protocols(); rows() never holds a line
// that did not compile: tableErrors() says which and why.
const std::vector<Protocol>& rows();
const std::vector<std::string>& tableErrors();
const Protocol* findRow(std::string_view name);
bool sameName(std::string_view a, std::string_view b);  // without regard to case

// Durations may be off by 25 % or 100 us, whichever is larger (the rule of
// every protocol but those that name their own).
double tolerance(double nominalUs);

}  // namespace irp
}  // namespace ir
