#include "tools/gene_sets.hpp"

#include <optional>
#include <unordered_set>

#include "tools/codon_count_columns.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/reference_report.hpp"

namespace kestrel {

namespace {

struct KindName {
    std::string_view prefix;
    GeneSetKind kind;
};
constexpr KindName Kinds[] = {{"genes:", GeneSetKind::Genes},
                              {"reference:", GeneSetKind::Reference},
                              {"file:", GeneSetKind::File},
                              {"contig:", GeneSetKind::Contig}};

// Whether two paths name one file: the same file on disk, or the same text where either
// cannot be found.
bool sameFile(const std::string& a, const std::string& b) {
    const auto x = identityOf(a), y = identityOf(b);
    return x && y ? *x == *y : a == b;
}

std::vector<bool> namedGenes(const GeneSetChoice& choice, const GenePool& pool, std::size_t& unmatched) {
    bool table = false;
    const std::vector<std::string> listed = reference::readReferenceNames(choice.value, &table);
    if (choice.kind == GeneSetKind::Reference && !table)
        throw ToolFailure(ExitBadData, choice.value + ": not a kestrel-reference table (PREFIX.reference.tsv); "
                                                      "genes:FILE takes a list of gene names");
    const std::unordered_set<std::string> names(listed.begin(), listed.end());
    std::vector<bool> in(pool.genes.size());
    std::unordered_set<std::string> used;
    for (std::size_t g = 0; g < pool.genes.size(); ++g) {
        if (names.count(pool.genes[g].name) == 0) continue;
        in[g] = true;
        used.insert(pool.genes[g].name);
    }
    // A reference table names each gene three ways; a name counts as matched when any does.
    unmatched = table ? 0 : names.size() - used.size();
    return in;
}

}  // namespace

GeneSetChoice parseGeneSetChoice(const std::string& text) {
    for (const KindName& k : Kinds)
        if (text.starts_with(k.prefix) && text.size() > k.prefix.size())
            return {k.kind, text.substr(k.prefix.size()), text};
    throw UsageError("a set is genes:FILE, reference:FILE, file:OUTPUT.kstl or contig:ID, not " + text);
}

GenePool readGenePool(const std::vector<std::string>& paths, bool allowIncomplete, std::string_view tool,
                      std::ostream& err) {
    GenePool pool;
    CountedGene row;
    for (const std::string& path : paths) {
        bool seen = false;
        for (const std::string& file : pool.files) seen = seen || sameFile(file, path);
        if (seen) continue;
        CountedGeneReader reader(path, nullptr, {}, tool);
        if (pool.files.empty()) pool.geneticCode = reader.geneticCode();
        if (reader.geneticCode() != pool.geneticCode)
            throw ToolFailure(ExitBadData, path + ": its genes were read with genetic code " +
                                               std::to_string(reader.geneticCode()) + ", those of " +
                                               pool.files.front() + " with " + std::to_string(pool.geneticCode) +
                                               ": the codons of one comparison follow one code");
        const auto file = static_cast<std::uint32_t>(pool.files.size());
        pool.files.push_back(path);
        while (reader.next(row))
            pool.genes.push_back({file, std::string(row.name), std::string(row.contig), row.counts});
        reader.checkComplete(allowIncomplete, err);
    }
    return pool;
}

std::vector<bool> genesInSet(const GeneSetChoice& choice, const GenePool& pool, std::size_t& unmatched) {
    unmatched = 0;
    if (choice.kind == GeneSetKind::Genes || choice.kind == GeneSetKind::Reference)
        return namedGenes(choice, pool, unmatched);
    std::vector<bool> in(pool.genes.size());
    std::vector<bool> fileIn(pool.files.size());
    if (choice.kind == GeneSetKind::File)
        for (std::size_t f = 0; f < pool.files.size(); ++f) fileIn[f] = sameFile(pool.files[f], choice.value);
    for (std::size_t g = 0; g < pool.genes.size(); ++g)
        in[g] = choice.kind == GeneSetKind::File ? fileIn[pool.genes[g].file] : pool.genes[g].contig == choice.value;
    return in;
}

}  // namespace kestrel
