#include "analysis/trna_adaptation.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "analysis/codon_letters.hpp"

namespace kestrel {

namespace {

// dos Reis et al.'s selective constraints of the wobble pairs (anticodon base : codon
// base); Watson-Crick pairs and inosine with U have none. Adenosine at the wobble position
// is read as inosine.
constexpr double GU = 0.41;
constexpr double IC = 0.28;
constexpr double IA = 0.9999;
constexpr double UG = 0.68;
constexpr double LA = 0.89;  // lysidine with A

constexpr int A = 0, G = 1, C = 2, T = 3;

bool counted(int c, const GeneticCode& code) { return code.aminoAcid[c] != Stp && code.aminoAcid[c] != Met; }

bool namedAs(std::string_view aminoAcid, std::string_view name) {
    if (aminoAcid.size() < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(aminoAcid[i])) != name[i]) return false;
    return true;
}

}  // namespace

bool addTrnaGenes(TrnaCensus& census, std::string_view aminoAcid, std::string_view anticodon, double copies) {
    if (anticodon.size() != 3) return false;
    std::array<char, 3> dna{};
    for (std::size_t i = 0; i < 3; ++i) dna[i] = anticodon[i] == 'U' || anticodon[i] == 'u' ? 'T' : anticodon[i];
    const int a = codonOfLetters(std::string_view(dna.data(), 3));
    if (a < 0) return false;
    // Selenocysteine and pyrrolysine tRNAs read a stop codon, and only where the mRNA
    // recodes it: they add nothing to a sense codon (Sec UCA would add to UGG by U:G).
    if (namedAs(aminoAcid, "sec") || namedAs(aminoAcid, "pyl")) return true;
    if (aminoAcid.starts_with("Ile") && a == CodonIndex(C, A, T)) {
        census.lysidineIle += copies;
        return true;
    }
    // The base pairing with codon position 1 is the anticodon's third; complement: A<->T, G<->C.
    const auto complement = [](int base) { return 3 - base; };
    census.byCodon[CodonIndex(complement(a % 4), complement((a / 4) % 4), complement(a / 16))] += copies;
    return true;
}

std::optional<std::array<double, 64>> trnaWeights(const TrnaCensus& census, const GeneticCode& code) {
    std::array<double, 64> w{};
    const auto& t = census.byCodon;
    for (int block = 0; block < 64; block += 4) {
        w[block + T] = t[block + T] + (1 - GU) * t[block + C];
        w[block + C] = t[block + C] + (1 - IC) * t[block + T];
        w[block + A] = t[block + A] + (1 - IA) * t[block + T];
        w[block + G] = t[block + G] + (1 - UG) * t[block + A];
    }
    w[CodonIndex(A, T, A)] += (1 - LA) * census.lysidineIle;
    double largest = 0;
    for (int c = 0; c < 64; ++c)
        if (counted(c, code)) largest = std::max(largest, w[c]);
    if (largest <= 0) return std::nullopt;
    double logSum = 0;
    int read = 0;
    for (int c = 0; c < 64; ++c) {
        if (!counted(c, code)) w[c] = 0;
        w[c] /= largest;
        if (w[c] > 0) {
            logSum += std::log(w[c]);
            ++read;
        }
    }
    const double unread = std::exp(logSum / read);
    for (int c = 0; c < 64; ++c)
        if (counted(c, code) && w[c] == 0) w[c] = unread;
    return w;
}

std::optional<double> trnaAdaptationIndex(const GeneCodonCounts& counts, const std::array<double, 64>& weights,
                                          const GeneticCode& code) {
    double logSum = 0;
    double n = 0;
    for (int c = 0; c < 64; ++c) {
        if (!counted(c, code) || counts[c] == 0) continue;
        logSum += counts[c] * std::log(weights[c]);
        n += counts[c];
    }
    if (n == 0) return std::nullopt;
    return std::exp(logSum / n);
}

}  // namespace kestrel
