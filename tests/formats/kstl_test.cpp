// The output-file format: what the analysis' writers write, the reader reads back under the labels of the
// format's own table, for every combination of the options that shape the rows; the reference files' entries.
#include "formats/kstl_format.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <tuple>

#include "analysis/codon_letters.hpp"
#include "formats/kstl_reader.hpp"
#include "formats/reference_file.hpp"
#include "output_files.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

struct Read {
    std::vector<KstlColumn> columns;
    std::vector<std::vector<std::string>> rows;  // cells, a placeholder in brackets
    KstlSummary summary;
};

Read readBack(const std::string& text) {
    std::istringstream in(text);
    KstlReader reader(in, "t.kstl");
    Read read{reader.columns(), {}, {}};
    for (std::vector<KstlCell> cells; reader.nextRow(cells);) {
        auto& row = read.rows.emplace_back();
        for (const auto& cell : cells) row.push_back(cell.present ? std::string(cell.text) : "[" + std::string(cell.text) + "]");
    }
    read.summary = reader.readSummary();
    return read;
}

std::string cell(const Read& read, std::size_t row, std::string_view label) {
    for (std::size_t i = 0; i < read.columns.size(); ++i)
        if (read.columns[i].label == label) return read.rows[row][i];
    return "(no " + std::string(label) + ")";
}

TEST(KstlFormat, EveryOptionCombinationReadsBackUnderItsOwnLabels) {
    const sample::Gene genes[] = {{"alpha one", "seq.gb", {45.5, 0.25, 0.5, std::nullopt, 0.75}, 1},
                                  {"b", "other file.gb", {}, 4, "AAG", true}};
    for (int options = 0; options < 48; ++options) {
        RunSettings s = bareSettings();
        s.noncodingMode = static_cast<NoncodingMode>(options % 3);
        std::tie(s.reportBaseUsage, s.degeneracyBreakdown, s.codonUsageOutput, s.segmentAnalysis) =
            std::tuple(options & 8, options & 16, (options / 3) % 2, options >= 32 || options % 5 == 0);
        SCOPED_TRACE(options);
        const std::string text = sample::outputFile(s, {genes[0], genes[1]}, 2, 1);
        const Read read = readBack(text);
        std::string labels, expected;
        for (const KstlColumn& column : read.columns) labels += column.label + "/" + std::to_string(column.width) + " ";
        for (const kstl::ColumnGroup group : kstl::columnGroups(s))
            for (kstl::Column& column : kstl::groupColumns(group, s))
                expected += column.label + "/" + std::to_string(column.width) + " ";
        EXPECT_EQ(labels, expected);
        // Short names: every row is exactly as long as the column-header line.
        for (const char* gene : {"\nalpha one ", "\nb "}) {
            const std::size_t at = text.find(gene) + 1;
            EXPECT_EQ(text.find('\n', at) - at + 1, kstl::columnHeaderLine(s).size()) << gene;
        }
        ASSERT_EQ(read.rows.size(), 2u);
        const auto cells = [&](std::size_t row, std::initializer_list<std::string_view> labels) {
            std::string out;
            for (const auto label : labels) out += cell(read, row, label) + "|";
            return out;
        };
        EXPECT_EQ(cells(0, {"Gene", "File", "Strand", "ENC", "Chi_L", "Fop", "CAI", "GC3"}),
                  "alpha one|seq.gb|Forward|45.50|0.250|[nc]|0.750|0.2500|");
        EXPECT_EQ(cells(1, {"File", "Strand", "ENC", "Start", "UpSBG", "GC3"}),
                  "other file.gb|Reverse|[nc]|[na]|[.]|1.0000|");
        EXPECT_EQ(cell(read, 0, "GC3_6") + cell(read, 1, "GC3_6"),
                  s.degeneracyBreakdown ? "0.2500[.]" : "(no GC3_6)(no GC3_6)");
        const bool flankA = s.noncodingMode == NoncodingMode::FlanksAndIntrons && s.reportBaseUsage;
        EXPECT_EQ(cell(read, 0, kstl::FlankALabel), flankA ? "[.]" : "(no A fl)");
        // Lys has no codon in the first gene: its shares are a bare 0.
        EXPECT_EQ(cells(0, {"GCG_A", "AAA_K", "N_AAA_K"}),
                  s.codonUsageOutput ? "0.2500|[0]|0|" : "(no GCG_A)|(no AAA_K)|(no N_AAA_K)|");
        EXPECT_EQ(std::tuple(read.summary.genesIncluded, read.summary.genesExcluded, read.summary.complete),
                  std::tuple(2, 1, true));
    }
}

TEST(KstlReader, WideValuesPushTheRowRightWithoutShiftingCells) {
    const std::string longGene(33, 'g'), longFile(44, 'f');
    std::string text = sample::outputFile(bareSettings(), {{longGene}, {"g b", longFile}}, 2);
    // A count wider than its cell, and carriage returns before the line feeds.
    const std::string counts = "        4      0       0    nc ";
    text.replace(text.find(counts), counts.size(), "        4      0 123456789    nc ");
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    const Read read = readBack(text);
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[0][0] + "|" + read.rows[0][1] + "|" + read.rows[0][2], longGene + "|seq.gb|1");
    EXPECT_EQ(read.rows[1][0] + "|" + read.rows[1][1] + "|" + cell(read, 1, "Contig"), "g b|" + longFile + "|1");
    EXPECT_EQ(cell(read, 0, "MetTrp") + "|" + cell(read, 0, "BadCdns") + "|" + cell(read, 0, "ENC"), "0|123456789|[nc]");
}

// A file is complete once its summary's last line is read; a cut run's last row, without line end, is no row.
TEST(KstlReader, AFileCutShortIsToldApart) {
    const std::string whole = sample::outputFile(bareSettings(), {{"g1"}, {"g2"}}, 2);
    const std::size_t secondRow = whole.find("\ng2 ") + 1;
    const struct { std::string text; std::size_t rows; bool complete; } cases[] = {
        {whole, 2, true},
        {whole.substr(0, whole.find("Bad codons")), 2, false},
        {whole.substr(0, whole.find("\n", secondRow) + 1), 2, false},
        {whole.substr(0, secondRow + 40), 1, false},
        {whole.substr(0, whole.size() - 1), 2, true},  // only the summary's line end is missing
    };
    for (const auto& c : cases) {
        const Read read = readBack(c.text);
        EXPECT_EQ(std::pair(read.rows.size(), read.summary.complete), std::pair(c.rows, c.complete)) << c.text.size();
    }
}

// The summary's start and stop tallies and its bad-codon count come back, in the code's order; a code with other
// initiation codons lists its own.
TEST(KstlReader, TheSummaryGivesItsStartAndStopTallies) {
    for (const int number : {1, 11, 2}) {
        RunSettings settings = bareSettings();
        settings.geneticCode = *geneticCodeOf(number);
        std::ostringstream out;
        writeOutputHeader(out, settings);
        CumulativeCounts counts;
        counts.genesIncluded = 9;
        counts.cumBadCodons = 4;
        counts.startTally[codonOfLetters("ATG")] = 7;
        counts.startTally[codonOfLetters("GTG")] = 2;
        counts.stopTally[codonOfLetters("TAA")] = 5;
        counts.stopTally[codonOfLetters("TGA")] = 3;
        writeRunSummary(out, counts, settings.geneticCode);
        const KstlSummary summary = readBack(out.str()).summary;
        std::vector<std::pair<int, long>> starts, stops;
        for (const int c : settings.geneticCode.talliedStarts) starts.emplace_back(c, counts.startTally[c]);
        for (const int c : settings.geneticCode.talliedStops) stops.emplace_back(c, counts.stopTally[c]);
        EXPECT_EQ(summary.startTally, starts) << number;
        EXPECT_EQ(summary.stopTally, stops) << number;
        EXPECT_EQ(summary.badCodons, 4) << number;
        EXPECT_EQ(summary.cumulativeCodons->at(codonOfLetters("ATG")), 0) << "a start tally is no cumulative count";
    }
}

// A check report, a row with too few cells and an overlong line: see the table tool's tests.
TEST(KstlReader, FilesThatAreNotAnalysisOutputAreRefused) {
    const std::string file = sample::outputFile(bareSettings(), {{"g1"}});
    const std::string columns = file.substr(0, file.find("\ng1 ") + 1);
    const std::string row = file.substr(columns.size(), file.find('\n', columns.size()) - columns.size());
    const auto lines = [](const std::string& text) { return std::to_string(std::count(text.begin(), text.end(), '\n')); };
    const std::string columnsLine = std::to_string(std::stoi(lines(columns)) + 1);
    const std::string noColumns = file.substr(0, file.find("Gene "));
    std::string negative = sample::outputFile(RunSettings{}, {{"g1"}}, 1);
    const std::size_t gca = negative.find("\n  GCA ") + 1;
    negative.replace(gca, negative.find('(', gca) - gca, "  GCA       -5  ");
    const std::string negativeLine = std::to_string(std::stoi(lines(negative.substr(0, gca))) + 1);
    RunSettings mycoplasma = bareSettings();
    mycoplasma.geneticCode = *geneticCodeOf(4);
    std::string unknownCode = sample::outputFile(mycoplasma, {{"g1"}});  // code 7 is no NCBI table
    unknownCode.replace(unknownCode.find("Genetic code: 4") + 14, 1, "7");
    const std::pair<std::string, std::string> cases[] = {
        {"", "t.kstl: is empty, not a KESTREL output file"},
        {"#CDS 1..90\n#gene g1\n", "t.kstl, line 1: is not a KESTREL output file"},
        {noColumns, "t.kstl, line " + lines(noColumns) + ": has no column-header line"},
        {columns + row + "0.1 \n", "t.kstl, line " + columnsLine + ": gene row does not line up"},  // Strand one cell off
        {negative, "t.kstl, line " + negativeLine + ": a cumulative codon count is negative"},
        {unknownCode, "t.kstl, line 7: names no NCBI genetic code"},
    };
    for (const auto& [text, message] : cases) {
        try {
            readBack(text);
            ADD_FAILURE() << "no error for: " << message;
        } catch (const KstlError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(message)) << e.what();
        }
    }
}

// The header's copy of the .opt file gives the optimal codons back; the RSCU file's copy, which comes first, is
// not taken for it even where its text holds the line that names the .opt file.
TEST(KstlReader, TheOptimalCodonsComeFromTheHeadersCopyOfTheOptFile) {
    const auto dir = scratchPath("opt");
    std::filesystem::create_directories(dir);
    std::array<std::int32_t, 64> flags{}, counts{};
    flags[codonOfLetters("GCT")] = flags[codonOfLetters("CTG")] = 1;
    flags[codonOfLetters("AAA")] = 3;  // not 1: not optimal
    counts.fill(2);
    std::ostringstream opt, scu;
    writeReferenceFile(opt, "optimal codons\nOptimal codon file for Fop: decoy.opt", flags);
    writeReferenceFile(scu, "Optimal codon file for Fop: decoy.opt\nMinimum RSCU value: 1", counts);
    writeFile((dir / "ref.opt").string(), opt.str());
    writeFile((dir / "ref.scu").string(), scu.str());
    writeFile((dir / "short.opt").string(), "title\n#\nGCT Ala 1\n");
    const auto optimalOf = [&](bool rscu, const std::string& optFile) {
        RunSettings s = bareSettings();
        s.rscuTableUsed = rscu;
        s.rscuFileName = (dir / "ref.scu").string();
        s.preferredCodonListUsed = !optFile.empty();
        s.preferredCodonFileName = (dir / optFile).string();
        std::istringstream in(sample::outputFile(s, {{"g1"}}));
        return KstlReader(in, "t.kstl").optimalCodons();
    };
    for (const bool rscu : {false, true}) {
        const auto read = optimalOf(rscu, "ref.opt");
        ASSERT_TRUE(read) << rscu;
        EXPECT_EQ(*read, flags);
        EXPECT_FALSE(optimalOf(rscu, ""));
        EXPECT_FALSE(optimalOf(rscu, "short.opt"));  // fewer than 64 entries
        EXPECT_FALSE(optimalOf(rscu, "gone.opt"));   // nothing copied
    }
    std::filesystem::remove_all(dir);
}

TEST(KstlReader, BlockWiseCuttingFindsEveryWordAcrossBlockEdges) {
    // Words and blank runs that end on, start on and straddle the 64-character blocks,
    // lines of exactly one and two blocks, all blanks, no blanks, and bytes above 127.
    std::vector<std::string> lines = {"", " ", std::string(64, ' '), std::string(64, 'x'), std::string(128, 'x'),
                                      std::string(63, ' ') + "ab" + std::string(63, ' ') + "c",
                                      std::string(64, ' ') + "a", "\xc3\xa9t\xe9 \x80\xff  0.5000"};
    std::mt19937 random(11);
    for (int n = 0; n < 300; ++n) {
        std::string line(random() % 300, ' ');
        for (char& c : line) c = random() % 3 == 0 ? ' ' : static_cast<char>('!' + random() % 94);
        lines.push_back(line);
    }
    std::vector<std::pair<std::size_t, std::size_t>> words, expected;
    for (const auto& line : lines) {
        expected.clear();  // one character at a time
        for (std::size_t pos = 0; pos < line.size(); ++pos) {
            if (line[pos] != ' ' && (pos == 0 || line[pos - 1] == ' ')) expected.emplace_back(pos, line.size());
            if (line[pos] == ' ' && pos > 0 && line[pos - 1] != ' ') expected.back().second = pos;
        }
        splitWords(line, words);
        EXPECT_EQ(words, expected) << '"' << line << '"';
    }
}

// A reference file's body: entry e is two words and valueOf(e); lines are free, so some entries span two.
template <typename ValueOf>
std::string entries(ValueOf valueOf, int count = 64) {
    std::string text;
    for (int e = 0; e < count; ++e)
        text += (e % 7 == 0 ? "Xxx Xaa\r\n" : "Xxx Xaa ") + std::to_string(valueOf(e)) + (e % 4 == 3 ? "\n" : "  ");
    return text;
}

std::array<std::int32_t, 64> filled(std::int32_t value) {
    std::array<std::int32_t, 64> values;
    values.fill(value);
    return values;
}

TEST(ReferenceFile, EntriesAreStoredByCodonInTheFilesTableOrder) {
    // Free text, an empty line, a long line, and a "#" in mid-line whose rest is not data.
    std::istringstream file("Highly expressed genes\n\n" + std::string(20000, 'x') + "\nentries follow # AAA Lys 99\r\n" +
                            entries([](int e) { return e == 63 ? -1 : e + 1; }));
    auto values = filled(-7);
    ASSERT_TRUE(readReferenceEntries(file, values));
    // Entries 0, 1, 4, 7, 16 and 63 are AAA, AGA, AAG, ATG, GAA and TTT.
    const auto at = [&](const char* letters) { return values[codonOfLetters(letters)]; };
    EXPECT_EQ((std::array{at("AAA"), at("AGA"), at("AAG"), at("ATG"), at("GAA"), at("TTT")}),
              (std::array{1, 2, 5, 8, 17, -1}));
}

TEST(ReferenceFile, AnUnreadableFileLeavesEveryValueAsItWas) {
    const auto threes = [](int count) { return entries([](int) { return 3; }, count); };
    const std::string noHeader = threes(64), shortFile = "#\n" + threes(63);
    const std::string wordForNumber = "#\n" + threes(10) + "AAA Lys many\n" + threes(53);
    const std::string tooLarge = "#\n" + threes(63) + "TTT Phe 99999999999\n";
    for (const std::string& text : {std::string(), noHeader, shortFile, wordForNumber, tooLarge}) {
        std::istringstream file(text);
        auto values = filled(7);
        EXPECT_FALSE(readReferenceEntries(file, values)) << text.substr(0, 40);
        EXPECT_EQ(values, filled(7));
    }
}

TEST(ReferenceFile, WhatIsWrittenReadsBack) {
    std::array<std::int32_t, 64> values;
    for (int c = 0; c < 64; ++c) values[c] = 1000 * c - 7;
    std::ostringstream out;
    ASSERT_TRUE(writeReferenceFile(out, "Reference set\nof two lines", values));
    EXPECT_TRUE(out.str().starts_with("Reference set\nof two lines\n#\nAAA Lys    -7   AGA Arg  3993   ACA Thr  7993   "
                                      "ATA Ile 11993\nAAG Lys   993   "));
    std::istringstream in(out.str());
    auto read = filled(0);
    ASSERT_TRUE(readReferenceEntries(in, read));
    EXPECT_EQ(read, values);
    std::ostringstream refused;
    EXPECT_FALSE(writeReferenceFile(refused, "a # in the title", values));
    EXPECT_EQ(refused.str(), "");
}

}  // namespace
}  // namespace kestrel
