// The report cases of whole lookup tables run through the program in tests/e2e/check_*;
// these are the cases a hand-written table cannot easily reach.
#include "input/lookup_check.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "test_support.hpp"

namespace kestrel {
namespace {

std::string report(std::vector<std::int32_t> cds, const std::string& file = "", bool overlong = false) {
    RunSettings settings;
    settings.checkSequenceFile = !file.empty();
    GeneRecord record;
    record.gene = "geneX";
    record.contig = 1;
    record.nExons = static_cast<std::int32_t>(cds.size() / 2);
    record.cds = std::move(cds);
    record.file = file;
    record.overlongLine = overlong;
    std::ostringstream out;
    checkOut(record, settings, false, out);
    return out.str();
}

class LookupCheck : public InScratchFolder {};

TEST_F(LookupCheck, CasesNoWholeTableReaches) {
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);  // no writer: an ordinary open would wait for ever
    const std::string gene1 = "gene: geneX (starting at base 1 of contig 1)\n  problem: ";
    const std::string gene500 = "gene: geneX (starting at base 500 of contig 1)\n  problem: problem w/ CDS array\n";
    const std::pair<std::string, std::string> cases[] = {
        // A reversed exon has a negative length: -399 bases are divisible by 3, 133 codons short,
        // truncated toward zero; -400 bases are not.
        {report({500, 100}), gene500 + "  problem: CDS is only -133 codons long\n"},
        {report({500, 99}), gene500 + "  problem: CDS not divisible by 3\n  problem: CDS is only -133 codons long\n"},
        {report({1, 300}, "", true), gene1 + "a line longer than 9999 characters\n"},
        {report({1, 300}, "fifo"), gene1 + "couldn't open fifo (not a regular file)\n"},
        {report({1, 300}, "/dev/null"), gene1 + "couldn't open /dev/null (not a regular file)\n"},
        {report({1, 300}, "."), gene1 + "couldn't open . (not a regular file)\n"},
        {report({1, 300}, "missing"), gene1 + "couldn't open missing\n"},
    };
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace kestrel
