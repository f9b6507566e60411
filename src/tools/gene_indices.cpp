#include "tools/gene_indices.hpp"

#include <charconv>
#include <cstdio>
#include <numeric>

#include "analysis/codon_bias.hpp"
#include "analysis/codon_letters.hpp"
#include "tools/codon_count_columns.hpp"

namespace kestrel {

namespace {

// Fewer flank bases than this give too noisy a background: the file's is taken instead.
constexpr double MinimumFlankBases = 200;

// A noncoding group's labels: its base count, its A fraction, and the suffix of the others.
struct GroupLabels {
    const char* bases;
    const char* a;
    const char* suffix;
};
constexpr GroupLabels Up{"UpBases", "A_up", "_up"};
constexpr GroupLabels Core{"CoBases", "A_co", "_co"};
constexpr GroupLabels Down{"DnBases", "A_dn", "_dn"};
constexpr GroupLabels Flanks{"FlBases", "A fl", "_fl"};
constexpr GroupLabels Noncoding{"NCBases", "A_nc", "_nc"};

void appendValue(std::string& out, const std::optional<double>& value, int decimals = 4) {
    out += '\t';
    if (!value) {
        out += "NA";
        return;
    }
    // The bytes of "%.*f", written without printf's cost: a table of many genomes has
    // millions of these cells.
    char cell[352];  // the longest double in fixed notation, with its decimals
    const auto end = std::to_chars(cell, cell + sizeof cell, *value, std::chars_format::fixed, decimals).ptr;
    out.append(cell, end);
}

void appendCount(std::string& out, std::int64_t count) {
    char cell[24];
    const auto end = std::to_chars(cell, cell + sizeof cell, count).ptr;
    out += '\t';
    out.append(cell, end);
}

std::optional<double> number(const std::vector<KstlCell>& cells, const std::optional<std::size_t>& column) {
    if (!column) return std::nullopt;
    return numericValue(cells[*column]);
}

}  // namespace

std::vector<std::string> indexLabels(const IndexSettings& settings) {
    std::vector<std::string> labels;
    if (settings.indices)
        labels = {"Nc_Sun",   "ENCprime", "MILC",     "SCUO", "GC12",  "GC3_4fold",   "A3_4fold", "T3_4fold",
                  "G3_4fold", "C3_4fold", "CBI",      "GRAVY", "Aromaticity", "L_sym",    "L_aa"};
    if (settings.tai()) labels.push_back("tAI");
    return labels;
}

GeneIndexColumns::GeneIndexColumns(const IndexSettings& settings, const KstlReader& reader)
    : settings_(settings), code_(geneticCodeOf(reader.geneticCode()).value_or(StandardCode)),
      optimalCodons_(reader.optimalCodons()) {
    if (settings.needsCodonCounts()) {
        const auto columns = codonCountColumns(reader);
        if (!columns) throw KstlError(noCodonCountsText(reader.name()));
        codonColumn_ = *columns;
    }
    const auto group = [&reader](const GroupLabels& labels) -> std::optional<NoncodingGroup> {
        const auto bases = reader.columnIndex(labels.bases);
        if (!bases) return std::nullopt;
        NoncodingGroup g;
        g.bases = *bases;
        g.fractions[0] = reader.columnIndex(labels.a);
        for (int b = 1; b < 4; ++b) g.fractions[b] = reader.columnIndex(BaseLetters[b] + std::string(labels.suffix));
        g.gc = reader.columnIndex("GC" + std::string(labels.suffix));
        return g;
    };
    for (const GroupLabels& labels : {Up, Down, Flanks, Noncoding})
        if (auto g = group(labels)) flanks_.push_back(*g);
    for (const GroupLabels& labels : {Up, Core, Down, Flanks, Noncoding})
        if (auto g = group(labels)) noncoding_.push_back(*g);
    if (settings.reference) setExpectedShares(*settings.reference);
    if (settings.census) trnaWeights_ = trnaWeights(*settings.census, code_);
}

// MILC's expected shares from codon counts, each raised by the pseudocount.
void GeneIndexColumns::setExpectedShares(const std::array<double, 64>& counts) {
    std::array<double, 64> raised = counts;
    for (double& count : raised) count += settings_.pseudocount;
    expectedShares_ = sharesWithinAminoAcids(raised, code_);
}

// The bases of the groups: a group's fractions times its base count, or with GC alone,
// G = C = GC/2 and A = T = (1 - GC)/2 of them. No value when no group has a composition.
std::optional<GeneIndexColumns::GroupBases> GeneIndexColumns::groupBases(const std::vector<KstlCell>& cells,
                                                                         const std::vector<NoncodingGroup>& groups) const {
    std::optional<GroupBases> sum;
    for (const NoncodingGroup& g : groups) {
        const auto n = numericValue(cells[g.bases]);
        if (!n || *n <= 0) continue;
        std::array<std::optional<double>, 4> f;
        for (int b = 0; b < 4; ++b) f[b] = number(cells, g.fractions[b]);
        if (!(f[0] && f[1] && f[2] && f[3])) {
            const auto gc = number(cells, g.gc);
            if (!gc) continue;
            f = {(1 - *gc) / 2, *gc / 2, *gc / 2, (1 - *gc) / 2};
        }
        if (!sum) sum.emplace();
        for (int b = 0; b < 4; ++b) sum->bases[b] += *n * *f[b];
        sum->counted += *n;
    }
    return sum;
}

void GeneIndexColumns::addNoncoding(const std::vector<KstlCell>& cells, FileTotals& totals) const {
    if (const auto bases = groupBases(cells, noncoding_))
        for (int b = 0; b < 4; ++b) totals.noncodingBases[b] += bases->bases[b];
}

void GeneIndexColumns::useTotals(const FileTotals& totals) {
    const auto& bases = totals.noncodingBases;
    const double total = bases[0] + bases[1] + bases[2] + bases[3];
    if (total > 0) genomeBackground_ = BaseFrequencies{bases[0] / total, bases[1] / total, bases[2] / total,
                                                       bases[3] / total};
    if (!settings_.reference && totals.cumulativeCodons) {
        std::array<double, 64> counts{};
        for (int c = 0; c < 64; ++c) counts[c] = static_cast<double>((*totals.cumulativeCodons)[c]);
        setExpectedShares(counts);
    }
    if (!settings_.census && totals.census) trnaWeights_ = trnaWeights(*totals.census, code_);
}

// The gene's own flanks, or the file's noncoding composition when they hold too few bases
// (counted on the rows' whole base counts, not on the rounded fractions) or --background
// genome is given.
std::optional<BaseFrequencies> GeneIndexColumns::background(const std::vector<KstlCell>& cells) const {
    if (settings_.genomeBackground) return genomeBackground_;
    const auto own = groupBases(cells, flanks_);
    if (!own || own->counted < MinimumFlankBases) return genomeBackground_;
    const auto& b = own->bases;
    const double total = b[0] + b[1] + b[2] + b[3];
    return BaseFrequencies{b[0] / total, b[1] / total, b[2] / total, b[3] / total};
}

GeneCodonCounts GeneIndexColumns::countsOf(const KstlReader& reader, const std::vector<KstlCell>& cells) const {
    return codonCountsOf(reader, cells, codonColumn_);
}

void GeneIndexColumns::appendCells(const std::vector<KstlCell>& cells, const GeneCodonCounts& counts,
                                   std::string& out) const {
    if (settings_.indices) {
        appendValue(out, sunNc(counts, code_));
        const auto bases = background(cells);
        appendValue(out, bases ? encPrime(counts, *bases, code_) : std::nullopt);
        appendValue(out, expectedShares_ ? milc(counts, *expectedShares_, code_) : std::nullopt);
        appendValue(out, scuo(counts, code_));
        appendValue(out, gc12(counts));
        const auto fourfold = fourfoldThirdPositions(counts, code_);
        appendValue(out, fourfold ? std::optional<double>((*fourfold)[1] + (*fourfold)[2]) : std::nullopt);
        for (const int b : {0, 3, 1, 2})  // A, T, G, C
            appendValue(out, fourfold ? std::optional<double>((*fourfold)[b]) : std::nullopt);
        appendValue(out, optimalCodons_ ? codonBiasIndex(counts, *optimalCodons_, code_) : std::nullopt);
        // Six decimals, as codonw prints them.
        appendValue(out, gravy(counts, code_), 6);
        appendValue(out, aromaticity(counts, code_), 6);
        appendCount(out, synonymousCodonCount(counts, code_));
        appendCount(out, aminoAcidCodonCount(counts, code_));
    }
    if (settings_.tai())
        appendValue(out, trnaWeights_ ? trnaAdaptationIndex(counts, *trnaWeights_, code_) : std::nullopt);
}

// RSCU = count x k / n over the codons of the amino acids with more than one codon; NA for
// an amino acid the gene lacks.
void GeneIndexColumns::appendRscu(const std::vector<KstlCell>& cells, const GeneCodonCounts& counts,
                                  const std::string& source, std::string& out) const {
    for (int a = 0; a < Stp; ++a) {
        if (!code_.isSynonymous(a)) continue;
        const AminoAcidFamily& family = code_.families[a];
        double n = 0;
        for (const int c : family) n += counts[c];
        for (const int c : family) {
            out += source;
            out += '\t';
            for (const char ch : cells[0].text) out += ch == '\t' ? ' ' : ch;
            out += '\t';
            out += codonLetters(c).data();
            out += '\t';
            out += AminoAcidNames[a].data();
            out += '\t';
            out += std::to_string(counts[c]);
            appendValue(out, n > 0 ? std::optional<double>(static_cast<double>(counts[c]) * family.size / n) : std::nullopt);
            out += '\n';
        }
    }
}

}  // namespace kestrel
