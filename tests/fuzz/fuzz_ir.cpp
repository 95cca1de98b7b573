// The IR core on arbitrary bytes. Parsing never reads outside the input and
// agrees with the driver's check; a code that decodes renders back to a code
// the driver accepts and that decodes the same; facts and the plot take any
// valid code; the same bytes as render's words are refused or rendered.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "ir/ir.h"
#include "sim/pronto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    ir::Signal signal;
    std::string error, again;
    bool valid = ir::parsePronto(text, &signal, &error);
    if (valid != pronto::parse(text.data(), text.size(), nullptr) || (!valid && error.empty()))
        abort();
    if (valid) {
        ir::Decoded d = ir::decode(signal);
        if (d.known()) {
            ir::Signal rendered;
            if (!ir::render(d.protocol, d.params, &again, &error) ||
                !pronto::parse(again.data(), again.size(), nullptr) || !ir::parsePronto(again, &rendered, nullptr))
                abort();
            ir::Decoded back = ir::decode(rendered);
            if (back.protocol != d.protocol || back.params != d.params)
                abort();
        }
        ir::Facts f = ir::facts(signal);
        if (f.oncePairs + f.repeatPairs == 0 || ir::factsText(f).empty() || ir::factsJson(f).empty())
            abort();
        if (ir::plotSvg(signal).find("</svg>") == std::string::npos)
            abort();
    }

    std::vector<std::string> words;
    std::istringstream split(text);
    for (std::string word; split >> word;)
        words.push_back(word);
    if (ir::renderWords(words, &again, &error)) {
        if (!pronto::parse(again.data(), again.size(), nullptr))
            abort();
    } else if (error.empty()) {
        abort();
    }
    return 0;
}
