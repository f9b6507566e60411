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

}  // namespace kestrel
