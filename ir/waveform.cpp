// The waveform's geometry in microseconds, and the SVG plot drawn from it.
// The inspector window draws the same geometry scaled to its own width.
#include <cmath>
#include <cstdio>

#include "ir/ir.h"

namespace ir {

namespace {

std::string fixed(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A tick step of 1, 2 or 5 times a power of ten giving about ten ticks.
double tickStepMs(double totalMs)
{
    double raw = totalMs / 10.0;
    if (raw <= 0)
        return 1.0;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

std::string colour(unsigned rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
    return text;
}

}  // namespace

Waveform waveform(const Signal& signal)
{
    Waveform w;
    double t = 0;
    for (const std::vector<Pair>* part : {&signal.once, &signal.repeat}) {
        bool repeat = part == &signal.repeat;
        if (repeat)
            w.repeatStartUs = t;
        for (const Pair& p : *part) {
            w.marks.push_back({t, t + p.markUs, repeat});
            t += p.markUs + p.spaceUs;
        }
    }
    w.totalUs = t;
    if (signal.repeat.empty())
        w.repeatStartUs = t;
    return w;
}

std::string plotSvg(const Signal& signal)
{
    const double width = 960, left = 30, right = 30, plotWidth = width - left - right;
    const double barTop = 50, barHeight = 60, axisY = 125, height = 175;
    Waveform w = waveform(signal);
    double scale = w.totalUs > 0 ? plotWidth / w.totalUs : 0;
    std::string title = fixed(signal.carrierHz / 1000.0, 1) + " kHz, " + decodeLine(decode(signal));
    const std::string once = colour(ONCE_COLOUR), repeat = colour(REPEAT_COLOUR);

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + fixed(width, 0) + "\" height=\"" +
                      fixed(height, 0) + "\" viewBox=\"0 0 " + fixed(width, 0) + " " + fixed(height, 0) +
                      "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<title>" + xmlEscaped(title) + "</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + fixed(left, 0) + "\" y=\"22\" font-size=\"15\">" + xmlEscaped(title) + "</text>\n";
    svg += "<text x=\"" + fixed(left, 0) + "\" y=\"40\" fill=\"" + once + "\">once: " +
           std::to_string(signal.once.size()) + " pairs</text>\n";
    svg += "<text x=\"" + fixed(left + 140, 0) + "\" y=\"40\" fill=\"" + repeat + "\">repeat: " +
           std::to_string(signal.repeat.size()) + " pairs</text>\n";

    for (int part = 0; part < 2; ++part) {
        svg += "<g fill=\"" + (part ? repeat : once) + "\">\n";
        for (const MarkBar& m : w.marks) {
            if (m.repeat != (part == 1) || m.endUs <= m.startUs)
                continue;
            // Bars keep a visible width however long the code is.
            double barWidth = std::fmax((m.endUs - m.startUs) * scale, 0.5);
            svg += "<rect x=\"" + fixed(left + m.startUs * scale, 2) + "\" y=\"" + fixed(barTop, 0) +
                   "\" width=\"" + fixed(barWidth, 2) + "\" height=\"" + fixed(barHeight, 0) + "\"/>\n";
        }
        svg += "</g>\n";
    }

    svg += "<g stroke=\"black\" stroke-width=\"1\">\n<line x1=\"" + fixed(left, 0) + "\" y1=\"" +
           fixed(axisY, 0) + "\" x2=\"" + fixed(left + plotWidth, 0) + "\" y2=\"" + fixed(axisY, 0) + "\"/>\n";
    double totalMs = w.totalUs / 1000.0, step = tickStepMs(totalMs);
    std::string labels;
    int decimals = step < 1 ? static_cast<int>(std::ceil(-std::log10(step))) : 0;
    for (int k = 0; k * step <= totalMs + 1e-9; ++k) {
        double x = left + k * step * 1000.0 * scale;
        svg += "<line x1=\"" + fixed(x, 2) + "\" y1=\"" + fixed(axisY, 0) + "\" x2=\"" + fixed(x, 2) + "\" y2=\"" +
               fixed(axisY + 5, 0) + "\"/>\n";
        labels += "<text x=\"" + fixed(x, 2) + "\" y=\"" + fixed(axisY + 19, 0) + "\" text-anchor=\"middle\">" +
                  fixed(k * step, decimals) + "</text>\n";
    }
    svg += "</g>\n" + labels;
    svg += "<text x=\"" + fixed(left + plotWidth, 0) + "\" y=\"" + fixed(axisY + 38, 0) +
           "\" text-anchor=\"end\">time (ms)</text>\n";
    if (w.repeatStartUs < w.totalUs && w.repeatStartUs > 0) {
        double x = left + w.repeatStartUs * scale;
        svg += "<line x1=\"" + fixed(x, 2) + "\" y1=\"" + fixed(barTop - 4, 0) + "\" x2=\"" + fixed(x, 2) +
               "\" y2=\"" + fixed(axisY, 0) + "\" stroke=\"" + repeat + "\" stroke-dasharray=\"3,3\"/>\n";
    }
    if (w.totalUs <= 0)
        svg += "<text x=\"" + fixed(width / 2, 0) + "\" y=\"" + fixed(barTop + barHeight / 2, 0) +
               "\" text-anchor=\"middle\">Every duration of this code is zero.</text>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace ir
