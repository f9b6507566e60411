// The NCBI translation tables in their published form: for each table its number, its
// name and two rows of 64 letters, one per codon in NCBI's order TTT, TTC, TTA, TTG, TCT,
// ..., GGG (bases T, C, A, G, the third base changing fastest).
//   aminoAcids: the one-letter code of the amino acid, '*' for a stop codon;
//   starts:     'M' for an initiation codon, '*' for a codon that ends a gene, '-' else.
// A codon with a letter in aminoAcids and '*' in starts (tables 27, 28 and 31) is read as
// that amino acid inside a gene and may also end it.
#pragma once

#include <array>
#include <string_view>

namespace kestrel {

struct NcbiTable {
    int number;
    std::string_view name;
    std::string_view aminoAcids;
    std::string_view starts;
};

inline constexpr std::array<NcbiTable, 27> NcbiTables = {{
    // NCBI lists TTG, CTG and ATG as the initiation codons of table 1. A prokaryote's genes
    // have always been read with the seven of table 11 (ATG, GTG, CTG, TTG, ATA, ATC, ATT),
    // so that the standard code and table 11 differ only in their number.
    {1, "Standard",
     "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------**--*----M------------MMMM---------------M------------"},
    {2, "Vertebrate Mitochondrial",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNKKSS**VVVVAAAADDEEGGGG",
     "----------**--------------------MMMM----------**---M------------"},
    {3, "Yeast Mitochondrial",
     "FFLLSSSSYY**CCWWTTTTPPPPHHQQRRRRIIMMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**----------------------MM---------------M------------"},
    {4, "Mold, Protozoan, and Coelenterate Mitochondrial; Mycoplasma/Spiroplasma",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--MM------**-------M------------MMMM---------------M------------"},
    {5, "Invertebrate Mitochondrial",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNKKSSSSVVVVAAAADDEEGGGG",
     "---M------**--------------------MMMM---------------M------------"},
    {6, "Ciliate, Dasycladacean and Hexamita Nuclear",
     "FFLLSSSSYYQQCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {9, "Echinoderm and Flatworm Mitochondrial",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNNKSSSSVVVVAAAADDEEGGGG",
     "----------**-----------------------M---------------M------------"},
    {10, "Euplotid Nuclear",
     "FFLLSSSSYY**CCCWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**-----------------------M----------------------------"},
    {11, "Bacterial, Archaeal and Plant Plastid",
     "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------**--*----M------------MMMM---------------M------------"},
    {12, "Alternative Yeast Nuclear",
     "FFLLSSSSYY**CC*WLLLSPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**--*----M---------------M----------------------------"},
    {13, "Ascidian Mitochondrial",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNKKSSGGVVVVAAAADDEEGGGG",
     "---M------**----------------------MM---------------M------------"},
    {14, "Alternative Flatworm Mitochondrial",
     "FFLLSSSSYYY*CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNNKSSSSVVVVAAAADDEEGGGG",
     "-----------*-----------------------M----------------------------"},
    {15, "Blepharisma Nuclear",
     "FFLLSSSSYY*QCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------*---*--------------------M----------------------------"},
    {16, "Chlorophycean Mitochondrial",
     "FFLLSSSSYY*LCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------*---*--------------------M----------------------------"},
    {21, "Trematode Mitochondrial",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNNKSSSSVVVVAAAADDEEGGGG",
     "----------**-----------------------M---------------M------------"},
    {22, "Scenedesmus obliquus Mitochondrial",
     "FFLLSS*SYY*LCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "------*---*---*--------------------M----------------------------"},
    {23, "Thraustochytrium Mitochondrial",
     "FF*LSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--*-------**--*-----------------M--M---------------M------------"},
    {24, "Pterobranchia Mitochondrial",
     "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSSKVVVVAAAADDEEGGGG",
     "---M------**-------M---------------M---------------M------------"},
    {25, "Candidate Division SR1 and Gracilibacteria",
     "FFLLSSSSYY**CCGWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------**-----------------------M---------------M------------"},
    {26, "Pachysolen tannophilus Nuclear",
     "FFLLSSSSYY**CC*WLLLAPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**--*----M---------------M----------------------------"},
    {27, "Karyorelict Nuclear",
     "FFLLSSSSYYQQCCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {28, "Condylostoma Nuclear",
     "FFLLSSSSYYQQCCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**--*--------------------M----------------------------"},
    {29, "Mesodinium Nuclear",
     "FFLLSSSSYYYYCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {30, "Peritrich Nuclear",
     "FFLLSSSSYYEECC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {31, "Blastocrithidia Nuclear",
     "FFLLSSSSYYEECCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**-----------------------M----------------------------"},
    {32, "Balanophoraceae Plastid",
     "FFLLSSSSYY*WCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------*---*----M------------MMMM---------------M------------"},
    {33, "Cephalodiscidae Mitochondrial UAA-Tyr",
     "FFLLSSSSYYY*CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSSKVVVVAAAADDEEGGGG",
     "---M-------*-------M---------------M---------------M------------"},
}};

}  // namespace kestrel
