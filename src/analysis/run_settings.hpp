// Every choice the user makes in the setup dialogue. The menus write it; every later
// step only reads it. Each menu sets the defaults of its own fields when it starts, so
// the fields of a menu that never runs keep the values below.
//
// The texts that show a choice live here too, so that the menus and the output file's
// header cannot drift apart where they print the same words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/genetic_code.hpp"

namespace kestrel {

enum class GenomeType { Eukaryote, Prokaryote };

// How the noncoding bases are grouped in the output.
enum class NoncodingMode {
    Combined = 0,          // one group: flanks and core introns together
    FlanksAndIntrons = 1,  // core introns, then both flanks together
    Separate = 2,          // upstream, core introns, downstream
};

struct RunSettings {
    // The command line: the genetic code the genes are read with.
    GeneticCode geneticCode = StandardCode;

    // Main menu.
    std::string lookupFileName;
    std::string outputFileName;  // typed name + ".kstl"
    GenomeType genomeType = GenomeType::Eukaryote;
    bool rscuTableUsed = false;
    std::string rscuFileName;  // typed prefix + ".scu"
    double minimumRscu = 0.0;
    bool preferredCodonListUsed = false;
    std::string preferredCodonFileName;  // typed prefix + ".opt"

    // Analysis options menu.
    bool checkLookupTable = false;
    bool segmentAnalysis = false;
    bool startCodonRequired = false;
    bool stopCodonRequired = false;
    bool allCodonsMustBeGood = false;
    bool noAlternativeCds = false;
    bool noPrematureStops = false;
    bool codonUsageOutput = false;
    bool reportBaseUsage = false;
    bool degeneracyBreakdown = false;
    NoncodingMode noncodingMode = NoncodingMode::Combined;

    // Lookup check options menu.
    bool checkAlt = false;
    bool checkSequenceFile = false;
    bool checkCdsEnds = false;

    // Segment analysis options menu.
    bool segmentRelativeToStop = false;
    std::int32_t segmentBegin = 0;
    std::int32_t segmentEnd = 0;
};

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

// Stringency options 1 and 2: the start or stop codon a gene must have.
constexpr std::string_view codonRequiredText(bool required) {
    return required ? "required to include other codons" : "not required to included other codons";
}

// Stringency option 3.
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
