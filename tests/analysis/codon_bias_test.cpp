#include "analysis/codon_bias.hpp"

#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "analysis/genetic_code.hpp"
#include "setup/console.hpp"

namespace kestrel {
namespace {

int codon(const char* l) { return CodonIndex(baseIndex(l[0]), baseIndex(l[1]), baseIndex(l[2])); }

struct BiasRun {
    GeneCounts counts;
    RunSettings settings;
    ReferenceTables references;
    bool pending = true;
    CodonBiasResults results;
    std::istringstream in;
    std::ostringstream out;

    BiasRun& set(const char* letters, std::int32_t count) {
        counts.codonCount[codon(letters)] = count;
        return *this;
    }
    const CodonBiasResults& run() {
        Console console(in, out);
        computeCodonBias(counts, settings, references, pending, "gene1", console, results);
        return results;
    }
};

TEST(ChiSquare, ContinuityCorrectionShiftsEveryDifferenceByOneHalf) {
    BiasRun asn;  // E = 2: +1 and -1 shrink to +-0.5; Met and stop codons do not count
    asn.set("AAC", 3).set("AAT", 1).set("ATG", 7).set("TAA", 2);
    EXPECT_DOUBLE_EQ(asn.run().ChiL, 0.0625);
    EXPECT_DOUBLE_EQ(asn.results.ChiSc, 0.0625);

    BiasRun ile;  // E = 1/3: +2/3 -> +1/6 and -1/3 -> +1/6 (crosses zero)
    ile.set("ATC", 1);
    EXPECT_NEAR(ile.run().ChiL, 0.25, 1e-12);
    EXPECT_NEAR(ile.results.ChiSc, 0.125, 1e-12);  // X / N = 2

    BiasRun lone;  // E = 0.5: both differences become 0
    lone.set("AAC", 1);
    EXPECT_DOUBLE_EQ(lone.run().ChiL, 0.0);
}

// Every synonymous codon seen twice: F = 1/(2k - 1), so 2 + 27 + 5 + 35 + 33 = 102 -> 61.
TEST(Enc, UniformUsageHasNoBiasAndIsCappedAt61) {
    BiasRun bias;
    for (int c = 0; c < 64; ++c)
        if (isSynonymousFamily(GeneticCode[c])) bias.counts.codonCount[c] = 2;
    EXPECT_EQ(bias.run().Enc, 61.0);
    EXPECT_DOUBLE_EQ(bias.results.ChiL, 0.0);
    EXPECT_DOUBLE_EQ(bias.results.ChiSc, 0.0);
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

// Asn 2+2 (F = 1/3), Asp 1+1 (F = 0, not usable), Ala 4 (F = 1), Leu 3 (F = 1).
BiasRun withoutIle() {
    BiasRun bias;
    bias.set("AAC", 2).set("AAT", 2).set("GAC", 1).set("GAT", 1).set("GCA", 4).set("CTA", 3);
    return bias;
}

TEST(Enc, IleFallbackAndMissingSixCodonClass) {
    BiasRun fallback = withoutIle();  // F3 = (1/3 + 1) / 2: 2 + 27 + 1.5 + 5 + 3
    EXPECT_NEAR(fallback.run().Enc, 38.5, 1e-12);

    BiasRun ile = withoutIle();
    ile.set("ATA", 2);  // F3 = 1
    EXPECT_NEAR(ile.run().Enc, 38.0, 1e-12);

    BiasRun noSix = withoutIle();  // Leu seen once, Arg once with each of two codons
    noSix.set("ATA", 2).set("CTA", 1).set("AGA", 1).set("CGT", 1);
    EXPECT_EQ(noSix.run().Enc, 0.0);
}

TEST(Fop, FlaggedCodonsOverAllSynonymousCodons) {
    BiasRun none;
    none.settings.preferredCodonListUsed = 1;
    none.set("AAC", 3).set("GCA", 5);
    EXPECT_DOUBLE_EQ(none.run().Fop, 0.0);

    BiasRun some;
    some.settings.preferredCodonListUsed = 1;
    some.set("AAC", 3).set("AAT", 1).set("ATG", 4);
    some.references.optimalCodonFlags[codon("AAC")] = 1;
    some.references.optimalCodonFlags[codon("AAT")] = 2;  // only 1 marks an optimal codon
    some.references.optimalCodonFlags[codon("ATG")] = 1;  // Met is ignored
    EXPECT_DOUBLE_EQ(some.run().Fop, 0.75);
}

TEST(Cai, AllWeightsOneGiveOne) {
    BiasRun bias;
    bias.settings.rscuTableUsed = 1;
    bias.references.caiWeights.fill(1.0);
    bias.set("AAC", 3).set("CTG", 9).set("TGG", 2);
    EXPECT_DOUBLE_EQ(bias.run().Cai, 1.0);
}

TEST(Cai, WeightsAreFlooredOnceAtTheFirstGene) {
    BiasRun bias;
    bias.settings.rscuTableUsed = 1;
    bias.settings.minimumRscu = 0.01;
    auto& w = bias.references.caiWeights;
    w[codon("AAC")] = 1.0;
    w[codon("AAT")] = 0.0;  // never seen in the reference
    w[codon("GCA")] = NAN;  // amino acid absent from the reference
    bias.set("AAC", 1).set("AAT", 1);
    EXPECT_NEAR(bias.run().Cai, 0.1, 1e-12);  // sqrt(1 * 0.01)
    EXPECT_FALSE(bias.pending);
    EXPECT_EQ(w[codon("AAT")], 0.01);
    EXPECT_EQ(w[codon("GCA")], 0.01);
    EXPECT_EQ(w[codon("ATG")], 0.0);  // Met is never touched

    w[codon("AAC")] = 0.0001;  // a later gene is not floored again
    bias.set("AAT", 0);
    EXPECT_NEAR(bias.run().Cai, 0.0001, 1e-15);
}

TEST(Cai, NoFloorWithoutRscuTableAndZeroWeightGivesZero) {
    BiasRun off;
    off.settings.minimumRscu = 0.5;
    off.set("AAT", 1).run();
    EXPECT_TRUE(off.pending);
    EXPECT_EQ(off.references.caiWeights[codon("AAT")], 0.0);

    BiasRun zero;  // minimum RSCU 0 leaves a weight of 0 in place
    zero.settings.rscuTableUsed = 1;
    zero.references.caiWeights.fill(1.0);
    zero.references.caiWeights[codon("AAT")] = 0.0;
    zero.set("AAC", 5).set("AAT", 1);
    EXPECT_EQ(zero.run().Cai, 0.0);
}

TEST(CodonBias, GeneWithoutSynonymousCodonsLeavesRatiosUndefined) {
    BiasRun bias;
    bias.settings.rscuTableUsed = 1;
    bias.settings.preferredCodonListUsed = 1;
    bias.set("ATG", 3).set("TGG", 1).run();
    EXPECT_TRUE(std::isnan(bias.results.ChiL) && std::isnan(bias.results.ChiSc));
    EXPECT_TRUE(std::isnan(bias.results.Fop) && std::isnan(bias.results.Cai));
    EXPECT_EQ(bias.results.Enc, 0.0);
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
    EXPECT_EQ(plain.out.str(), "\n   Chi/L calculation started for gene1\n   ENC calculation started for gene1");
    EXPECT_EQ(plain.results.Fop, 0.5);  // left alone when its setting is off
}

}  // namespace
}  // namespace kestrel
