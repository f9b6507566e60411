#include "formats/reference_file.hpp"

#include <cerrno>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <string>

#include "analysis/genetic_code.hpp"

namespace kestrel {

namespace {

// A whole token that is a signed 32-bit integer.
bool parseInteger(const std::string& token, std::int32_t& value) {
    if (token.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(token.c_str(), &end, 10);
    if (errno != 0 || end != token.c_str() + token.size() || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

// Entry e of the file is the codon with first base e/16, third base (e/4) mod 4 and
// second base e mod 4.
constexpr int codonOfEntry(int e) { return CodonIndex(e / 16, e % 4, (e / 4) % 4); }

// One whitespace-delimited item, at most MaxItemLength characters of it held; false for
// a longer item or none.
bool readItem(std::istream& in, std::string& item) {
    constexpr std::size_t MaxItemLength = 64;
    return in >> std::setw(MaxItemLength + 1) >> item && item.size() <= MaxItemLength;
}

}  // namespace

bool readReferenceEntries(std::istream& in, std::array<std::int32_t, 64>& values) {
    // The entries start on the line after the first line that holds a "#"; lines are passed
    // over without being held, whatever their length.
    in.ignore(std::numeric_limits<std::streamsize>::max(), '#');
    if (in.eof()) return false;
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    std::array<std::int32_t, 64> read{};
    std::string codon, aminoAcid, number;
    for (int e = 0; e < 64; ++e) {
        std::int32_t value = 0;
        if (!readItem(in, codon) || !readItem(in, aminoAcid) || !readItem(in, number) ||
            !parseInteger(number, value))
            return false;
        read[static_cast<std::size_t>(codonOfEntry(e))] = value;
    }
    values = read;
    return true;
}

}  // namespace kestrel
