// Hand-written output files for the tests of the output-file reader and the tools on it.
#pragma once

#include <string>
#include <vector>

namespace kestrel::samples {

inline std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

inline std::string joined(const std::vector<std::string>& pieces) {
    std::string line;
    for (const auto& piece : pieces) line += piece;
    return line;
}

inline std::string headerLines() {
    return "KESTREL output file for: genes.txt\n\n"
           "Note: start codon not included in codon and amino acid counts\n\n"
           "USER OPTIONS:\nType of Organism: Prokaryote (or phage)\n"
           "RSCU file for CAI: none\nOptimal codon file for Fop: none\n\n";
}

// Pieces every column-header line starts with, Gene to DownSBG.
inline std::vector<std::string> identityLabels() {
    return {padded("Gene", 31), padded("File", 41), "Contig ", "First     Last      ", "Strand  ",
            "noStart noStop preStop ", "Alt DegenCdns MetTrp BadCdns ", "ENC   Chi_L ChiSc Fop   CAI   ",
            "Start Stop ", "Int ", "AltFirst  AltLast   ", "UpSBG    DownSBG  "};
}

// Noncoding groups upstream, core introns, downstream; no base fractions, no optional blocks.
inline std::string optionsOffColumnHeader() {
    auto pieces = identityLabels();
    for (const char* piece : {"UpBases BadUp ", "GC_up  ", "CoBases BadCo ", "GC_co  ", "DnBases BadDn ", "GC_dn  ",
                              "GC1    GC2    GC3    "})
        pieces.push_back(piece);
    return joined(pieces);
}

// Identity cells of a forward gene from 11 to 28 with 4 degenerate codons, ENC not computed.
inline std::vector<std::string> identityCells(const std::string& gene, const std::string& file) {
    return {padded(gene, 31), padded(file + " ", 41), "     1 ", "       11 ", "       28 ", "Forward ", " no     ",
            " no    ", " no     ", " no ", "        4 ", "     0 ", "      0 ", "   nc ", "0.250 ", "0.167 ", "   nc ",
            "   nc ", "ATG   ", "TAA  ", "  0 ", "       11 ", "       28 ", "       . ", "      12 "};
}

inline std::string optionsOffRow(const std::string& gene, const std::string& file, const std::string& enc,
                                 const std::string& gc3) {
    auto cells = identityCells(gene, file);
    cells[13] = enc;
    for (const char* cell : {"      9 ", "    1 ", "0.4444 ", "      0 ", "    0 ", " .     ", "     12 ", "    0 ",
                             "0.1667 ", "0.2500 ", "0.2500 "})
        cells.push_back(cell);
    cells.push_back(gc3);
    return joined(cells);
}

inline std::string summaryLines(int included, int excluded) {
    return "\n\nNumber of Genes in Cumulative Counts: " + std::to_string(included) +
           "\nNumber of Excluded Genes: " + std::to_string(excluded) + "\nAla\n  GCA        1  (1.000)\n";
}

// Two genes: g1 without ENC, g2 with ENC 45.50; GC3 0.5000 and 0.7500.
inline std::string optionsOffFile() {
    return headerLines() + optionsOffColumnHeader() + "\n" + optionsOffRow("g1", "seq.gb", "   nc ", "0.5000 ") +
           "\n" + optionsOffRow("g2", "seq.gb", "45.50 ", "0.7500 ") + "\n" + summaryLines(2, 0);
}

}  // namespace kestrel::samples
