#include "tools/reference_set.hpp"

#include <unordered_map>

#include "formats/text_lines.hpp"
#include "tools/ribosomal_products.hpp"

namespace kestrel::reference {

std::vector<std::size_t> ribosomalGenes(const std::vector<ReferenceGene>& genes) {
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < genes.size(); ++i)
        if (isReferenceRibosomal(genes[i].product, genes[i].organelleRecord)) members.push_back(i);
    return members;
}

ListedGenes listedGenes(std::istream& list, const std::vector<ReferenceGene>& genes) {
    std::unordered_multimap<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < genes.size(); ++i)
        for (const std::string* name : {&genes[i].locusTag, &genes[i].gene, &genes[i].proteinId, &genes[i].oldLocusTag})
            if (!name->empty()) byName.emplace(*name, i);

    ListedGenes result;
    std::vector<bool> chosen(genes.size(), false);
    std::string line;
    const char lineEnd = lineDelimiter(list);
    while (readLine(list, line, MaxLineLength, lineEnd) != LineRead::End) {
        const std::size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos || line[b] == '#') continue;
        const std::string name = line.substr(b, line.find_last_not_of(" \t") - b + 1);
        ++result.names;
        const auto [first, last] = byName.equal_range(name);
        if (first == last) result.unmatched.push_back(name);
        for (auto it = first; it != last; ++it) chosen[it->second] = true;
    }
    for (std::size_t i = 0; i < genes.size(); ++i)
        if (chosen[i]) result.members.push_back(i);
    return result;
}

}  // namespace kestrel::reference
