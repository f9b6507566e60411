#include "tools/cds_selection.hpp"

#include <algorithm>
#include <charconv>

#include "analysis/genetic_code.hpp"
#include "formats/lookup_format.hpp"

namespace kestrel {

namespace {

bool inAscendingOrder(const std::vector<LocationPart>& parts) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].first > parts[i].last) return false;
        // A base shared by two exons (a ribosomal frameshift) is allowed.
        if (i > 0 && parts[i].first < parts[i - 1].last) return false;
    }
    return true;
}

}  // namespace

// Parts in ascending coordinate order: the reading order on the plus strand, its reverse on the minus strand.
std::vector<LocationPart> ascendingParts(const std::vector<LocationPart>& parts) {
    std::vector<LocationPart> out = parts;
    if (!out.empty() && std::all_of(out.begin(), out.end(), [](const LocationPart& p) { return p.minus; }))
        std::reverse(out.begin(), out.end());
    return out;
}

std::string locationText(const std::vector<LocationPart>& ascending) {
    std::string text;
    for (const LocationPart& p : ascending) {
        if (!text.empty()) text += ',';
        if (p.firstMark) text += p.firstMark;
        text += std::to_string(p.first) + "..";
        if (p.lastMark) text += p.lastMark;
        text += std::to_string(p.last);
    }
    if (ascending.size() > 1) text = "join(" + text + ")";
    if (ascending.front().minus) text = "complement(" + text + ")";
    return text;
}

bool isPartial(const std::vector<LocationPart>& parts) {
    return std::any_of(parts.begin(), parts.end(), [](const LocationPart& p) { return p.firstMark || p.lastMark; });
}

std::optional<SkipReason> skipReason(const Feature& f, const Location& loc, const std::vector<LocationPart>& ascending,
                                     bool hasSequence, std::int64_t sequenceLength, bool keepPseudo) {
    const bool oneStrand = std::all_of(loc.parts.begin(), loc.parts.end(),
                                       [&](const LocationPart& p) { return p.minus == loc.parts.front().minus; });
    if (f.tooLong) return SkipReason::TooLong;
    if (loc.kind == LocationKind::OtherRecord) return SkipReason::OtherRecord;
    if (loc.kind == LocationKind::Order) return SkipReason::Order;
    if (loc.kind == LocationKind::Unreadable) return SkipReason::Unreadable;
    if (!oneStrand) return SkipReason::BothStrands;
    if (!inAscendingOrder(ascending)) return SkipReason::NotAscending;
    if (ascending.size() > MaxExons || !fitsOnLine(LookupLine::Cds, locationText(ascending).size()))
        return SkipReason::TooLong;
    if (f.pseudo && !keepPseudo) return SkipReason::Pseudo;
    // A partial CDS is written: the analysis passes over it as incomplete.
    if (f.codonStart != 1 && !isPartial(ascending)) return SkipReason::CodonStart;
    if (!geneticCodeOf(f.geneticCode)) return SkipReason::GeneticCode;
    if (!hasSequence) return SkipReason::NoSequence;
    // The analysis would read such a gene only up to the end of its sequence.
    if (ascending.back().last > sequenceLength) return SkipReason::PastEnd;
    return std::nullopt;
}

std::int64_t SkipTally::total() const {
    std::int64_t sum = 0;
    for (std::int64_t c : counts) sum += c;
    return sum;
}

std::int32_t chooseGeneticCode(const std::map<std::int32_t, std::int64_t>& byCode, std::int32_t wanted) {
    if (wanted != 0) return codonsCode(wanted);
    std::int32_t kept = 1;
    std::int64_t most = 0;
    for (const auto& [code, count] : byCode)
        if (count > most) kept = code, most = count;
    return kept;
}

std::int32_t geneticCodeOption(const CommandLine& line) {
    const auto text = line.value("--genetic-code");
    if (!text) return 0;
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc{} || end != text->data() + text->size() || !geneticCodeOf(number))
        throw UsageError("'" + *text + "' is not the number of an NCBI genetic code (1 to 6, 9 to 16, 21 to 33)");
    return number;
}

}  // namespace kestrel
