#include "tools/svg_style.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace kestrel {

namespace {

// A few stops of the scale.
constexpr std::array<std::array<double, 3>, 5> ScaleStops = {
    {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}}};

}  // namespace

std::string xmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
    return out;
}

std::string scaleColour(double t) {
    t = std::clamp(std::isnan(t) ? 0.5 : t, 0.0, 1.0) * (ScaleStops.size() - 1);
    const std::size_t i = std::min<std::size_t>(static_cast<std::size_t>(t), ScaleStops.size() - 2);
    const double f = t - static_cast<double>(i);
    char text[8];
    int rgb[3];
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<int>(std::lround(ScaleStops[i][c] + f * (ScaleStops[i + 1][c] - ScaleStops[i][c])));
    std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return text;
}

ValueRange percentileRange(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[static_cast<std::size_t>(std::lround(q * static_cast<double>(values.size() - 1)))];
    };
    return {at(0.01), at(0.99), true};
}

std::string fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double tickStep(double span) {
    const double step = std::pow(10.0, std::floor(std::log10(span)));
    for (const double factor : {0.2, 0.5, 1.0})
        if (span / (step * factor) <= 8) return step * factor;
    return step * 2;
}

void SvgText::open(double width, double height, std::string_view background) {
    add("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    add("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + fixed(width, 0) + "\" height=\"" + fixed(height, 0) +
        "\" viewBox=\"0 0 " + fixed(width, 0) + " " + fixed(height, 0) +
        "\" font-family=\"sans-serif\" font-size=\"12\">");
    box(0, 0, width, height, background);
}

void SvgText::line(double x1, double y1, double x2, double y2, std::string_view style) {
    add("<line x1=\"" + fixed(x1) + "\" y1=\"" + fixed(y1) + "\" x2=\"" + fixed(x2) + "\" y2=\"" + fixed(y2) +
        "\" style=\"" + std::string(style) + "\"/>");
}

void SvgText::text(double x, double y, std::string_view content, std::string_view attributes) {
    add("<text x=\"" + fixed(x) + "\" y=\"" + fixed(y) + "\" " + std::string(attributes) + ">" + xmlEscaped(content) +
        "</text>");
}

void SvgText::box(double x, double y, double w, double h, std::string_view fill, std::string_view extra) {
    add("<rect x=\"" + fixed(x) + "\" y=\"" + fixed(y) + "\" width=\"" + fixed(w) + "\" height=\"" + fixed(h) +
        "\" fill=\"" + std::string(fill) + "\"" + std::string(extra) + "/>");
}

void SvgText::dot(double x, double y, std::string_view fill) {
    add("<circle cx=\"" + fixed(x) + "\" cy=\"" + fixed(y) + "\" r=\"2.2\" fill=\"" + std::string(fill) + "\"/>");
}

}  // namespace kestrel
