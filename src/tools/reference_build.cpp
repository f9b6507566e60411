#include "tools/reference_build.hpp"

#include <cstdio>

namespace kestrel::reference {

ReferenceResult buildReference(const std::vector<ReferenceGene>& genes, std::vector<std::size_t> members,
                               const RunSettings& settings, double pThreshold) {
    ReferenceResult r;
    r.members = std::move(members);
    std::vector<bool> inSet(genes.size(), false);
    for (const std::size_t i : r.members) inSet[i] = true;
    for (std::size_t i = 0; i < genes.size(); ++i) {
        CodonCounts& sum = inSet[i] ? r.reference : r.rest;
        for (int c = 0; c < 64; ++c) sum[c] += genes[i].codonCount[c];
        if (inSet[i]) r.referenceCodons += genes[i].codons;
    }
    r.codons = contrastCodons(r.reference, r.rest, settings.geneticCode, pThreshold);
    for (const CodonContrast& c : r.codons) r.optimalCodons += c.optimal ? 1 : 0;

    if (r.members.size() < FewGenes || r.referenceCodons < FewCodons)
        r.warnings.push_back("the reference set holds " + std::to_string(r.members.size()) + " genes and " +
                             std::to_string(r.referenceCodons) + " codons, fewer than " + std::to_string(FewGenes) +
                             " genes or " + std::to_string(FewCodons) +
                             " codons: its CAI weights and optimal codons rest on few counts");
    if (r.members.size() == genes.size()) {
        r.warnings.push_back("the reference set holds every gene read: with no rest of the genome to compare it "
                             "with, no codon can be optimal");
    } else if (r.optimalCodons == 0) {
        char p[32];
        std::snprintf(p, sizeof p, "%g", pThreshold);
        r.warnings.push_back(std::string("no codon is optimal at p < ") + p +
                             ": the codon usage of the reference set is not significantly different from the rest "
                             "of the genome, so translational selection is not detectable there");
    }
    return r;
}

}  // namespace kestrel::reference
