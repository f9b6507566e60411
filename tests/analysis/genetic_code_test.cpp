#include "analysis/genetic_code.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"

namespace kestrel {
namespace {

std::string lettersOf(const CodonList& list) {
    std::string out;
    for (const int c : list) out += std::string(out.empty() ? "" : " ") + codonLetters(c).data();
    return out;
}

template <typename Holds>
std::string codonsWhere(Holds holds) {
    CodonList list;
    for (int c = 0; c < 64; ++c)
        if (holds(c)) list.codons[list.size++] = c;
    return lettersOf(list);
}

// From NCBI's published tables, read by hand: the codons that differ from the standard code, the stops,
// the initiation codons, the family sizes that change and the number of amino acids of each size (1 to 8).
TEST(GeneticCode, TablesAgreeWithNcbi) {
    const struct {
        int number;
        std::vector<std::pair<const char*, int>> reassigned;
        const char *stops, *starts;
        std::vector<std::pair<int, int>> familySizes;
        std::array<int, 9> ofSize;
        int senseCodons;
    } cases[] = {
        {2, {{"AGA", Stp}, {"AGG", Stp}, {"ATA", Met}, {"TGA", Trp}}, "AGA AGG TAA TAG", "ATA ATG ATC ATT GTG",
         {{Met, 2}, {Trp, 2}, {Ile, 2}, {Arg, 4}, {Stp, 4}, {Ser, 6}, {Leu, 6}}, {0, 0, 12, 0, 6, 0, 2, 0, 0}, 60},
        {4, {{"TGA", Trp}}, "TAA TAG", "ATA ATG ATC ATT GTG CTG TTA TTG", {{Trp, 2}, {Ile, 3}, {Met, 1}, {Stp, 2}},
         {0, 1, 10, 1, 5, 0, 3, 0, 0}, 62},
        {5, {{"AGA", Ser}, {"AGG", Ser}, {"ATA", Met}, {"TGA", Trp}}, "TAA TAG", "ATA ATG ATC ATT GTG TTG",
         {{Ser, 8}, {Arg, 4}, {Met, 2}, {Ile, 2}}, {0, 0, 12, 0, 6, 0, 1, 0, 1}, 62},
        {6, {{"TAA", Gln}, {"TAG", Gln}}, "TGA", "ATG", {{Gln, 4}, {Stp, 1}}, {0, 2, 8, 1, 6, 0, 3, 0, 0}, 63},
        {12, {{"CTG", Ser}}, "TAA TAG TGA", "ATG CTG", {{Ser, 7}, {Leu, 5}}, {0, 2, 9, 1, 5, 1, 1, 1, 0}, 61},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        const GeneticCode code = geneticCodeOf(c.number).value();
        for (int x = 0; x < 64; ++x) {
            int expected = StandardCode.aminoAcid[x];
            for (const auto& [letters, aminoAcid] : c.reassigned)
                if (codon(letters) == x) expected = aminoAcid;
            EXPECT_EQ(code.aminoAcid[x], expected) << codonLetters(x).data();
        }
        EXPECT_EQ(codonsWhere([&](int x) { return code.stop[x]; }), c.stops);
        EXPECT_EQ(codonsWhere([&](int x) { return code.start[x]; }), c.starts);
        for (const auto& [aminoAcid, size] : c.familySizes) {
            EXPECT_EQ(code.families[aminoAcid].size, size) << AminoAcidNames[aminoAcid].data();
            for (const int x : code.families[aminoAcid]) EXPECT_EQ(code.familySize[x], size);
        }
        EXPECT_EQ(code.aminoAcidsOfSize, c.ofSize);
        EXPECT_EQ(code.senseCodons, c.senseCodons);
    }
}

TEST(GeneticCode, StandardCodeKeepsItsStartsTalliesAndClasses) {
    const GeneticCode& code = StandardCode;
    // A prokaryote's starts: T second and G third, or A first and T second.
    EXPECT_EQ(codonsWhere([&](int x) { return code.start[x]; }),
              codonsWhere([](int x) { return (x / 4) % 4 == 3 && (x % 4 == 1 || x / 16 == 0); }));
    EXPECT_EQ(lettersOf(code.talliedStarts), "ATG GTG CTG TTG ATA ATC ATT");
    EXPECT_EQ(lettersOf(code.talliedStops), "TAA TAG TGA");
    EXPECT_EQ((std::array{code.familySize[codon("TAA")], code.familySize[codon("ATA")], code.familySize[codon("TTG")]}),
              (std::array{3, 3, 6}));
    // Fourfold: the four-codon blocks, those of Arg, Leu and Ser included; 2: two-codon families.
    EXPECT_EQ(codonsWhere([&](int x) { return code.thirdPositionClass[x] == 4; }),
              "ACA ACG ACC ACT GGA GGG GGC GGT GCA GCG GCC GCT GTA GTG GTC GTT CGA CGG CGC CGT CCA CCG CCC CCT "
              "CTA CTG CTC CTT TCA TCG TCC TCT");
    EXPECT_EQ(codonsWhere([&](int x) { return code.thirdPositionClass[x] == 2; }),
              "AAA AAG AAC AAT GAA GAG GAC GAT CAA CAG CAC CAT TAC TAT TGC TGT TTC TTT");
}

TEST(GeneticCode, OtherCodesTheirTalliesAndCodonsReadEitherWay) {
    // Table 21 reads ATA as Met but lists no such initiation codon: a eukaryote's valid start all the same.
    EXPECT_EQ(lettersOf(geneticCodeOf(21)->talliedStarts), "ATG GTG ATA");
    EXPECT_EQ(lettersOf(geneticCodeOf(2)->talliedStarts), "ATG GTG ATA ATC ATT");
    EXPECT_EQ(lettersOf(geneticCodeOf(2)->talliedStops), "AGA AGG TAA TAG");
    // Table 3: the stops TAA and TAG, a family of two, are in no class; Thr's eight codons are two fourfold blocks.
    const GeneticCode yeast = geneticCodeOf(3).value();
    EXPECT_EQ((std::array{yeast.thirdPositionClass[codon("TAA")], yeast.thirdPositionClass[codon("CTG")],
                          yeast.familySize[codon("CTG")]}),
              (std::array{0, 4, 8}));
    EXPECT_FALSE(yeast.inTwoCodonFamily(codon("TAA")));
    // Tables 27, 28 and 31: a codon read as an amino acid that may also end a gene.
    for (const auto& [number, letters, aminoAcid] :
         {std::tuple{27, "TGA", Trp}, std::tuple{28, "TAA", Gln}, std::tuple{31, "TAG", Glu}}) {
        const GeneticCode code = geneticCodeOf(number).value();
        EXPECT_EQ(code.aminoAcid[codon(letters)], aminoAcid) << number;
        EXPECT_TRUE(code.stop[codon(letters)]) << number;
    }
    EXPECT_EQ(geneticCodeOf(28)->families[Stp].size, 0);
    for (const int number : {0, 7, 8, 17, 20, 34, -1}) EXPECT_FALSE(geneticCodeOf(number)) << number;
    EXPECT_EQ(geneticCodeOf(11)->aminoAcid, StandardCode.aminoAcid);
    EXPECT_EQ(geneticCodeOf(11)->start, StandardCode.start);
}

}  // namespace
}  // namespace kestrel
