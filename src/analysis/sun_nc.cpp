#include <array>

#include "analysis/codon_usage_indices.hpp"

namespace kestrel {

namespace {

// Per family size 1 to 4 (a family shares the codon's first two bases): the number of
// families, and the sums of n_j and n_j F_j over them.
struct SizeClasses {
    std::array<int, 5> families{};
    std::array<double, 5> codons{};
    std::array<double, 5> weightedF{};
};

// Adds the family of amino acid a whose codons lie in the block of first two bases.
void addFamily(const GeneCodonCounts& counts, const GeneticCode& code, int a, int block, SizeClasses& classes) {
    int size = 0;
    double n = 0;
    for (const int c : code.families[a])
        if ((c & ~3) == block) {
            ++size;
            n += counts[c];
        }
    if (size == 0) return;
    double f = 0;
    for (const int c : code.families[a])
        if ((c & ~3) == block) {
            const double p = (counts[c] + 1.0) / (n + size);
            f += p * p;
        }
    ++classes.families[size];
    classes.codons[size] += n;
    classes.weightedF[size] += n * f;
}

}  // namespace

std::optional<double> sunNc(const GeneCodonCounts& counts, const GeneticCode& code) {
    SizeClasses classes;
    double synonymous = 0;
    for (int a = 0; a < Stp; ++a) {
        if (code.families[a].size == 0) continue;
        for (int block = 0; block < 64; block += 4) addFamily(counts, code, a, block, classes);
        if (code.isSynonymous(a))
            for (const int c : code.families[a]) synonymous += counts[c];
    }
    if (synonymous == 0) return std::nullopt;
    double nc = 0;
    for (int size = 1; size <= 4; ++size) {
        if (classes.families[size] == 0) continue;
        const double f = classes.codons[size] > 0 ? classes.weightedF[size] / classes.codons[size] : 1.0 / size;
        nc += classes.families[size] / f;
    }
    return nc;
}

}  // namespace kestrel
