// Helpers shared by the unit tests: scratch folders, whole files, lines and cells, and codon counts.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/codon_letters.hpp"
#include "analysis/run_settings.hpp"

namespace kestrel {

// Every option off: no inclusion rule, no codon-usage columns, one noncoding group; the
// plainest output file, which a test then adds to.
inline RunSettings bareSettings() {
    RunSettings s;
    s.minimumRscu = 0.0;
    s.startCodonRequired = s.stopCodonRequired = s.allCodonsMustBeGood = s.noPrematureStops = false;
    s.codonUsageOutput = false;
    s.noncodingMode = NoncodingMode::Combined;
    s.checkCdsEnds = false;
    s.segmentBegin = s.segmentEnd = 0;
    return s;
}

// A scratch path of this test and process alone (ctest runs tests in parallel, builds may run at once).
inline std::filesystem::path scratchPath(const std::string& stem) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = stem + "_" + std::to_string(::getpid());
    if (test != nullptr) name += std::string("_") + test->test_suite_name() + "_" + test->name();
    return std::filesystem::path(::testing::TempDir()) / name;
}

// A fixture whose tests run inside a fresh scratch folder of their own, removed afterwards.
class InScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = scratchPath("kestrel");
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_, previous_;
};

// A scratch-folder fixture for a tool's entry point: run() keeps its output and errors.
template <int (*Tool)(const std::vector<std::string>&, std::ostream&, std::ostream&)>
class ToolTest : public InScratchFolder {
protected:
    int run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return Tool(args, out_, err_);
    }
    std::ostringstream out_, err_;
};

inline std::string readFile(const std::filesystem::path& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string writeFile(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
    return name;
}

inline std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

inline std::vector<std::string> tabCells(const std::string& row) {
    std::vector<std::string> cells;
    for (std::size_t from = 0, to = 0; to != std::string::npos; from = to + 1)
        cells.push_back(row.substr(from, (to = row.find('\t', from)) - from));
    return cells;
}

inline int codon(const std::string& letters) { return codonOfLetters(letters); }

// Codon counts from "codon count" pairs, e.g. "AAC 3 AAT 1".
inline std::array<std::int32_t, 64> codonCounts(const std::string& pairs) {
    std::array<std::int32_t, 64> counts{};
    std::istringstream words(pairs);
    std::string letters;
    std::int32_t count;
    while (words >> letters >> count) counts[codonOfLetters(letters)] = count;
    return counts;
}

}  // namespace kestrel
