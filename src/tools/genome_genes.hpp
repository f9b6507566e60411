// The genes of annotated genome files, with their codon counts: the CDSs the lookup builder
// would write, less the partial ones (their reading frame and ends are not known).
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "formats/feature_table.hpp"
#include "tools/reference_gene.hpp"
#include "tools/cds_selection.hpp"

namespace kestrel::reference {

struct GenomeGenes {
    std::vector<ReferenceGene> genes;  // file order, then feature order
    SkipTally skipped;
    std::int64_t partial = 0;          // partial CDSs, not read
    std::int64_t outsideSequence = 0;  // CDSs reaching beyond their record's sequence, not read
    std::int32_t records = 0;
};

// What is read besides the complete CDSs' names and counts. Partial CDSs are read from
// their first base, whatever their /codon_start.
struct GeneReading {
    bool keepPseudo = false;
    bool keepPartial = false;
    bool keepLetters = false;  // each gene's letters and header
};

// Adds the genes of a record whose sequence holds these bases, read from the file of that name.
void addRecordGenes(const AnnotatedRecord& record, const std::string& sequence, const std::string& fileName,
                    GenomeGenes& genome, const GeneReading& reading = {});

// Keeps the genes of one genetic code (wanted, else the code of the most genes; 11 counts as
// 1) and counts the others as skipped; returns the code kept.
std::int32_t keepOneGeneticCode(GenomeGenes& genome, std::int32_t wanted);

// Adds the complete codons of a coding sequence to counts: three letters at a time from its
// first, a codon with a letter other than A, C, G or T left out; returns the codons added.
std::int64_t countCodons(std::string_view cds, std::array<std::int32_t, 64>& counts);

}  // namespace kestrel::reference
