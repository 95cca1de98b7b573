// The protocol table. Each row follows its IRP line item by item:
// {carrier, unit, bit order}<zero|one>(first frame)(repeat frame).
// A bare number is a duration in units (negative: a space), D(8) is D:8,
// notF(8) is ~F:8, extentMs(108) is ^108m.
#include "ir/irp.h"

#include <cctype>

namespace ir {
namespace irp {

namespace {

const bool LSB = false;
const bool MSB = true;

// The NEC frame, shared by NEC1, NEC2 and Pioneer.
std::vector<Item> necFrame()
{
    return {16, -8, D(8), S(8), F(8), notF(8), 1, extentMs(108)};
}

std::vector<Row> makeRows()
{
    return {
        {"NEC1", "{38.4k,564}<1,-1|1,-3>(16,-8,D:8,S:8,F:8,~F:8,1,^108m,(16,-4,1,^108m)*)",
         38400, 564, LSB, {1, -1}, {1, -3},
         necFrame(),
         {16, -4, 1, extentMs(108)},
         COMPLEMENT_OF_D, NO_DEFAULT},
        {"NEC2", "{38.4k,564}<1,-1|1,-3>(16,-8,D:8,S:8,F:8,~F:8,1,^108m)*",
         38400, 564, LSB, {1, -1}, {1, -3},
         necFrame(), {},
         COMPLEMENT_OF_D, NO_DEFAULT},
        {"Pioneer", "{40k,564}<1,-1|1,-3>(16,-8,D:8,S:8,F:8,~F:8,1,^108m)*",
         40000, 564, LSB, {1, -1}, {1, -3},
         necFrame(), {},
         COMPLEMENT_OF_D, NO_DEFAULT},
        {"NECx2", "{38.4k,564}<1,-1|1,-3>(8,-8,D:8,S:8,F:8,~F:8,1,^108m)*",
         38400, 564, LSB, {1, -1}, {1, -3},
         {8, -8, D(8), S(8), F(8), notF(8), 1, extentMs(108)}, {},
         SAME_AS_D, NO_DEFAULT},
        {"RC5", "{36k,msb,889}<1,-1|-1,1>((1,~F:1:6,T:1,D:5,F:6,^114m)*)",
         36000, 889, MSB, {1, -1}, {-1, 1},
         {constant(1, 1), notF(1, 6), T(1), D(5), F(6), extentMs(114)}, {},
         NO_DEFAULT, ZERO},
        {"RC6", "{36k,444,msb}<-1,1|1,-1>((6,-2,1:1,0:3,<-2,2|2,-2>(T:1),D:8,F:8,^107m)*)",
         36000, 444, MSB, {-1, 1}, {1, -1},
         {6, -2, constant(1, 1), constant(0, 3), wide(T(1)), D(8), F(8), extentMs(107)}, {},
         NO_DEFAULT, ZERO},
        {"Sony12", "{40k,600}<1,-1|2,-1>((4,-1,F:7,D:5,^45m)*)",
         40000, 600, LSB, {1, -1}, {2, -1},
         {4, -1, F(7), D(5), extentMs(45)}, {},
         NO_DEFAULT, NO_DEFAULT},
        {"Sony15", "{40k,600}<1,-1|2,-1>((4,-1,F:7,D:8,^45m)*)",
         40000, 600, LSB, {1, -1}, {2, -1},
         {4, -1, F(7), D(8), extentMs(45)}, {},
         NO_DEFAULT, NO_DEFAULT},
        {"Sony20", "{40k,600}<1,-1|2,-1>((4,-1,F:7,D:5,S:8,^45m)*)",
         40000, 600, LSB, {1, -1}, {2, -1},
         {4, -1, F(7), D(5), S(8), extentMs(45)}, {},
         NO_DEFAULT, NO_DEFAULT},
        // The lead-in goes once, before the first frame. The extent counts
        // from the start of the frame as sent, lead-in included, so that
        // every frame starts 59.08 ms after the one before it.
        {"JVC", "{38k,525}<1,-1|1,-3>(16,-8,(D:8,F:8,1,^59.08m)*)",
         38000, 525, LSB, {1, -1}, {1, -3},
         {16, -8, D(8), F(8), 1, extentMs(59.08)},
         {D(8), F(8), 1, extentMs(59.08)},
         NO_DEFAULT, NO_DEFAULT},
        {"Panasonic", "{37k,432}<1,-1|1,-3>((8,-4,2:8,32:8,D:8,S:8,F:8,(D^S^F):8,1,-173)*)",
         37000, 432, LSB, {1, -1}, {1, -3},
         {8, -4, constant(2, 8), constant(32, 8), D(8), S(8), F(8), xorDSF(8), 1, -173}, {},
         NO_DEFAULT, NO_DEFAULT},
        {"Denon", "{38k,264}<1,-3|1,-7>((D:5,F:8,0:2,1,-165,D:5,~F:8,3:2,1,-165)*)",
         38000, 264, LSB, {1, -3}, {1, -7},
         {D(5), F(8), constant(0, 2), 1, -165, D(5), notF(8), constant(3, 2), 1, -165}, {},
         NO_DEFAULT, NO_DEFAULT},
        {"Sharp", "{38k,264}<1,-3|1,-7>((D:5,F:8,1:2,1,-165,D:5,~F:8,2:2,1,-165)*)",
         38000, 264, LSB, {1, -3}, {1, -7},
         {D(5), F(8), constant(1, 2), 1, -165, D(5), notF(8), constant(2, 2), 1, -165}, {},
         NO_DEFAULT, NO_DEFAULT},
        {"Mitsubishi", "{32.6k,300}<1,-3|1,-7>((D:8,F:8,1,-80)*)",
         32600, 300, LSB, {1, -3}, {1, -7},
         {D(8), F(8), 1, -80}, {},
         NO_DEFAULT, NO_DEFAULT},
    };
}

}  // namespace

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const char* paramName(int id)
{
    static const char* const NAMES[PARAM_COUNT] = {"D", "S", "F", "T"};
    return id >= 0 && id < PARAM_COUNT ? NAMES[id] : "?";
}

const std::vector<Row>& rows()
{
    static const std::vector<Row> table = makeRows();
    return table;
}

const Row* findRow(std::string_view name)
{
    for (const Row& r : rows())
        if (sameName(name, r.name))
            return &r;
    return nullptr;
}

int paramBits(const Row& row, ParamId p)
{
    int bits = 0;
    for (const std::vector<Item>* frame : {&row.once, &row.repeat})
        for (const Item& i : *frame)
            if (i.kind == FIELD && i.param == p && i.shift + i.bits > bits)
                bits = i.shift + i.bits;
    return bits;
}

double tolerance(double nominalUs)
{
    double quarter = 0.25 * nominalUs;
    return quarter > 100.0 ? quarter : 100.0;
}

}  // namespace irp

Params::Params(std::initializer_list<Param> list)
{
    for (const Param& p : list)
        set(p.name, p.value);
}

void Params::set(std::string_view name, long long value)
{
    for (Param& p : list_)
        if (irp::sameName(p.name, name)) {
            p.value = value;
            return;
        }
    list_.push_back({std::string(name), value});
}

const long long* Params::find(std::string_view name) const
{
    for (const Param& p : list_)
        if (irp::sameName(p.name, name))
            return &p.value;
    return nullptr;
}

long long Params::get(std::string_view name, long long otherwise) const
{
    const long long* v = find(name);
    return v ? *v : otherwise;
}

bool Params::operator==(const Params& o) const
{
    if (list_.size() != o.list_.size())
        return false;
    for (const Param& p : list_) {
        const long long* v = o.find(p.name);
        if (!v || *v != p.value)
            return false;
    }
    return true;
}

const ParamSpec* ProtocolInfo::param(std::string_view name) const
{
    for (const ParamSpec& p : params)
        if (irp::sameName(p.name, name))
            return &p;
    return nullptr;
}

const std::vector<ProtocolInfo>& protocols()
{
    static const std::vector<ProtocolInfo> list = [] {
        std::vector<ProtocolInfo> out;
        for (const irp::Row& r : irp::rows()) {
            ProtocolInfo info{r.name, r.irp, r.carrierHz, {}};
            for (int p = 0; p < irp::PARAM_COUNT; ++p) {
                int bits = irp::paramBits(r, static_cast<irp::ParamId>(p));
                if (bits == 0)
                    continue;
                irp::Default d = p == irp::PARAM_S ? r.sDefault : p == irp::PARAM_T ? r.tDefault : irp::NO_DEFAULT;
                const char* text = d == irp::ZERO ? "0"
                                   : d == irp::COMPLEMENT_OF_D ? "255-D"
                                   : d == irp::SAME_AS_D ? "D"
                                                         : "";
                info.params.push_back({irp::paramName(p), 0, (1LL << bits) - 1, *text != 0, text});
            }
            out.push_back(info);
        }
        return out;
    }();
    return list;
}

const ProtocolInfo* findProtocol(std::string_view name)
{
    for (const ProtocolInfo& p : protocols())
        if (irp::sameName(name, p.name))
            return &p;
    return nullptr;
}

}  // namespace ir
