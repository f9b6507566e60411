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
// synonymous family, ENC when a class of the code other than the three-codon one has no
// usable amino acid (in the standard code: the classes of two, four and six codons).
struct CodonBiasResults {
    std::optional<double> enc = std::nullopt;
    std::optional<double> chiL = std::nullopt;
    std::optional<double> chiSc = std::nullopt;
    std::optional<double> fop = std::nullopt;
    std::optional<double> cai = std::nullopt;
};

// Under the code of the settings. The CAI weights must have been floored (floorCaiWeights)
// before.
CodonBiasResults computeCodonBias(const std::array<std::int32_t, 64>& codonCount, const RunSettings& settings,
                                  const ReferenceTables& references);

// CAI of one gene against weights already floored (floorCaiWeights), under the code; no
// value for a gene without a codon of a synonymous family.
std::optional<double> geneCai(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code,
                              const CaiWeights& weights);

// N: the counted codons of the amino acids with more than one codon under the code (in the
// standard code 18: no Met, Trp or stop codons).
std::int64_t synonymousCodonCount(const std::array<std::int32_t, 64>& codonCount, const GeneticCode& code);

}  // namespace kestrel
