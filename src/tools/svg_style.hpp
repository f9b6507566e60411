// What the tools' SVG figures share: text made safe for XML, the colour scale of an index
// and the colours of the reference genes, so that every figure reads alike; and an SVG
// document built element by element.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Reference genes: dark points over the light ones of the other genes.
inline constexpr const char* MarkedColour = "#b2182b";
inline constexpr const char* UnmarkedColour = "#7f9fbf";
inline constexpr const char* NoValueColour = "#a6a6a6";

// Text for an XML attribute or element: the markup characters escaped, control characters
// (not allowed in XML) replaced by '?'.
std::string xmlEscaped(std::string_view text);

// t from 0 to 1 on a perceptually even scale from dark blue to yellow, as #rrggbb.
std::string scaleColour(double t);

// The span of a colour scale: from the 1st to the 99th percentile of the values, so that a few
// outlying genes do not wash out the colours of the rest.
struct ValueRange {
    double low = 0;
    double high = 0;
    bool any = false;
    // Where a value lies on the scale: 0 at low, 1 at high (0.5 for a scale of one value).
    double fraction(double value) const { return high > low ? (value - low) / (high - low) : 0.5; }
};
ValueRange percentileRange(std::vector<double> values);

// value with decimals digits after the point.
std::string fixed(double value, int decimals = 2);

// A round step (1, 2 or 5 times a power of ten) for at most eight ticks across span.
double tickStep(double span);

class SvgText {
public:
    void add(const std::string& element) { text_ += element + '\n'; }
    // The XML declaration, the opening svg element of a width x height figure (12-point
    // sans-serif text) and its background.
    void open(double width, double height, std::string_view background);
    void close() { add("</svg>"); }
    void line(double x1, double y1, double x2, double y2, std::string_view style);
    void text(double x, double y, std::string_view content, std::string_view attributes = "text-anchor=\"middle\"");
    void box(double x, double y, double w, double h, std::string_view fill, std::string_view extra = "");
    void dot(double x, double y, std::string_view fill);
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

}  // namespace kestrel
