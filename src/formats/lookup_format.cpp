#include "formats/lookup_format.hpp"

namespace kestrel {

std::string formatEntry(const LookupEntry& e, std::int32_t geneticCode) {
    const std::string values[LookupEntryLines] = {
        e.location, e.gene, std::to_string(e.nListings), std::to_string(e.nAlt), e.file, std::to_string(e.contig),
        std::to_string(e.beforeSpace), std::to_string(e.afterSpace), std::to_string(e.altCDSFirst),
        std::to_string(e.altCDSlast), geneticCode == 1 ? "" : std::string(GeneticCodeEnd.substr(2)) + std::to_string(geneticCode)};
    std::string out;
    out.reserve(e.location.size() + e.gene.size() + e.file.size() + 160);
    for (std::size_t line = 0; line < LookupEntryLines; ++line) {
        out += LookupKeys[line];
        out += values[line];
        out += '\n';
    }
    return out;
}

}  // namespace kestrel
