#include "output/gene_row.hpp"

#include <cstdarg>
#include <cstdio>

#include "analysis/genetic_code.hpp"
#include "analysis/codon_letters.hpp"
#include "formats/kstl_format.hpp"
#include "output/cell_format.hpp"

namespace kestrel {

namespace {

constexpr const char* MissingFraction = " .     ";
constexpr const char* MissingFractions = " .      .      .      .     ";
constexpr const char* NotComputed = "   nc ";

[[gnu::format(printf, 2, 3)]] void appendf(std::string& row, const char* format, ...) {
    char cell[64];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(cell, sizeof cell, format, args);
    va_end(args);
    if (length > 0) row.append(cell, static_cast<std::size_t>(length) < sizeof cell ? length : sizeof cell - 1);
}

void appendPadded(std::string& row, const std::string& text, std::size_t width) {
    row += text;
    if (text.size() < width) row.append(width - text.size(), ' ');
}

void appendRatio(std::string& row, double numerator, double denominator) {
    appendFraction(row, numerator / denominator);
    row += ' ';
}

// Four base fractions (when base usage is reported) and the GC fraction of one group, or
// their placeholders when the group is empty.
void appendComposition(std::string& row, const BaseCounts& bases, std::int64_t total,
                       bool reportBaseUsage) {
    if (total <= 0) {
        if (reportBaseUsage) row += MissingFractions;
        row += MissingFraction;
        return;
    }
    const double denominator = static_cast<double>(total);
    if (reportBaseUsage)
        for (int b = 0; b < 4; ++b) appendRatio(row, bases[b], denominator);
    appendRatio(row, static_cast<double>(bases[1]) + bases[2], denominator);
}

void appendNoncodingGroup(std::string& row, const BaseCounts& bases, std::int64_t bad,
                          bool reportBaseUsage) {
    const std::int64_t total =
        static_cast<std::int64_t>(bases[0]) + bases[1] + bases[2] + bases[3];
    appendInteger(row, total, 7);
    row += ' ';
    appendInteger(row, bad, 5);
    row += ' ';
    appendComposition(row, bases, total, reportBaseUsage);
}

BaseCounts addBases(const BaseCounts& left, const BaseCounts& right) {
    BaseCounts sum{};
    for (int b = 0; b < 4; ++b) sum[b] = left[b] + right[b];
    return sum;
}

void appendPositionComposition(std::string& row, const PositionBaseCounts& bases,
                               std::int64_t total, bool reportBaseUsage) {
    for (int p = 0; p < 3; ++p) appendComposition(row, bases[p], total, reportBaseUsage);
}

template <typename InClass>
std::int64_t countWhere(const std::array<std::int32_t, 64>& codonCount, InClass inClass) {
    std::int64_t total = 0;
    for (int c = 0; c < 64; ++c)
        if (inClass(c)) total += codonCount[c];
    return total;
}

void appendCodonLetters(std::string& row, const std::array<int, 3>& codon, const char* trailer,
                        const char* missing) {
    for (int base : codon)
        if (base < 0 || base > 3) {
            row += missing;
            return;
        }
    row += codonLetters(CodonIndex(codon)).data();
    row += trailer;
}

// Room between the outermost coding positions and the next feature: " overlap " when
// negative, "       . " when the lookup table gave no neighbour on that side.
void appendSpace(std::string& row, std::int64_t value, bool given) {
    if (value < 0) row += " overlap ";
    else if (!given) row += "       . ";
    else appendf(row, "%8lld ", static_cast<long long>(value));
}

std::array<std::int32_t, AminoAcidCount> aminoAcidCounts(const GeneCounts& counts, const GeneticCode& code) {
    std::array<std::int32_t, AminoAcidCount> aminoAcidCount{};
    for (int c = 0; c < 64; ++c) aminoAcidCount[code.aminoAcid[c]] += counts.codonCount[c];
    return aminoAcidCount;
}

void appendAminoAcidCounts(std::string& row, const GeneCounts& counts, const GeneticCode& code) {
    for (const std::int32_t count : aminoAcidCounts(counts, code)) {
        appendInteger(row, count, 5);
        row += ' ';
    }
    row += ' ';
}

// Shares in single precision, as the counts were always divided.
void appendCodonShares(std::string& row, const GeneCounts& counts, const GeneticCode& code) {
    const auto aminoAcidCount = aminoAcidCounts(counts, code);
    for (int a = 0; a < AminoAcidCount; ++a)
        for (const int c : code.families[a]) {
            if (aminoAcidCount[a] <= 0) {
                row += " 0     ";
                continue;
            }
            const float share =
                static_cast<float>(counts.codonCount[c]) / static_cast<float>(aminoAcidCount[a]);
            appendFraction(row, static_cast<double>(share));
            row += ' ';
        }
}

void appendCodonCounts(std::string& row, const GeneCounts& counts, const GeneticCode& code) {
    for (int a = 0; a < AminoAcidCount; ++a)
        for (const int c : code.families[a]) {
            appendInteger(row, counts.codonCount[c], 7);
            row += "  ";
        }
}

void appendSegment(std::string& row, const GeneCounts& counts) {
    if (!counts.segmentValid) {
        row += "no     ";
        row += "              nc ";
        for (int i = 0; i < 15; ++i) row += "       nc ";
        return;
    }
    row += "yes    ";
    appendf(row, "%16d ", counts.segmentPreferred);
    for (const BaseCounts& bases : counts.segmentBase) {
        for (int b = 0; b < 4; ++b) appendf(row, "%9d ", bases[b]);
        appendf(row, "%9lld ", static_cast<long long>(bases[1]) + bases[2]);
    }
}

void appendIndex(std::string& row, const std::optional<double>& value) {
    if (value) appendf(row, "%5.3f ", *value);
    else row += NotComputed;
}

// Gene to BadCdns: where the gene lies and what its codons showed. DegenCdns counts the
// codons of the amino acids with more than one codon, MetTrp those of the amino acids with
// a single codon (Met and Trp in the standard code), so that the two and the premature
// stops make up every counted codon under any code.
void appendIdentity(std::string& row, const GeneRecord& record, const GeneCounts& counts, const GeneticCode& code) {
    appendPadded(row, record.gene, 31);
    appendPadded(row, record.file + ' ', 41);
    appendf(row, "%6d %9lld %9lld ", record.contig, static_cast<long long>(record.cdsStart()),
            static_cast<long long>(record.cdsEnd()));
    row += record.complement ? "Reverse " : "Forward ";
    row += counts.noStart ? "yes     " : " no     ";
    row += counts.noStop ? "yes    " : " no    ";
    row += counts.preStop ? "yes     " : " no     ";
    row += record.nAlt != 0 ? "yes " : " no ";
    const auto singleCodon = [&code](int c) { return code.isSingleCodon(code.aminoAcid[c]); };
    appendf(row, "%9lld %6lld %7d ", static_cast<long long>(synonymousCodonCount(counts.codonCount, code)),
            static_cast<long long>(countWhere(counts.codonCount, singleCodon)), counts.badCodons);
}

void appendIndices(std::string& row, const CodonBiasResults& bias) {
    if (bias.enc) appendf(row, "%5.2f ", *bias.enc);
    else row += NotComputed;
    appendIndex(row, bias.chiL);
    appendIndex(row, bias.chiSc);
    appendIndex(row, bias.fop);
    appendIndex(row, bias.cai);
}

// Start and stop codons, introns, the span of the alternative CDSs and the room to the
// neighbours upstream and downstream.
void appendEnds(std::string& row, const GeneRecord& record, const GeneCounts& counts) {
    if (counts.noStart) row += "na    ";
    else appendCodonLetters(row, counts.startCodon, "   ", "na    ");
    if (counts.noStop) row += "na   ";
    else appendCodonLetters(row, counts.stopCodon, "  ", "na   ");

    appendf(row, "%3d %9d %9d ", record.nExons > 0 ? record.nExons - 1 : 0, record.altCDSFirst,
            record.altCDSlast);

    const std::int64_t lower =
        static_cast<std::int64_t>(record.beforeSpace) + record.altCDSFirst - record.cdsStart();
    const std::int64_t upper = static_cast<std::int64_t>(record.afterSpace) + record.cdsEnd() - record.altCDSlast;
    const bool lowerGiven = record.beforeSpace != UnlimitedSpace;
    const bool upperGiven = record.afterSpace != UnlimitedSpace;
    if (record.complement) {
        appendSpace(row, upper, upperGiven);
        appendSpace(row, lower, lowerGiven);
    } else {
        appendSpace(row, lower, lowerGiven);
        appendSpace(row, upper, upperGiven);
    }
}

// The coding composition of every counted codon (group Positions) or of one degeneracy
// class under the code.
void appendCodingGroup(std::string& row, kstl::ColumnGroup group, const GeneCounts& counts, const GeneticCode& code,
                       bool reportBaseUsage) {
    using kstl::ColumnGroup;
    const auto inClass = [&code, group](int c) {
        switch (group) {
            case ColumnGroup::Degeneracy2: return code.inTwoCodonFamily(c);
            case ColumnGroup::Degeneracy4: return code.inFourCodonFamily(c);
            case ColumnGroup::Degeneracy6: return code.fourfoldThirdPosition(c);
            default: return true;
        }
    };
    const PositionBaseCounts& bases = group == ColumnGroup::Degeneracy2   ? counts.deg2Base
                                      : group == ColumnGroup::Degeneracy4 ? counts.deg4Base
                                      : group == ColumnGroup::Degeneracy6 ? counts.deg6Base
                                                                          : counts.positionBase;
    appendPositionComposition(row, bases, countWhere(counts.codonCount, inClass), reportBaseUsage);
}

void appendGroup(std::string& row, kstl::ColumnGroup group, const GeneRecord& record, const GeneCounts& counts,
                 const CodonBiasResults& bias, const RunSettings& settings) {
    using kstl::ColumnGroup;
    const bool base = settings.reportBaseUsage;
    const GeneticCode& code = settings.geneticCode;
    const std::int64_t flankBad = static_cast<std::int64_t>(counts.upBad) + counts.downBad;
    switch (group) {
        case ColumnGroup::Identity: appendIdentity(row, record, counts, code); break;
        case ColumnGroup::Indices: appendIndices(row, bias); break;
        case ColumnGroup::Ends: appendEnds(row, record, counts); break;
        case ColumnGroup::Upstream: appendNoncodingGroup(row, counts.upBase, counts.upBad, base); break;
        case ColumnGroup::CoreIntrons: appendNoncodingGroup(row, counts.coreBase, counts.coreBad, base); break;
        case ColumnGroup::Downstream: appendNoncodingGroup(row, counts.downBase, counts.downBad, base); break;
        case ColumnGroup::Flanks:
            appendNoncodingGroup(row, addBases(counts.upBase, counts.downBase), flankBad, base);
            break;
        case ColumnGroup::Noncoding:
            appendNoncodingGroup(row, addBases(addBases(counts.upBase, counts.coreBase), counts.downBase),
                                 flankBad + counts.coreBad, base);
            break;
        case ColumnGroup::Positions:
        case ColumnGroup::Degeneracy2:
        case ColumnGroup::Degeneracy4:
        case ColumnGroup::Degeneracy6: appendCodingGroup(row, group, counts, code, base); break;
        case ColumnGroup::AminoAcidCounts: appendAminoAcidCounts(row, counts, code); break;
        case ColumnGroup::CodonShares: appendCodonShares(row, counts, code); break;
        case ColumnGroup::CodonCounts: appendCodonCounts(row, counts, code); break;
        case ColumnGroup::Segment: appendSegment(row, counts); break;
    }
}

}  // namespace

void writeGeneRow(std::ostream& file, const GeneRecord& record, const GeneCounts& counts,
                  const CodonBiasResults& bias, const RunSettings& settings) {
    std::string row;
    row.reserve(4096);
    for (const kstl::ColumnGroup group : kstl::columnGroups(settings))
        appendGroup(row, group, record, counts, bias, settings);
    row += '\n';
    file.write(row.data(), static_cast<std::streamsize>(row.size()));
    file.flush();
}

}  // namespace kestrel
