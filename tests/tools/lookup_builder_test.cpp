#include <gtest/gtest.h>

#include <sstream>

#include "formats/lookup_format.hpp"
#include "kestrel-lookup/lookup_builder.hpp"

namespace kestrel::lookup {
namespace {

// A record with the given feature-table lines (each already laid out in GenBank columns).
std::string record(const std::string& features, bool withSequence = true) {
    std::string text = "LOCUS       TEST                    5000 bp    DNA     linear\n"
                       "FEATURES             Location/Qualifiers\n" +
                       features;
    if (withSequence) text += "ORIGIN\n        1 acgtacgtac\n";
    return text + "//\n";
}

// qualifiers: further qualifier lines, each without its indentation, e.g. "/pseudo\n".
std::string feature(const std::string& key, const std::string& location, const std::string& gene,
                    const std::string& qualifiers = "") {
    std::string line = "     " + key + std::string(16 - key.size(), ' ') + location + "\n";
    if (!gene.empty()) line += "                     /gene=\"" + gene + "\"\n";
    for (std::size_t at = 0; at < qualifiers.size();) {
        const std::size_t end = qualifiers.find('\n', at);
        line += std::string(21, ' ') + qualifiers.substr(at, end - at + 1);
        at = end + 1;
    }
    return line;
}

struct Built {
    std::vector<CdsEntry> entries;
    SkipTally skipped;
    std::int32_t records = 0;
};

Built build(const std::string& text, BuildOptions options = {}) {
    Built b;
    std::istringstream in(text);
    b.records = buildFileEntries(in, "seq.gb", b.entries, b.skipped, options);
    return b;
}

std::string names(const Built& b) {
    std::string out;
    for (const CdsEntry& e : b.entries) out += e.gene + " ";
    return out;
}

std::string table(const Built& b) {
    std::string out;
    for (const CdsEntry& e : b.entries) out += formatEntry(e);
    return out;
}

TEST(LookupBuilder, JoinsLocationAndValueLinesAndWritesElevenLines) {
    const Built b = build(record(
        "     CDS             complement(join(1200..1450,\r\n"
        "                     1601..2300))\r\n"
        "                     /note=\"a note that runs on\r\n"
        "                     /over two lines\"\r\n"
        "                     /gene=\"geneB\"\r\n"));
    ASSERT_EQ(b.entries.size(), 1u);
    EXPECT_EQ(formatEntry(b.entries[0]),
              "#CDS complement(join(1200..1450,1601..2300))\n#gene geneB\n#nListings 1\n#nAlt 0\n"
              "#file seq.gb\n#contig 1\n#beforeSpace 10000000\n#afterSpace 10000000\n"
              "#altCDSFirst 1200\n#altCDSlast 2300\n//\n");
}

TEST(LookupBuilder, LocationFormsAndSkipReasons) {
    // 501 exons: more than a lookup entry holds.
    std::string manyExons = "join(10000..10001";
    for (int i = 1; i <= 500; ++i) manyExons += "," + std::to_string(10000 + 3 * i) + ".." + std::to_string(10001 + 3 * i);
    std::string features = feature("CDS", manyExons + ")", "x");
    for (const char* skipped : {"join(100..200,OTHER.1:300..400)", "order(100..200,300..400)",
                                "join(100..200,complement(300..400))", "join(4000..4990,1..100)",
                                "complement(join(300..400,100..200))", "100^101"})
        features += feature("CDS", skipped, "x");
    const Built b = build(record(features + feature("CDS", "join(complement(1400..1500),complement(1100..1200))", "a") +
                                 feature("CDS", "<1000..1300", "b") + feature("CDS", "complement(1400..>1700)", "c") +
                                 feature("CDS", "join(2000..2100,2100..2200)", "d")));
    EXPECT_EQ(summaryLine(b.entries.size(), b.skipped),
              "kestrel-lookup: 4 entries written, 7 CDS features skipped (1 on another record, 1 order(), 1 on both "
              "strands, 2 parts not in ascending order, 1 unreadable location, 1 too many exons, 0 record without "
              "sequence, 0 pseudogene, 0 codon_start not 1, 0 genetic code other than 1 and 11), 0 gene names "
              "renamed");
    ASSERT_EQ(b.entries.size(), 4u);
    // Entries by lowest coordinate. A join of complements lists its exons in coding order; the
    // table wants them ascending. A frameshift may share a base between two exons.
    const char* locations[] = {"<1000..1300", "complement(join(1100..1200,1400..1500))", "complement(1400..>1700)",
                               "join(2000..2100,2100..2200)"};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(b.entries[i].location, locations[i]);
    EXPECT_EQ(b.entries[1].altCDSFirst, 1100);
    EXPECT_EQ(b.entries[1].altCDSlast, 1500);
    // Skipped CDSs on this record still occupy it (up to 400); the origin-crossing one does not
    // cover the whole record: it lies at 1..100 and 4000..4990.
    EXPECT_EQ(b.entries[0].beforeSpace, 1000 - 400 - 1);
    EXPECT_EQ(b.entries[3].afterSpace, 4000 - 2200 - 1);
}

TEST(LookupBuilder, AlternativeCdssOfOneGene) {
    const Built b = build(record(feature("gene", "1000..2600", "alt") + feature("CDS", "join(1000..1200,1500..2000)", "alt") +
                                 feature("CDS", "join(1100..1200,1500..2600)", "alt") + feature("gene", "3000..3300", "next")));
    ASSERT_EQ(b.entries.size(), 2u);
    for (const CdsEntry& e : b.entries) {
        EXPECT_EQ(e.nListings, 2);
        EXPECT_EQ(e.nAlt, 1);
        EXPECT_EQ(e.altCDSFirst, 1000);
        EXPECT_EQ(e.altCDSlast, 2600);
        EXPECT_EQ(e.beforeSpace, UnlimitedSpace);  // own gene and own alternative do not count
    }
    EXPECT_EQ(b.entries[0].afterSpace, 3000 - 2000 - 1);
    EXPECT_EQ(b.entries[1].afterSpace, 3000 - 2600 - 1);
}

TEST(LookupBuilder, NeighboursOnEachSide) {
    // left ends at 480 and overlaps mid; long starts lower but reaches furthest; tRNA and rRNA count.
    const Built b = build(record(feature("gene", "100..480", "left") + feature("CDS", "100..480", "left") +
                                 feature("gene", "50..450", "long") + feature("CDS", "460..900", "mid") +
                                 feature("tRNA", "950..1020", "tr") + feature("rRNA", "complement(960..1500)", "rr") +
                                 feature("misc_feature", "901..940", "ignored")));
    ASSERT_EQ(b.entries.size(), 2u);
    EXPECT_EQ(b.entries[0].gene, "left");
    EXPECT_EQ(b.entries[0].beforeSpace, 100 - 450 - 1);  // long starts below 100 and ends at 450
    EXPECT_EQ(b.entries[0].afterSpace, 460 - 480 - 1);   // mid starts inside left: negative
    EXPECT_EQ(b.entries[1].beforeSpace, 460 - 480 - 1);
    EXPECT_EQ(b.entries[1].afterSpace, 950 - 900 - 1);   // lowest start among features ending above 900
}

TEST(LookupBuilder, NamesAndRecords) {
    const std::string first = record(
        "     CDS             1..300\n                     /locus_tag=\"b0001\"\n"
        "     CDS             400..600\n                     /protein_id=\"NP_1.1\"\n"
        "     CDS             700..900\n");
    const std::string noFeatures = "LOCUS       EMPTY\nORIGIN\n        1 acgt\n//\n";
    const std::string noSequence = record(feature("CDS", "1..300", "lost"), false);
    const std::string third = record(feature("CDS", "1..99", "") + feature("CDS", "200..299", "") +
                                     "     source          1..5000\n                     /note=\"ORIGIN of strain\"\n");
    const Built b = build(first + noFeatures + noSequence + third);
    EXPECT_EQ(b.records, 4);
    EXPECT_EQ(names(b), "b0001 NP_1.1 cds_1_3 cds_4_1 cds_4_2 ");
    ASSERT_EQ(b.entries.size(), 5u);
    EXPECT_EQ(b.entries[0].contig, 1);
    // Every line holding ORIGIN counts, as the analysis counts them: the note is line 3, the section line 4.
    EXPECT_EQ(b.entries[3].contig, 4);
    EXPECT_EQ(b.entries[3].afterSpace, 200 - 99 - 1);  // unnamed CDSs are neighbours of each other
    EXPECT_EQ(b.skipped[SkipReason::NoSequence], 1);
    EXPECT_EQ(build(">fasta\nACGT\n").records, 0);
    EXPECT_EQ(build("").records, 0);
}

// CDSs the analysis would read wrongly: pseudogenes, a frame that does not start at the first base
// of a complete CDS, and genetic codes other than the standard and bacterial ones.
TEST(LookupBuilder, CdssTheAnalysisWouldGetWrong) {
    const struct {
        const char* gene;
        const char* location;
        const char* qualifiers;
    } cds[] = {
        {"plain", "100..399", ""},
        {"pseudo", "500..799", "/pseudo\n"},
        {"pseudogene", "900..1199", "/pseudogene=\"unprocessed\"\n"},
        {"frame2", "1300..1599", "/codon_start=2\n"},
        {"frame3", "1700..1999", "/codon_start=\"3\"\n"},
        {"frame3part", "<2100..2399", "/codon_start=3\n"},  // partial: the analysis passes over it
        {"frame1", "2500..2799", "/codon_start=1\n/transl_table=11\n"},
        {"mycoplasma", "2900..3199", "/transl_table=4\n"},
        {"mito", "3300..3599", "/transl_table=2\n"},
        {"mycoplasma2", "3700..3999", "/transl_table=4\n"},
        {"standard", "4100..4399", "/transl_table=1\n"},
        {"pseudoframe2", "4500..4799", "/pseudo\n/codon_start=2\n"},
    };
    std::string features;
    for (const auto& c : cds) features += feature("CDS", c.location, c.gene, c.qualifiers);
    const Built b = build(record(features));
    EXPECT_EQ(names(b), "plain frame3part frame1 standard ");
    EXPECT_EQ(summaryLine(b.entries.size(), b.skipped),
              "kestrel-lookup: 4 entries written, 8 CDS features skipped (0 on another record, 0 order(), 0 on both "
              "strands, 0 parts not in ascending order, 0 unreadable location, 0 too many exons, 0 record without "
              "sequence, 3 pseudogene, 2 codon_start not 1, 3 genetic code other than 1 and 11 [table 2: 1, table "
              "4: 2]), 0 gene names renamed");
    EXPECT_EQ(b.entries[1].geneticCode, 1);
    EXPECT_EQ(b.entries[2].geneticCode, 11);
    // Kept pseudogenes are still skipped for their frame.
    const Built kept = build(record(features), BuildOptions{true});
    EXPECT_EQ(names(kept), "plain pseudo pseudogene frame3part frame1 standard ");
    EXPECT_EQ(kept.skipped[SkipReason::Pseudo], 0);
    EXPECT_EQ(kept.skipped[SkipReason::CodonStart], 3);
}

TEST(LookupBuilder, LineEndsAndByteOrderMark) {
    const std::string lf = record(feature("CDS", "join(100..200,\n" + std::string(21, ' ') + "300..499)", "a",
                                          "/codon_start=1\n") +
                                  feature("CDS", "complement(600..899)", "b")) +
                           record(feature("CDS", "10..309", "c"));
    const Built plain = build(lf);
    ASSERT_EQ(names(plain), "a b c ");
    EXPECT_EQ(plain.entries[2].contig, 2);
    const std::string expected = table(plain);
    auto replaced = [&](const std::string& lineEnd) {
        std::string out;
        for (const char c : lf) out += c == '\n' ? lineEnd : std::string(1, c);
        return out;
    };
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& text : {replaced("\r\n"), replaced("\r"), bom + lf, bom + replaced("\r")}) {
        const Built b = build(text);
        EXPECT_EQ(b.records, 2);
        EXPECT_EQ(table(b), expected);
    }
}

TEST(LookupBuilder, NamesTheAnalysisWouldMisread) {
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
    const std::pair<std::string, std::string> cases[] = {
        {"dnaA", "dnaA"},
        {"a#CDS b", "a_CDS_b"},
        {"tab\there", "tab_here"},
        {thirty, thirty},
        {thirty + "4", thirty},
        {thirty.substr(0, 29) + "\xC3\xA9", thirty.substr(0, 29)},  // not cut inside the two bytes of an e acute
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
    };
    for (const auto& [name, readable] : cases) EXPECT_EQ(readableGeneName(name), readable) << name;

    // A value wrapped onto a second line is joined with a blank.
    const Built b = build(record(feature("CDS", "100..399", "two words") + feature("CDS", "500..799", "kept") +
                                 feature("CDS", "900..1199", "", "/gene=\"wrapped\nname\"\n")));
    EXPECT_EQ(names(b), "two_words kept wrapped_name ");
    EXPECT_EQ(b.skipped.renamed, 2);
    EXPECT_EQ(b.skipped.total(), 0);

    for (const char* file : {"seq.gb", "my genome.gb", "1234567890123456789012345678901234567890"})
        EXPECT_FALSE(fileNameProblem(file).has_value()) << file;
    for (const char* file : {"a#CDS.gb", "a\tb.gb", "12345678901234567890123456789012345678901"})
        EXPECT_TRUE(fileNameProblem(file).has_value()) << file;
}

}  // namespace
}  // namespace kestrel::lookup
