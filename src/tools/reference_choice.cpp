#include "tools/reference_choice.hpp"

#include <sstream>

#include "formats/reference_file.hpp"
#include "formats/text_input.hpp"
#include "tools/annotated_inputs.hpp"
#include "tools/command_line.hpp"
#include "tools/iterative_set.hpp"
#include "tools/reference_set.hpp"
#include "tools/ribosomal_products.hpp"

namespace kestrel::reference {

namespace {

std::string roundsText(const IterativeSet& set) {
    std::string text = "Rounds of the iterative method (genes kept, genes new to the set):";
    for (std::size_t r = 0; r < set.rounds.size(); ++r)
        text += (r == 0 ? " " : "; ") + std::to_string(r + 1) + ": " + std::to_string(set.rounds[r].setSize) + ", " +
                std::to_string(set.rounds[r].changed);
    return text + (set.converged ? "; the set stopped changing." : "; stopped before the set stopped changing.");
}

// The genes at the end of the first COA axis, and how their optimal codons compare with those
// of the ribosomal-protein genes.
std::vector<std::size_t> coaSet(const GenomeGenes& genome, const RunSettings& settings, double share, Provenance& how,
                                const std::string& prefix, std::ostream& err) {
    std::vector<GeneCodonCounts> counts;
    for (const ReferenceGene& g : genome.genes) counts.push_back(g.codonCount);
    const std::vector<std::size_t> ribosomal = ribosomalGenes(genome.genes);
    std::vector<bool> marked(genome.genes.size(), false);
    for (const std::size_t i : ribosomal) marked[i] = true;
    const CoaReferenceSet found = coaReferenceSet(counts, marked, settings, share);
    how.method = coaReferenceMethod(share);
    how.notes = coaReferenceNotes(found);
    if (!ribosomal.empty() && !found.members.empty()) {
        const ReferenceResult ours = buildReference(genome.genes, found.members, settings, how.pThreshold);
        const ReferenceResult theirs = buildReference(genome.genes, ribosomal, settings, how.pThreshold);
        int shared = 0;
        for (int c = 0; c < 64; ++c) shared += ours.codons[c].optimal && theirs.codons[c].optimal ? 1 : 0;
        how.notes.push_back(std::to_string(shared) + " of its " + std::to_string(ours.optimalCodons) +
                            " optimal codons are optimal in the ribosomal set too, which has " +
                            std::to_string(theirs.optimalCodons) + ".");
    }
    for (const std::string& note : how.notes) err << prefix << note << '\n';
    return found.members;
}

}  // namespace

bool isSetName(const std::string& set) {
    return set == "ribosomal" || set == "iterative" || set == "coa" || (set.starts_with("genes:") && set.size() > 6);
}

std::vector<std::size_t> chooseSet(const SetChoice& choice, const GenomeGenes& genome, const RunSettings& settings,
                                   Provenance& how, const std::string& prefix, std::ostream& err) {
    const std::string& set = choice.set;
    if (set == "coa") return coaSet(genome, settings, choice.coaShare, how, prefix, err);
    if (set == "ribosomal") {
        how.method = "ribosomal: the CDSs whose /product names a cytoplasmic ribosomal protein";
        return ribosomalGenes(genome.genes);
    }
    if (set == "iterative") {
        how.method = "iterative: from all genes, the highest-CAI half under the weights of the current set, down to "
                     "1% of the genes (at least 20), until the set stops changing; CAI weights below the minimum "
                     "RSCU 0.01 raised to it";
        const IterativeSet result = iterateReferenceSet(genome.genes, settings);
        how.notes.push_back(roundsText(result));
        err << prefix << how.notes.back() << '\n';
        return result.members;
    }
    const std::string file = set.substr(6);
    ListedGenes listed;
    TextInput in;
    openInput(in, file);
    listed = listedGenes(in, genome.genes);
    checkRead(in, file);
    how.method = "genes: the genes named in " + file;
    if (!listed.unmatched.empty()) {
        std::string names;
        for (const std::string& n : listed.unmatched) names += (names.empty() ? "" : ", ") + n;
        how.notes.push_back(std::to_string(listed.unmatched.size()) + " of the " + std::to_string(listed.names) +
                            " names of " + file + " match no gene read: " + names);
        err << prefix << how.notes.back() << '\n';
    }
    return listed.members;
}

ReferenceFiles makeReferenceFiles(const GenomeGenes& genome, std::vector<std::size_t> members,
                                  const RunSettings& settings, const Provenance& how) {
    ReferenceFiles files;
    files.result = buildReference(genome.genes, std::move(members), settings, how.pThreshold);
    const ReferenceResult& result = files.result;
    for (int c = 0; c < 64; ++c) {
        if (result.reference[c] > INT32_MAX) throw ToolFailure(ExitBadData, "a codon count of the set exceeds 2^31 - 1");
        files.counts[c] = static_cast<std::int32_t>(result.reference[c]);
        files.optimal[c] = result.codons[c].optimal ? 1 : 0;
    }
    const GeneticCode& code = settings.geneticCode;
    std::ostringstream scu, opt, table;
    writeReferenceFile(scu, scuTitle(how, genome, result), files.counts, code);
    writeReferenceFile(opt, optTitle(how, genome, result), files.optimal, code);
    writeReferenceTable(table, genome, result, code);
    files.scu = scu.str();
    files.opt = opt.str();
    files.table = table.str();
    return files;
}

}  // namespace kestrel::reference
