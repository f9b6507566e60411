// A CDS of the genome as the reference tools see it: where it comes from, its names, and its
// codon counts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrel::reference {

struct ReferenceGene {
    std::string file;
    std::string record;  // the record's name (LOCUS)
    std::string locusTag;
    std::string gene;
    std::string proteinId;
    std::string oldLocusTag;
    std::string product;
    std::int32_t translTable = 1;  // its /transl_table (1 when absent)
    bool organelleRecord = false;  // its record is an organelle's genome (/organelle of the source)
    // Every complete codon of the CDS as extracted, start and stop codons included; codons with
    // a letter other than A, C, G or T are left out.
    std::array<std::int32_t, 64> codonCount{};
    std::int64_t codons = 0;
    // Kept only when asked for (GeneReading): its letters in reading order, as extracted, and
    // the header of its coding-sequence FASTA record (empty for the other inputs).
    std::string letters{};
    std::string header{};
    bool pseudo = false;
    bool partial = false;
};

}  // namespace kestrel::reference
