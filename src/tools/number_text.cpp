#include "tools/number_text.hpp"

#include <cstdio>

namespace kestrel {

std::string formatNumber(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string formatNumberOrNA(const char* format, const std::optional<double>& value) {
    return value ? formatNumber(format, *value) : "NA";
}

}  // namespace kestrel
