#include "formats/kstl_format.hpp"

#include "analysis/genetic_code.hpp"
#include "analysis/codon_letters.hpp"

namespace kestrel::kstl {

namespace {

struct FixedColumn {
    std::string_view label;
    std::size_t width;
};

constexpr std::array<FixedColumn, 13> IdentityColumns = {{
    {"Gene", 31}, {"File", 41}, {"Contig", 7}, {"First", 10}, {"Last", 10}, {"Strand", 8}, {"noStart", 8},
    {"noStop", 7}, {"preStop", 8}, {"Alt", 4}, {"DegenCdns", 10}, {"MetTrp", 7}, {"BadCdns", 8},
}};
constexpr std::array<FixedColumn, 5> IndexColumns = {{{"ENC", 6}, {"Chi_L", 6}, {"ChiSc", 6}, {"Fop", 6}, {"CAI", 6}}};
constexpr std::array<FixedColumn, 7> EndColumns = {{
    {"Start", 6}, {"Stop", 5}, {"Int", 4}, {"AltFirst", 10}, {"AltLast", 10}, {"UpSBG", 9}, {"DownSBG", 9},
}};

// A composition group's fraction cells are 7 wide, as "%6.4f ".
constexpr std::size_t FractionWidth = 7;

template <std::size_t N>
void addFixed(std::vector<Column>& columns, const std::array<FixedColumn, N>& fixed) {
    for (const auto& [label, width] : fixed) columns.push_back({std::string(label), width});
}

// The base fractions (when reported) and the GC fraction of one group, e.g. "A_up" ...
// "GC_up".
void addComposition(std::vector<Column>& columns, bool reportBaseUsage, const std::string& aLabel,
                    const std::string& suffix) {
    if (reportBaseUsage)
        for (const std::string& label : {aLabel, "G" + suffix, "C" + suffix, "T" + suffix})
            columns.push_back({label, FractionWidth});
    columns.push_back({"GC" + suffix, FractionWidth});
}

void addNoncoding(std::vector<Column>& columns, bool reportBaseUsage, std::string_view counts,
                  std::string_view bad, const std::string& name) {
    columns.push_back({std::string(counts), 8});
    columns.push_back({std::string(bad), 6});
    addComposition(columns, reportBaseUsage, name == "fl" ? std::string(FlankALabel) : "A_" + name, "_" + name);
}

// Positions 1, 2 and 3, with the degeneracy class after the position ("GC3_4").
void addPositions(std::vector<Column>& columns, bool reportBaseUsage, const std::string& degeneracy) {
    for (const char* position : {"1", "2", "3"}) {
        const std::string suffix = position + degeneracy;
        addComposition(columns, reportBaseUsage, "A" + suffix, suffix);
    }
}

void addCodonColumns(std::vector<Column>& columns, const GeneticCode& code, const std::string& prefix,
                     std::size_t width) {
    for (int a = 0; a < AminoAcidCount; ++a)
        for (const int c : code.families[a]) columns.push_back({prefix + codonShareLabel(c, code), width});
}

void addSegment(std::vector<Column>& columns) {
    columns.push_back({"SegUse", 7});
    columns.push_back({"Pref_Codon_usage", 17});
    for (const char* position : {"1", "2", "3"})
        for (const char* base : {"A", "G", "C", "T", "GC"})
            columns.push_back({std::string(base) + position + "_usage", 10});
}

bool isBaseLetter(char c) { return c == 'A' || c == 'G' || c == 'C' || c == 'T'; }

// A codon's share of its amino acid, labelled like "GCA_A".
bool isCodonShareLabel(std::string_view label) {
    return label.size() == 5 && label[3] == '_' && isBaseLetter(label[0]) && isBaseLetter(label[1]) &&
           isBaseLetter(label[2]);
}

}  // namespace

ColumnGroups columnGroups(const RunSettings& settings) {
    ColumnGroups list;
    const auto add = [&list](ColumnGroup group) { list.groups[list.count++] = group; };
    for (ColumnGroup group : {ColumnGroup::Identity, ColumnGroup::Indices, ColumnGroup::Ends}) add(group);
    switch (settings.noncodingMode) {
        case NoncodingMode::Separate:
            for (ColumnGroup group : {ColumnGroup::Upstream, ColumnGroup::CoreIntrons, ColumnGroup::Downstream})
                add(group);
            break;
        case NoncodingMode::FlanksAndIntrons:
            add(ColumnGroup::CoreIntrons);
            add(ColumnGroup::Flanks);
            break;
        case NoncodingMode::Combined: add(ColumnGroup::Noncoding); break;
    }
    add(ColumnGroup::Positions);
    if (settings.degeneracyBreakdown)
        for (ColumnGroup group : {ColumnGroup::Degeneracy2, ColumnGroup::Degeneracy4, ColumnGroup::Degeneracy6})
            add(group);
    if (settings.codonUsageOutput)
        for (ColumnGroup group : {ColumnGroup::AminoAcidCounts, ColumnGroup::CodonShares, ColumnGroup::CodonCounts})
            add(group);
    if (settings.segmentAnalysis) add(ColumnGroup::Segment);
    return list;
}

std::vector<Column> groupColumns(ColumnGroup group, const RunSettings& settings) {
    const bool base = settings.reportBaseUsage;
    std::vector<Column> columns;
    switch (group) {
        case ColumnGroup::Identity: addFixed(columns, IdentityColumns); break;
        case ColumnGroup::Indices: addFixed(columns, IndexColumns); break;
        case ColumnGroup::Ends: addFixed(columns, EndColumns); break;
        case ColumnGroup::Upstream: addNoncoding(columns, base, "UpBases", "BadUp", "up"); break;
        case ColumnGroup::CoreIntrons: addNoncoding(columns, base, "CoBases", "BadCo", "co"); break;
        case ColumnGroup::Downstream: addNoncoding(columns, base, "DnBases", "BadDn", "dn"); break;
        case ColumnGroup::Flanks: addNoncoding(columns, base, "FlBases", "BadFl", "fl"); break;
        case ColumnGroup::Noncoding: addNoncoding(columns, base, "NCBases", "BadNC", "nc"); break;
        case ColumnGroup::Positions: addPositions(columns, base, ""); break;
        case ColumnGroup::Degeneracy2: addPositions(columns, base, "_2"); break;
        case ColumnGroup::Degeneracy4: addPositions(columns, base, "_4"); break;
        case ColumnGroup::Degeneracy6: addPositions(columns, base, "_6"); break;
        case ColumnGroup::AminoAcidCounts:
            for (int a = 0; a < AminoAcidCount; ++a) columns.push_back({aminoAcidCountLabel(a), 6});
            columns.back().width = 7;  // the counts end with a blank more
            break;
        case ColumnGroup::CodonShares: addCodonColumns(columns, settings.geneticCode, "", FractionWidth); break;
        case ColumnGroup::CodonCounts: addCodonColumns(columns, settings.geneticCode, "N_", 9); break;
        case ColumnGroup::Segment: addSegment(columns); break;
    }
    return columns;
}

std::string columnHeaderLine(const RunSettings& settings) {
    std::string line;
    line.reserve(2048);
    for (const ColumnGroup group : columnGroups(settings))
        for (const Column& column : groupColumns(group, settings)) {
            line += column.label;
            if (column.label.size() < column.width) line.append(column.width - column.label.size(), ' ');
        }
    line += '\n';
    return line;
}

std::string_view identityLabel(std::size_t column) { return IdentityColumns[column].label; }

std::string aminoAcidCountLabel(int aminoAcid) {
    return std::string(AminoAcidNames[aminoAcid].data()) + '_' + AminoAcidLetters[aminoAcid];
}

std::string codonShareLabel(int codon, const GeneticCode& code) {
    return std::string(codonLetters(codon).data()) + '_' + AminoAcidLetters[code.aminoAcid[codon]];
}

std::string codonCountLabel(int codon, const GeneticCode& code) { return "N_" + codonShareLabel(codon, code); }

std::string geneticCodeLine(const GeneticCode& code) {
    return std::string(GeneticCodeLine) + std::to_string(code.number) + " (" + std::string(code.name) + ")";
}

bool isPlaceholder(std::string_view label, std::string_view value) {
    if (value.empty() || value == "." || value == "nc" || value == "na" || value == "overlap") return true;
    // An amino acid absent from the gene leaves its codons' shares undefined, shown as a bare 0.
    return value == "0" && isCodonShareLabel(label);
}

}  // namespace kestrel::kstl
