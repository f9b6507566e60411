#include "formats/kstl_reader.hpp"
#include "formats/kstl_format.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "kstl_samples.hpp"

namespace kestrel {
namespace {

// Cells of each row, a placeholder shown in brackets.
std::vector<std::vector<std::string>> readRows(const std::string& text, KstlSummary* summary = nullptr) {
    std::istringstream in(text);
    KstlReader reader(in, "t.kstl");
    std::vector<std::vector<std::string>> rows;
    for (std::vector<KstlCell> cells; reader.nextRow(cells);) {
        auto& row = rows.emplace_back();
        for (const auto& cell : cells) {
            const std::string text(cell.text);
            row.push_back(cell.present ? text : "[" + text + "]");
        }
    }
    if (summary) *summary = reader.readSummary();
    return rows;
}

TEST(KstlColumnHeader, LabelsAndWidthsForSeveralOptionCombinations) {
    // Count, then label/width of the first three and last columns; the last label's padding counts.
    const std::pair<std::string, std::string> cases[] = {
        {samples::OptionsOffLabels, "37: Gene/31 File/41 Contig/7 GC_dn/7 GC1/7 GC2/7 GC3/7 "},
        // The flank group's A fraction is labelled "A fl", one label with a blank.
        {"CoBases BadCo A_co   G_co   C_co   T_co   GC_co  FlBases BadFl A fl   G_fl   C_fl   T_fl   GC_fl  ",
         "39: Gene/31 File/41 Contig/7 T_co/7 GC_co/7 FlBases/8 BadFl/6 A fl/7 G_fl/7 C_fl/7 T_fl/7 GC_fl/7 "},
        // The extra blank after the amino-acid counts widens the last of them.
        {samples::CombinedLabels + "Ala_A Arg_R  GCA_A  N_GCA_A  N_TGA_x  SegUse Pref_Codon_usage A1_usage  GC1_usage ",
         "40: Gene/31 File/41 Contig/7 GC3/7 Ala_A/6 Arg_R/7 GCA_A/7 N_GCA_A/9 N_TGA_x/9 SegUse/7 "
         "Pref_Codon_usage/17 A1_usage/10 GC1_usage/10 "},
    };
    for (const auto& [labels, expected] : cases) {
        const auto columns = splitColumnHeader(samples::identityLabels() + labels);
        const std::size_t tail = std::count(expected.begin(), expected.end(), '/') - 3;
        std::string outline = std::to_string(columns.size()) + ": ";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i < 3 || i + tail >= columns.size())
                outline += columns[i].label + "/" + std::to_string(columns[i].width) + " ";
        }
        EXPECT_EQ(outline, expected);
    }
    EXPECT_EQ(splitColumnHeader(samples::identityLabels())[17].label, "CAI");
}

TEST(KstlPlaceholders, PlaceholdersAreNoValueAndNumbersParse) {
    for (const char* text : {"", ".", "nc", "na", "overlap"}) EXPECT_TRUE(kstl::isPlaceholder("ENC", text)) << text;
    EXPECT_TRUE(kstl::isPlaceholder("GCA_A", "0"));  // the share of a codon of an amino acid the gene lacks
    for (const auto& [label, text] : {std::pair{"GCA_A", "0.0000"}, {"Ala_A", "0"}, {"N_GCA_A", "0"}, {"noStart", "no"},
                                      {"SegUse", "no"}})
        EXPECT_FALSE(kstl::isPlaceholder(label, text)) << label << " " << text;

    EXPECT_EQ(numericValue({"45.50", true}), 45.5);
    for (const char* text : {"ATG", "nan", "1.5x"}) EXPECT_EQ(numericValue({text, true}), std::nullopt) << text;
    EXPECT_EQ(numericValue({"nc", false}), std::nullopt);
}

TEST(KstlWords, BlockWiseCuttingFindsEveryWordAcrossBlockEdges) {
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

TEST(KstlReader, WideValuesPushTheRowRightWithoutShiftingCells) {
    const std::string longGene(33, 'g');
    const std::string longFile(44, 'f');
    std::string gluedGene = samples::optionsOffRow("x", "seq.gb", "51.20 ", "0.5000 ");
    gluedGene.replace(0, 31, longGene);  // 33 characters run straight into the file name
    std::string wideCount = samples::optionsOffRow("g b", longFile, "51.20 ", "0.5000 ");
    wideCount.replace(wideCount.find("      12       9 "), 17, "      12 123456789 ");
    // Carriage returns before the line feeds, and no summary: the rows end at the end of the file.
    KstlSummary summary;
    const auto rows = readRows(samples::headerLines() + samples::identityLabels() + samples::OptionsOffLabels + "\r\n" +
                                   gluedGene + "\r\n" + wideCount + "\r\n",
                               &summary);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0] + "|" + rows[0][1] + "|" + rows[0][2] + "|" + rows[0][13], longGene + "|seq.gb|1|51.20");
    EXPECT_EQ(rows[1][0] + "|" + rows[1][1] + "|" + rows[1][2], "g b|" + longFile + "|1");
    EXPECT_EQ(rows[1][24] + "|" + rows[1][25] + "|" + rows[1][26] + "|" + rows[1][36], "12|123456789|1|0.5000");
    EXPECT_EQ(summary.genesIncluded, std::nullopt);
}

// A file is complete when its summary's last line was read; the last row of a run cut
// short has no line end, and is not cut into cells.
TEST(KstlReader, AFileCutShortIsToldApart) {
    const std::string whole = samples::optionsOffFile();
    const std::size_t secondRow = whole.find("\ng2 ") + 1;
    const struct {
        std::string text;
        std::size_t rows;
        bool complete;
    } cases[] = {
        {whole, 2, true},
        {whole.substr(0, whole.find("Bad codons")), 2, false},
        {whole.substr(0, whole.find("\n", secondRow) + 1), 2, false},
        {whole.substr(0, secondRow + 40), 1, false},
        {whole.substr(0, whole.size() - 1), 2, true},  // only the summary's line end is missing
    };
    for (const auto& c : cases) {
        KstlSummary summary;
        EXPECT_EQ(readRows(c.text, &summary).size(), c.rows) << c.text.size();
        EXPECT_EQ(summary.complete, c.complete) << c.text.size();
    }
}

TEST(KstlReader, FilesThatAreNotAnalysisOutputAreRefused) {
    const std::string columns = samples::headerLines() + samples::identityLabels() + samples::OptionsOffLabels + "\n";
    const std::string row = samples::optionsOffRow("g1", "seq.gb", "   nc ", "0.5000 ");
    const std::pair<std::string, std::string> cases[] = {
        {"", "t.kstl: is empty, not a KESTREL output file"},
        {"KESTREL check of lookup file: genes.txt\n\nProblem genes:\n",
         "t.kstl, line 1: is a lookup-table check report, not an analysis output file"},
        {"#CDS 1..90\n#gene g1\n", "t.kstl, line 1: is not a KESTREL output file"},
        {samples::headerLines(), "t.kstl, line 9: has no column-header line"},
        {columns + "g1 seq.gb 1 11 28\n", "t.kstl, line 11: gene row has fewer cells"},
        {columns + row + "0.1 \n", "t.kstl, line 11: gene row does not line up"},  // Strand one cell off
        {columns + std::string(70000, '7') + "\n", "t.kstl, line 11: line longer than 65536 characters"},
    };
    for (const auto& [text, message] : cases) {
        try {
            readRows(text);
            ADD_FAILURE() << "no error for: " << message;
        } catch (const KstlError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(message)) << e.what();
        }
    }
}

}  // namespace
}  // namespace kestrel
