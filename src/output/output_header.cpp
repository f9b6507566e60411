#include "output/output_header.hpp"

#include <cstdio>
#include <fstream>

#include "analysis/amino_acid_families.hpp"
#include "analysis/codon_letters.hpp"

namespace kestrel {

namespace {

// The four base labels and the GC label of one composition group, e.g. "A_up   ..." and
// "GC_up  ": every label is padded to the 7 characters of a fraction cell.
void appendCompositionLabels(std::string& line, const RunSettings& settings,
                             const char* aLabel, const std::string& suffix) {
    auto pad = [&line](const std::string& label, std::size_t width) {
        line += label;
        if (label.size() < width) line.append(width - label.size(), ' ');
    };
    if (settings.reportBaseUsage) {
        pad(aLabel, 7);
        pad("G" + suffix, 7);
        pad("C" + suffix, 7);
        pad("T" + suffix, 7);
    }
    pad("GC" + suffix, 7);
}

void appendNoncodingGroup(std::string& line, const RunSettings& settings, const char* counts,
                          const std::string& name) {
    line += counts;
    const std::string aLabel = name == "fl" ? "A fl" : "A_" + name;
    appendCompositionLabels(line, settings, aLabel.c_str(), "_" + name);
}

void appendCodonUsageLabels(std::string& line) {
    for (int a = 0; a < AminoAcidCount; ++a) {
        line += AminoAcidNames[a].data();
        line += '_';
        line += AminoAcidLetters[a];
        line += ' ';
    }
    line += ' ';
    for (const char* prefix : {"", "N_"}) {
        for (int a = 0; a < AminoAcidCount; ++a) {
            for (const int c : Families[a]) {
                line += prefix;
                line += codonLetters(c).data();
                line += '_';
                line += AminoAcidLetters[a];
                line += "  ";
            }
        }
    }
}

// Writes the lines of a reference file as they stand; a last line without its newline is
// not copied, and a file that can no longer be opened copies nothing.
void copyReferenceFile(std::ostream& file, const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::string line;
    while (std::getline(in, line) && !in.eof()) {
        file << line << '\n';
    }
}

}  // namespace

std::string columnHeaderLine(const RunSettings& settings) {
    std::string line;
    line.reserve(2048);
    line += "Gene                           ";
    line += "File                                     ";
    line += "Contig ";
    line += "First     Last      ";
    line += "Strand  ";
    line += "noStart noStop preStop ";
    line += "Alt DegenCdns MetTrp BadCdns ";
    line += "ENC   Chi_L ChiSc Fop   CAI   ";
    line += "Start Stop ";
    line += "Int ";
    line += "AltFirst  AltLast   ";
    line += "UpSBG    DownSBG  ";
    switch (settings.noncodingMode) {
    case NoncodingMode::Separate:
        appendNoncodingGroup(line, settings, "UpBases BadUp ", "up");
        appendNoncodingGroup(line, settings, "CoBases BadCo ", "co");
        appendNoncodingGroup(line, settings, "DnBases BadDn ", "dn");
        break;
    case NoncodingMode::FlanksAndIntrons:
        appendNoncodingGroup(line, settings, "CoBases BadCo ", "co");
        appendNoncodingGroup(line, settings, "FlBases BadFl ", "fl");
        break;
    case NoncodingMode::Combined:
        appendNoncodingGroup(line, settings, "NCBases BadNC ", "nc");
        break;
    }
    for (const char* position : {"1", "2", "3"})
        appendCompositionLabels(line, settings, (std::string("A") + position).c_str(), position);
    if (settings.degeneracyBreakdown) {
        for (const char* degeneracy : {"_2", "_4", "_6"})
            for (const char* position : {"1", "2", "3"}) {
                const std::string suffix = std::string(position) + degeneracy;
                appendCompositionLabels(line, settings, ("A" + suffix).c_str(), suffix);
            }
    }
    if (settings.codonUsageOutput) appendCodonUsageLabels(line);
    if (settings.segmentAnalysis) {
        line += "SegUse ";
        line += "Pref_Codon_usage ";
        line += "A1_usage  G1_usage  C1_usage  T1_usage  GC1_usage ";
        line += "A2_usage  G2_usage  C2_usage  T2_usage  GC2_usage ";
        line += "A3_usage  G3_usage  C3_usage  T3_usage  GC3_usage ";
    }
    line += '\n';
    return line;
}

void writeOutputHeader(std::ostream& file, const RunSettings& settings) {
    file << "KESTREL output file for: " << settings.lookupFileName << "\n\n";
    file << "Note: start codon not included in codon and amino acid counts\n\n";
    file << "USER OPTIONS:\n";
    file << "Type of Organism: " << genomeTypeText(settings.genomeType).header << '\n';

    if (settings.rscuTableUsed) {
        file << "RSCU file for CAI:          " << settings.rscuFileName << '\n';
        copyReferenceFile(file, settings.rscuFileName);
        char minimum[64];
        std::snprintf(minimum, sizeof minimum, "%.5g", settings.minimumRscu);
        file << "Minimum RSCU value:         " << minimum << '\n';
    } else {
        file << "RSCU file for CAI: none\n";
    }
    if (settings.preferredCodonListUsed) {
        file << "\nOptimal codon file for Fop: " << settings.preferredCodonFileName << '\n';
        copyReferenceFile(file, settings.preferredCodonFileName);
    } else {
        file << "Optimal codon file for Fop: none\n";
    }

    file << "\nInclusion of gene in cumulative data:\n";
    file << "   Start Codon:     " << codonRequiredText(settings.startCodonRequired) << '\n';
    file << "   Stop Codon:      " << codonRequiredText(settings.stopCodonRequired) << '\n';
    file << "   Overall:         " << allCodonsGoodText(settings.allCodonsMustBeGood) << '\n';
    file << "   Alternative CDS: " << (settings.noAlternativeCds ? "not allowed" : "allowed") << '\n';
    file << "   Premature Stop:  " << (settings.noPrematureStops ? "not allowed" : "allowed") << '\n';

    file << "\nAnalysis of Noncoding Sequence: " << noncodingModeText(settings.noncodingMode).header << '\n';

    if (settings.segmentAnalysis) {
        const bool fromStop = settings.segmentRelativeToStop;
        file << "SEGMENT ANALYSIS OPTIONS\n";
        file << "Type of Analysis: " << segmentTypeText(fromStop) << (fromStop ? "\n\n" : "\n");
        file << "  Limits of segment analysis: \n";
        file << "   " << settings.segmentBegin << segmentLimitText(fromStop, true) << '\n';
        file << "   " << settings.segmentEnd << segmentLimitText(fromStop, false) << '\n';
    } else {
        file << "\n\nSEGMENT ANALYSIS: none\n";
    }
    file << '\n' << columnHeaderLine(settings);
    file.flush();
}

}  // namespace kestrel
