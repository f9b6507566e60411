#include "kestrel-table/tidy_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "analysis/codon_usage_indices.hpp"
#include "formats/kstl_format.hpp"
#include "formats/kstl_reader.hpp"
#include "formats/reference_file.hpp"
#include "output_files.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

// a.kstl: noncoding bases as one group, g1 (ENC 45.50, GC3 0.5000), g2 (no ENC, GC3 0.7500), 2 included, 0 excluded.
// b.kstl, code 4: upstream, core and downstream groups, ENC 30.00, 40.00 and none, GC3 0.2500, 0.7500,
// 0.5000, 2 included and 1 excluded.
class TableTool : public ToolTest<runTableTool> {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        RunSettings separate = bareSettings();
        std::tie(separate.noncodingMode, separate.geneticCode) = std::tuple(NoncodingMode::Separate, *geneticCodeOf(4));
        writeFile("a.kstl", sample::outputFile(bareSettings(), {{"g1", "seq.gb", {45.5, 0.25}}, {"g2", "seq.gb", {}, 3}}, 2));
        writeFile("b.kstl", sample::outputFile(separate, {{"h", "o.gb", {30.0}, 1}, {"h", "o.gb", {40.0}, 3}, {}}, 2, 1));
        a_ = readFile("a.kstl");
        const std::size_t end = a_.find("\n\n\nNumber");
        brokenLine_ = std::to_string(std::count(a_.begin(), a_.begin() + static_cast<std::ptrdiff_t>(end), '\n') + 2);
    }
    // A file whose third gene row, on line brokenLine_, is cut short.
    std::string brokenFile() const {
        std::string text = a_;
        return text.insert(text.find("\n\n\nNumber"), "\nx y");
    }
    std::string a_, brokenLine_;
};

// The file with cells of gene row `row` (from 0) set to new values, by label; the words of
// such a row are its cells. Returns the row's line number through line.
std::string withCells(const std::string& file, std::size_t row, const std::map<std::string, std::string>& values,
                      std::size_t* line = nullptr) {
    std::vector<std::string> all = lines(file);
    std::size_t header = 0;
    while (!all[header].starts_with("Gene ")) ++header;
    const auto columns = splitColumnHeader(all[header]);
    std::string& text = all[header + 1 + row];
    std::vector<std::pair<std::size_t, std::size_t>> words;
    splitWords(text, words);
    for (std::size_t i = columns.size(); i-- > 0;)  // from the right: the positions to the left stay
        if (const auto value = values.find(columns[i].label); value != values.end())
            text.replace(words[i].first, words[i].second - words[i].first, value->second);
    if (line) *line = header + 2 + row;
    std::string joined;
    for (const auto& l : all) joined += l + "\n";
    return joined;
}

std::string countLabel(const char* codon) { return kstl::codonCountLabel(codonOfLetters(codon), StandardCode); }

TEST_F(TableTool, FilesWithDifferentColumnsJoinOnTheUnionOfLabelsWithNA) {
    ASSERT_EQ(run({"-o", "genes.tsv", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "");
    const auto table = lines(readFile("genes.tsv"));
    ASSERT_EQ(table.size(), 6u);
    const std::string identity = "source\tGene\tFile\tContig\tFirst\tLast\tStrand\tnoStart\tnoStop\tpreStop\tAlt\t"
                                 "DegenCdns\tMetTrp\tBadCdns\tENC\tChi_L\tChiSc\tFop\tCAI\tStart\tStop\tInt\tAltFirst\t"
                                 "AltLast\tUpSBG\tDownSBG\t";
    EXPECT_EQ(table[0], identity + "NCBases\tBadNC\tGC_nc\tGC1\tGC2\tGC3\tUpBases\tBadUp\tGC_up\tCoBases\tBadCo\tGC_co\t"
                                   "DnBases\tBadDn\tGC_dn");
    const std::string gene = "\t1\t11\t22\tForward\tno\tno\tno\tno\t4\t0\t0\t";
    const std::string ends = "\tNA\tNA\t0\t11\t22\tNA\tNA\t";
    const std::string noGroup = "0\t0\tNA\t";
    EXPECT_EQ(table[1], "a.kstl\tg1\tseq.gb" + gene + "45.50\t0.250\tNA\tNA\tNA" + ends + noGroup +
                            "1.0000\t1.0000\t0.5000\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA");
    EXPECT_EQ(table[4], "b.kstl\th\to.gb" + gene + "40.00\tNA\tNA\tNA\tNA" + ends + "NA\tNA\tNA\t" +
                            "1.0000\t1.0000\t0.7500\t" + noGroup + noGroup + "0\t0\tNA");
}

TEST_F(TableTool, SummaryGivesCountsAndMediansOverGenesWithValues) {
    ASSERT_EQ(run({"--summary", "genomes.tsv", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_EQ(lines(out_.str()).size(), 6u);  // the table without -o goes to standard output
    // CAI and Fop are columns of both files but hold only placeholders; GC3_6 is in neither.
    EXPECT_EQ(readFile("genomes.tsv"),
              "source\tgenes_analysed\tgenes_included\tgenes_excluded\tmedian_ENC\tmedian_GC3\tmedian_GC3_6\t"
              "median_CAI\tmedian_Fop\tgenetic_code\na.kstl\t2\t2\t0\t45.5000\t0.6250\tNA\tNA\tNA\t1\n"
              "b.kstl\t3\t2\t1\t35.0000\t0.5000\tNA\tNA\tNA\t4\n");
}

TEST_F(TableTool, ThreadsAndListsGiveTheSameTablesAndStopAtTheFirstBadFileInOrder) {
    std::vector<std::string> names;
    for (int i = 0; i < 9; ++i) {
        names.push_back("f" + std::to_string(i) + ".kstl");
        fs::copy_file(i % 3 == 1 ? "b.kstl" : "a.kstl", names.back());
    }
    const auto tables = [&](std::vector<std::string> args) {
        args.insert(args.end(), names.begin(), names.end());
        EXPECT_EQ(run(args), 0) << err_.str();
        return readFile("genes.tsv") + readFile("genomes.tsv");
    };
    const std::string serial = tables({"-o", "genes.tsv", "--summary", "genomes.tsv"});
    EXPECT_EQ(lines(serial).size(), 1u + 3 * 3 + 6 * 2 + 1 + 9);
    for (const char* threads : {"2", "16"})
        EXPECT_EQ(tables({"-j", threads, "-o", "genes.tsv", "--summary", "genomes.tsv"}), serial) << threads;

    // The same files named in a list, as a workflow over thousands of genomes names them.
    std::string list;
    for (std::size_t i = 1; i < names.size(); ++i) list += names[i] + (i % 2 ? "\r\n" : "\n\n");
    writeFile("names.txt", list);
    ASSERT_EQ(run({"-j", "3", "-o", "genes.tsv", "--summary", "genomes.tsv", "f0.kstl", "--list", "names.txt"}), 0)
        << err_.str();
    EXPECT_EQ(readFile("genes.tsv") + readFile("genomes.tsv"), serial);

    // Of two broken files the first in command-line order is reported, whatever thread reaches it; nothing is written.
    writeFile("f6.kstl", brokenFile());
    writeFile("f3.kstl", brokenFile());
    fs::remove("genes.tsv");
    std::vector<std::string> args = {"-j", "4", "-o", "genes.tsv"};
    args.insert(args.end(), names.begin(), names.end());
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(err_.str().find("kestrel-table: f3.kstl, line " + brokenLine_ + ":"), 0u) << err_.str();
    EXPECT_FALSE(fs::exists("genes.tsv"));
}

// An output that is an input, FIFOs and devices as inputs: see the tools' hostile test.
TEST_F(TableTool, BadCommandLinesAndFilesLeaveNothingBehind) {
    writeFile("check.kstl", "KESTREL check of lookup file: genes.txt\n\nProblem genes:\n");
    writeFile("broken.kstl", brokenFile());  // breaks only after the table has begun
    const struct { std::vector<std::string> args; int status; std::string message; } cases[] = {
        {{"-o", "same.tsv", "--summary", "same.tsv", "a.kstl"}, 2, "-o, --summary and --rscu name the same file\n"},
        {{"-j", "0", "a.kstl"}, 2, "-j needs a number of threads from 1 to 256\n"},
        {{"-j", "2x", "a.kstl"}, 2, "-j needs a number of threads from 1 to 256\n"},
        {{}, 2, "no output file named\n"},
        {{"--list", "missing.txt"}, 1, "missing.txt: cannot be opened for reading (No such file or directory)\n"},
        {{"-o", "t.tsv", "a.kstl", "check.kstl"}, 1,
         "check.kstl, line 1: is a lookup-table check report, not an analysis output file\n"},
        {{"-o", "t.tsv", "a.kstl", "broken.kstl"}, 1, "broken.kstl, line " + brokenLine_ + ": gene row has fewer cells"},
        {{"--indices", "-o", "t.tsv", "a.kstl"}, 1, "a.kstl: has no codon counts"},
        {{"--background", "genome", "a.kstl"}, 2, "--background, --reference and --pseudocount go with --indices\n"},
        {{"--indices", "--background", "own", "a.kstl"}, 2, "--background takes flanks or genome, not own\n"},
        {{"--indices", "--pseudocount", "-1", "a.kstl"}, 2, "--pseudocount needs a number of at least 0, not -1\n"},
        {{"--indices", "--pseudocount", "nan", "a.kstl"}, 2, "--pseudocount needs a number of at least 0, not nan\n"},
        // A census folder that is not there would leave every tAI NA without a word.
        {{"--trna-folder", "nowhere", "a.kstl"}, 1, "--trna-folder nowhere: no such folder\n"},
        {{"--trna-folder", "a.kstl", "a.kstl"}, 1, "--trna-folder a.kstl: not a folder\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << c.message;
        EXPECT_TRUE(err_.str().starts_with("kestrel-table: " + c.message)) << err_.str();
    }
    EXPECT_EQ(readFile("a.kstl"), a_);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);
}

// One gene of GCA, GCA, GCG, GCG (GC at positions 1 and 2). Nc_Sun: Ala's p = 3/8, 3/8,
// 1/8, 1/8 with the pseudocounts, F = 20/64; the unused classes count as unbiased: 2 + 12 x 2
// + 3 + 8 x 64/20. ENCprime: no two- or six-codon amino acid, NA. MILC against even usage:
// 2 (2 ln 2 + 2 ln 2) / 4 - (3/4 - 1/2). SCUO: 1 - ln 2 / ln 4. tAI with one tRNA-Ala UGC:
// W(GCA) = 1, W(GCG) = 1 - 0.68, the geometric mean of the two for the others: sqrt(0.32).
TEST_F(TableTool, IndicesRscuAndTaiOfAHandWorkedGene) {
    RunSettings settings = bareSettings();
    settings.codonUsageOutput = true;
    writeFile("c.kstl", sample::outputFile(settings, {{"g1", "seq.gb", {}, 2}}, 1));
    std::array<std::int32_t, 64> ones;
    ones.fill(1);
    std::ostringstream scu;
    writeReferenceFile(scu, "even", ones);
    writeFile("even.scu", scu.str());
    writeFile("census.tsv", "amino_acid\tanticodon\tgenes\nAla\tUGC\t1\n");
    ASSERT_EQ(run({"--indices", "--reference", "even.scu", "--trna", "census.tsv", "--rscu", "rscu.tsv", "-o",
                   "genes.tsv", "c.kstl"}), 0) << err_.str();
    const auto table = lines(readFile("genes.tsv"));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_TRUE(table[0].ends_with("\tNc_Sun\tENCprime\tMILC\tSCUO\tGC12\tGC3_4fold\tA3_4fold\tT3_4fold\tG3_4fold"
                                   "\tC3_4fold\tCBI\tGRAVY\tAromaticity\tL_sym\tL_aa\ttAI"));
    // No optimal codons in the header: CBI NA. Four Ala codons: GRAVY 1.8, no aromatic amino acid.
    EXPECT_TRUE(table[1].ends_with("\t54.6000\tNA\t1.1363\t0.5000\t1.0000\t0.5000\t0.5000\t0.0000\t0.5000\t0.0000"
                                   "\tNA\t1.800000\t0.000000\t4\t4\t0.5657"))
        << table[1];
    const auto rscu = lines(readFile("rscu.tsv"));
    ASSERT_EQ(rscu.size(), 1u + 59u);  // the codons of the 18 amino acids with more than one
    EXPECT_EQ(rscu[1] + "|" + rscu[3] + "|" + rscu[5],
              "c.kstl\tg1\tGCA\tAla\t2\t2.0000|c.kstl\tg1\tGCC\tAla\t0\t0.0000|c.kstl\tg1\tAGA\tArg\t0\tNA");
}

// CBI with the optimal codons of the header's copy of the .opt file: GCA of Ala's four, in GCA, GCA, GCG, GCG:
// N_rand = 4/4, (2 - 1) / (4 - 1).
TEST_F(TableTool, CbiTakesTheOptimalCodonsTheAnalysisUsed) {
    std::array<std::int32_t, 64> flags{};
    flags[codonOfLetters("GCA")] = 1;
    std::ostringstream opt;
    writeReferenceFile(opt, "GCA", flags);
    writeFile("ref.opt", opt.str());
    RunSettings settings = bareSettings();
    settings.codonUsageOutput = settings.preferredCodonListUsed = true;
    settings.preferredCodonFileName = "ref.opt";
    writeFile("c.kstl", sample::outputFile(settings, {{"g1", "seq.gb", {}, 2}}, 1));
    ASSERT_EQ(run({"--indices", "-o", "genes.tsv", "c.kstl"}), 0) << err_.str();
    const auto table = lines(readFile("genes.tsv"));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_TRUE(table[1].ends_with("\t0.3333\t1.800000\t0.000000\t4\t4")) << table[1];
}

// The flanks' background is chosen on the rows' whole base counts: 181 + 19 = 200 bases, although the rounded
// fractions rebuild 199.98 of them; an AT-rich core group of the other gene makes the file's background differ.
// GC12 comes from the codon counts, not from the GC1 and GC2 cells.
TEST_F(TableTool, FlanksOfTwoHundredBasesAndGc12FromTheCounts) {
    RunSettings settings;
    std::tie(settings.codonUsageOutput, settings.reportBaseUsage, settings.noncodingMode) =
        std::tuple(true, true, NoncodingMode::Separate);
    const std::string plain = sample::outputFile(settings, {{"g1"}, {"g2"}}, 2);
    const std::map<std::string, std::string> flanks = {
        {"UpBases", "181"}, {"A_up", "0.2707"}, {"G_up", "0.2320"}, {"C_up", "0.2265"}, {"T_up", "0.2707"},
        {"GC_up", "0.4585"}, {"DnBases", "19"}, {"A_dn", "0.3158"}, {"G_dn", "0.2105"}, {"C_dn", "0.2105"},
        {"T_dn", "0.2632"}, {"GC_dn", "0.4211"}, {countLabel("TTT"), "5"}, {countLabel("TTC"), "1"},
        {countLabel("CTG"), "3"}, {countLabel("CTA"), "1"}, {countLabel("ATT"), "2"}};
    const std::map<std::string, std::string> core = {{"CoBases", "1000"}, {"A_co", "0.4000"}, {"G_co", "0.1000"},
                                                     {"C_co", "0.1000"}, {"T_co", "0.4000"}, {"GC_co", "0.2000"}};
    writeFile("f.kstl", withCells(withCells(plain, 0, flanks), 1, core));
    const auto encPrimeOf = [&](const std::vector<std::string>& background) {
        std::vector<std::string> args = {"--indices", "-o", "genes.tsv", "f.kstl"};
        args.insert(args.end(), background.begin(), background.end());
        EXPECT_EQ(run(args), 0) << err_.str();
        const auto table = lines(readFile("genes.tsv"));
        if (table.size() < 2) return std::pair<std::string, std::string>();
        const auto labels = tabCells(table[0]), cells = tabCells(table[1]);
        const auto at = [&](const char* label) {
            return cells[static_cast<std::size_t>(std::find(labels.begin(), labels.end(), label) - labels.begin())];
        };
        return std::pair(at("ENCprime"), at("GC12"));
    };
    GeneCodonCounts counts = codonCounts("TTT 5 TTC 1 CTG 3 CTA 1 ATT 2 GCA 2 GCG 2");
    std::array<double, 4> bases{};
    const double up[] = {0.2707, 0.2320, 0.2265, 0.2707}, down[] = {0.3158, 0.2105, 0.2105, 0.2632};
    for (int b = 0; b < 4; ++b) bases[b] = 181 * up[b] + 19 * down[b];
    const double total = bases[0] + bases[1] + bases[2] + bases[3];
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.4f",
                  encPrime(counts, {bases[0] / total, bases[1] / total, bases[2] / total, bases[3] / total},
                           StandardCode).value());
    const auto [own, gc12] = encPrimeOf({});
    EXPECT_EQ(own, expected);
    EXPECT_NE(encPrimeOf({"--background", "genome"}).first, expected);
    EXPECT_EQ(gc12, "0.3750");  // the GC1 and GC2 cells say 1.0000; the counts give (8 + 3 + 1) / 32
}

// Corrupt count cells stop the table at the file, line and column, before anything is written.
TEST_F(TableTool, CountsThatAreNoWholeNumbersAreRefused) {
    RunSettings settings;
    settings.codonUsageOutput = true;
    const std::string good = sample::outputFile(settings, {{"g1"}, {"g2"}}, 2);
    for (const char* cell : {"3000000000", "-7", "2.5", "."}) {
        std::size_t line = 0;
        writeFile("c.kstl", withCells(good, 1, {{countLabel("GCA"), cell}}, &line));
        for (const std::vector<std::string>& args : {std::vector<std::string>{"--indices", "-o", "t.tsv", "c.kstl"},
                                                     std::vector<std::string>{"--rscu", "r.tsv", "c.kstl"}}) {
            EXPECT_EQ(run(args), 1) << cell;
            EXPECT_EQ(err_.str(), "kestrel-table: c.kstl, line " + std::to_string(line) + ", column N_GCA_A: " +
                                      cell + " is not a codon count (a whole number from 0 to 2147483647)\n");
            EXPECT_FALSE(fs::exists("t.tsv") || fs::exists("r.tsv"));
        }
    }
}

// MILC against a reference that lacks GCG: NA, and with --pseudocount 1 the shares (1 + 1) / 7 ... 1/7 of Ala.
// tAI of a folder without the file's census is NA.
TEST_F(TableTool, PseudocountGivesMilcAValueAndAFolderWithoutTheCensusLeavesTaiNA) {
    RunSettings settings;
    settings.codonUsageOutput = true;
    writeFile("c.kstl", sample::outputFile(settings, {{"g1", "seq.gb", {}, 2}}, 1));
    std::array<std::int32_t, 64> ones;
    ones.fill(1);
    ones[codonOfLetters("GCG")] = 0;
    std::ostringstream scu;
    writeReferenceFile(scu, "no GCG", ones);
    writeFile("ref.scu", scu.str());
    fs::create_directory("censuses");
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.4f", 2 * (2 * std::log(1.75) + 2 * std::log(3.5)) / 4 - 0.25);
    for (const auto& [pseudocount, milc] : {std::pair{"0", std::string("NA")}, std::pair{"1", std::string(expected)}}) {
        ASSERT_EQ(run({"--indices", "--reference", "ref.scu", "--pseudocount", pseudocount, "--trna-folder", "censuses",
                       "-o", "t.tsv", "c.kstl"}), 0) << err_.str();
        const auto row = lines(readFile("t.tsv"))[1];
        EXPECT_TRUE(row.ends_with("\t" + milc + "\t0.5000\t1.0000\t0.5000\t0.5000\t0.0000\t0.5000\t0.0000\tNA"
                                  "\t1.800000\t0.000000\t4\t4\tNA"))
            << pseudocount << ": " << row;
    }
}

// --join: per-genome tables with other columns, in other orders, joined on the union of their labels; a table
// with a header alone adds no row; a bad table or command line leaves the old output as it was.
TEST_F(TableTool, JoinTakesTheUnionOfLabelsInFirstSeenOrderWithNA) {
    writeFile("x.tsv", "source\tENC\tGC3\nx\t40.1\t0.5\nx\t\t0.6\n");
    writeFile("y.tsv", "GC3\tsource\td\r\n0.7\ty\t1.5\r\n");
    writeFile("z.tsv", "\xEF\xBB\xBFsource\tENC\tGC3\n");
    writeFile("list", "y.tsv\n\nz.tsv\n");
    ASSERT_EQ(run({"--join", "-o", "all.tsv", "x.tsv", "--list", "list"}), 0) << err_.str();
    EXPECT_EQ(readFile("all.tsv"), "source\tENC\tGC3\td\nx\t40.1\t0.5\tNA\nx\t\t0.6\tNA\ny\tNA\t0.7\t1.5\n");
    ASSERT_EQ(run({"--join", "x.tsv", "x.tsv"}), 0);
    EXPECT_EQ(lines(out_.str()).size(), 5u);

    const std::string before = readFile("all.tsv");
    const auto refused = [&](const std::string& text, const std::string& why) {
        writeFile("bad.tsv", text);
        EXPECT_EQ(run({"--join", "-o", "all.tsv", "x.tsv", "bad.tsv"}), 1) << text;
        EXPECT_NE(err_.str().find("bad.tsv, line " + why), std::string::npos) << err_.str();
        EXPECT_EQ(readFile("all.tsv"), before);
    };
    refused("", "1: no header line");
    refused("a\tb\ta\n", "1: the column label 'a' is given twice");
    refused("a\tb\n1\t2\n3\n", "3: 1 cells under a header of 2 labels");
    refused("a\tb\n1\t2\t3\n", "2: 3 cells under a header of 2 labels");
    EXPECT_EQ(run({"--join", "-o", "all.tsv", "x.tsv", "missing.tsv"}), 1);
    EXPECT_EQ(run({"--join", "--summary", "s.tsv", "x.tsv"}), 2);
    EXPECT_EQ(run({"--join", "--indices", "x.tsv"}), 2);
    EXPECT_EQ(run({"--join", "-o", "x.tsv", "x.tsv"}), 2);
    EXPECT_EQ(run({"--join"}), 2);
    EXPECT_EQ(readFile("all.tsv"), before);
}

}  // namespace
}  // namespace kestrel
