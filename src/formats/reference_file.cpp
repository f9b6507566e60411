#include "formats/reference_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <string>

#include "analysis/codon_letters.hpp"

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
        read[static_cast<std::size_t>(referenceEntryCodon(e))] = value;
    }
    values = read;
    return true;
}

bool writeReferenceFile(std::ostream& out, std::string_view title, const std::array<std::int32_t, 64>& values,
                        const GeneticCode& code) {
    if (title.find('#') != std::string_view::npos) return false;
    out << title;
    if (!title.empty() && title.back() != '\n') out << '\n';
    out << "#\n";
    for (int e = 0; e < 64; ++e) {
        const int codon = referenceEntryCodon(e);
        char entry[64];
        std::snprintf(entry, sizeof entry, "%s %s %5d", codonLetters(codon).data(),
                      AminoAcidNames[code.aminoAcid[codon]].data(), values[codon]);
        out << entry << (e % 4 == 3 ? "\n" : "   ");
    }
    return true;
}

}  // namespace kestrel
