// Any GenBank text through the reference builder's gene reading and ribosomal naming: every codon counted
// lies inside its gene, and the optimal codons of any split of the genes belong to synonymous families.
#include <algorithm>
#include <numeric>

#include "fuzz_input.hpp"
#include "tools/genome_genes.hpp"
#include "tools/reference_build.hpp"
#include "tools/reference_set.hpp"
#include "tools/ribosomal_products.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrel::reference;
    const std::string text = fuzzText(data, size);
    std::istringstream in(text);
    GenomeGenes genome;
    kestrel::SequenceKeeper sequence;
    try {
        const auto add = [&](kestrel::AnnotatedRecord& record) { addRecordGenes(record, sequence.bases, "f.gb", genome); };
        kestrel::readFeatureTable(in, kestrel::FeatureTableDialect::GenBank, add, &sequence);
    } catch (const kestrel::RecordError&) {  // a record cut short: the genes before it are checked
    }
    for (const ReferenceGene& g : genome.genes) {
        const std::int64_t sum = std::accumulate(g.codonCount.begin(), g.codonCount.end(), std::int64_t{0});
        if (sum != g.codons || g.codons > static_cast<std::int64_t>(size)) __builtin_trap();
    }
    std::vector<std::size_t> members = ribosomalGenes(genome.genes);
    for (std::size_t i = 0; i < genome.genes.size(); i += 2) members.push_back(i);
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    kestrel::RunSettings settings;
    const ReferenceResult result = buildReference(genome.genes, members, settings, 0.01);
    const kestrel::GeneticCode& code = kestrel::StandardCode;
    for (int c = 0; c < 64; ++c)
        if (result.codons[c].optimal && !code.isSynonymous(code.aminoAcid[c])) __builtin_trap();
    classifyProduct(text);
    return 0;
}
