// Fast writers of the two cell formats that fill most of a gene row, giving exactly the
// bytes of their printf conversions.
#pragma once

#include <string>

namespace kestrel {

// As "%*lld": value right-aligned in width characters.
void appendInteger(std::string& row, long long value, int width);

// As "%6.4f": a fraction with four decimals, right-aligned in six characters, rounded
// from the exact binary value with ties to even, as printf does.
void appendFraction(std::string& row, double value);

}  // namespace kestrel
