#include "output/run_summary.hpp"

#include <cstdio>
#include <string>

#include "analysis/genetic_code.hpp"
#include "analysis/codon_letters.hpp"
#include "formats/kstl_format.hpp"

namespace kestrel {

namespace {

void endLine(std::ostream& file) {
    file << '\n';
    file.flush();
}

// "  GCA      120  (0.600)": the codon, its count and its share of the denominator; a share
// of an empty denominator is "   nc".
void writeCodonLine(std::ostream& file, int codon, std::int64_t count, std::int64_t denominator) {
    char line[96];
    const auto letters = codonLetters(codon);
    if (denominator > 0)
        std::snprintf(line, sizeof line, "  %s %8lld  (%5.3f)", letters.data(), static_cast<long long>(count),
                      static_cast<double>(count) / static_cast<double>(denominator));
    else
        std::snprintf(line, sizeof line, "  %s %8lld  (   nc)", letters.data(), static_cast<long long>(count));
    file << line;
    endLine(file);
}

}  // namespace

void writeRunSummary(std::ostream& file, const CumulativeCounts& cumulative, const GeneticCode& code) {
    file << '\n';
    endLine(file);
    file << kstl::IncludedLine << cumulative.genesIncluded;
    endLine(file);
    file << kstl::ExcludedLine << cumulative.genesExcluded;
    endLine(file);

    for (int a = 0; a < Stp; ++a) {
        std::int64_t total = 0;
        for (const int c : code.families[a]) total += cumulative.cumCodonCount[c];
        file << AminoAcidNames[a].data();
        endLine(file);
        for (const int c : code.families[a]) writeCodonLine(file, c, cumulative.cumCodonCount[c], total);
    }

    file << kstl::StartTallyLine;
    endLine(file);
    for (const int c : code.talliedStarts) writeCodonLine(file, c, cumulative.startTally[c], cumulative.genesIncluded);
    file << kstl::StopTallyLine;
    endLine(file);
    for (const int c : code.talliedStops) writeCodonLine(file, c, cumulative.stopTally[c], cumulative.genesIncluded);

    file << '\n' << kstl::BadCodonsLine << cumulative.cumBadCodons;
    endLine(file);
}

}  // namespace kestrel
