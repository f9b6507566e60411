// Annotated inputs other than GenBank (GFF3 with FASTA, FASTA of coding sequences; EMBL: see the lookup tool's
// input test), gzip-compressed input, the sequence file written for them; lines held in bounded memory, and
// only regular files opened, never waiting on anything else.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "formats/fasta.hpp"
#include "formats/feature_table.hpp"
#include "formats/gff3.hpp"
#include "formats/record_format.hpp"
#include "formats/regular_file.hpp"
#include "formats/sequence_file.hpp"
#include "formats/text_input.hpp"
#include "formats/text_lines.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

// "name sequence" then one line per feature: "key location gene locusTag proteinId codonStart code pseudo".
std::string shown(const AnnotatedRecord& r, const std::string& bases) {
    std::ostringstream out;
    out << r.name << ' ' << (r.hasSequence ? bases : "-") << '\n';
    for (const Feature& f : r.features)
        out << f.key << ' ' << f.location << ' ' << f.gene << ' ' << f.locusTag << ' ' << f.proteinId << ' '
            << f.codonStart << ' ' << f.geneticCode << ' ' << f.pseudo << '\n';
    return out.str();
}

// The records as shown, each with the bases its reader handed on.
template <typename Read>
std::vector<std::string> records(const std::string& text, Read read) {
    std::istringstream in(text);
    SequenceKeeper kept;
    std::vector<std::string> out;
    read(in, [&](AnnotatedRecord& r) { out.push_back(shown(r, kept.bases)); }, &kept);
    return out;
}

TEST(AnnotatedInputs, Gff3TranscriptsBecomeCdsFeaturesInFastaOrder) {
    const std::string gff =
        "##gff-version 3\n"
        "s2\t.\tgene\t1\t9\t.\t+\t.\tID=g0;Name=early\n"
        "s1\t.\tgene\t10\t100\t.\t-\t.\tID=g1;Name=ab%3Bc\n"
        "s1\t.\tmRNA\t10\t100\t.\t-\t.\tID=t1;Parent=g1\n"
        "s1\t.\tCDS\t10\t30\t.\t-\t0\tParent=t1\n"
        "s1\t.\tCDS\t60\t100\t.\t-\t1\tParent=t1\n"  // the 5'-most part, on the minus strand
        "s1\t.\tmRNA\t10\t100\t.\t-\t.\tID=t2;Parent=g1\n"
        "s1\t.\tCDS\t80\t100\t.\t-\t0\tParent=t2;start_range=.,80\n"
        "s1\t.\ttRNA\t200\t270\t.\t+\t.\tID=r1;locus_tag=T1\n"
        "s1\t.\texon\t200\t270\t.\t+\t.\tParent=r1\n"
        "s1\t.\tpseudogene\t300\t400\t.\t+\t.\tID=p1;gene=ps\n"
        "s1\t.\tCDS\t300\t400\t.\t+\t0\tID=c3;Parent=p1;transl_table=4\n"
        "s3\t.\tCDS\t1\t3\t.\t+\t0\tID=orphan;protein_id=P9\n"
        // Two CDSs straight under a gene: its alternatives, told apart by their IDs.
        "s2\t.\tCDS\t1\t6\t.\t+\t0\tID=a1;Parent=g0\n"
        "s2\t.\tCDS\t4\t9\t.\t+\t0\tID=a2;Parent=g0\n";
    const std::vector<std::string> expected{
        "s1 acgtac\n"
        "gene complement(10..100) ab;c   1 1 0\n"
        "CDS complement(join(10..30,60..100)) ab;c  t1 2 1 0\n"
        "CDS complement(<80..100) ab;c  t2 1 1 0\n"
        "tRNA 200..270  T1  1 1 0\n"
        "gene 300..400 ps   1 1 1\n"
        "CDS 300..400 ps  p1 1 4 1\n",
        "s2 GG\ngene 1..9 early   1 1 0\nCDS 1..6 early  g0 1 1 0\nCDS 4..9 early  g0 1 1 0\n",
        "s3 -\nCDS 1..3   P9 1 1 0\n"};
    const std::string fasta = ">s1 first\nacgt\n\nac\n>s2\nGG\n";
    // The sequences in the file's own section, or in a FASTA file beside it.
    std::istringstream sequences(fasta);
    for (std::istream* beside : {static_cast<std::istream*>(nullptr), static_cast<std::istream*>(&sequences)}) {
        const auto read = [&](std::istream& s, const RecordHandler& h, SequenceSink* k) { readGff3(s, beside, h, k); };
        EXPECT_EQ(records(beside ? gff : gff + "##FASTA\n" + fasta, read), expected);
    }
}

TEST(AnnotatedInputs, CodingSequenceFastaNamesGenesFromHeaderTags) {
    const std::string fasta =
        ">lcl|NC_1_cds_NP_1.1_1 [gene=thrL] [locus_tag=b0001] [protein_id=NP_1.1] [location=190..255]\n"
        "ATGAAA\nCGC\n"
        ">b2 [locus_tag=b0002] [pseudo=true] [transl_table=4] [partial=5']\nATGA\n"
        "; a comment\n>plain words here\natg\n";
    const auto read = [](std::istream& s, const RecordHandler& h, SequenceSink* k) { readCdsFasta(s, h, k); };
    EXPECT_EQ(records(fasta, read),
              (std::vector<std::string>{"lcl|NC_1_cds_NP_1.1_1 ATGAAACGC\nCDS 1..9 thrL b0001 NP_1.1 1 1 0\n",
                                        "b2 ATGA\nCDS <1..4  b0002 b2 1 4 1\n",
                                        "plain atg\nCDS 1..3   plain 1 1 0\n"}));
    // The [protein=...] tag names the product, brackets in it balanced; the header is kept
    // whole, for rules on its text.
    const std::string headers[] = {
        "x [protein=50S ribosomal protein L2] [gene=rplB] [pseudo=true]",
        "x [Bacillus] [protein=[protein-PII] uridylyltransferase] [pseudo=true]",
        "x [protein=bifunctional [glutamine synthetase] adenylyltransferase/[glutamine synthetase]-adenylyl-L-tyrosine "
        "phosphorylase] [pseudo=true] [location=complement(1..6)]",
        "x [protein=cut [open] [pseudo=true]"};
    const std::string products[] = {"50S ribosomal protein L2", "[protein-PII] uridylyltransferase",
                                    "bifunctional [glutamine synthetase] adenylyltransferase/[glutamine synthetase]-"
                                    "adenylyl-L-tyrosine phosphorylase",
                                    "cut [open"};
    std::size_t seen = 0;
    for (std::size_t i = 0; i < std::size(headers); ++i) {
        std::istringstream in(">" + headers[i] + "\nATG\n");
        readCdsFasta(in, [&](AnnotatedRecord& r) {
            ++seen;
            EXPECT_EQ(r.features.at(0).product, products[i]);
            EXPECT_TRUE(r.features.at(0).pseudo) << headers[i];
            EXPECT_EQ(r.header, headers[i]);
        });
    }
    EXPECT_EQ(seen, std::size(headers));
}

// A gap or unknown sign stands for a base that cannot be read, so that no later base moves; the '*' that ends
// a FASTA record is a terminator. The sink gets the same bases as the record's length counts.
TEST(AnnotatedInputs, GapSignsAreUnreadableBases) {
    const auto cds = [](std::istream& s, const RecordHandler& h, SequenceSink* k) { readCdsFasta(s, h, k); };
    EXPECT_EQ(records(">a\nAT-G.a~c?g*t\nAAA*\n**\n>b\n*\n>c\nA*\n*C\n", cds),
              (std::vector<std::string>{"a ATnGnancngntAAA\nCDS 1..15   a 1 1 0\n", "b -\nCDS 1..1   b 1 1 0\n",
                                        "c AnnC\nCDS 1..4   c 1 1 0\n"}));
    const std::string genBank = "LOCUS       G\nORIGIN\n        1 acgt-acgt. *\n//\n";
    const auto flat = [](std::istream& s, const RecordHandler& h, SequenceSink* k) {
        readFeatureTable(s, FeatureTableDialect::GenBank, h, k);
    };
    EXPECT_EQ(records(genBank, flat), std::vector<std::string>{"G acgtnacgtnn\n"});
    std::istringstream in(genBank);
    std::int64_t length = 0;
    readFeatureTable(in, FeatureTableDialect::GenBank, [&](AnnotatedRecord& r) { length = r.length; });
    EXPECT_EQ(length, 11);  // counted without a sink too
}

// What the message of the reader's refusal says, "" when it reads the text.
template <typename Read>
std::string refusal(const std::string& text, Read read) {
    std::istringstream in(text);
    try {
        read(in, [](AnnotatedRecord&) {});
    } catch (const RecordError& e) {
        return e.what();
    }
    return "";
}

TEST(AnnotatedInputs, RecordsCutShortAndSequencesNamedTwiceAreRefused) {
    const auto flat = [](std::istream& s, const RecordHandler& h) {
        readFeatureTable(s, FeatureTableDialect::GenBank, h);
    };
    const std::string whole = "LOCUS       A 8 bp\nFEATURES             Location/Qualifiers\nORIGIN\n        1 acgtacgt\n"
                              "//\n";
    EXPECT_EQ(refusal(whole + whole, flat), "");
    for (const std::string& cut : {whole.substr(0, whole.size() - 3), whole.substr(0, whole.find("ORIGIN")),
                                   whole.substr(0, 20)})
        EXPECT_EQ(refusal(whole + cut, flat), "the record A ends without its \"//\" line: the file is cut short")
            << cut;
    // Without its "//" the next record's first line would be read as bases.
    EXPECT_EQ(refusal(whole.substr(0, whole.size() - 3) + "LOCUS       B\n//\n", flat),
              "the record A ends without its \"//\" line, where the record B begins");
    const std::string embl = "ID   E; SV 1\nSQ   Sequence\n     acgt                          4\n";
    EXPECT_NE(refusal(embl, [](std::istream& s, const RecordHandler& h) {
                  readFeatureTable(s, FeatureTableDialect::Embl, h);
              }).find("the record E ends without"),
              std::string::npos);

    const std::string gff = "##gff-version 3\ns1\t.\tCDS\t1\t3\t.\t+\t0\tID=c1\n";
    const std::string twice = ">s1 first\nATG\n>s2\nAAA\n>s1 again\nTTT\n";
    const std::string named = "two sequences are named s1 (the first word of their FASTA headers)";
    const auto section = [](std::istream& s, const RecordHandler& h) { readGff3(s, nullptr, h); };
    EXPECT_EQ(refusal(gff + "##FASTA\n" + twice, section), named);
    std::istringstream beside(twice);
    EXPECT_EQ(refusal(gff, [&](std::istream& s, const RecordHandler& h) { readGff3(s, &beside, h); }), named);
    // Coding sequences of one name are two genes, each its own record.
    EXPECT_EQ(refusal(twice, [](std::istream& s, const RecordHandler& h) { readCdsFasta(s, h); }), "");
}

class GzipInput : public InScratchFolder {};

TEST_F(GzipInput, CompressedFilesReadAsTheirTextAndDamageIsReported) {
    const std::string text = "LOCUS       A\n//\nLOCUS       B\n//\n";
    for (const auto* half : {"a.gz", "b.gz"}) {
        gzFile file = gzopen("two.gz", half[0] == 'a' ? "wb" : "ab");  // two gzip members
        gzputs(file, text.substr(half[0] == 'a' ? 0 : 17).substr(0, 17).c_str());
        gzclose(file);
    }
    TextInput in;
    ASSERT_EQ(in.open("two.gz"), TextOpenStatus::Opened);
    EXPECT_TRUE(in.compressed());
    EXPECT_EQ(sniffRecordFormat(in), RecordFormat::GenBank);  // and back to the start
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);

    std::ofstream("plain.gz") << text;
    EXPECT_EQ(in.open("plain.gz"), TextOpenStatus::NotGzip);
    const std::string bytes = readFile("two.gz");
    std::ofstream("cut.gz", std::ios::binary) << bytes.substr(0, bytes.size() - 10);  // into the last member
    ASSERT_EQ(in.open("cut.gz"), TextOpenStatus::Opened);
    std::string line;
    while (std::getline(in, line)) {
    }
    EXPECT_TRUE(in.bad());
    EXPECT_FALSE(in.decompressionError().empty());
}

TEST(SequenceFile, RecordsAreLaidOutAsGenBankWithoutAStrayOriginLine) {
    std::ostringstream out;
    writeSequenceRecord(out, "a/ORIGIN b", std::string(60, 'a') + "cORIGIN");
    const std::string row = "        1 aaaaaaaaaa aaaaaaaaaa aaaaaaaaaa aaaaaaaaaa aaaaaaaaaa aaaaaaaaaa\n";
    EXPECT_EQ(out.str(), "LOCUS       a_origin_b\nORIGIN\n" + row + "       61 corigin\n//\n");
}

TEST(TextLines, LinesAreHeldUpToTheirLimitWhateverTheirEnd) {
    const std::string longLine(20000, 'g');
    const struct {
        std::string text;
        std::size_t limit;
        std::vector<std::pair<LineRead, std::string>> lines;
    } cases[] = {
        {"ab\r\n\nlast", 9, {{LineRead::Whole, "ab"}, {LineRead::Whole, ""}, {LineRead::Whole, "last"}}},
        {"ab\rcd\r\rlast\r", 9, {{LineRead::Whole, "ab"}, {LineRead::Whole, "cd"}, {LineRead::Whole, ""},
                                 {LineRead::Whole, "last"}}},  // old Mac line ends
        {"abc\nabcd\nx", 3, {{LineRead::Whole, "abc"}, {LineRead::Cut, "abc"}, {LineRead::Whole, "x"}}},
        {std::string("a\0b\n", 4), 9, {{LineRead::Whole, std::string("a\0b", 3)}}},
        // Longer than the reader's chunk, within the limit, then past it.
        {longLine + "\n" + longLine + "\nend", 20000,
         {{LineRead::Whole, longLine}, {LineRead::Whole, longLine}, {LineRead::Whole, "end"}}},
        {longLine + "\nend\n", 9999, {{LineRead::Cut, longLine.substr(0, 9999)}, {LineRead::Whole, "end"}}},
        {longLine, 9999, {{LineRead::Cut, longLine.substr(0, 9999)}}},
        {"", 9, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 12));
        std::istringstream in(c.text);
        const char delimiter = lineDelimiter(in);
        std::string line;
        for (const auto& [read, text] : c.lines) {
            EXPECT_EQ(readLine(in, line, c.limit, delimiter), read);
            EXPECT_EQ(line, text);
        }
        EXPECT_EQ(readLine(in, line, c.limit, delimiter), LineRead::End);
    }
    // A last line without its line end leaves the stream at its end.
    std::istringstream ended("row\n"), cut("row");
    std::string line;
    readLine(ended, line);
    readLine(cut, line);
    EXPECT_EQ(std::pair(ended.eof(), cut.eof()), std::pair(false, true));
}

class RegularFile : public InScratchFolder {};

TEST_F(RegularFile, OnlyARegularFileOpensAndNothingWaits) {
    writeFile("plain.txt", "x\n");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);  // no writer: an ordinary open would wait for ever
    std::filesystem::create_symlink("fifo", "to-fifo");
    std::filesystem::create_symlink("plain.txt", "to-plain");
    std::filesystem::create_directory("folder");
    const std::pair<std::string, OpenStatus> cases[] = {
        {"plain.txt", OpenStatus::Opened},     {"to-plain", OpenStatus::Opened},
        {"fifo", OpenStatus::NotRegular},      {"to-fifo", OpenStatus::NotRegular},
        {"/dev/null", OpenStatus::NotRegular}, {"folder", OpenStatus::NotRegular},
        {"missing", OpenStatus::CannotOpen},   {"", OpenStatus::CannotOpen},
        {std::string("plain.txt\0x", 11), OpenStatus::CannotOpen},  // would open plain.txt
    };
    for (const auto& [name, status] : cases) {
        InputFile file;
        EXPECT_EQ(file.open(name), status) << name;
        EXPECT_EQ(file.is_open(), status == OpenStatus::Opened) << name;
        EXPECT_EQ(probeRegularFile(name), status) << name;
    }
}

}  // namespace
}  // namespace kestrel
