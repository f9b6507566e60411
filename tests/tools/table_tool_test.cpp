#include "kestrel-table/tidy_table.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kstl_samples.hpp"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

class TableTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kestrel-table-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        write("a.kstl", samples::optionsOffFile());
        write("b.kstl", combinedFile());
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }
    static void write(const std::string& name, const std::string& text) { std::ofstream(name) << text; }
    static std::string read(const std::string& name) {
        std::ifstream in(name);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    int run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return runTableTool(args, out_, err_);
    }
    // Noncoding sequence as one group: three genes with ENC 30.00, 40.00 and nc, GC3 0.2000, 0.6000, 0.4000.
    static std::string combinedFile() {
        std::string rows;
        for (const auto& [enc, gc3] : {std::pair{"30.00 ", "0.2000 "}, {"40.00 ", "0.6000 "}, {"   nc ", "0.4000 "}})
            rows += samples::combinedRow("h", enc, "Forward ", gc3) + "\n";
        return samples::outputFile(samples::CombinedLabels, rows, 2, 1);
    }
    // A file whose third gene row is cut short, on line 13.
    static std::string brokenFile() {
        auto text = samples::optionsOffFile();
        return text.insert(text.find("\n\n\nNumber"), "\nx y");
    }
    fs::path dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

TEST_F(TableTool, FilesWithDifferentColumnsJoinOnTheUnionOfLabelsWithNA) {
    ASSERT_EQ(run({"-o", "genes.tsv", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "");
    const auto table = lines(read("genes.tsv"));
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(table[0],
              "source\tGene\tFile\tContig\tFirst\tLast\tStrand\tnoStart\tnoStop\tpreStop\tAlt\tDegenCdns\tMetTrp\t"
              "BadCdns\tENC\tChi_L\tChiSc\tFop\tCAI\tStart\tStop\tInt\tAltFirst\tAltLast\tUpSBG\tDownSBG\tUpBases\t"
              "BadUp\tGC_up\tCoBases\tBadCo\tGC_co\tDnBases\tBadDn\tGC_dn\tGC1\tGC2\tGC3\tNCBases\tBadNC\tGC_nc");
    const std::string identity = "\t1\t11\t28\tForward\tno\tno\tno\tno\t4\t0\t0\t";
    const std::string indices = "\t0.250\t0.167\tNA\tNA\tATG\tTAA\t0\t11\t28\tNA\t12\t";
    EXPECT_EQ(table[1], "a.kstl\tg1\tseq.gb" + identity + "NA" + indices +
                            "9\t1\t0.4444\t0\t0\tNA\t12\t0\t0.1667\t0.2500\t0.2500\t0.5000\tNA\tNA\tNA");
    EXPECT_TRUE(table[2].starts_with("a.kstl\tg2\tseq.gb" + identity + "45.50\t")) << table[2];
    EXPECT_EQ(table[3], "b.kstl\th\tother.gb" + identity + "30.00" + indices +
                            "NA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\t0.1000\t0.2000\t0.2000\t30\t2\t0.5000");
}

TEST_F(TableTool, SummaryGivesCountsAndMediansOverGenesWithValues) {
    ASSERT_EQ(run({"--summary", "genomes.tsv", "a.kstl", "b.kstl"}), 0) << err_.str();
    EXPECT_EQ(lines(out_.str()).size(), 6u);  // the table without -o goes to standard output
    // CAI is a column of both files but holds only placeholders; GC3_6 is in neither.
    EXPECT_EQ(read("genomes.tsv"),
              "source\tgenes_analysed\tgenes_included\tgenes_excluded\tmedian_ENC\tmedian_GC3\tmedian_GC3_6\t"
              "median_CAI\n"
              "a.kstl\t2\t2\t0\t45.5000\t0.6250\tNA\tNA\n"
              "b.kstl\t3\t2\t1\t35.0000\t0.4000\tNA\tNA\n");
    std::vector<double> even = {4, 1, 3, 2};
    EXPECT_EQ(median(even), 2.5);
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
        return read("genes.tsv") + read("genomes.tsv");
    };
    const std::string serial = tables({"-o", "genes.tsv", "--summary", "genomes.tsv"});
    EXPECT_EQ(lines(serial).size(), 1u + 3 * 3 + 6 * 2 + 1 + 9);
    EXPECT_EQ(tables({"-j", "2", "-o", "genes.tsv", "--summary", "genomes.tsv"}), serial);
    EXPECT_EQ(tables({"-j", "16", "-o", "genes.tsv", "--summary", "genomes.tsv"}), serial);

    // The same files named in a list, as a workflow over thousands of genomes names them.
    std::string list;
    for (std::size_t i = 1; i < names.size(); ++i) list += names[i] + (i % 2 ? "\r\n" : "\n\n");
    write("names.txt", list);
    ASSERT_EQ(run({"-j", "3", "-o", "genes.tsv", "--summary", "genomes.tsv", "f0.kstl", "--list", "names.txt"}), 0)
        << err_.str();
    EXPECT_EQ(read("genes.tsv") + read("genomes.tsv"), serial);
    EXPECT_EQ(run({"--list", "missing.txt"}), 1);
    EXPECT_EQ(err_.str(), "kestrel-table: missing.txt: cannot be opened for reading (No such file or directory)\n");

    // Two broken files: the first in command-line order is the one reported, whatever
    // thread reaches it, and nothing is written.
    write("f6.kstl", brokenFile());
    write("f3.kstl", brokenFile());
    fs::remove("genes.tsv");
    std::vector<std::string> args = {"-j", "4", "-o", "genes.tsv"};
    args.insert(args.end(), names.begin(), names.end());
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(err_.str().find("kestrel-table: f3.kstl, line 13:"), 0u) << err_.str();
    EXPECT_FALSE(fs::exists("genes.tsv"));

    for (const char* bad : {"0", "x", "2x", "257", "-1"}) EXPECT_EQ(run({"-j", bad, "f0.kstl"}), 2) << bad;
    EXPECT_EQ(run({"f0.kstl", "-j"}), 2);
}

TEST_F(TableTool, ARunCutShortIsRefusedUnlessAllowedAndItsCountsAreThenNA) {
    const std::string whole = samples::optionsOffFile();
    write("cut.kstl", whole.substr(0, whole.find("\nNumber of Excluded")));
    EXPECT_EQ(run({"-o", "genes.tsv", "a.kstl", "cut.kstl"}), 1);
    EXPECT_EQ(err_.str(), "kestrel-table: cut.kstl: ends before its end-of-run summary: the run that wrote it was "
                          "cut short (--allow-incomplete takes it)\n");
    EXPECT_FALSE(fs::exists("genes.tsv"));
    ASSERT_EQ(run({"--allow-incomplete", "--summary", "genomes.tsv", "-o", "genes.tsv", "cut.kstl"}), 0);
    EXPECT_EQ(err_.str(), "kestrel-table: warning: cut.kstl: ends before its end-of-run summary: the run that "
                          "wrote it was cut short; its included and excluded counts are NA\n");
    EXPECT_EQ(lines(read("genomes.tsv"))[1], "cut.kstl\t2\tNA\tNA\t45.5000\t0.6250\tNA\tNA");
}

TEST_F(TableTool, AnOutputThatIsAnInputOrTheOtherOutputIsAUsageError) {
    ASSERT_EQ(::mkfifo("pipe.kstl", 0600), 0);
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"-o", "a.kstl", "a.kstl"}, 2},
        {{"--summary", "./b.kstl", "a.kstl", "b.kstl"}, 2},
        {{"-o", "same.tsv", "--summary", "same.tsv", "a.kstl"}, 2},
        {{"pipe.kstl"}, 1},  // not read, and not waited on
    };
    for (const auto& [args, status] : cases) EXPECT_EQ(run(args), status) << args[0] << " " << args[1];
    EXPECT_EQ(read("a.kstl"), samples::optionsOffFile());
    EXPECT_EQ(err_.str(), "kestrel-table: pipe.kstl: not a regular file but a FIFO, device, socket or folder\n");
}

TEST_F(TableTool, NotAnOutputFileFailsAndLeavesNothingUnderItsName) {
    write("check.kstl", "KESTREL check of lookup file: genes.txt\n\nProblem genes:\n");
    EXPECT_EQ(run({"-o", "genes.tsv", "a.kstl", "check.kstl"}), 1);
    EXPECT_EQ(err_.str(), "kestrel-table: check.kstl, line 1: is a lookup-table check report, not an analysis "
                          "output file\n");
    // A row that breaks only after the table has begun still leaves no file behind.
    write("broken.kstl", brokenFile());
    EXPECT_EQ(run({"-o", "genes.tsv", "a.kstl", "broken.kstl"}), 1);
    EXPECT_NE(err_.str().find("broken.kstl, line 13: gene row has fewer cells"), std::string::npos) << err_.str();
    EXPECT_EQ(run({"missing.kstl"}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);
    EXPECT_EQ(run({}), 2);
}

}  // namespace
}  // namespace kestrel
