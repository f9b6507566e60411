#include "analysis/genetic_code.hpp"

namespace kestrel {

namespace {

constexpr std::array<GeneticCode, NcbiTables.size()> Codes = [] {
    std::array<GeneticCode, NcbiTables.size()> codes{};
    for (std::size_t i = 0; i < NcbiTables.size(); ++i) codes[i] = buildGeneticCode(NcbiTables[i]);
    return codes;
}();

}  // namespace

std::optional<GeneticCode> geneticCodeOf(int number) {
    for (const GeneticCode& code : Codes)
        if (code.number == number) return code;
    return std::nullopt;
}

}  // namespace kestrel
