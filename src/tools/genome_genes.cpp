#include "tools/genome_genes.hpp"

#include "analysis/genetic_code.hpp"
#include "formats/feature_table.hpp"

namespace kestrel::reference {

namespace {

char complementOf(char letter) {
    switch (letter) {
        case 'A': case 'a': return 'T';
        case 'C': case 'c': return 'G';
        case 'G': case 'g': return 'C';
        case 'T': case 't': return 'A';
        default: return 'N';
    }
}

// The CDS's letters in reading order; false when a part lies outside the sequence.
bool extractCds(const std::string& sequence, const std::vector<LocationPart>& parts, std::string& cds) {
    cds.clear();
    for (const LocationPart& p : parts) {
        if (p.first < 1 || p.last < p.first || static_cast<std::size_t>(p.last) > sequence.size()) return false;
        const std::size_t from = static_cast<std::size_t>(p.first) - 1;
        const std::size_t length = static_cast<std::size_t>(p.last - p.first) + 1;
        if (!p.minus) {
            cds.append(sequence, from, length);
            continue;
        }
        for (std::size_t i = from + length; i > from; --i) cds += complementOf(sequence[i - 1]);
    }
    return true;
}

bool isOrganelleRecord(const AnnotatedRecord& record) {
    for (const Feature& f : record.features)
        if (f.key == "source" && !f.organelle.empty()) return true;
    return false;
}

}  // namespace

void addRecordGenes(const AnnotatedRecord& record, const std::string& sequence, const std::string& fileName,
                    GenomeGenes& genome, const GeneReading& reading) {
    ++genome.records;
    const bool organelle = isOrganelleRecord(record);
    std::string cds;
    for (const Feature& f : record.features) {
        if (f.key != "CDS") continue;
        const Location loc = parseLocation(f.location);
        const std::vector<LocationPart> ascending = ascendingParts(loc.parts);
        if (const auto reason = skipReason(f, loc, ascending, record.hasSequence, record.length, reading.keepPseudo)) {
            genome.skipped.add(*reason);
            if (*reason == SkipReason::GeneticCode) ++genome.skipped.geneticCodes[f.geneticCode];
            continue;
        }
        const bool partial = isPartial(loc.parts);
        if (partial && !reading.keepPartial) {
            ++genome.partial;
            continue;
        }
        if (!extractCds(sequence, loc.parts, cds)) {
            ++genome.outsideSequence;
            continue;
        }
        ReferenceGene gene{fileName, record.name, f.locusTag, f.gene, f.proteinId, f.oldLocusTag, f.product};
        gene.organelleRecord = organelle;
        gene.translTable = f.geneticCode;
        gene.codons = countCodons(cds, gene.codonCount);
        gene.pseudo = f.pseudo;
        gene.partial = partial;
        if (reading.keepLetters) gene.letters = cds, gene.header = record.header;
        genome.genes.push_back(std::move(gene));
    }
}

std::int64_t countCodons(std::string_view cds, std::array<std::int32_t, 64>& counts) {
    std::int64_t added = 0;
    for (std::size_t i = 0; i + 3 <= cds.size(); i += 3) {
        const CodonBases b{baseIndex(cds[i]), baseIndex(cds[i + 1]), baseIndex(cds[i + 2])};
        if (hasNoBase(b)) continue;
        ++counts[static_cast<std::size_t>(CodonIndex(b))];
        ++added;
    }
    return added;
}

std::int32_t keepOneGeneticCode(GenomeGenes& genome, std::int32_t wanted) {
    std::map<std::int32_t, std::int64_t> byCode;
    for (const ReferenceGene& g : genome.genes) {
        ++genome.skipped.codesMet[g.translTable];
        ++byCode[codonsCode(g.translTable)];
    }
    const std::int32_t kept = chooseGeneticCode(byCode, wanted);
    std::erase_if(genome.genes, [&](const ReferenceGene& g) {
        if (codonsCode(g.translTable) == kept) return false;
        genome.skipped.add(SkipReason::GeneticCode);
        ++genome.skipped.geneticCodes[g.translTable];
        return true;
    });
    genome.skipped.codeKept = kept;
    return kept;
}

}  // namespace kestrel::reference
