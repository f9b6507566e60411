#include "output/cell_format.hpp"

#include <cmath>
#include <cstdio>

namespace kestrel {

void appendInteger(std::string& row, long long value, int width) {
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits[n++] = '-';
    if (n < width) row.append(static_cast<std::size_t>(width - n), ' ');
    while (n > 0) row.push_back(digits[--n]);
}

void appendFraction(std::string& row, double value) {
    if (!(value >= 0.0 && value <= 1.0)) {
        char cell[64];
        std::snprintf(cell, sizeof cell, "%6.4f", value);
        row += cell;
        return;
    }
    // Ten-thousandths, decided on the exact product value * 10^4: fma gives the sign of
    // value * 10^4 - m without rounding it away.
    long long n = static_cast<long long>(value * 10000.0);
    while (n > 0 && std::fma(value, 10000.0, -static_cast<double>(n)) < 0.0) --n;
    while (std::fma(value, 10000.0, -static_cast<double>(n + 1)) >= 0.0) ++n;
    const double rest = std::fma(value, 10000.0, -(static_cast<double>(n) + 0.5));
    if (rest > 0.0 || (rest == 0.0 && (n & 1) != 0)) ++n;
    row.push_back(static_cast<char>('0' + n / 10000));
    row.push_back('.');
    const long long decimals = n % 10000;
    row.push_back(static_cast<char>('0' + decimals / 1000));
    row.push_back(static_cast<char>('0' + decimals / 100 % 10));
    row.push_back(static_cast<char>('0' + decimals / 10 % 10));
    row.push_back(static_cast<char>('0' + decimals % 10));
}

}  // namespace kestrel
