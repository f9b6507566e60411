#include "input/gene_walk.hpp"

#include <algorithm>
#include <limits>

#include "analysis/codon_step.hpp"
#include "analysis/genetic_code.hpp"
#include "analysis/segment_window.hpp"

namespace kestrel {

namespace {

struct WalkBounds {
    std::int64_t firstPos;
    std::int64_t lastPos;
};

// From the lower flank's first base to the upper flank's last; each flank at most 1000
// bases and measured outward from the outermost coordinates of all alternative CDSs.
WalkBounds walkBounds(const GeneRecord& record) {
    const std::int64_t cdsStart = record.cdsStart();
    const std::int64_t cdsEnd = record.cdsEnd();
    const std::int64_t altFirst = record.altCDSFirst;
    const std::int64_t altLast = record.altCDSlast;

    WalkBounds bounds{cdsStart, cdsEnd};
    if (record.beforeSpace > 0) {
        const std::int64_t room = record.beforeSpace == UnlimitedSpace
                                      ? altFirst - 1
                                      : record.beforeSpace - (cdsStart - altFirst);
        const std::int64_t lowStart = altFirst - std::min(room, FlankCap);
        if (room > 0 && lowStart >= 1) bounds.firstPos = lowStart;
    }
    if (record.afterSpace > 0) {
        const std::int64_t room = record.afterSpace == UnlimitedSpace
                                      ? FlankCap
                                      : record.afterSpace - (altLast - cdsEnd);
        if (room > 0) bounds.lastPos = altLast + std::min(room, FlankCap);
    }
    // Positions below 1 hold no base.
    bounds.firstPos = std::max<std::int64_t>(bounds.firstPos, 1);
    return bounds;
}

std::int32_t codonTotalOf(const GeneRecord& record) {
    std::int64_t length = 0;
    for (std::int32_t k = 0; k < record.nExons; ++k)
        length += static_cast<std::int64_t>(record.exonLast(k)) - record.exonFirst(k) + 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        length / 3, std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
}

void countBase(int base, BaseCounts& bases, std::int32_t& bad) {
    if (base == NoBase)
        ++bad;
    else
        ++bases[base];
}

// Gathers the coding bases into codons, in coding order, and hands each complete codon to
// the codon step.
class CodonAssembler {
public:
    CodonAssembler(const GeneRecord& record, const GeneCounts& counts)
        : complement_(record.complement),
          cdsEnd_(record.cdsEnd()),
          phase_(complement_ ? 2 : 0),
          firstPending_(!complement_),
          lastPending_(complement_),
          codonNumber_(complement_ ? counts.codonTotal - 1 : 0) {}

    void add(int base, std::int64_t pos, const RunSettings& settings, const OptimalCodonFlags& optimal,
             GeneCounts& counts) {
        bases_[static_cast<std::size_t>(phase_)] = base;
        bool complete;
        if (complement_) {
            complete = phase_ == 0;
            phase_ = phase_ == 0 ? 2 : phase_ - 1;
        } else {
            complete = phase_ == 2;
            phase_ = phase_ == 2 ? 0 : phase_ + 1;
        }
        if (!complete) return;
        const bool isFirst = firstPending_ || (complement_ && pos == cdsEnd_);
        const bool isLast = lastPending_ || (!complement_ && pos == cdsEnd_);
        if (isFirst) firstPending_ = false;
        if (isLast) lastPending_ = false;
        codonStep(bases_, isFirst, isLast, codonNumber_, settings, optimal, counts);
        codonNumber_ += complement_ ? -1 : 1;
        ++handedOn_;
    }

    std::int32_t handedOn() const { return handedOn_; }

private:
    bool complement_;
    std::int64_t cdsEnd_;
    int phase_;  // where the next coding base goes in bases_
    bool firstPending_;
    bool lastPending_;
    std::int32_t codonNumber_;
    std::int32_t handedOn_ = 0;
    CodonBases bases_{NoBase, NoBase, NoBase};
};

// Where the bases of the flank below or above the gene are counted. Upstream lies before
// the gene in coding direction: below it on the forward strand, above it on the complement
// strand.
struct FlankCounts {
    FlankCounts(bool complement, bool above, GeneCounts& counts)
        : bases(complement != above ? counts.downBase : counts.upBase),
          bad(complement != above ? counts.downBad : counts.upBad) {}
    BaseCounts& bases;
    std::int32_t& bad;
};

// The walk proper: every position from firstPos to lastPos is classed as upstream,
// downstream, coding, core intron or not counted; coding bases become codons. Returns the
// position where the walk ended early, at the end of the stored sequence, or 0.
std::int64_t walkGene(ContigWindow& window, const GeneRecord& record, const WalkBounds& bounds,
                      const RunSettings& settings, const OptimalCodonFlags& optimal, CodonAssembler& codons,
                      GeneCounts& counts) {
    const StoredSequence& store = window.store();
    const std::int32_t lastRow = store.nRows() - 1;
    const std::int32_t basesPerRow = window.basesPerRow();
    const bool complement = record.complement;
    const std::int32_t nExons = record.nExons;
    const std::int64_t firstExonLast = record.exonLast(0);
    const std::int64_t lastExonFirst = record.exonFirst(nExons - 1);
    const FlankCounts below(complement, false, counts), above(complement, true, counts);

    std::int64_t pos = bounds.firstPos;
    std::int32_t row = window.rowOf(pos);
    std::int32_t column = window.columnOf(pos);
    const std::string* rowText = &store.row(row);

    std::int32_t exon = 0;
    bool rereading = false;

    while (pos <= bounds.lastPos) {
        if (!rereading && column == basesPerRow) {
            column = 0;
            if (row == lastRow)
                window.advanceWindow();
            else
                ++row;
            rowText = &store.row(row);
        }
        rereading = false;
        if (static_cast<std::size_t>(column) >= rowText->size()) return pos;  // past the contig's end
        int base = baseIndex((*rowText)[static_cast<std::size_t>(column)]);
        if (complement && base != NoBase) base = 3 - base;

        if (pos < record.altCDSFirst) {
            countBase(base, below.bases, below.bad);
        } else if (pos > record.altCDSlast) {
            countBase(base, above.bases, above.bad);
        } else if (exon < nExons && record.exonFirst(exon) <= pos && pos <= record.exonLast(exon)) {
            codons.add(base, pos, settings, optimal, counts);
        } else if (firstExonLast < pos && pos < lastExonFirst) {
            countBase(base, counts.coreBase, counts.coreBad);
        }

        if (pos == bounds.lastPos) break;
        if (exon < nExons && pos == record.exonLast(exon)) {
            ++exon;
            // A base shared by two exons is read once for each.
            if (exon < nExons && record.exonFirst(exon) == pos) {
                rereading = true;
                continue;
            }
        }
        ++pos;
        ++column;
    }
    return 0;
}

// A gene whose coding sequence was not read to its end: the codon at the unread end is not
// seen (the stop codon of a forward gene, the start codon of a complement gene), nor, when no
// codon was read, the one at the other end; its segment is not whole.
void markUnreadEnd(bool complement, bool anyCodon, GeneCounts& counts) {
    (complement ? counts.noStart : counts.noStop) = true;
    if (!anyCodon) (complement ? counts.noStop : counts.noStart) = true;
    counts.segmentValid = false;
}

// How a walk that ended early, at endedAt, went: before the last base of the CDS or after it,
// and why the sequence ended there.
ReadStatus earlyEnd(const ContigWindow& window, const GeneRecord& record, std::int64_t endedAt) {
    if (endedAt <= record.cdsEnd()) {
        if (window.overlongLine()) return ReadStatus::CdsPastOverlongLine;
        return window.unterminated() ? ReadStatus::CdsPastCut : ReadStatus::CdsPastEnd;
    }
    if (window.overlongLine()) return ReadStatus::ReadToOverlongLine;
    return window.unterminated() ? ReadStatus::ReadToCut : ReadStatus::Read;
}

}  // namespace

ReadStatus readGene(ContigWindow& window, const GeneRecord& record, bool forceNewFile,
                    const RunSettings& settings, const OptimalCodonFlags& optimal, GeneCounts& counts) {
    if (record.nExons <= 0 || record.cds.size() < 2 * static_cast<std::size_t>(record.nExons))
        return ReadStatus::NoCoordinates;
    counts.codonTotal = codonTotalOf(record);
    const WalkBounds bounds = walkBounds(record);
    if (!window.position(record.file, record.contig, forceNewFile, bounds.firstPos)) {
        if (window.openStatus() == OpenStatus::CannotOpen) return ReadStatus::FileNotOpened;
        if (window.openStatus() == OpenStatus::NotRegular) return ReadStatus::NotRegularFile;
        return window.overlongLine() ? ReadStatus::OverlongLine : ReadStatus::NotFound;
    }
    fixSegmentWindow(settings, counts);
    CodonAssembler codons(record, counts);
    const std::int64_t endedAt = walkGene(window, record, bounds, settings, optimal, codons, counts);
    if (endedAt == 0) return ReadStatus::Read;
    const ReadStatus status = earlyEnd(window, record, endedAt);
    if (!geneWasRead(status)) markUnreadEnd(record.complement, codons.handedOn() > 0, counts);
    return status;
}

}  // namespace kestrel
