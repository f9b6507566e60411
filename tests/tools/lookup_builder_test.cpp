#include "tools/lookup_builder.hpp"
#include "tools/trna_features.hpp"

#include "formats/gff3.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace kestrel::lookup {
namespace {

// A record with the given feature-table lines (each already laid out in GenBank columns) and 5000 bases.
std::string record(const std::string& features, bool withSequence = true) {
    return "LOCUS       TEST                    5000 bp    DNA     linear\nFEATURES             Location/Qualifiers\n" +
           features + (withSequence ? "ORIGIN\n        1 " + std::string(4990, 'a') + "\n     4991 acgt-acgt.\n" : "") +
           "//\n";
}

// qualifiers: further qualifier lines, each without its indentation, e.g. "/pseudo\n".
std::string feature(const std::string& key, const std::string& location, const std::string& gene,
                    const std::string& qualifiers = "") {
    std::string line = "     " + key + std::string(16 - key.size(), ' ') + location + "\n";
    if (!gene.empty()) line += "                     /gene=\"" + gene + "\"\n";
    for (std::size_t at = 0, end; at < qualifiers.size(); at = end + 1)
        line += std::string(21, ' ') + qualifiers.substr(at, (end = qualifiers.find('\n', at)) - at + 1);
    return line;
}

struct Built {
    std::vector<CdsEntry> entries;
    SkipTally skipped;
    std::int32_t records = 0;
    template <typename Part>
    std::string joined(Part part) const {
        std::string out;
        for (const CdsEntry& e : entries) out += part(e);
        return out;
    }
    std::string names() const { return joined([](const CdsEntry& e) { return e.gene + " "; }); }
    std::string table() const { return joined([](const CdsEntry& e) { return formatEntry(e); }); }
    // Where each entry lies and its room: "location before after altFirst altLast listings contig".
    std::string where(std::size_t i) const {
        const CdsEntry& e = entries.at(i);
        std::ostringstream out;
        out << e.location << ' ' << e.beforeSpace << ' ' << e.afterSpace << ' ' << e.altCDSFirst << ' ' << e.altCDSlast
            << ' ' << e.nListings << ' ' << e.contig;
        return out.str();
    }
};

Built build(const std::string& text, BuildOptions options = {}) {
    Built b;
    std::istringstream in(text);
    b.records = buildFileEntries(in, "seq.gb", b.entries, b.skipped, options);
    return b;
}

const std::string Unlimited = std::to_string(UnlimitedSpace);

TEST(LookupBuilder, LocationFormsAndSkipReasons) {
    // 501 exons: more than a lookup entry holds.
    std::string manyExons = "join(10000..10001";
    for (int i = 1; i <= 500; ++i) manyExons += "," + std::to_string(10000 + 3 * i) + ".." + std::to_string(10001 + 3 * i);
    std::string features = feature("CDS", manyExons + ")", "x");
    // Past the end of the record's 5000 bases (gap signs count as bases), partial or not.
    for (const char* skipped : {"join(100..200,OTHER.1:300..400)", "order(100..200,300..400)",
                                "join(100..200,complement(300..400))", "join(4000..4990,1..100)",
                                "complement(join(300..400,100..200))", "100^101", "4902..5001", "<4902..>5001"})
        features += feature("CDS", skipped, "x");
    const Built b = build(record(features + feature("CDS", "join(complement(1400..1500),complement(1100..1200))", "a") +
                                 feature("CDS", "<1000..1300", "b") + feature("CDS", "complement(1400..>1700)", "c") +
                                 feature("CDS", "join(2000..2100,2100..2200)", "d") +
                                 feature("CDS", "4901..5000", "e")));
    EXPECT_EQ(summaryLine(b.entries.size(), b.skipped),
              "kestrel-lookup: 5 entries written, 9 CDS features skipped (1 on another record, 1 order(), 1 on both "
              "strands, 2 parts not in ascending order, 1 unreadable location, 1 too many exons, 0 record without "
              "sequence, 2 past the end of the sequence, 0 pseudogene, 0 codon_start not 1, 0 genetic code not "
              "kept), 0 gene names renamed; genetic codes met none, code 1 kept");
    // Entries by lowest coordinate; a join of complements in coding order is listed ascending; a frameshift may
    // share a base between two exons. Skipped CDSs still occupy the record (up to 400); the origin-crossing
    // one lies at 1..100 and 4000..4990, not over the whole record.
    EXPECT_EQ(b.where(0), "<1000..1300 599 -201 1000 1300 1 1");
    EXPECT_EQ(b.where(1), "complement(join(1100..1200,1400..1500)) -201 -101 1100 1500 1 1");
    EXPECT_EQ(b.where(2), "complement(1400..>1700) -101 299 1400 1700 1 1");
    EXPECT_EQ(b.where(3), "join(2000..2100,2100..2200) 299 1799 2000 2200 1 1");
}

TEST(LookupBuilder, AlternativeCdssAndNeighbours) {
    // Two CDSs of one gene: own gene and own alternative do not count as neighbours.
    const Built alt = build(record(feature("gene", "1000..2600", "alt") + feature("CDS", "join(1000..1200,1500..2000)", "alt") +
                                   feature("CDS", "join(1100..1200,1500..2600)", "alt") + feature("gene", "3000..3300", "next")));
    EXPECT_EQ(alt.where(0), "join(1000..1200,1500..2000) " + Unlimited + " 999 1000 2600 2 1");
    EXPECT_EQ(alt.where(1), "join(1100..1200,1500..2600) " + Unlimited + " 399 1000 2600 2 1");
    EXPECT_EQ(alt.entries[0].nAlt, 1);
    // left ends at 480 and overlaps mid; long starts lower but reaches furthest; only tRNA and rRNA count.
    const Built b = build(record(feature("gene", "100..480", "left") + feature("CDS", "100..480", "left") +
                                 feature("gene", "50..450", "long") + feature("CDS", "460..900", "mid") +
                                 feature("tRNA", "950..1020", "tr") + feature("rRNA", "complement(960..1500)", "rr") +
                                 feature("misc_feature", "901..940", "ignored")));
    EXPECT_EQ(b.where(0), "100..480 -351 -21 100 480 1 1");
    EXPECT_EQ(b.where(1), "460..900 -21 49 460 900 1 1");
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
    EXPECT_EQ(std::tuple(b.records, b.names(), b.skipped[SkipReason::NoSequence]),
              std::tuple(4, "b0001 NP_1.1 cds_1_3 cds_4_1 cds_4_2 ", 1));
    // Every line holding ORIGIN counts, as the analysis counts them: the note is line 3, the
    // section line 4. Unnamed CDSs are neighbours of each other.
    EXPECT_EQ(b.where(3), "1..99 " + Unlimited + " 100 1 99 1 4");
    EXPECT_EQ(build(">fasta\nACGT\n").records + build("").records, 0);
}

// CDSs the analysis would read wrongly: pseudogenes, a frame that does not start at the first base
// of a complete CDS, a /transl_table that is no NCBI table; and the one genetic code kept.
TEST(LookupBuilder, CdssTheAnalysisWouldGetWrong) {
    const char* cds[][3] = {
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
        {"nocode", "4900..4999", "/transl_table=7\n"},
    };
    std::string features;
    for (const auto& [gene, location, qualifiers] : cds) features += feature("CDS", location, gene, qualifiers);
    Built b = build(record(features));
    EXPECT_EQ(std::tuple(b.names(), b.skipped[SkipReason::Pseudo], b.skipped[SkipReason::CodonStart],
                         b.skipped[SkipReason::GeneticCode], b.skipped.total(), b.entries[2].geneticCode),
              std::tuple("plain frame3part frame1 mycoplasma mito mycoplasma2 standard ", 3, 2, 1, 6, 11));
    // Codes 1 and 11 together are the most common: four CDSs against two of code 4.
    Built mycoplasma = b;
    EXPECT_EQ(keepOneGeneticCode(b.entries, 0, b.skipped), 1);
    EXPECT_EQ(b.names(), "plain frame3part frame1 standard ");
    EXPECT_TRUE(summaryLine(b.entries.size(), b.skipped)
                    .ends_with("4 genetic code not kept [table 2: 1, table 4: 2, table 7: 1]), 0 gene names renamed; "
                               "genetic codes met [table 1: 3, table 2: 1, table 4: 2, table 11: 1], code 1 kept"));
    EXPECT_EQ(keepOneGeneticCode(mycoplasma.entries, 4, mycoplasma.skipped), 4);
    EXPECT_EQ(std::pair(mycoplasma.names(), mycoplasma.skipped[SkipReason::GeneticCode]),
              std::pair(std::string("mycoplasma mycoplasma2 "), std::int64_t{6}));
    EXPECT_TRUE(formatEntry(mycoplasma.entries[0], 4).ends_with("\n#altCDSlast 3199\n//transl_table=4\n"));
    // Kept pseudogenes are still skipped for their frame.
    const Built kept = build(record(features), BuildOptions{true});
    EXPECT_EQ(std::tuple(kept.names(), kept.skipped[SkipReason::Pseudo], kept.skipped[SkipReason::CodonStart]),
              std::tuple("plain pseudo pseudogene frame3part frame1 mycoplasma mito mycoplasma2 standard ", 0, 3));
}

TEST(LookupBuilder, LineEndsAndByteOrderMark) {
    const std::string lf = record(feature("CDS", "join(100..200,\n" + std::string(21, ' ') + "300..499)", "a",
                                          "/codon_start=1\n") +
                                  feature("CDS", "complement(600..899)", "b")) +
                           record(feature("CDS", "10..309", "c"));
    const Built plain = build(lf);
    ASSERT_EQ(plain.names(), "a b c ");
    EXPECT_EQ(plain.where(0), "join(100..200,300..499) " + Unlimited + " 100 100 499 1 1");
    const auto replaced = [&](const std::string& lineEnd) {
        std::string out;
        for (const char c : lf) out += c == '\n' ? lineEnd : std::string(1, c);
        return out;
    };
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& text : {replaced("\r\n"), replaced("\r"), bom + lf, bom + replaced("\r")})
        EXPECT_EQ(build(text).table(), plain.table());
}

TEST(LookupBuilder, NamesTheAnalysisWouldMisread) {
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
    const std::pair<std::string, std::string> cases[] = {
        {"dnaA", "dnaA"},           {"a#CDS b", "a_CDS_b"}, {"tab\there", "tab_here"}, {thirty, thirty},
        {thirty + "4", thirty},     {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {thirty.substr(0, 29) + "\xC3\xA9", thirty.substr(0, 29)},  // not cut inside the two bytes of an e acute
    };
    for (const auto& [name, readable] : cases) EXPECT_EQ(readableGeneName(name), readable) << name;
    // A value wrapped onto a second line is joined with a blank.
    const Built b = build(record(feature("CDS", "100..399", "two words") + feature("CDS", "500..799", "kept") +
                                 feature("CDS", "900..1199", "", "/gene=\"wrapped\nname\"\n")));
    EXPECT_EQ(std::tuple(b.names(), b.skipped.renamed, b.skipped.total()),
              std::tuple("two_words kept wrapped_name ", 2, 0));
    for (const char* file : {"seq.gb", "my genome.gb", "1234567890123456789012345678901234567890"})
        EXPECT_FALSE(fileNameProblem(file).has_value()) << file;
    for (const char* file : {"a#CDS.gb", "a\tb.gb", "12345678901234567890123456789012345678901"})
        EXPECT_TRUE(fileNameProblem(file).has_value()) << file;
}

// The census of a file's records, with its skips: "census|pseudo noAnticodon".
template <typename Read>
std::string censusOfText(const std::string& text, Read read) {
    std::istringstream in(text);
    TrnaTally tally;
    read(in, [&](AnnotatedRecord& r) { addTrnaFeatures(r, tally); });
    std::ostringstream census;
    writeTrnaCensus(census, censusOf(tally));
    return census.str() + "|" + std::to_string(tally.pseudo) + " " + std::to_string(tally.noAnticodon);
}

// The census reads /anticodon, else /product and /note's parentheses (over two lines); skips are counted apart.
// NCBI's GFF3 gives the same qualifiers as attributes, their commas percent-encoded.
TEST(TrnaCensus, AnticodonProductAndNoteAndSkipsInGenBankAndGff3) {
    const std::string genBank = record(
        feature("tRNA", "complement(10..85)", "leuZ", "/anticodon=(pos:complement(40..42),aa:Leu,seq:caa)\n") +
        feature("tRNA", "100..175", "ileX", "/product=\"tRNA-Ile\"\n/note=\"tRNA-Ile(CAU)\"\n") +
        feature("tRNA", "200..275", "metY",
                "/product=\"tRNA-initiator Met\"\n/note=\"first note\"\n/note=\"tRNA-initiator\nMet(cat)\"\n") +
        feature("tRNA", "300..375", "fMet", "/anticodon=(pos:330..332,aa:fMet,seq:cat)\n") +
        feature("tRNA", "400..475", "leuW", "/anticodon=(pos:430..432,aa:Leu,seq:caa)\n") +
        feature("tRNA", "500..575", "ps", "/pseudo\n/anticodon=(pos:530..532,aa:Leu,seq:caa)\n") +
        feature("tRNA", "600..675", "odd", "/product=\"tRNA-Xxx\"\n/note=\"no anticodon here (NN)\"\n"));
    const std::string expected = "amino_acid\tanticodon\tgenes\nIle\tCAU\t1\nLeu\tCAA\t2\nMet\tCAU\t2\n|1 1";
    EXPECT_EQ(censusOfText(genBank, [](std::istream& in, const RecordHandler& h) {
                  readFeatureTable(in, FeatureTableDialect::GenBank, h);
              }),
              expected);
    const std::string gff =
        "##gff-version 3\n"
        "s\tRefSeq\tgene\t10\t85\t.\t-\t.\tID=gene-leuZ;Name=leuZ;gene=leuZ;gene_biotype=tRNA\n"
        "s\ttRNAscan-SE\ttRNA\t10\t85\t.\t-\t.\tID=rna-leuZ;Parent=gene-leuZ;"
        "anticodon=(pos:complement(40..42)%2Caa:Leu%2Cseq:caa);gene=leuZ;product=tRNA-Leu\n"
        "s\ttRNAscan-SE\texon\t10\t85\t.\t-\t.\tID=exon-leuZ-1;Parent=rna-leuZ\n"
        "s\tRefSeq\ttRNA\t100\t175\t.\t+\t.\tID=rna-ileX;Note=tRNA-Ile(CAU);gene=ileX;product=tRNA-Ile\n"
        "s\tRefSeq\ttRNA\t200\t275\t.\t+\t.\tID=rna-metY;Note=first note%3B tRNA-initiator Met(cat);"
        "product=tRNA-initiator Met\n"
        "s\tRefSeq\ttRNA\t300\t375\t.\t+\t.\tID=rna-fMet;anticodon=(pos:330..332%2Caa:fMet%2Cseq:cat)\n"
        "s\tRefSeq\ttRNA\t400\t475\t.\t+\t.\tID=rna-leuW;anticodon=(pos:430..432%2Caa:Leu%2Cseq:caa)\n"
        "s\tRefSeq\tpseudogene\t500\t575\t.\t+\t.\tID=gene-ps;gene=ps\n"
        "s\tRefSeq\ttRNA\t500\t575\t.\t+\t.\tID=rna-ps;Parent=gene-ps;anticodon=(pos:530..532%2Caa:Leu%2Cseq:caa)\n"
        "s\tRefSeq\ttRNA\t600\t675\t.\t+\t.\tID=rna-odd;Note=no anticodon here (NN);product=tRNA-Xxx\n";
    EXPECT_EQ(censusOfText(gff, [](std::istream& in, const RecordHandler& h) { readGff3(in, nullptr, h); }), expected);
}

}  // namespace
}  // namespace kestrel::lookup
