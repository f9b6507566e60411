// Hand-written output files for the tests of the output-file reader and the tools on it.
#pragma once

#include <string>

namespace kestrel::samples {

inline std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

inline std::string headerLines() {
    return "KESTREL output file for: genes.txt\n\n"
           "Note: start codon not included in codon and amino acid counts\n\n"
           "USER OPTIONS:\nType of Organism: Prokaryote (or phage)\n"
           "RSCU file for CAI: none\nOptimal codon file for Fop: none\n\n";
}

// Labels every column-header line starts with, Gene to DownSBG.
inline std::string identityLabels() {
    return padded("Gene", 31) + padded("File", 41) +
           "Contig First     Last      Strand  noStart noStop preStop Alt DegenCdns MetTrp BadCdns "
           "ENC   Chi_L ChiSc Fop   CAI   Start Stop Int AltFirst  AltLast   UpSBG    DownSBG  ";
}

// Noncoding groups upstream, core introns, downstream; no base fractions, no optional blocks.
inline const std::string OptionsOffLabels =
    "UpBases BadUp GC_up  CoBases BadCo GC_co  DnBases BadDn GC_dn  GC1    GC2    GC3    ";
// Noncoding sequence as one group.
inline const std::string CombinedLabels = "NCBases BadNC GC_nc  GC1    GC2    GC3    ";

// Identity cells of a gene from 11 to 28 with 4 degenerate codons, Chi_L 0.250, Fop and CAI nc.
inline std::string identityCells(const std::string& gene, const std::string& file, const std::string& enc,
                                 const std::string& strand = "Forward ") {
    return padded(gene, 31) + padded(file + " ", 41) + "     1 " "       11 " "       28 " + strand +
           " no     " " no    " " no     " " no " "        4 " "     0 " "      0 " + enc +
           "0.250 " "0.167 " "   nc " "   nc " "ATG   " "TAA  " "  0 " "       11 " "       28 " "       . "
           "      12 ";
}

// No UpSBG, 9 upstream bases with 1 bad, no introns, 12 downstream bases; GC1 0.1667.
inline std::string optionsOffRow(const std::string& gene, const std::string& file, const std::string& enc,
                                 const std::string& gc3) {
    return identityCells(gene, file, enc) + "      9 " "    1 " "0.4444 " "      0 " "    0 " " .     " "     12 "
           "    0 " "0.1667 " "0.2500 " "0.2500 " + gc3;
}

// 30 noncoding bases with 2 bad, GC_nc 0.5000, GC1 0.1000, GC2 0.2000, then the given cells.
inline std::string combinedRow(const std::string& gene, const std::string& enc, const std::string& strand,
                               const std::string& rest) {
    return identityCells(gene, "other.gb", enc, strand) + "     30 " "    2 " "0.5000 " "0.1000 " "0.2000 " + rest;
}

// A whole file: each row ends with a line feed; the summary gives the gene counts and
// ends with its bad-codon line.
inline std::string outputFile(const std::string& labels, const std::string& rows, int included, int excluded) {
    return headerLines() + identityLabels() + labels + "\n" + rows + "\n\nNumber of Genes in Cumulative Counts: " +
           std::to_string(included) + "\nNumber of Excluded Genes: " + std::to_string(excluded) +
           "\nAla\n  GCA        1  (1.000)\n\nBad codons: 0\n";
}

// Two genes: g1 without ENC, g2 with ENC 45.50; GC3 0.5000 and 0.7500.
inline std::string optionsOffFile() {
    return outputFile(OptionsOffLabels,
                      optionsOffRow("g1", "seq.gb", "   nc ", "0.5000 ") + "\n" +
                          optionsOffRow("g2", "seq.gb", "45.50 ", "0.7500 ") + "\n",
                      2, 0);
}

}  // namespace kestrel::samples
