// The report cases of whole lookup tables run through the program in tests/e2e/check_*;
// these are the cases a hand-written table cannot easily reach.
#include "input/lookup_check.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

namespace kestrel {
namespace {

std::string report(std::vector<std::int32_t> cds, const RunSettings& settings,
                   const std::string& file = "") {
    GeneRecord record;
    record.gene = "geneX";
    record.contig = 1;
    record.nExons = static_cast<std::int32_t>(cds.size() / 2);
    record.cds = std::move(cds);
    record.file = file;
    std::ostringstream out;
    checkOut(record, settings, false, out);
    return out.str();
}

TEST(LookupCheck, ReversedExonHasANegativeLength) {
    const RunSettings settings;
    // -399 bases: divisible by 3, 133 codons short, truncated toward zero.
    EXPECT_EQ(report({500, 100}, settings),
              "gene: geneX (starting at base 500 of contig 1)\n"
              "  problem: problem w/ CDS array\n"
              "  problem: CDS is only -133 codons long\n");
    EXPECT_EQ(report({500, 99}, settings),
              "gene: geneX (starting at base 500 of contig 1)\n"
              "  problem: problem w/ CDS array\n"
              "  problem: CDS not divisible by 3\n"
              "  problem: CDS is only -133 codons long\n");
}

TEST(LookupCheck, FolderOrUnnamedFileCannotBeOpened) {
    RunSettings settings;
    settings.checkSequenceFile = 1;
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_EQ(report({1, 300}, settings, folder),
              "gene: geneX (starting at base 1 of contig 1)\n"
              "  problem: couldn't open " + folder + "\n");
    EXPECT_NE(report({1, 300}, settings, ""), "");
}

}  // namespace
}  // namespace kestrel
