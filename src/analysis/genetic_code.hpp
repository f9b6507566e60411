// Constant genetic-code tables and the index conventions shared by every analysis step.
//
// Base index: A=0, G=1, C=2, T=3 (the order of BaseLetters); 4 means "no base".
// CodonIndex = 16*b1 + 4*b2 + b3; every 64-entry codon table is indexed by it.
#pragma once

#include <array>
#include <cstdint>

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

// The standard genetic code in CodonIndex order (third base varies fastest).
inline constexpr std::array<int, 64> GeneticCode = {
    Lys, Lys, Asn, Asn,  // AA.
    Arg, Arg, Ser, Ser,  // AG.
    Thr, Thr, Thr, Thr,  // AC.
    Ile, Met, Ile, Ile,  // AT.
    Glu, Glu, Asp, Asp,  // GA.
    Gly, Gly, Gly, Gly,  // GG.
    Ala, Ala, Ala, Ala,  // GC.
    Val, Val, Val, Val,  // GT.
    Gln, Gln, His, His,  // CA.
    Arg, Arg, Arg, Arg,  // CG.
    Pro, Pro, Pro, Pro,  // CC.
    Leu, Leu, Leu, Leu,  // CT.
    Stp, Stp, Tyr, Tyr,  // TA.
    Stp, Trp, Cys, Cys,  // TG.
    Ser, Ser, Ser, Ser,  // TC.
    Leu, Leu, Phe, Phe,  // TT.
};

// Size of each codon's synonymous family under a code (the stop codons form one family).
constexpr std::array<int, 64> familySizesOf(const std::array<int, 64>& code) {
    std::array<int, 64> sizes{};
    for (int c = 0; c < 64; ++c)
        for (int other = 0; other < 64; ++other)
            if (code[other] == code[c]) ++sizes[c];
    return sizes;
}

// 4 where the codon's first two bases fix the amino acid (fourfold degenerate third
// position), 2 for the codons of two-codon amino acids, 0 for all others.
constexpr std::array<int, 64> thirdPositionClassesOf(const std::array<int, 64>& code) {
    const std::array<int, 64> sizes = familySizesOf(code);
    std::array<int, 64> classes{};
    for (int c = 0; c < 64; ++c) {
        const int block = c & ~3;
        bool fourfold = true;
        for (int b3 = 0; b3 < 4; ++b3)
            if (code[block + b3] != code[c]) fourfold = false;
        classes[c] = fourfold ? 4 : (sizes[c] == 2 ? 2 : 0);
    }
    return classes;
}

// The tables of the standard code, which the analysis reads.
inline constexpr std::array<int, 64> FamilySize = familySizesOf(GeneticCode);
inline constexpr std::array<int, 64> ThirdPositionClass = thirdPositionClassesOf(GeneticCode);

// The 18 amino acids with more than one codon: what the codon-bias indices work on.
constexpr bool isSynonymousFamily(int aminoAcid) {
    return aminoAcid != Met && aminoAcid != Trp && aminoAcid != Stp;
}

// Start codons tallied in the summary, in their fixed order, and the stop codons.
inline constexpr std::array<int, 7> TalliedStartCodons = {
    CodonIndex(0, 3, 1), CodonIndex(1, 3, 1), CodonIndex(2, 3, 1), CodonIndex(3, 3, 1),
    CodonIndex(0, 3, 0), CodonIndex(0, 3, 2), CodonIndex(0, 3, 3)};  // ATG GTG CTG TTG ATA ATC ATT
inline constexpr std::array<int, 3> TalliedStopCodons = {
    CodonIndex(3, 0, 0), CodonIndex(3, 0, 1), CodonIndex(3, 1, 0)};  // TAA TAG TGA

}  // namespace kestrel
