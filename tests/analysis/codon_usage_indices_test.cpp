#include "analysis/codon_usage_indices.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/trna_adaptation.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

const GeneticCode& code = StandardCode;

GeneCodonCounts everySenseCodon(std::int32_t count) {
    GeneCodonCounts c{};
    for (int i = 0; i < 64; ++i) c[i] = code.aminoAcid[i] == Stp ? 0 : count;
    return c;
}

GeneCodonCounts firstCodons(std::int32_t count) {
    GeneCodonCounts c{};
    for (int a = 0; a < Stp; ++a) c[code.families[a].codons[0]] = count;
    return c;
}

constexpr BaseFrequencies Uniform = {0.25, 0.25, 0.25, 0.25};

TEST(SunNc, HandWorkedAndBounds) {
    // Phe (3, 1): p = 4/6, 2/6, F = 5/9; Lys (0, 2): F = 5/8; class 2 weighted by n:
    // (4 * 5/9 + 2 * 5/8) / 6 = 125/216. Ile and the fourfold families are unused:
    // F = 1/3 and 1/4. Nc = 2 + 12 * 216/125 + 3 + 8 * 4.
    EXPECT_NEAR(sunNc(codonCounts("TTT 3 TTC 1 AAG 2"), code).value(), 2 + 12 * 216.0 / 125 + 3 + 32, 1e-9);
    EXPECT_NEAR(sunNc(everySenseCodon(7), code).value(), 61, 1e-9);
    // One codon per amino acid: Leu, Ser and Arg's unused two-codon parts still count, so Nc falls to 23 from above.
    double previous = 62;
    for (const std::int32_t n : {10, 100, 10000, 1000000}) {
        const double nc = sunNc(firstCodons(n), code).value();
        EXPECT_GT(nc, 23);
        EXPECT_LT(nc, previous);
        previous = nc;
    }
    EXPECT_NEAR(previous, 23, 1e-3);
    EXPECT_FALSE(sunNc(codonCounts("ATG 5 TGG 2 TAA 1"), code));
    // Under every code, even usage gives the number of sense codons.
    for (int number = 1; number <= 33; ++number) {
        const auto other = geneticCodeOf(number);
        if (!other) continue;
        GeneCodonCounts even{};
        for (int c = 0; c < 64; ++c) even[c] = other->aminoAcid[c] == Stp ? 0 : 3;
        EXPECT_NEAR(sunNc(even, *other).value(), other->senseCodons, 1e-9) << number;
    }
}

TEST(EncPrime, UniformBackgroundGivesWrightsHomozygosities) {
    // Two-codon amino acids (3, 1): F = (4 * 10/16 - 1)/3 = 1/2; four-codon (4, 0, 0, 0):
    // F = 1; six-codon (2, 2, 0...): F = 1/3; Ile absent: (1/2 + 1)/2.
    GeneCodonCounts c{};
    for (int a = 0; a < Stp; ++a) {
        const AminoAcidFamily& f = code.families[a];
        if (f.size == 2) c[f.codons[0]] = 3, c[f.codons[1]] = 1;
        if (f.size == 4) c[f.codons[0]] = 4;
        if (f.size == 6) c[f.codons[0]] = 2, c[f.codons[1]] = 2;
    }
    EXPECT_NEAR(encPrime(c, Uniform, code).value(), 2 + 18 + 1 / 0.75 + 5 + 9, 1e-9);
    // Against an AT-rich background A- and T-ending codons are expected: ENC' rises when the gene prefers them.
    GeneCodonCounts at{};
    for (int a = 0; a < Stp; ++a)
        for (const int codon : code.families[a]) at[codon] = codon % 4 == 0 || codon % 4 == 3 ? 6 : 2;
    EXPECT_GT(encPrime(at, {0.35, 0.15, 0.15, 0.35}, code).value(), encPrime(at, Uniform, code).value());
    EXPECT_FALSE(encPrime(codonCounts("TTT 3 TTC 1"), Uniform, code));  // no four- or six-codon amino acid
}

TEST(EncPrime, LeavesOutAminoAcidsWithFPrimeAtMostZeroAndStaysWithinTheSenseCodons) {
    // Ile (ATA, ATT) gives F' = (5/6 + 2 - 3) / 3 < 0: left out, its class takes (F2 + F4)/2 as with no Ile.
    const GeneCodonCounts base = codonCounts("TTT 5 TTC 1 GCA 4 GCG 2 CTG 3 CTA 1");
    GeneCodonCounts withIle = base;
    withIle[codonOfLetters("ATA")] = withIle[codonOfLetters("ATT")] = 1;
    EXPECT_NEAR(encPrime(withIle, Uniform, code).value(), encPrime(base, Uniform, code).value(), 1e-12);
    // Even usage: every F' = 2 / (3k - 1) lies below 1/k; each class mean is raised to 1/k, giving the number of
    // sense codons under every code.
    for (int number = 1; number <= 33; ++number) {
        const auto other = geneticCodeOf(number);
        if (!other) continue;
        GeneCodonCounts even{};
        for (int c = 0; c < 64; ++c) even[c] = other->aminoAcid[c] == Stp ? 0 : 3;
        EXPECT_NEAR(encPrime(even, Uniform, *other).value(), other->senseCodons, 1e-9) << number;
    }
    // A two-codon class whose only amino acid has F' <= 0 (Phe 1, 1) has no value, as in ENC.
    EXPECT_FALSE(encPrime(codonCounts("TTT 1 TTC 1 GCA 4 CTG 6"), Uniform, code));
}

TEST(MilcAndScuo, HandWorkedAndBounds) {
    CodonShares even{};
    for (int a = 0; a <= Stp; ++a)
        for (const int c : code.families[a]) even[c] = 1.0 / code.families[a].size;
    // M = 2 (3 ln 1.5 + ln 0.5); L = 4, C = 1/4 - 1/2; with Met twice, L = 6, C = 1/6 - 1/2.
    const double m = 2 * (3 * std::log(1.5) + std::log(0.5));
    EXPECT_NEAR(milc(codonCounts("TTT 3 TTC 1"), even, code).value(), m / 4 + 0.25, 1e-12);
    EXPECT_NEAR(milc(codonCounts("TTT 3 TTC 1 ATG 2"), even, code).value(), m / 6 + 1.0 / 3, 1e-12);
    CodonShares noTtc = even;
    noTtc[codonOfLetters("TTC")] = 0;
    EXPECT_FALSE(milc(codonCounts("TTT 3 TTC 1"), noTtc, code));
    EXPECT_FALSE(milc(codonCounts("TAA 1"), even, code));

    // Phe (3, 1): O = 1 - H/ln 2; Lys one codon: O = 1; weighted by 4 and 2.
    const double h = -(0.75 * std::log(0.75) + 0.25 * std::log(0.25));
    EXPECT_NEAR(scuo(codonCounts("TTT 3 TTC 1 AAA 2"), code).value(), (4 * (1 - h / std::log(2)) + 2) / 6, 1e-12);
    EXPECT_NEAR(scuo(everySenseCodon(3), code).value(), 0, 1e-12);
    EXPECT_NEAR(scuo(firstCodons(9), code).value(), 1, 1e-12);
    EXPECT_FALSE(scuo(codonCounts("ATG 4"), code));
}

TEST(Gc12, FirstAndSecondPositionsOfEveryCountedCodon) {
    // GCA: 2 of 2; ACG: 1 of 2 (A C); TAA: 0 of 2.
    EXPECT_NEAR(gc12(codonCounts("GCA 3 ACG 2 TAA 1")).value(), (3 * 2 + 2 * 1 + 0) / 12.0, 1e-15);
    EXPECT_FALSE(gc12(GeneCodonCounts{}));
}

TEST(FourfoldSites, OnlyFourfoldThirdPositionsCount) {
    // GCA, GCG and CTT are fourfold; TTA (Leu's two-codon part) and AAA are not.
    const auto bases = fourfoldThirdPositions(codonCounts("GCA 2 GCG 1 CTT 1 TTA 5 AAA 3"), code).value();
    EXPECT_EQ(bases, (BaseFrequencies{0.5, 0.25, 0, 0.25}));
    EXPECT_FALSE(fourfoldThirdPositions(codonCounts("TTA 5"), code));
}

TEST(TrnaAdaptation, HandSizedCensus) {
    TrnaCensus census;
    EXPECT_TRUE(addTrnaGenes(census, "Phe", "GAA", 2));  // reads TTC, and TTT by G:U
    EXPECT_TRUE(addTrnaGenes(census, "Lys", "uuu", 1));  // reads AAA, and AAG by U:G
    EXPECT_TRUE(addTrnaGenes(census, "Ile", "CAT", 1));  // lysidine: ATA only
    EXPECT_TRUE(addTrnaGenes(census, "Met", "CAU", 3));  // ATG: never counted
    EXPECT_FALSE(addTrnaGenes(census, "Leu", "CA", 1));
    // W: TTC 2, TTT 0.59 * 2, AAA 1, AAG 0.32, ATA 0.11; w = W / 2; other codons: the geometric mean of the five.
    const auto w = trnaWeights(census, code).value();
    const double mean = std::exp((std::log(0.59) + std::log(0.5) + std::log(0.16) + std::log(0.055)) / 5);
    EXPECT_NEAR(w[codonOfLetters("TTT")], 0.59, 1e-12);
    EXPECT_NEAR(w[codonOfLetters("ATA")], 0.055, 1e-12);
    EXPECT_NEAR(w[codonOfLetters("GCA")], mean, 1e-12);
    // ATG and the stop codons are left out of the mean.
    const double tai = trnaAdaptationIndex(codonCounts("TTT 1 AAG 1 GCA 1 ATG 5 TAA 1"), w, code).value();
    EXPECT_NEAR(tai, std::cbrt(0.59 * 0.16 * mean), 1e-12);
    EXPECT_FALSE(trnaAdaptationIndex(codonCounts("ATG 5"), w, code));
    EXPECT_FALSE(trnaWeights(TrnaCensus{}, code));
}

TEST(TrnaAdaptation, SelenocysteineAndPyrrolysineTrnasReadNoSenseCodon) {
    TrnaCensus plain;
    addTrnaGenes(plain, "Trp", "CCA", 1);
    addTrnaGenes(plain, "Phe", "GAA", 2);
    TrnaCensus recoding = plain;
    EXPECT_TRUE(addTrnaGenes(recoding, "Sec", "UCA", 1));  // would add 0.32 to TGG by U:G
    EXPECT_TRUE(addTrnaGenes(recoding, "Pyl", "CUA", 1));
    EXPECT_TRUE(addTrnaGenes(recoding, "SeC", "TCA", 2));
    EXPECT_EQ(trnaWeights(recoding, code).value(), trnaWeights(plain, code).value());
}

OptimalCodonFlags optimalFlags(std::initializer_list<const char*> codons) {
    OptimalCodonFlags flags{};
    for (const char* letters : codons) flags[codonOfLetters(letters)] = 1;
    return flags;
}

TEST(CodonBiasIndex, HandWorked) {
    // Optimal: CTG (Leu, 1 of 6), GCT (Ala, 1 of 4), AAA (Lys, 1 of 2), GGT and GGC (Gly, 2 of 4); ATG, TGG and
    // TAA marked too, and ignored. Leu 6 codons (4 optimal), Ala 3 (1), Lys 2 (1); Phe and His have no optimal
    // codon: N_tot 11, N_opt 6, N_rand 6/6 + 3/4 + 2/2 = 2.75; CBI = 3.25 / 8.25.
    const auto optimal = optimalFlags({"CTG", "GCT", "AAA", "GGT", "GGC", "ATG", "TGG", "TAA"});
    const GeneCodonCounts gene =
        codonCounts("CTG 4 TTA 2 GCT 1 GCA 1 GCG 1 AAA 1 AAG 1 TTT 1 TTC 1 TGG 1 ATG 1 CAT 1 TAA 1");
    EXPECT_NEAR(codonBiasIndex(gene, optimal, code).value(), 3.25 / 8.25, 1e-12);
    // Gly (2 of 4 optimal) used evenly: N_rand = 2 = N_opt, CBI 0; Ala's GCA alone: below random, (0 - 0.5) / 1.5.
    EXPECT_NEAR(codonBiasIndex(codonCounts("GGT 1 GGA 1 GGC 1 GGG 1"), optimal, code).value(), 0, 1e-12);
    EXPECT_NEAR(codonBiasIndex(codonCounts("GCA 2"), optimal, code).value(), -1.0 / 3, 1e-12);
    EXPECT_NEAR(codonBiasIndex(codonCounts("CTG 7 GCT 2 AAA 5"), optimal, code).value(), 1, 1e-12);
    // Nothing to scale by: no codon of an amino acid with an optimal codon, or only of one whose codons are all optimal.
    EXPECT_FALSE(codonBiasIndex(codonCounts("TTT 3 ATG 2 TGG 1"), optimal, code));
    EXPECT_FALSE(codonBiasIndex(codonCounts("AAC 2 AAT 1"), optimalFlags({"AAC", "AAT"}), code));
    EXPECT_FALSE(codonBiasIndex(gene, OptimalCodonFlags{}, code));
}

TEST(ProteinIndices, HydropathyAndAromaticityOfTheTranslatedCodons) {
    // K K F F A: (-3.9 - 3.9 + 2.8 + 2.8 + 1.8) / 5, two aromatic of five; a stop codon is no amino acid.
    const GeneCodonCounts gene = codonCounts("AAA 1 AAG 1 TTT 1 TTC 1 GCT 1 TAA 2 TGA 1");
    EXPECT_NEAR(gravy(gene, code).value(), -0.08, 1e-12);
    EXPECT_NEAR(aromaticity(gene, code).value(), 0.4, 1e-12);
    EXPECT_EQ(aminoAcidCodonCount(gene, code), 5);
    EXPECT_FALSE(gravy(codonCounts("TAA 3"), code));
    EXPECT_FALSE(aromaticity(GeneCodonCounts{}, code));
    // Under code 4 TGA is Trp: aromatic, -0.9.
    const GeneticCode mycoplasma = *geneticCodeOf(4);
    EXPECT_NEAR(aromaticity(gene, mycoplasma).value(), 3.0 / 6, 1e-12);
    EXPECT_NEAR(gravy(gene, mycoplasma).value(), (-0.4 - 0.9) / 6, 1e-12);
    // Every amino acid once: the scale's mean, and Phe, Tyr and Trp of twenty.
    GeneCodonCounts each{};
    for (int a = 0; a < Stp; ++a) each[code.families[a].codons[0]] = 1;
    double sum = 0;
    for (const double h : KyteDoolittle) sum += h;
    EXPECT_NEAR(gravy(each, code).value(), sum / 20, 1e-12);
    EXPECT_NEAR(aromaticity(each, code).value(), 3.0 / 20, 1e-12);
}

}  // namespace
}  // namespace kestrel
