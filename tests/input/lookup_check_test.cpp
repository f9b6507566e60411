#include "input/lookup_check.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrel {
namespace {

GeneRecord entry(std::vector<std::int32_t> cds) {
    GeneRecord record;
    record.gene = "geneX";
    record.contig = 1;
    record.nExons = static_cast<std::int32_t>(cds.size() / 2);
    record.cds = std::move(cds);
    return record;
}

RunSettings checkDefaults() {
    RunSettings settings;
    settings.lookupFileName = "genes.txt";
    settings.checkCdsEnds = 1;
    return settings;
}

std::string report(const GeneRecord& record, const RunSettings& settings = checkDefaults()) {
    std::ostringstream out;
    checkOut(record, settings, false, out);
    return out.str();
}

TEST(LookupCheck, HeaderOnlyOnTheFirstEntry) {
    std::ostringstream out;
    const RunSettings settings = checkDefaults();
    checkOut(entry({1, 90}), settings, true, out);
    checkOut(entry({1, 90}), settings, false, out);
    EXPECT_EQ(out.str(), "KESTREL check of lookup file: genes.txt\n\nProblem genes:\n\n");
}

TEST(LookupCheck, LengthProblems) {
    EXPECT_EQ(report(entry({1, 90})), "");  // short alone lists nothing
    EXPECT_EQ(report(entry({1, 91})),
              "gene: geneX (starting at base 1 of contig 1)\n"
              "  problem: CDS not divisible by 3\n"
              "  problem: CDS is only 30 codons long\n");
    EXPECT_EQ(report(entry({})), "");  // no coordinate pair: length 0
}

TEST(LookupCheck, CdsArrayOrder) {
    // 100 + 151 = 251 bases.
    EXPECT_EQ(report(entry({1, 100, 50, 200})),
              "gene: geneX (starting at base 1 of contig 1)\n"
              "  problem: problem w/ CDS array\n"
              "  problem: CDS not divisible by 3\n");
    EXPECT_EQ(report(entry({1, 99, 100, 210})), "");  // touching exons
    EXPECT_EQ(report(entry({1, 100, 100, 200})),
              "gene: geneX (starting at base 1 of contig 1)\n"
              "  problem: problem w/ CDS array\n");
    // A reversed exon has a negative length, -399 here: divisible, and short.
    EXPECT_EQ(report(entry({500, 100})),
              "gene: geneX (starting at base 500 of contig 1)\n"
              "  problem: problem w/ CDS array\n"
              "  problem: CDS is only -133 codons long\n");
    EXPECT_EQ(report(entry({500, 99})),
              "gene: geneX (starting at base 500 of contig 1)\n"
              "  problem: problem w/ CDS array\n"
              "  problem: CDS not divisible by 3\n"
              "  problem: CDS is only -133 codons long\n");
}

TEST(LookupCheck, SwitchableTestsAndTheirOrder) {
    GeneRecord incomplete = entry({3300, 3599});
    incomplete.contig = 2;
    incomplete.incomplete5 = 1;
    incomplete.incomplete3 = 1;
    incomplete.nAlt = 2;
    RunSettings settings = checkDefaults();
    settings.checkCdsEnds = 0;
    EXPECT_EQ(report(incomplete, settings), "");
    settings.checkCdsEnds = 1;
    settings.checkAlt = 1;
    EXPECT_EQ(report(incomplete, settings),
              "gene: geneX (starting at base 3300 of contig 2)\n"
              "  problem: incomplete 5' end of CDS\n"
              "  problem: incomplete 3' end of CDS\n"
              "  problem: #alt in lookup file exceeds 0\n");

    GeneRecord alt = entry({1, 300});
    alt.nAlt = 2;
    settings.checkCdsEnds = 0;
    EXPECT_EQ(report(alt, settings),
              "gene: geneX (starting at base 1 of contig 1)\n"
              "  problem: #alt in lookup file exceeds 0\n");
}

TEST(LookupCheck, SequenceFileTestedPerEntry) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kestrel-check-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string present = (dir / "present.gb").string();
    std::ofstream(present) << "ORIGIN\n";
    RunSettings settings = checkDefaults();
    GeneRecord missing = entry({1, 300});
    missing.file = (dir / "missing.gb").string();
    GeneRecord found = entry({1, 300});
    found.file = present;
    GeneRecord folder = entry({1, 300});
    folder.file = dir.string();

    EXPECT_EQ(report(missing, settings), "");  // option F off: not touched
    settings.checkSequenceFile = 1;
    EXPECT_EQ(report(missing, settings), "gene: geneX (starting at base 1 of contig 1)\n"
                                         "  problem: couldn't open " + missing.file + "\n");
    EXPECT_EQ(report(found, settings), "");
    EXPECT_NE(report(folder, settings), "");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kestrel
