#include "output/kstl_reader.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "kstl_samples.hpp"

namespace kestrel {
namespace {

using samples::joined;
using samples::padded;

std::vector<std::string> labelsOf(const std::vector<KstlColumn>& columns) {
    std::vector<std::string> labels;
    for (const auto& column : columns) labels.push_back(column.label);
    return labels;
}

// A cell kept past the reading of the next row.
struct Cell {
    std::string text;
    bool present = false;
};

std::vector<std::vector<Cell>> readRows(const std::string& text, KstlSummary* summary = nullptr) {
    std::istringstream in(text);
    KstlReader reader(in, "t.kstl");
    std::vector<std::vector<Cell>> rows;
    std::vector<KstlCell> cells;
    while (reader.nextRow(cells)) {
        auto& row = rows.emplace_back();
        for (const auto& cell : cells) row.push_back({std::string(cell.text), cell.present});
    }
    if (summary) *summary = reader.readSummary();
    return rows;
}

std::string readError(const std::string& text) {
    try {
        readRows(text);
    } catch (const KstlError& e) {
        return e.what();
    }
    return "no error";
}

TEST(KstlColumnHeader, OptionsOffGivesFixedLabelsAndWidths) {
    const auto columns = splitColumnHeader(samples::optionsOffColumnHeader());
    ASSERT_EQ(columns.size(), 37u);
    EXPECT_EQ(columns[0].label, "Gene");
    EXPECT_EQ(columns[0].width, 31u);
    EXPECT_EQ(columns[1].start, 31u);
    EXPECT_EQ(columns[1].width, 41u);
    EXPECT_EQ(columns[2].label, "Contig");
    EXPECT_EQ(columns[2].width, 7u);
    EXPECT_EQ(columns[17].label, "CAI");
    EXPECT_EQ(columns[36].label, "GC3");
    EXPECT_EQ(columns[36].width, 7u);  // the trailing padding of the last label counts
}

TEST(KstlColumnHeader, FlankGroupWithBaseFractionsKeepsAFlWhole) {
    auto pieces = samples::identityLabels();
    for (const char* piece : {"CoBases BadCo ", "A_co   G_co   C_co   T_co   ", "GC_co  ", "FlBases BadFl ",
                              "A fl   G_fl   C_fl   T_fl   ", "GC_fl  "})
        pieces.push_back(piece);
    const auto labels = labelsOf(splitColumnHeader(joined(pieces)));
    const std::vector<std::string> tail(labels.end() - 9, labels.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"T_co", "GC_co", "FlBases", "BadFl", "A fl", "G_fl", "C_fl", "T_fl",
                                              "GC_fl"}));
}

TEST(KstlColumnHeader, CodonUsageAndSegmentLabels) {
    auto pieces = samples::identityLabels();
    for (const char* piece : {"NCBases BadNC ", "GC_nc  ", "GC1    GC2    GC3    ", "Ala_A Arg_R ", " ", "GCA_A  ",
                              "N_GCA_A  ", "N_TGA_x  ", "SegUse ", "Pref_Codon_usage ", "A1_usage  GC1_usage "})
        pieces.push_back(piece);
    const auto columns = splitColumnHeader(joined(pieces));
    const auto labels = labelsOf(columns);
    const std::vector<std::string> tail(labels.end() - 11, labels.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"GC2", "GC3", "Ala_A", "Arg_R", "GCA_A", "N_GCA_A", "N_TGA_x",
                                              "SegUse", "Pref_Codon_usage", "A1_usage", "GC1_usage"}));
    // The extra blank after the amino-acid counts widens the last of them.
    EXPECT_EQ(columns[columns.size() - 8].width, 7u);
    EXPECT_EQ(columns[columns.size() - 4].width, 7u);
    EXPECT_EQ(columns[columns.size() - 3].width, 17u);
}

TEST(KstlPlaceholders, PlaceholdersAreNoValueAndNumbersParse) {
    for (const char* text : {"", ".", "nc", "na", "overlap"}) EXPECT_TRUE(isPlaceholder("ENC", text)) << text;
    EXPECT_TRUE(isPlaceholder("GCA_A", "0"));
    EXPECT_FALSE(isPlaceholder("GCA_A", "0.0000"));
    EXPECT_FALSE(isPlaceholder("Ala_A", "0"));
    EXPECT_FALSE(isPlaceholder("N_GCA_A", "0"));
    EXPECT_FALSE(isPlaceholder("noStart", "no"));
    EXPECT_FALSE(isPlaceholder("SegUse", "no"));

    EXPECT_EQ(numericValue({"45.50", true}), 45.5);
    EXPECT_EQ(numericValue({"ATG", true}), std::nullopt);
    EXPECT_EQ(numericValue({"nan", true}), std::nullopt);
    EXPECT_EQ(numericValue({"1.5x", true}), std::nullopt);
    EXPECT_EQ(numericValue({"nc", false}), std::nullopt);
}

// Words of a line cut one character at a time, to check the block-wise cutting against.
std::vector<std::pair<std::size_t, std::size_t>> wordsOneByOne(const std::string& line) {
    std::vector<std::pair<std::size_t, std::size_t>> words;
    for (std::size_t pos = 0; pos < line.size();) {
        if (line[pos] == ' ') {
            ++pos;
            continue;
        }
        const std::size_t begin = pos;
        while (pos < line.size() && line[pos] != ' ') ++pos;
        words.emplace_back(begin, pos);
    }
    return words;
}

TEST(KstlWords, BlockWiseCuttingFindsEveryWordAcrossBlockEdges) {
    std::vector<std::pair<std::size_t, std::size_t>> words;
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
    for (const auto& line : lines) {
        splitWords(line, words);
        EXPECT_EQ(words, wordsOneByOne(line)) << '"' << line << '"';
    }
}

TEST(KstlReader, RowsCutUnderTheirLabelsWithPlaceholdersAndSummary) {
    KstlSummary summary;
    const auto rows = readRows(samples::optionsOffFile(), &summary);
    ASSERT_EQ(rows.size(), 2u);
    const auto& g1 = rows[0];
    EXPECT_EQ(g1[0].text, "g1");
    EXPECT_EQ(g1[1].text, "seq.gb");
    EXPECT_EQ(g1[2].text, "1");
    EXPECT_EQ(g1[5].text, "Forward");
    EXPECT_EQ(g1[6].text, "no");
    EXPECT_TRUE(g1[6].present);
    EXPECT_FALSE(g1[13].present);  // ENC nc
    EXPECT_EQ(g1[14].text, "0.250");
    EXPECT_FALSE(g1[23].present);  // UpSBG not given
    EXPECT_EQ(g1[24].text, "12");
    EXPECT_FALSE(g1[30].present);  // GC_co of a gene without introns
    EXPECT_EQ(g1[36].text, "0.5000");
    EXPECT_EQ(rows[1][13].text, "45.50");
    EXPECT_TRUE(rows[1][13].present);
    EXPECT_EQ(summary.genesIncluded, 2);
    EXPECT_EQ(summary.genesExcluded, 0);
}

TEST(KstlReader, WideValuesPushTheRowRightWithoutShiftingCells) {
    const std::string longGene(33, 'g');
    const std::string longFile(44, 'f');
    std::string gluedGene = samples::optionsOffRow("x", "seq.gb", "51.20 ", "0.5000 ");
    gluedGene.replace(0, 31, longGene);  // 33 characters run straight into the file name
    std::string wideCount = samples::optionsOffRow("g b", longFile, "51.20 ", "0.5000 ");
    wideCount.replace(wideCount.find("      12       9 "), 17, "      12 123456789 ");
    const std::string text = samples::headerLines() + samples::optionsOffColumnHeader() + "\n" + gluedGene + "\n" +
                             wideCount + "\n";
    const auto rows = readRows(text);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].text, longGene);
    EXPECT_EQ(rows[0][1].text, "seq.gb");
    EXPECT_EQ(rows[0][2].text, "1");
    EXPECT_EQ(rows[1][0].text, "g b");
    EXPECT_EQ(rows[1][1].text, longFile);
    EXPECT_EQ(rows[1][25].text, "123456789");
    EXPECT_EQ(rows[1][36].text, "0.5000");
}

TEST(KstlReader, FileWithoutSummaryEndsItsRowsAtEndOfFile) {
    KstlSummary summary;
    const auto text = samples::headerLines() + samples::optionsOffColumnHeader() + "\r\n" +
                      samples::optionsOffRow("g1", "seq.gb", "   nc ", "0.5000 ") + "\r\n";
    EXPECT_EQ(readRows(text, &summary).size(), 1u);
    EXPECT_EQ(summary.genesIncluded, std::nullopt);
}

TEST(KstlReader, FilesThatAreNotAnalysisOutputAreRefused) {
    EXPECT_EQ(readError(""), "t.kstl: is empty, not a KESTREL output file");
    EXPECT_EQ(readError("KESTREL check of lookup file: genes.txt\n\nProblem genes:\n"),
              "t.kstl, line 1: is a lookup-table check report, not an analysis output file");
    EXPECT_EQ(readError("#CDS 1..90\n#gene g1\n"), "t.kstl, line 1: is not a KESTREL output file");
    EXPECT_NE(readError(samples::headerLines()).find("has no column-header line"), std::string::npos);
    const auto shortRow = samples::headerLines() + samples::optionsOffColumnHeader() + "\ng1 seq.gb 1 11 28\n";
    EXPECT_NE(readError(shortRow).find("line 11: gene row has fewer cells"), std::string::npos);
    auto shifted = samples::optionsOffRow("g1", "seq.gb", "   nc ", "0.5000 ");
    shifted += "0.1 ";  // one cell too many: Strand no longer lines up
    const auto misaligned = samples::headerLines() + samples::optionsOffColumnHeader() + "\n" + shifted + "\n";
    EXPECT_NE(readError(misaligned).find("line 11: gene row does not line up"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
