#include "kestrel-table/tidy_table.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kstl_samples.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;
using samples::joined;

class TableTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kestrel-table-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }
    static void write(const std::string& name, const std::string& text) { std::ofstream(name) << text; }
    static std::string read(const std::string& name) {
        std::ifstream in(name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return runTableTool(args, out_, err_);
    }
    fs::path dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

// A file whose noncoding sequence is one group: three genes with ENC 30.00, 40.00 and nc,
// GC3 0.2000, 0.6000, 0.4000.
std::string combinedNoncodingFile() {
    auto pieces = samples::identityLabels();
    pieces.push_back("NCBases BadNC GC_nc  GC1    GC2    GC3    ");
    std::string text = samples::headerLines() + joined(pieces) + "\n";
    const std::vector<std::pair<std::string, std::string>> genes = {
        {"30.00 ", "0.2000 "}, {"40.00 ", "0.6000 "}, {"   nc ", "0.4000 "}};
    for (const auto& [enc, gc3] : genes) {
        auto cells = samples::identityCells("h", "other.gb");
        cells[13] = enc;
        for (const char* cell : {"     30 ", "    2 ", "0.5000 ", "0.1000 ", "0.2000 "}) cells.push_back(cell);
        cells.push_back(gc3);
        text += joined(cells) + "\n";
    }
    return text + samples::summaryLines(2, 1);
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
    return cells;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

TEST_F(TableTool, OneFileBecomesSourceColumnAndTrimmedCellsWithNA) {
    write("a.kstl", samples::optionsOffFile());
    ASSERT_EQ(run({"a.kstl"}), 0) << err_.str();
    const auto table = lines(out_.str());
    ASSERT_EQ(table.size(), 3u);
    const auto header = fields(table[0]);
    ASSERT_EQ(header.size(), 38u);
    EXPECT_EQ(header[0], "source");
    EXPECT_EQ(header[1], "Gene");
    EXPECT_EQ(header[37], "GC3");
    EXPECT_EQ(table[1],
              "a.kstl\tg1\tseq.gb\t1\t11\t28\tForward\tno\tno\tno\tno\t4\t0\t0\tNA\t0.250\t0.167\tNA\tNA\tATG\tTAA\t0\t"
              "11\t28\tNA\t12\t9\t1\t0.4444\t0\t0\tNA\t12\t0\t0.1667\t0.2500\t0.2500\t0.5000");
    EXPECT_EQ(fields(table[2])[14], "45.50");
}

TEST_F(TableTool, FilesWithDifferentColumnsJoinOnTheUnionOfLabels) {
    write("a.kstl", samples::optionsOffFile());
    write("b.kstl", combinedNoncodingFile());
    ASSERT_EQ(run({"-o", "genes.tsv", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "");
    const auto table = lines(read("genes.tsv"));
    ASSERT_EQ(table.size(), 6u);
    const auto header = fields(table[0]);
    ASSERT_EQ(header.size(), 41u);
    const std::vector<std::string> added(header.end() - 3, header.end());
    EXPECT_EQ(added, (std::vector<std::string>{"NCBases", "BadNC", "GC_nc"}));
    const auto a = fields(table[1]);
    const auto b = fields(table[3]);
    EXPECT_EQ(a[38] + a[39] + a[40], "NANANA");
    EXPECT_EQ(b[0], "b.kstl");
    EXPECT_EQ(b[1], "h");
    EXPECT_EQ(b[27] + " " + b[29] + " " + b[31], "NA NA NA");  // UpBases, GC_up, CoBases
    EXPECT_EQ(b[37], "0.2000");
    EXPECT_EQ(b[38] + " " + b[39] + " " + b[40], "30 2 0.5000");
}

TEST_F(TableTool, SummaryGivesCountsAndMediansOverGenesWithValues) {
    write("a.kstl", samples::optionsOffFile());
    write("b.kstl", combinedNoncodingFile());
    ASSERT_EQ(run({"--summary", "genomes.tsv", "-o", "genes.tsv", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_EQ(read("genomes.tsv"),
              "source\tgenes_analysed\tgenes_included\tgenes_excluded\tmedian_ENC\tmedian_GC3\tmedian_GC3_6\t"
              "median_CAI\n"
              "a.kstl\t2\t2\t0\t45.5000\t0.6250\tNA\tNA\n"
              "b.kstl\t3\t2\t1\t35.0000\t0.4000\tNA\tNA\n");
}

TEST_F(TableTool, ThreadsAndListsGiveTheSameTablesAndStopAtTheFirstBadFileInOrder) {
    std::vector<std::string> names;
    for (int i = 0; i < 9; ++i) {
        names.push_back("f" + std::to_string(i) + ".kstl");
        write(names.back(), i % 3 == 1 ? combinedNoncodingFile() : samples::optionsOffFile());
    }
    const auto tables = [&](const std::string& threads) {
        std::vector<std::string> args = {"-j", threads, "-o", "genes.tsv", "--summary", "genomes.tsv"};
        args.insert(args.end(), names.begin(), names.end());
        EXPECT_EQ(run(args), 0) << err_.str();
        return read("genes.tsv") + read("genomes.tsv");
    };
    const std::string serial = tables("1");
    EXPECT_EQ(lines(serial).size(), 1u + 3 * 3 + 6 * 2 + 1 + 9);
    EXPECT_EQ(tables("2"), serial);
    EXPECT_EQ(tables("16"), serial);

    // Two broken files: the first in command-line order is the one reported, whatever
    // thread reaches it, and nothing is written.
    const std::string i6 = read("f6.kstl");
    const std::string i3 = read("f3.kstl");
    auto broken = samples::optionsOffFile();
    broken.insert(broken.find("\n\n\nNumber"), "\nx y");
    write("f6.kstl", broken);
    write("f3.kstl", broken);
    fs::remove("genes.tsv");
    std::vector<std::string> args = {"-j", "4", "-o", "genes.tsv"};
    args.insert(args.end(), names.begin(), names.end());
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(err_.str().find("kestrel-table: f3.kstl, line 13:"), 0u) << err_.str();
    EXPECT_FALSE(fs::exists("genes.tsv"));

    // The same files named in a list, as a workflow over thousands of genomes names them.
    write("f6.kstl", i6);
    write("f3.kstl", i3);
    std::string list;
    for (std::size_t i = 1; i < names.size(); ++i) list += names[i] + (i % 2 ? "\r\n" : "\n\n");
    write("names.txt", list);
    ASSERT_EQ(run({"-j", "3", "-o", "genes.tsv", "--summary", "genomes.tsv", "f0.kstl", "--list", "names.txt"}), 0)
        << err_.str();
    EXPECT_EQ(read("genes.tsv") + read("genomes.tsv"), serial);
    EXPECT_EQ(run({"--list", "missing.txt"}), 1);
    EXPECT_EQ(err_.str(), "kestrel-table: missing.txt: cannot be opened for reading\n");

    for (const char* bad : {"0", "x", "2x", "257", "-1"}) EXPECT_EQ(run({"-j", bad, "f0.kstl"}), 2) << bad;
    EXPECT_EQ(run({"f0.kstl", "-j"}), 2);
}

TEST_F(TableTool, OutputThroughASymbolicLinkReplacesTheTargetNotTheLink) {
    write("a.kstl", samples::optionsOffFile());
    write("target.tsv", "old");
    fs::create_symlink("target.tsv", "link.tsv");
    ASSERT_EQ(run({"-o", "link.tsv", "a.kstl"}), 0) << err_.str();
    EXPECT_TRUE(fs::is_symlink("link.tsv"));
    EXPECT_EQ(lines(read("target.tsv")).size(), 3u);
}

TEST(TableMedian, OddEvenAndEmpty) {
    std::vector<double> odd = {5, 1, 3};
    std::vector<double> even = {4, 1, 3, 2};
    std::vector<double> none;
    EXPECT_EQ(median(odd), 3.0);
    EXPECT_EQ(median(even), 2.5);
    EXPECT_EQ(median(none), std::nullopt);
}

TEST_F(TableTool, NotAnOutputFileFailsAndLeavesNothingUnderItsName) {
    write("a.kstl", samples::optionsOffFile());
    write("check.kstl", "KESTREL check of lookup file: genes.txt\n\nProblem genes:\n");
    EXPECT_EQ(run({"-o", "genes.tsv", "a.kstl", "check.kstl"}), 1);
    EXPECT_EQ(err_.str(), "kestrel-table: check.kstl, line 1: is a lookup-table check report, not an analysis "
                          "output file\n");
    // A row that breaks only after the table has begun still leaves no file behind.
    auto broken = samples::optionsOffFile();
    broken.insert(broken.find("\n\n\nNumber"), "\nx y");
    write("broken.kstl", broken);
    EXPECT_EQ(run({"-o", "genes.tsv", "a.kstl", "broken.kstl"}), 1);
    EXPECT_NE(err_.str().find("broken.kstl, line 13: gene row has fewer cells"), std::string::npos) << err_.str();
    EXPECT_EQ(run({"missing.kstl"}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);
    EXPECT_EQ(run({}), 2);
}

}  // namespace
}  // namespace kestrel
