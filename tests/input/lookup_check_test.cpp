// The report cases of whole lookup tables run through the program in tests/e2e/check_*;
// these are the cases a hand-written table cannot easily reach.
#include "input/lookup_check.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

std::string report(std::vector<std::int32_t> cds, const std::string& file = "",
                   bool checkFile = false) {
    RunSettings settings;
    settings.checkSequenceFile = checkFile ? 1 : 0;
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
    // -399 bases: divisible by 3, 133 codons short, truncated toward zero; -400 is not.
    const std::string gene = "gene: geneX (starting at base 500 of contig 1)\n";
    const std::string array = "  problem: problem w/ CDS array\n";
    const std::string codons = "  problem: CDS is only -133 codons long\n";
    EXPECT_EQ(report({500, 100}), gene + array + codons);
    EXPECT_EQ(report({500, 99}), gene + array + "  problem: CDS not divisible by 3\n" + codons);
}

TEST(LookupCheck, AnEntryWithAnOverlongLineIsListed) {
    RunSettings settings;
    GeneRecord record;
    record.gene = "long";
    record.cds = {1, 300};
    record.nExons = 1;
    record.overlongLine = 1;
    std::ostringstream out;
    checkOut(record, settings, false, out);
    EXPECT_EQ(out.str(), "gene: long (starting at base 1 of contig 0)\n  problem: a line longer than 9999 characters\n");
}

TEST(LookupCheck, FilesThatAreNotRegularAreReportedWithoutWaitingOnThem) {
    const std::string fifo = scratchPath("check_fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: an ordinary open would wait for ever
    const std::string gene = "gene: geneX (starting at base 1 of contig 1)\n  problem: couldn't open ";
    for (const std::string& name : {fifo, std::string("/dev/null"), std::filesystem::temp_directory_path().string()})
        EXPECT_EQ(report({1, 300}, name, true), gene + name + " (not a regular file)\n");
    EXPECT_EQ(report({1, 300}, fifo + ".missing", true), gene + fifo + ".missing\n");
    EXPECT_NE(report({1, 300}, "", true), "");
    std::filesystem::remove(fifo);
}

}  // namespace
}  // namespace kestrel
