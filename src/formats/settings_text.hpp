// The words that show a run's choices: as the output file's header records them and, where
// the dialogue's menus show the same choice, as the menus show it. One place for both, so
// that they cannot drift apart.
#pragma once

#include <string_view>

#include "analysis/run_settings.hpp"

namespace kestrel {

// A choice as its menu line shows it and as the output file's header records it, where
// the two differ.
struct ChoiceText {
    std::string_view menu;
    std::string_view header;
};

constexpr ChoiceText genomeTypeText(GenomeType type) {
    if (type == GenomeType::Prokaryote) return {"prokaryote/phage", "Prokaryote (or phage)"};
    return {"Eukaryote/virus", "Eukaryote (or virus)"};
}

constexpr ChoiceText noncodingModeText(NoncodingMode mode) {
    switch (mode) {
        case NoncodingMode::Combined: return {"combine all NC sequence", "combine all NC sequence"};
        case NoncodingMode::FlanksAndIntrons:
            return {"separate flanking and core introns", "separate flanking and core introns"};
        case NoncodingMode::Separate: break;
    }
    return {"separate upstream, core intron and downstream", "separate upstream, core introns and downstream"};
}

// Inclusion rules 1 and 2: the start or stop codon a gene must have.
constexpr std::string_view codonRequiredText(bool required) {
    return required ? "required to include other codons" : "not required to included other codons";
}

// Inclusion rule 3.
constexpr std::string_view allCodonsGoodText(bool required) {
    return required ? "all of a gene's codons must be good" : "will use any good codon (but see 1 and 2)";
}

constexpr std::string_view segmentTypeText(bool fromStop) {
    return fromStop ? "analyze segment relative to stop codon" : "analyze segment relative to start codon";
}

// The words after a segment limit: where the codons are counted from, and, after the
// first limit, " to".
constexpr std::string_view segmentLimitText(bool fromStop, bool first) {
    if (fromStop) return first ? " codon(s) upstream from stop to" : " codon(s) upstream from stop";
    return first ? " codon(s) dowmstream from start to" : " codon(s) dowmstream from start";
}

}  // namespace kestrel
