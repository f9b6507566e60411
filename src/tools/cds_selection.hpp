// Which CDS features of an annotated record the companion tools read as genes, and why the
// others are passed over: one decision shared by the lookup builder and the reference builder.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/feature_table.hpp"
#include "tools/command_line.hpp"

namespace kestrel {

// Why a CDS feature is not read as a gene.
enum class SkipReason {
    OtherRecord,   // the location names another record
    Order,         // order() of parts, not a spliced sequence
    BothStrands,   // parts on both strands
    NotAscending,  // parts out of order along the strand, as across the origin of a circular genome
    Unreadable,    // a location that is not made of ranges, complement() and join()
    TooLong,       // more exons or a longer location line than the analysis reads
    NoSequence,    // the record has no ORIGIN section to read the gene from
    PastEnd,       // a part runs past the end of the record's sequence
    Pseudo,        // /pseudo or /pseudogene, unless kept
    CodonStart,    // a complete CDS whose reading frame does not begin at its first base
    GeneticCode,   // a /transl_table of another code than the one kept, or of no NCBI table
};
inline constexpr std::size_t SkipReasonCount = 11;

struct SkipTally {
    std::array<std::int64_t, SkipReasonCount> counts{};
    std::map<std::int32_t, std::int64_t> geneticCodes;  // CDSs skipped for their genetic code, by table number
    // The CDSs that pass every other test, by /transl_table; and the code kept.
    std::map<std::int32_t, std::int64_t> codesMet;
    std::int32_t codeKept = 1;
    std::int64_t renamed = 0;  // entries written under a gene name made readable (not a skip)
    void add(SkipReason reason) { ++counts[static_cast<std::size_t>(reason)]; }
    std::int64_t operator[](SkipReason reason) const { return counts[static_cast<std::size_t>(reason)]; }
    std::int64_t total() const;
};

// Parts in ascending coordinate order: the reading order on the plus strand, its reverse on the minus strand.
std::vector<LocationPart> ascendingParts(const std::vector<LocationPart>& parts);

// A location as the lookup table writes it: ranges ascending, in join() and complement() as needed.
std::string locationText(const std::vector<LocationPart>& ascending);

// A part of the location is open-ended ('<' or '>').
bool isPartial(const std::vector<LocationPart>& parts);

// Why a CDS is not read as a gene, if it is not: first what its location allows, then what the
// analysis would get wrong (it reads every complete CDS from its first base, in an NCBI code),
// then whether the record's sequence (of sequenceLength bases, when it has one) holds it.
// A partial CDS is read (the analysis passes over it as incomplete).
std::optional<SkipReason> skipReason(const Feature& f, const Location& loc, const std::vector<LocationPart>& ascending,
                                     bool hasSequence, std::int64_t sequenceLength, bool keepPseudo);

// The code a /transl_table reads the codons with: 11 reads them as the standard code does.
constexpr std::int32_t codonsCode(std::int32_t translTable) { return translTable == 11 ? 1 : translTable; }

// The genetic code whose genes are kept: wanted, or when 0 the code of the most genes
// (byCode: genes by codonsCode), the lower number on a tie, 1 when there is none.
std::int32_t chooseGeneticCode(const std::map<std::int32_t, std::int64_t>& byCode, std::int32_t wanted);

// The number of --genetic-code (or -g), 0 when not given; a UsageError for a number that
// names no NCBI code.
std::int32_t geneticCodeOption(const CommandLine& line);

}  // namespace kestrel
