// The genetic codes and the index conventions shared by every analysis step.
//
// Base index: A=0, G=1, C=2, T=3 (the order of BaseLetters); 4 means "no base".
// CodonIndex = 16*b1 + 4*b2 + b3; every 64-entry codon table is indexed by it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "analysis/ncbi_tables.hpp"

namespace kestrel {

inline constexpr char BaseLetters[] = "AGCT";
inline constexpr int NoBase = 4;

// Upper- or lower-case letter -> base index, 4 for anything that is not A, G, C or T.
inline constexpr std::array<std::uint8_t, 256> BaseIndexOfLetter = [] {
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table) entry = NoBase;
    table['A'] = table['a'] = 0;
    table['G'] = table['g'] = 1;
    table['C'] = table['c'] = 2;
    table['T'] = table['t'] = 3;
    return table;
}();

constexpr int baseIndex(char letter) {
    return BaseIndexOfLetter[static_cast<unsigned char>(letter)];
}

constexpr int CodonIndex(int b1, int b2, int b3) { return 16 * b1 + 4 * b2 + b3; }

// The base indices of one codon in coding order (positions 1, 2, 3), 4 for a letter
// that is not A, G, C or T.
using CodonBases = std::array<int, 3>;

constexpr bool hasNoBase(const CodonBases& b) {
    return b[0] == NoBase || b[1] == NoBase || b[2] == NoBase;
}
constexpr int CodonIndex(const CodonBases& b) { return CodonIndex(b[0], b[1], b[2]); }

// AminoAcidIndex values.
enum AminoAcidIndex : int {
    Ala = 0, Arg, Asn, Asp, Cys, Glu, Gln, Gly, His, Ile,
    Leu, Lys, Met, Phe, Pro, Ser, Thr, Trp, Tyr, Val, Stp
};
inline constexpr int AminoAcidCount = 21;

inline constexpr std::array<std::array<char, 4>, AminoAcidCount> AminoAcidNames = {{
    {"Ala"}, {"Arg"}, {"Asn"}, {"Asp"}, {"Cys"}, {"Glu"}, {"Gln"}, {"Gly"}, {"His"}, {"Ile"},
    {"Leu"}, {"Lys"}, {"Met"}, {"Phe"}, {"Pro"}, {"Ser"}, {"Thr"}, {"Trp"}, {"Tyr"}, {"Val"},
    {"STP"},
}};

inline constexpr char AminoAcidLetters[] = "ARNDCEQGHILKMFPSTWYVx";

// The codons of one family in ascending CodonIndex, so that every sum and every listing
// over a family visits them in the same order. Eight is the largest family of any code.
struct AminoAcidFamily {
    std::array<int, 8> codons{};
    int size = 0;
    constexpr const int* begin() const { return codons.data(); }
    constexpr const int* end() const { return codons.data() + size; }
};

using AminoAcidFamilies = std::array<AminoAcidFamily, AminoAcidCount>;

// The largest family of any code, and so the largest ENC class.
inline constexpr int MaxFamilySize = 8;

// Codons in a fixed order and how many of them there are.
struct CodonList {
    std::array<int, 64> codons{};
    int size = 0;
    constexpr const int* begin() const { return codons.data(); }
    constexpr const int* end() const { return codons.data() + size; }
};

// One genetic code: what every analysis step reads of the codons, by CodonIndex.
struct GeneticCode {
    int number = 0;         // the NCBI translation table (/transl_table)
    std::string_view name;  // NCBI's name of the table
    // The amino acid a codon codes for inside a gene (AminoAcidIndex); Stp for a codon
    // that can only end a gene.
    std::array<int, 64> aminoAcid{};
    // The codons that end a gene when they are its last codon: the Stp codons, and the
    // codons that a few codes read either way (an amino acid inside the gene).
    std::array<bool, 64> stop{};
    std::array<bool, 64> start{};    // initiation codons: a prokaryote's valid starts
    std::array<int, 64> familySize{};  // codons of the codon's amino acid (the Stp codons form one family)
    // 4: the first two bases fix the amino acid (fourfold degenerate third position);
    // 2: a codon of a two-codon amino acid; 0: any other, and every Stp codon.
    std::array<int, 64> thirdPositionClass{};
    AminoAcidFamilies families{};
    // Amino acids (not Stp) by the size of their family, 1 to 8: the ENC classes.
    std::array<int, MaxFamilySize + 1> aminoAcidsOfSize{};
    int senseCodons = 0;      // codons read as an amino acid inside a gene
    CodonList talliedStarts;  // the summary's start rows
    CodonList talliedStops;   // the summary's stop rows

    // The amino acids with more than one codon: what the codon-bias indices work on.
    constexpr bool isSynonymous(int a) const { return a != Stp && families[a].size > 1; }
    constexpr bool isSingleCodon(int a) const { return a != Stp && families[a].size == 1; }
    // The degeneracy classes of the coding bases.
    constexpr bool inTwoCodonFamily(int c) const { return aminoAcid[c] != Stp && familySize[c] == 2; }
    constexpr bool inFourCodonFamily(int c) const { return aminoAcid[c] != Stp && familySize[c] == 4; }
    constexpr bool fourfoldThirdPosition(int c) const { return thirdPositionClass[c] == 4; }
};

namespace detail {

// CodonIndex of the i-th codon in NCBI's order (bases T, C, A, G; the third fastest).
constexpr int codonOfNcbiPlace(int i) {
    constexpr int baseOfNcbi[4] = {3, 2, 0, 1};  // T, C, A, G
    return CodonIndex(baseOfNcbi[i / 16], baseOfNcbi[(i / 4) % 4], baseOfNcbi[i % 4]);
}

constexpr int aminoAcidOfLetter(char letter) {
    for (int a = 0; a < Stp; ++a)
        if (AminoAcidLetters[a] == letter) return a;
    return Stp;  // '*'
}

constexpr void addFamilies(GeneticCode& code) {
    for (int c = 0; c < 64; ++c) {
        AminoAcidFamily& family = code.families[static_cast<std::size_t>(code.aminoAcid[c])];
        family.codons[static_cast<std::size_t>(family.size++)] = c;
    }
    for (int c = 0; c < 64; ++c) code.familySize[c] = code.families[code.aminoAcid[c]].size;
    for (int a = 0; a < Stp; ++a) ++code.aminoAcidsOfSize[code.families[a].size];
    for (int c = 0; c < 64; ++c) {
        const int block = c & ~3;
        bool fourfold = code.aminoAcid[c] != Stp;
        for (int b3 = 0; b3 < 4; ++b3)
            if (code.aminoAcid[block + b3] != code.aminoAcid[c]) fourfold = false;
        code.thirdPositionClass[c] = fourfold ? 4 : (code.inTwoCodonFamily(c) ? 2 : 0);
    }
}

// The start rows: the codons of the standard rows (ATG GTG CTG TTG ATA ATC ATT) that are
// valid starts of this code, in that order, then any other initiation or Met codon in
// codon order. The stop rows: the codons that end a gene, in codon order.
constexpr void addTallies(GeneticCode& code) {
    constexpr int standardRows[7] = {CodonIndex(0, 3, 1), CodonIndex(1, 3, 1), CodonIndex(2, 3, 1),
                                     CodonIndex(3, 3, 1), CodonIndex(0, 3, 0), CodonIndex(0, 3, 2),
                                     CodonIndex(0, 3, 3)};
    std::array<bool, 64> listed{};
    const auto validStart = [&code](int c) { return code.start[c] || code.aminoAcid[c] == Met; };
    for (const int c : standardRows)
        if (validStart(c)) {
            code.talliedStarts.codons[code.talliedStarts.size++] = c;
            listed[c] = true;
        }
    for (int c = 0; c < 64; ++c) {
        if (validStart(c) && !listed[c]) code.talliedStarts.codons[code.talliedStarts.size++] = c;
        if (code.stop[c]) code.talliedStops.codons[code.talliedStops.size++] = c;
    }
}

}  // namespace detail

constexpr GeneticCode buildGeneticCode(const NcbiTable& table) {
    GeneticCode code;
    code.number = table.number;
    code.name = table.name;
    for (int i = 0; i < 64; ++i) {
        const int c = detail::codonOfNcbiPlace(i);
        code.aminoAcid[c] = detail::aminoAcidOfLetter(table.aminoAcids[i]);
        code.stop[c] = code.aminoAcid[c] == Stp || table.starts[i] == '*';
        code.start[c] = table.starts[i] == 'M';
        if (code.aminoAcid[c] != Stp) ++code.senseCodons;
    }
    detail::addFamilies(code);
    detail::addTallies(code);
    return code;
}

// The standard code (NCBI table 1), which a run reads unless told otherwise.
inline constexpr GeneticCode StandardCode = buildGeneticCode(NcbiTables[0]);

// The code of an NCBI translation table: 1 to 6, 9 to 16, 21 to 33; no value for any other
// number.
std::optional<GeneticCode> geneticCodeOf(int number);

}  // namespace kestrel
