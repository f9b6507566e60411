#include "analysis/codon_bias.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/cai_weights.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

double valueOf(const std::optional<double>& index) { return index.value_or(-1); }

// ChiSc = ChiL / (X / N) = chi2 / X, where X sums (family size - 1) over the codons.
TEST(CodonBias, ChiSquareAndEncOfHandWorkedGenes) {
    const struct { std::string codons; double chiL, chiSc, enc; } cases[] = {
        // Asn E = 2: +-1 shrink to +-0.5. Ile E = 1/3: +2/3 and -1/3 both become +1/6 (the shift
        // crosses zero). Met and stop codons do not count; no ENC class is complete.
        {"AAC 3 AAT 1 ATC 1 ATG 7 TAA 2", 0.5 / 5, 0.5 / 6, -1},
        // Every F is 1 (Asp, seen once, has E = 0.5: both differences become 0, and no F).
        // chi2 = Asn 3.2 + Ile 6.45 + Ala 9.8 + Leu 16.8, N = 21, X = 56.
        {"AAC 5 ATA 5 GAC 1 GCA 5 CTA 5", 36.25 / 21, 36.25 / 56, 20.0},
        // Each codon of Asn, Ile, Ala and Leu twice: F = 1/(2k - 1), 2 + 27 + 5 + 35 + 33 = 102, capped.
        {"AAC 2 AAT 2 ATA 2 ATC 2 ATT 2 GCA 2 GCG 2 GCC 2 GCT 2 CTA 2 CTG 2 CTC 2 CTT 2 TTA 2 TTG 2", 0.0, 0.0, 61.0},
        // Asn F = 1/3, Asp F = 0 (not usable), Ala and Leu F = 1; no Ile: F3 = (1/3 + 1) / 2.
        // chi2 = Ala 2.5^2 + 3 * 0.5^2 + Leu 2^2 / 0.5 = 15, N = 13, X = 4 + 2 + 12 + 15.
        {"AAC 2 AAT 2 GAC 1 GAT 1 GCA 4 CTA 3", 15.0 / 13, 15.0 / 33, 2 + 27 + 1.5 + 5 + 3},
        // Ile F = 1; chi2 adds (5/6)^2 / (2/3) + 2 (1/6)^2 / (2/3) = 9/8, N = 15, X = 37.
        {"AAC 2 AAT 2 GAC 1 GAT 1 GCA 4 CTA 3 ATA 2", 129.0 / 8 / 15, 129.0 / 8 / 37, 38.0},
        // Leu seen once, Arg once with each of two codons: no usable six-codon family.
        // chi2 = 15 - 8 + 9/8 + Leu 6 (1/3)^2 / (1/6) + Arg 6 (1/6)^2 / (1/3) = 101/8.
        {"AAC 2 AAT 2 GAC 1 GAT 1 GCA 4 ATA 2 CTA 1 AGA 1 CGT 1", 101.0 / 8 / 15, 101.0 / 8 / 37, -1},
        {"ATG 3 TGG 2 TAA 1", -1, -1, -1},  // no synonymous codon: nothing can be computed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codons);
        const CodonBiasResults bias = computeCodonBias(codonCounts(c.codons), bareSettings(), ReferenceTables{});
        EXPECT_NEAR(valueOf(bias.chiL), c.chiL, 1e-12);
        EXPECT_NEAR(valueOf(bias.chiSc), c.chiSc, 1e-12);
        EXPECT_NEAR(valueOf(bias.enc), c.enc, 1e-12);
    }
}

// F = (sum of squared counts / n - 1) / (n - 1) is exactly 0 when no codon is seen twice: not usable, whatever
// rounding makes of the sum of squared shares (five different Leu codons give 5.55e-17 in double precision).
TEST(CodonBias, EncLeavesOutEveryAminoAcidWhoseExactFIsZero) {
    const struct { std::string codons; double enc; } cases[] = {
        {"GAC 1 GAT 1 GCA 2 CTA 2", -1},                         // class 2: Asp alone, F = 0
        {"ATA 1 ATC 1 ATT 1 AAC 2 AAT 2 GCA 2 CTA 2", 38.5},    // class 3: F3 = (1/3 + 1) / 2
        {"GCA 1 GCG 1 GCC 1 GCT 1 AAC 2 CTA 2", -1},             // class 4: Ala alone, F = 0
        {"CTA 1 CTG 1 CTC 1 TTA 1 TTG 1 AAC 2 GCA 2", -1},       // class 6: Leu alone, F = 0
        {"CTA 1 CTG 1 CTC 1 TTA 1 TTG 1 AGC 1 TCG 1 AGA 2 AAC 2 GCA 2", 20.0},  // F6 = Arg 1 alone
        // yqhI of E. coli K-12 without its start and stop codons. Usable: F2 = (Phe 1 + Tyr 1/3 +
        // Lys 1/2 + Asp 2/5 + Glu 1) / 5 = 97/150, F4 = (Val 1 + Ala 1/6) / 2 = 7/12, F6 = Arg 1/6;
        // Leu (5 codons seen once), Ser, Pro, Gly and Ile have F = 0, so F3 = (F2 + F4) / 2 = 123/200.
        // ENC = 2 + 1350/97 + 200/123 + 60/7 + 18 = 3684350/83517 = 44.11.
        {"AAA 3 AAC 1 AAG 1 ACC 1 AGC 1 AGG 1 ATC 1 ATT 1 CAA 1 CAC 1 CCA 1 CCG 1 CGG 1 CGT 2 CTC 1 "
         "CTG 1 CTT 1 GAC 2 GAG 2 GAT 3 GCC 1 GCG 2 GCT 1 GGC 1 GGG 1 GGT 1 GTT 2 TAC 2 TAT 2 TCG 1 "
         "TGC 1 TTA 1 TTC 2 TTG 1",
         3684350.0 / 83517},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(valueOf(computeCodonBias(codonCounts(c.codons), {}, ReferenceTables{}).enc), c.enc, 1e-12)
            << c.codons;
}

// Under another code the classes are its family sizes, each adding the number of its amino
// acids over its mean F, and each single-codon amino acid adds 1.
TEST(CodonBias, EncUnderOtherCodes) {
    const struct { int code; std::string codons; double enc; } cases[] = {
        // Code 2: 12/F2 + 6/F4 + 2/F6. Met (ATA ATG) F = (4 * 10/16 - 1) / 3 = 1/2, Trp (TGA TGG)
        // F = 1: F2 = 3/4; Arg (CGN) and Leu F = 1. The stops AGA and TAA do not count.
        {2, "ATA 3 ATG 1 TGA 2 CGA 2 CTA 2 AGA 1 TAA 1", 16.0 + 6 + 2},
        // Code 5: 12/F2 + 6/F4 + 1/F6 + 1/F8, Ser (AGA AGG AGC AGT TCN) of eight codons:
        // AGA 2 TCT 2, F = (4 * 8/16 - 1) / 3 = 1/3.
        {5, "AGA 2 TCT 2 AAA 2 GCA 2 TTA 2", 12.0 + 6 + 1 + 3},
        // Ser once on each of two codons (F = 0): no usable amino acid in the class of eight, and no stand-in.
        {5, "AGA 1 AGG 1 AAA 2 GCA 2 TTA 2", -1},
        // Code 9: 2 + 8/F2 + 2/F3 + 6/F4 + 1/F6 + 1/F8 (Met and Lys AAG single, Ile and Asn of three
        // codons). Phe F = 1/3; neither Ile nor Asn seen: F3 = (F2 + F4) / 2 = 2/3.
        {9, "TTT 2 TTC 2 GCA 2 CTA 2 TCA 2", 2 + 24.0 + 3 + 6 + 1 + 1},
        // Each codon of Asn, Ile, Ala and Leu twice: F = 1/(2k - 1). Code 6 (TAA and TAG read as
        // Gln): 2 + 8 * 3 + 5 + 6 * 7 + 3 * 11 = 106, at most its 63 sense codons; code 1: 61.
        {6, "AAC 2 AAT 2 ATA 2 ATC 2 ATT 2 GCA 2 GCG 2 GCC 2 GCT 2 CTA 2 CTG 2 CTC 2 CTT 2 TTA 2 TTG 2", 63.0},
        {1, "AAC 2 AAT 2 ATA 2 ATC 2 ATT 2 GCA 2 GCG 2 GCC 2 GCT 2 CTA 2 CTG 2 CTC 2 CTT 2 TTA 2 TTG 2", 61.0},
    };
    for (const auto& c : cases) {
        RunSettings settings = bareSettings();
        settings.geneticCode = geneticCodeOf(c.code).value();
        EXPECT_NEAR(valueOf(computeCodonBias(codonCounts(c.codons), settings, ReferenceTables{}).enc), c.enc, 1e-12)
            << c.code << ": " << c.codons;
    }
}

TEST(CodonBias, FopIsTheFlaggedShareOfAllSynonymousCodons) {
    const auto gene = codonCounts("AAC 3 AAT 1 GCA 2 ATG 4");
    RunSettings settings = bareSettings();
    ReferenceTables references;
    auto& flags = references.optimalCodonFlags;
    flags[codon("AAC")] = 1;
    flags[codon("AAT")] = 2;  // only 1 marks an optimal codon
    flags[codon("ATG")] = 1;  // Met is ignored
    EXPECT_EQ(computeCodonBias(gene, settings, references).fop, std::nullopt);  // no list used
    settings.preferredCodonListUsed = true;
    EXPECT_DOUBLE_EQ(valueOf(computeCodonBias(gene, settings, references).fop), 0.5);
}

TEST(CodonBias, CaiIsTheGeometricMeanOfTheFlooredWeights) {
    // Ala: GCG has the most; Met, Trp and stops keep weight 0; Asp: the largest count is floored at 0.
    const ReferenceCounts reference = codonCounts("GCA 10 GCG 40 ATG 50 GAC -5");
    ReferenceTables references;
    CaiWeights& w = references.caiWeights;
    computeCaiWeights(reference, StandardCode, w);
    EXPECT_EQ((std::array{w[codon("GCA")], w[codon("GCG")], w[codon("GCC")], w[codon("ATG")]}),
              (std::array{0.25, 1.0, 0.0, 0.0}));
    EXPECT_TRUE(std::isnan(w[codon("TGC")]));  // Cys absent from the reference: 0/0
    EXPECT_EQ(w[codon("GAC")], -INFINITY);
    floorCaiWeights(w, StandardCode, 0.01);
    EXPECT_EQ((std::array{w[codon("GCA")], w[codon("GCC")], w[codon("TGC")], w[codon("GAC")], w[codon("ATG")]}),
              (std::array{0.25, 0.01, 0.01, 0.01, 0.0}));

    RunSettings settings = bareSettings();
    EXPECT_EQ(computeCodonBias(codonCounts("GCA 1 GCG 1"), settings, references).cai, std::nullopt);  // no table used
    settings.rscuTableUsed = true;
    // Each codon occurrence counts once; Met stays out of the mean.
    EXPECT_NEAR(valueOf(computeCodonBias(codonCounts("GCA 1 GCG 1 ATG 5"), settings, references).cai), 0.5, 1e-12);
    EXPECT_NEAR(valueOf(computeCodonBias(codonCounts("GCC 3 GCG 1"), settings, references).cai), std::pow(10.0, -1.5),
                1e-12);  // (0.01^3 * 1)^(1/4)
    w[codon("GCG")] = 0.0;  // a weight of 0 makes the geometric mean 0
    EXPECT_EQ(computeCodonBias(codonCounts("GCA 1 GCG 1"), settings, references).cai, 0.0);
}

}  // namespace
}  // namespace kestrel
