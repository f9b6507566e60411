#include "analysis/codon_bias.hpp"

#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "analysis/genetic_code.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

int codon(const char* letters) {
    return CodonIndex(baseIndex(letters[0]), baseIndex(letters[1]), baseIndex(letters[2]));
}

struct BiasRun {
    GeneCounts counts;
    RunSettings settings;
    ReferenceTables references;
    bool pending = true;
    CodonBiasResults results;
    std::istringstream in;
    std::ostringstream out;

    void set(const char* letters, std::int32_t count) { counts.codonCount[codon(letters)] = count; }

    const CodonBiasResults& run() {
        Console console(in, out);
        computeCodonBias(counts, settings, references, pending, "gene1", console, results);
        return results;
    }
};

TEST(ChiSquare, ContinuityCorrectionOnTwoCodonFamily) {
    BiasRun bias;
    bias.set("AAC", 3);  // Asn: E = 2, differences +1 and -1 shrink to +-0.5
    bias.set("AAT", 1);
    bias.set("ATG", 7);  // Met does not count
    bias.set("TAA", 2);  // nor stop codons
    const auto& r = bias.run();
    EXPECT_DOUBLE_EQ(r.ChiL, 0.0625);
    EXPECT_DOUBLE_EQ(r.ChiSc, 0.0625);
}

TEST(ChiSquare, SmallDifferencesCrossZeroAndLoneCodonAddsNothing) {
    BiasRun ile;
    ile.set("ATC", 1);  // Ile, E = 1/3: +2/3 -> +1/6, and -1/3 -> +1/6 twice
    const auto& r = ile.run();
    EXPECT_NEAR(r.ChiL, 0.25, 1e-12);
    EXPECT_NEAR(r.ChiSc, 0.125, 1e-12);  // X / N = 2

    BiasRun asn;
    asn.set("AAC", 1);  // E = 0.5: both differences become 0
    EXPECT_DOUBLE_EQ(asn.run().ChiL, 0.0);
}

// Every synonymous codon seen twice: no bias, and F = 1/(2k - 1) per family, which gives
// 2 + 27 + 5 + 35 + 33 = 102 before the cap.
TEST(Enc, UniformUsageHasNoChiSquareAndIsCappedAt61) {
    BiasRun bias;
    for (int c = 0; c < 64; ++c)
        if (isSynonymousFamily(GeneticCode[c])) bias.counts.codonCount[c] = 2;
    const auto& r = bias.run();
    EXPECT_DOUBLE_EQ(r.ChiL, 0.0);
    EXPECT_DOUBLE_EQ(r.ChiSc, 0.0);
    EXPECT_EQ(r.Enc, 61.0);
}

TEST(Enc, SingleCodonPerAminoAcidGivesTwenty) {
    BiasRun bias;
    for (int a = 0; a < Stp; ++a)
        for (int c = 0; c < 64; ++c)
            if (GeneticCode[c] == a) {
                bias.counts.codonCount[c] = 5;
                break;
            }
    EXPECT_NEAR(bias.run().Enc, 20.0, 1e-12);
}

// Asn 2+2 (F = 1/3), Asp 1+1 (F = 0, skipped), Ala 4 (F = 1), Leu 3 (F = 1).
void fillWithoutIle(BiasRun& bias) {
    bias.set("AAC", 2);
    bias.set("AAT", 2);
    bias.set("GAC", 1);
    bias.set("GAT", 1);
    bias.set("GCA", 4);
    bias.set("CTA", 3);
}

TEST(Enc, IleFallbackUsesMeanOfTwoAndFourCodonClasses) {
    BiasRun bias;
    fillWithoutIle(bias);
    // F3 = (1/3 + 1) / 2 = 2/3: 2 + 27 + 1.5 + 5 + 3
    EXPECT_NEAR(bias.run().Enc, 38.5, 1e-12);

    BiasRun withIle;
    fillWithoutIle(withIle);
    withIle.set("ATA", 2);  // F3 = 1
    EXPECT_NEAR(withIle.run().Enc, 38.0, 1e-12);
}

TEST(Enc, MissingSixCodonClassGivesZero) {
    BiasRun bias;
    fillWithoutIle(bias);
    bias.set("ATA", 2);
    bias.set("CTA", 1);  // Leu seen once
    bias.set("AGA", 1);  // Arg seen twice, once with each of two codons: F = 0
    bias.set("CGT", 1);
    EXPECT_EQ(bias.run().Enc, 0.0);
}

TEST(Fop, CountsFlaggedCodonsOfSynonymousFamiliesOverAllOfThem) {
    BiasRun none;
    none.settings.preferredCodonListUsed = 1;
    none.set("AAC", 3);
    none.set("GCA", 5);
    EXPECT_DOUBLE_EQ(none.run().Fop, 0.0);

    BiasRun some;
    some.settings.preferredCodonListUsed = 1;
    some.set("AAC", 3);
    some.set("AAT", 1);
    some.set("ATG", 4);
    some.references.optimalCodonFlags[codon("AAC")] = 1;
    some.references.optimalCodonFlags[codon("AAT")] = 2;  // only 1 marks an optimal codon
    some.references.optimalCodonFlags[codon("ATG")] = 1;  // Met is ignored
    EXPECT_DOUBLE_EQ(some.run().Fop, 0.75);
}

TEST(Cai, AllWeightsOneGiveOne) {
    BiasRun bias;
    bias.settings.rscuTableUsed = 1;
    bias.references.caiWeights.fill(1.0);
    bias.set("AAC", 3);
    bias.set("CTG", 9);
    bias.set("TGG", 2);
    EXPECT_DOUBLE_EQ(bias.run().Cai, 1.0);
}

TEST(Cai, WeightsAreFlooredOnceAtTheFirstGene) {
    BiasRun bias;
    bias.settings.rscuTableUsed = 1;
    bias.settings.minimumRscu = 0.01;
    bias.references.caiWeights[codon("AAC")] = 1.0;
    bias.references.caiWeights[codon("AAT")] = 0.0;     // never seen in the reference
    bias.references.caiWeights[codon("GCA")] = NAN;     // family all 0 in the reference
    bias.references.caiWeights[codon("GCG")] = 0.01;    // equal to the minimum: unchanged
    bias.set("AAC", 1);
    bias.set("AAT", 1);
    EXPECT_NEAR(bias.run().Cai, 0.1, 1e-12);  // sqrt(1 * 0.01)
    EXPECT_FALSE(bias.pending);
    EXPECT_EQ(bias.references.caiWeights[codon("AAT")], 0.01);
    EXPECT_EQ(bias.references.caiWeights[codon("GCA")], 0.01);
    EXPECT_EQ(bias.references.caiWeights[codon("ATG")], 0.0);  // Met is never touched

    // A later gene is not floored again.
    bias.references.caiWeights[codon("AAC")] = 0.0001;
    bias.counts.codonCount[codon("AAT")] = 0;
    EXPECT_NEAR(bias.run().Cai, 0.0001, 1e-15);
}

TEST(Cai, NoFloorWithoutRscuTableAndZeroWeightGivesZero) {
    BiasRun off;
    off.settings.minimumRscu = 0.5;
    off.set("AAT", 1);
    off.run();
    EXPECT_TRUE(off.pending);
    EXPECT_EQ(off.references.caiWeights[codon("AAT")], 0.0);

    BiasRun zero;
    zero.settings.rscuTableUsed = 1;
    zero.settings.minimumRscu = 0.0;
    zero.references.caiWeights.fill(1.0);
    zero.references.caiWeights[codon("AAT")] = 0.0;
    zero.set("AAC", 5);
    zero.set("AAT", 1);
    EXPECT_EQ(zero.run().Cai, 0.0);
}

TEST(CodonBias, GeneWithoutSynonymousCodonsLeavesRatiosUndefined) {
    BiasRun bias;
    bias.settings.rscuTableUsed = 1;
    bias.settings.preferredCodonListUsed = 1;
    bias.set("ATG", 3);
    bias.set("TGG", 1);
    const auto& r = bias.run();
    EXPECT_TRUE(std::isnan(r.ChiL));
    EXPECT_TRUE(std::isnan(r.ChiSc));
    EXPECT_TRUE(std::isnan(r.Fop));
    EXPECT_TRUE(std::isnan(r.Cai));
    EXPECT_EQ(r.Enc, 0.0);
    EXPECT_EQ(synonymousCodonCount(bias.counts.codonCount), 0);
}

TEST(CodonBias, ProgressTextsFollowTheSettings) {
    BiasRun all;
    all.settings.rscuTableUsed = 1;
    all.settings.preferredCodonListUsed = 1;
    all.run();
    EXPECT_EQ(all.out.str(),
              "\n   Chi/L calculation started for gene1\n   ENC calculation started for gene1"
              "\n   Fop calculation started for gene1\n   CAI calculation started for gene1");

    BiasRun plain;
    plain.results.Fop = 0.5;
    plain.run();
    EXPECT_EQ(plain.out.str(),
              "\n   Chi/L calculation started for gene1\n   ENC calculation started for gene1");
    EXPECT_EQ(plain.results.Fop, 0.5);  // left alone when its setting is off
}

}  // namespace
}  // namespace kestrel
