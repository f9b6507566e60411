#include "tools/trna_features.hpp"

#include <cctype>
#include <string_view>

namespace kestrel::lookup {

namespace {

// Three letters of A, C, G, T or U (either case) as an RNA anticodon, else empty.
std::string anticodonOf(std::string_view letters) {
    if (letters.size() != 3) return {};
    std::string rna;
    for (const char c : letters) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper != 'A' && upper != 'C' && upper != 'G' && upper != 'T' && upper != 'U') return {};
        rna += upper == 'T' ? 'U' : upper;
    }
    return rna;
}

// The text after key up to the next ',' or ')' of a /anticodon value.
std::string_view field(std::string_view value, std::string_view key) {
    const std::size_t at = value.find(key);
    if (at == std::string_view::npos) return {};
    const std::size_t start = at + key.size();
    const std::size_t end = value.find_first_of(",)", start);
    return value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

// An amino acid as three letters, first upper case ("Leu" of "Leu2" or "LEU").
std::string aminoAcidOf(std::string_view name) {
    if (name.starts_with("fMet") || name.starts_with("iMet")) name.remove_prefix(1);  // initiator tRNAs
    if (name.size() < 3) return {};
    std::string aa;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!std::isalpha(static_cast<unsigned char>(name[i]))) return {};
        aa += static_cast<char>(i == 0 ? std::toupper(static_cast<unsigned char>(name[i]))
                                       : std::tolower(static_cast<unsigned char>(name[i])));
    }
    return aa;
}

// The anticodon in "(XXX)" in a note.
std::string anticodonInNote(std::string_view note) {
    for (std::size_t open = note.find('('); open != std::string_view::npos; open = note.find('(', open + 1))
        if (open + 4 < note.size() && note[open + 4] == ')')
            if (std::string rna = anticodonOf(note.substr(open + 1, 3)); !rna.empty()) return rna;
    return {};
}

// The amino acid of a product "tRNA-Leu"; "tRNA-initiator Met" is Met.
std::string aminoAcidOfProduct(std::string_view product) {
    if (!product.starts_with("tRNA-")) return {};
    product.remove_prefix(5);
    if (product.starts_with("initiator ")) product.remove_prefix(10);
    return aminoAcidOf(product);
}

}  // namespace

void addTrnaFeatures(const AnnotatedRecord& record, TrnaTally& tally) {
    for (const Feature& feature : record.features) {
        if (feature.key != "tRNA") continue;
        if (feature.pseudo) {
            ++tally.pseudo;
            continue;
        }
        std::string aa = aminoAcidOf(field(feature.anticodon, "aa:"));
        std::string anticodon = anticodonOf(field(feature.anticodon, "seq:"));
        if (aa.empty() || anticodon.empty()) {
            aa = aminoAcidOfProduct(feature.product);
            anticodon = anticodonInNote(feature.note);
        }
        if (aa.empty() || anticodon.empty()) {
            ++tally.noAnticodon;
            continue;
        }
        ++tally.genes[{aa, anticodon}];
    }
}

std::vector<TrnaGeneCount> censusOf(const TrnaTally& tally) {
    std::vector<TrnaGeneCount> census;
    for (const auto& [key, genes] : tally.genes) census.push_back({key.first, key.second, genes});
    return census;
}

std::string trnaSummaryLine(const TrnaTally& tally) {
    long genes = 0;
    for (const auto& entry : tally.genes) genes += entry.second;
    return "kestrel-lookup: " + std::to_string(genes) + " tRNA genes in the census, " +
           std::to_string(tally.pseudo + tally.noAnticodon) + " tRNA features skipped (" +
           std::to_string(tally.pseudo) + " pseudogene, " + std::to_string(tally.noAnticodon) +
           " without a readable amino acid and anticodon)";
}

}  // namespace kestrel::lookup
