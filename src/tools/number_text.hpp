// Numbers as the tools' tables and texts print them: one printf conversion of a double.
#pragma once

#include <optional>
#include <string>

namespace kestrel {

// format holds one conversion of a double ("%.4f", "%g").
std::string formatNumber(const char* format, double value);
// The same, or NA for no value.
std::string formatNumberOrNA(const char* format, const std::optional<double>& value);

}  // namespace kestrel
