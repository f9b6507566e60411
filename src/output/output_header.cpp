#include "output/output_header.hpp"

#include <cstdio>
#include <fstream>

#include "formats/kstl_format.hpp"
#include "formats/settings_text.hpp"

namespace kestrel {

namespace {

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

void writeOutputHeader(std::ostream& file, const RunSettings& settings) {
    file << kstl::AnalysisFirstLine << settings.lookupFileName << "\n\n";
    file << "Note: start codon not included in codon and amino acid counts\n\n";
    file << "USER OPTIONS:\n";
    file << kstl::OrganismLine << genomeTypeText(settings.genomeType).header << '\n';
    if (settings.geneticCode.number != StandardCode.number) file << kstl::geneticCodeLine(settings.geneticCode) << '\n';

    if (settings.rscuTableUsed) {
        file << kstl::RscuFileLine << "         " << settings.rscuFileName << '\n';
        copyReferenceFile(file, settings.rscuFileName);
        char minimum[64];
        std::snprintf(minimum, sizeof minimum, "%.5g", settings.minimumRscu);
        file << kstl::MinimumRscuLine << "        " << minimum << '\n';
    } else {
        file << kstl::RscuFileLine << kstl::NoReferenceFile << '\n';
    }
    if (settings.preferredCodonListUsed) {
        file << '\n' << kstl::OptimalCodonFileLine << settings.preferredCodonFileName << '\n';
        copyReferenceFile(file, settings.preferredCodonFileName);
    } else {
        file << kstl::OptimalCodonFileLine << kstl::NoReferenceFile << '\n';
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
    file << '\n' << kstl::columnHeaderLine(settings);
    file.flush();
}

}  // namespace kestrel
