// CBIAS: Chi/L, ChiSc, ENC, Fop and CAI of one gene from its codon counts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "analysis/reference_tables.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// An index without a value was not computed: Fop without a preferred-codon list, CAI
// without an RSCU table, ChiL, ChiSc, Fop and CAI of a gene without a codon of a
// synonymous family, ENC without a usable amino acid of two, four and six codons.
struct CodonBiasResults {
    std::optional<double> enc = std::nullopt;
    std::optional<double> chiL = std::nullopt;
    std::optional<double> chiSc = std::nullopt;
    std::optional<double> fop = std::nullopt;
    std::optional<double> cai = std::nullopt;
};

// The CAI weights must have been floored (floorCaiWeights) before.
CodonBiasResults computeCodonBias(const std::array<std::int32_t, 64>& codonCount, const RunSettings& settings,
                                  const ReferenceTables& references);

// N: the counted codons of the 18 amino acids with more than one codon (no Met, Trp or
// stop codons).
std::int64_t synonymousCodonCount(const std::array<std::int32_t, 64>& codonCount);

}  // namespace kestrel
