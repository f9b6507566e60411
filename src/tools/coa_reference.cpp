#include "tools/coa_reference.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/codon_bias.hpp"
#include "tools/number_text.hpp"

namespace kestrel {

namespace {

// The mean ENC of the genes of one end (by index), over those that have one.
std::optional<double> meanEnc(const std::vector<GeneCodonCounts>& genes, const std::vector<std::size_t>& end,
                              const RunSettings& settings) {
    double sum = 0;
    std::size_t n = 0;
    const ReferenceTables none;
    for (const std::size_t g : end)
        if (const auto enc = computeCodonBias(genes[g], settings, none).enc) sum += *enc, ++n;
    if (n == 0) return std::nullopt;
    return sum / static_cast<double>(n);
}

}  // namespace

CoaReferenceSet coaReferenceSet(const std::vector<GeneCodonCounts>& genes, const std::vector<bool>& ribosomal,
                                const RunSettings& settings, double share) {
    const CoaResult coa = correspondenceAnalysis(genes, CoaVariant::Within, settings.geneticCode, 1);
    CoaReferenceSet set;
    set.axisShare = coa.axes.eigenvalues[0] / coa.axes.totalInertia;
    // The usable genes from the negative end of axis 1 to the positive one (ties by index).
    std::vector<std::size_t> order;
    for (std::size_t g = 0; g < genes.size(); ++g)
        if (coa.genes.usable[g]) order.push_back(g);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return coa.genes.at(a, 0) < coa.genes.at(b, 0); });
    set.genes = order.size();
    const std::size_t size =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::lround(share * static_cast<double>(order.size()))), 1,
                                order.size() / 2);
    const std::vector<std::size_t> negative(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(size));
    const std::vector<std::size_t> positive(order.end() - static_cast<std::ptrdiff_t>(size), order.end());

    double sum = 0;
    for (const std::size_t g : order)
        if (g < ribosomal.size() && ribosomal[g]) sum += coa.genes.at(g, 0), ++set.ribosomal;
    set.negativeEnc = meanEnc(genes, negative, settings);
    set.positiveEnc = meanEnc(genes, positive, settings);
    if (set.ribosomal > 0) {
        set.ribosomalMean = sum / static_cast<double>(set.ribosomal);
        set.positiveEnd = set.ribosomalMean > 0;
    } else {
        // An end without ENC never wins over one with it.
        set.positiveEnd = set.positiveEnc && (!set.negativeEnc || *set.positiveEnc < *set.negativeEnc);
    }
    set.members = set.positiveEnd ? positive : negative;
    std::sort(set.members.begin(), set.members.end());
    for (const std::size_t g : set.members) set.ribosomalInSet += g < ribosomal.size() && ribosomal[g] ? 1 : 0;
    return set;
}

std::string coaReferenceMethod(double share) {
    return "coa: the " + formatNumber("%g", 100 * share) +
           "% of the genes at the end of axis 1 of the within-amino-acid correspondence analysis of their codon "
           "counts that holds the ribosomal-protein genes (with none annotated: the end of lower mean ENC)";
}

std::vector<std::string> coaReferenceNotes(const CoaReferenceSet& set) {
    const std::string end = set.positiveEnd ? "positive" : "negative";
    const auto enc = [](const std::optional<double>& v) { return v ? formatNumber("%.2f", *v) : std::string("none"); };
    std::vector<std::string> notes;
    notes.push_back("Axis 1 holds " + formatNumber("%.2f", 100 * set.axisShare) + "% of the inertia of the " +
                    std::to_string(set.genes) + " genes with a codon of a synonymous amino acid; mean ENC " +
                    enc(set.negativeEnc) + " at its negative end, " + enc(set.positiveEnc) + " at its positive end.");
    if (set.ribosomal > 0)
        notes.push_back("The " + end + " end was taken: the " + std::to_string(set.ribosomal) +
                        " ribosomal-protein genes lie at mean coordinate " + formatNumber("%.4f", set.ribosomalMean) +
                        "; " + std::to_string(set.ribosomalInSet) + " of them are in the set.");
    else
        notes.push_back("No ribosomal-protein gene annotated: the " + end + " end was taken, of lower mean ENC.");
    return notes;
}

}  // namespace kestrel
