#include "tools/lookup_builder.hpp"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "analysis/genetic_code.hpp"
#include "tools/trna_features.hpp"

namespace kestrel::lookup {

namespace {

bool isGeneLike(const std::string& key) {
    static constexpr std::array<const char*, 7> keys{"gene", "CDS", "tRNA", "rRNA", "ncRNA", "tmRNA", "misc_RNA"};
    return std::any_of(keys.begin(), keys.end(), [&](const char* k) { return key == k; });
}

// A stretch of the record occupied by one named gene-like feature.
struct Interval {
    std::int64_t start;
    std::int64_t end;
    std::int32_t nameId;
};

// Where a feature lies: one interval per ascending run of parts, so that a gene across the
// origin of a circular genome does not cover the whole record.
void addIntervals(const std::vector<LocationPart>& parts, std::int32_t nameId, std::vector<Interval>& out) {
    const std::vector<LocationPart> ordered = ascendingParts(parts);
    std::optional<Interval> run;
    std::int64_t previousLast = 0;
    for (const LocationPart& p : ordered) {
        const std::int64_t lo = std::min(p.first, p.last);
        const std::int64_t hi = std::max(p.first, p.last);
        if (run && lo < previousLast) {
            out.push_back(*run);
            run.reset();
        }
        if (!run) run = Interval{lo, hi, nameId};
        run->start = std::min(run->start, lo);
        run->end = std::max(run->end, hi);
        previousLast = hi;
    }
    if (run) out.push_back(*run);
}

// The highest end among intervals starting below a position, kept also for the best other name, so
// that one query excludes a CDS's own name in constant time.
struct TopEnds {
    std::optional<std::int64_t> best;
    std::int32_t bestId = -1;
    std::optional<std::int64_t> other;  // highest end among names other than bestId

    void add(std::int64_t end, std::int32_t id) {
        if (best && id == bestId) {
            best = std::max(*best, end);
        } else if (!best || end > *best) {
            other = best;
            best = end;
            bestId = id;
        } else if (!other || end > *other) {
            other = end;
        }
    }
    std::optional<std::int64_t> excluding(std::int32_t id) const { return id == bestId ? other : best; }
};

// For each query (position, name), the room down to the nearest interval of another name that starts
// below the position: position − end − 1, or none.
class LowerNeighbours {
public:
    explicit LowerNeighbours(std::vector<Interval> intervals) : intervals_(std::move(intervals)) {
        std::sort(intervals_.begin(), intervals_.end(),
                  [](const Interval& a, const Interval& b) { return a.start < b.start; });
        prefix_.resize(intervals_.size() + 1);
        for (std::size_t i = 0; i < intervals_.size(); ++i) {
            prefix_[i + 1] = prefix_[i];
            prefix_[i + 1].add(intervals_[i].end, intervals_[i].nameId);
        }
    }

    std::int64_t space(std::int64_t position, std::int32_t nameId) const {
        const auto below = std::lower_bound(intervals_.begin(), intervals_.end(), position,
                                            [](const Interval& iv, std::int64_t p) { return iv.start < p; });
        const auto end = prefix_[static_cast<std::size_t>(below - intervals_.begin())].excluding(nameId);
        return end ? position - *end - 1 : UnlimitedSpace;
    }

private:
    std::vector<Interval> intervals_;
    std::vector<TopEnds> prefix_;
};

struct Candidate {
    std::vector<LocationPart> ascending;
    std::string gene;
    std::int32_t nameId;
    std::int32_t geneticCode;
};

// What the lookup reader would not give back: '#' (every line holding "#CDS" counts as an entry)
// and control characters (line ends among them).
bool isMisread(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '#' || u < ' ' || u == 0x7F;
}

// The CDSs of a record that get an entry; every named gene-like feature, skipped CDSs included,
// adds where it lies to intervals.
std::vector<Candidate> collectCandidates(const AnnotatedRecord& record, const BuildOptions& options, SkipTally& skipped,
                                         std::vector<Interval>& intervals) {
    std::unordered_map<std::string, std::int32_t> nameIds;
    std::int32_t nextId = 0;
    auto idOf = [&](const std::string& name) {
        if (name.empty()) return nextId++;  // an unnamed feature is its own neighbour name
        const auto [it, inserted] = nameIds.try_emplace(name, nextId);
        if (inserted) ++nextId;
        return it->second;
    };

    std::vector<Candidate> candidates;
    std::int32_t cdsOrdinal = 0;
    for (const Feature& f : record.features) {
        if (!isGeneLike(f.key)) continue;
        const Location loc = parseLocation(f.location);
        const bool isCds = f.key == "CDS";
        std::string name = !f.gene.empty() ? f.gene : f.locusTag;
        if (isCds) {
            ++cdsOrdinal;
            if (name.empty()) name = f.proteinId;
            if (name.empty()) name = "cds_" + std::to_string(record.ordinal) + "_" + std::to_string(cdsOrdinal);
        }
        const std::int32_t nameId = idOf(name);
        addIntervals(loc.parts, nameId, intervals);
        if (!isCds) continue;

        const std::vector<LocationPart> ascending = ascendingParts(loc.parts);
        if (const auto reason = skipReason(f, loc, ascending, record.contig != 0, record.length, options.keepPseudo)) {
            skipped.add(*reason);
            if (*reason == SkipReason::GeneticCode) ++skipped.geneticCodes[f.geneticCode];
            continue;
        }
        candidates.push_back(Candidate{ascending, name, nameId, f.geneticCode});
    }
    return candidates;
}

}  // namespace

std::string readableGeneName(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == ' ' || isMisread(c)) c = '_';  // the output's cells are separated by blanks
    if (out.size() > MaxGeneNameLength) {
        std::size_t cut = MaxGeneNameLength;
        // Not inside a UTF-8 character: back to the first byte of the one that would be cut.
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    return out;
}

std::optional<std::string> fileNameProblem(const std::string& file) {
    if (file.size() > MaxFileNameLength)
        return "the file name " + file + " is longer than " + std::to_string(MaxFileNameLength) +
               " characters; the analysis could not open it";
    if (std::any_of(file.begin(), file.end(), isMisread))
        return "the file name " + file + " holds a '#' or a control character, which the analysis would misread "
               "in the lookup table; rename the file";
    return std::nullopt;
}

std::int32_t keepOneGeneticCode(std::vector<CdsEntry>& entries, std::int32_t wanted, SkipTally& skipped) {
    std::map<std::int32_t, std::int64_t> byCode;
    for (const CdsEntry& e : entries) {
        ++skipped.codesMet[e.geneticCode];
        ++byCode[codonsCode(e.geneticCode)];
    }
    const std::int32_t kept = chooseGeneticCode(byCode, wanted);
    std::erase_if(entries, [&](const CdsEntry& e) {
        if (codonsCode(e.geneticCode) == kept) return false;
        skipped.add(SkipReason::GeneticCode);
        ++skipped.geneticCodes[e.geneticCode];
        return true;
    });
    skipped.codeKept = kept;
    return kept;
}

std::vector<CdsEntry> buildRecordEntries(const AnnotatedRecord& record, const std::string& fileName,
                                            SkipTally& skipped, const BuildOptions& options) {
    std::vector<Interval> intervals;
    const std::vector<Candidate> candidates = collectCandidates(record, options, skipped, intervals);

    // Alternative CDSs of one gene: how many, and the span they cover together.
    struct NameSpan {
        std::int32_t listings = 0;
        std::int32_t first = 0;
        std::int32_t last = 0;
    };
    std::unordered_map<std::int32_t, NameSpan> spans;
    for (const Candidate& c : candidates) {
        NameSpan& s = spans[c.nameId];
        const std::int32_t first = c.ascending.front().first;
        const std::int32_t last = c.ascending.back().last;
        s.first = s.listings == 0 ? first : std::min(s.first, first);
        s.last = s.listings == 0 ? last : std::max(s.last, last);
        ++s.listings;
    }

    // Toward higher positions the same search runs on mirrored coordinates.
    std::vector<Interval> mirrored;
    mirrored.reserve(intervals.size());
    for (const Interval& iv : intervals) mirrored.push_back(Interval{-iv.end, -iv.start, iv.nameId});
    const LowerNeighbours below(std::move(intervals));
    const LowerNeighbours above(std::move(mirrored));

    std::vector<CdsEntry> entries;
    entries.reserve(candidates.size());
    for (const Candidate& c : candidates) {
        const NameSpan& s = spans.at(c.nameId);
        CdsEntry e;
        e.location = locationText(c.ascending);
        e.gene = readableGeneName(c.gene);
        if (e.gene != c.gene) ++skipped.renamed;
        e.geneticCode = c.geneticCode;
        e.nListings = s.listings;
        e.nAlt = s.listings - 1;
        e.file = fileName;
        e.contig = record.contig;
        e.first = c.ascending.front().first;
        e.last = c.ascending.back().last;
        // A coding sequence given alone has nothing around it to read.
        e.beforeSpace = record.codingOnly ? 0 : below.space(e.first, c.nameId);
        e.afterSpace = record.codingOnly ? 0 : above.space(-static_cast<std::int64_t>(e.last), c.nameId);
        e.altCDSFirst = s.first;
        e.altCDSlast = s.last;
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CdsEntry& a, const CdsEntry& b) { return a.first < b.first; });
    return entries;
}

std::int32_t buildFileEntries(std::istream& in, const std::string& fileName, std::vector<CdsEntry>& entries,
                              SkipTally& skipped, const BuildOptions& options, TrnaTally* trnas) {
    return readFeatureTable(in, FeatureTableDialect::GenBank, [&](AnnotatedRecord& record) {
        if (trnas) addTrnaFeatures(record, *trnas);
        std::vector<CdsEntry> recordEntries = buildRecordEntries(record, fileName, skipped, options);
        std::move(recordEntries.begin(), recordEntries.end(), std::back_inserter(entries));
    });
}

namespace {

// " [table 2: 1, table 4: 2]", or nothing for no CDS.
std::string codeCounts(const std::map<std::int32_t, std::int64_t>& byCode) {
    std::string codes;
    for (const auto& [code, count] : byCode)
        codes += (codes.empty() ? " [table " : ", table ") + std::to_string(code) + ": " + std::to_string(count);
    return codes.empty() ? codes : codes + ']';
}

}  // namespace

std::string summaryLine(std::size_t entriesWritten, const SkipTally& s) {
    return "kestrel-lookup: " + std::to_string(entriesWritten) + " entries written, " +
           std::to_string(s.total()) + " CDS features skipped (" +
           std::to_string(s[SkipReason::OtherRecord]) + " on another record, " +
           std::to_string(s[SkipReason::Order]) + " order(), " +
           std::to_string(s[SkipReason::BothStrands]) + " on both strands, " +
           std::to_string(s[SkipReason::NotAscending]) + " parts not in ascending order, " +
           std::to_string(s[SkipReason::Unreadable]) + " unreadable location, " +
           std::to_string(s[SkipReason::TooLong]) + " too many exons, " +
           std::to_string(s[SkipReason::NoSequence]) + " record without sequence, " +
           std::to_string(s[SkipReason::PastEnd]) + " past the end of the sequence, " +
           std::to_string(s[SkipReason::Pseudo]) + " pseudogene, " +
           std::to_string(s[SkipReason::CodonStart]) + " codon_start not 1, " +
           std::to_string(s[SkipReason::GeneticCode]) + " genetic code not kept" + codeCounts(s.geneticCodes) + "), " +
           std::to_string(s.renamed) + " gene names renamed; genetic codes met" +
           (s.codesMet.empty() ? " none" : codeCounts(s.codesMet)) + ", code " + std::to_string(s.codeKept) + " kept";
}

}  // namespace kestrel::lookup
