// Output files made by the analysis' own writers, for the tests of the readers and tools that take them.
#pragma once

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/codon_letters.hpp"
#include "output/gene_row.hpp"
#include "output/output_header.hpp"
#include "output/run_summary.hpp"

namespace kestrel::sample {

// A gene of four codons at 11..22 of contig 1, with no neighbours: the codon's first two
// bases, then G as the third base of `gc3` of them and A of the others. With GC (Ala,
// fourfold degenerate) GC3_6 equals GC3; with a two-codon amino acid GC3_6 is undefined.
struct Gene {
    Gene(std::string name = "g", std::string file = "seq.gb", CodonBiasResults bias = {}, int gc3 = 2,
         std::string codon = "GCA", bool reverse = false)
        : name(std::move(name)), file(std::move(file)), bias(bias), gc3(gc3), codon(std::move(codon)), reverse(reverse) {}
    std::string name, file;
    CodonBiasResults bias;
    int gc3;
    std::string codon;
    bool reverse;
};

inline void writeRow(std::ostream& out, const RunSettings& settings, const Gene& gene) {
    GeneRecord record;
    std::tie(record.gene, record.file, record.contig, record.cds, record.nExons, record.complement) =
        std::tuple(gene.name, gene.file, 1, std::vector<std::int32_t>{11, 22}, 1, gene.reverse);
    std::tie(record.beforeSpace, record.afterSpace, record.altCDSFirst, record.altCDSlast) =
        std::tuple(UnlimitedSpace, UnlimitedSpace, 11, 22);
    GeneCounts counts;
    const int codon = codonOfLetters(gene.codon);
    const int withA = codon & ~3;  // the same first two bases, A third
    counts.codonCount[withA] = 4 - gene.gc3;
    counts.codonCount[withA + 1] += gene.gc3;  // G third
    for (int p = 0; p < 2; ++p) counts.positionBase[p][baseIndex(gene.codon[p])] = 4;
    counts.positionBase[2] = {4 - gene.gc3, gene.gc3, 0, 0};
    if (settings.geneticCode.fourfoldThirdPosition(codon)) counts.deg6Base = counts.deg4Base = counts.positionBase;
    else counts.deg2Base = counts.positionBase;
    writeGeneRow(out, record, counts, gene.bias, settings);
}

// The whole file; without the end-of-run summary when included is negative.
inline std::string outputFile(const RunSettings& settings, const std::vector<Gene>& genes, std::int64_t included = 0,
                              std::int64_t excluded = 0) {
    std::ostringstream out;
    writeOutputHeader(out, settings);
    for (const Gene& gene : genes) writeRow(out, settings, gene);
    CumulativeCounts cumulative;
    std::tie(cumulative.genesIncluded, cumulative.genesExcluded) = std::tuple(included, excluded);
    if (included >= 0) writeRunSummary(out, cumulative, settings.geneticCode);
    return out.str();
}

}  // namespace kestrel::sample
