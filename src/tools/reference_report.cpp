#include "tools/reference_report.hpp"

#include <cstdio>
#include <optional>

#include "analysis/codon_letters.hpp"
#include "formats/reference_file.hpp"
#include "formats/text_input.hpp"
#include "formats/text_lines.hpp"
#include "tools/command_line.hpp"
#include "tools/number_text.hpp"
#include "tools/tool_input.hpp"

namespace kestrel::reference {

namespace {

// The table's first columns: those of a gene's names come first, so that a reader of names
// knows the table by them.
constexpr std::string_view TableHeader = "kind\tfile\trecord\tlocus_tag\tgene\tprotein_id";
constexpr std::size_t FirstNameCell = 3;

std::int64_t totalCodons(const GenomeGenes& genome) {
    std::int64_t total = 0;
    for (const ReferenceGene& g : genome.genes) total += g.codons;
    return total;
}

// The lines both free texts share: the method, the files, the set, the warnings.
std::string provenanceLines(const Provenance& how, const GenomeGenes& genome, const ReferenceResult& result) {
    std::string files;
    for (const std::string& f : how.files) files += (files.empty() ? "" : ", ") + f;
    std::string text = "Method: " + how.method + "\nFiles: " + files + "\nGenetic code: " +
                       std::to_string(how.code.number) + " (" + std::string(how.code.name) + ")\n";
    text += "Reference set: " + std::to_string(result.members.size()) + " genes, " +
            std::to_string(result.referenceCodons) + " codons, of " + std::to_string(genome.genes.size()) +
            " genes read (" + std::to_string(totalCodons(genome)) + " codons); " +
            std::to_string(result.optimalCodons) + " optimal codons at p < " + formatNumber("%g", how.pThreshold) + ".\n";
    text += "Genes read: the complete CDSs of the records, less pseudogenes, partial CDSs and those of "
            "another genetic code (" +
            std::to_string(genome.skipped.total() + genome.partial + genome.outsideSequence) +
            " CDS features passed over).\n";
    for (const std::string& note : how.notes) text += note + "\n";
    for (const std::string& warning : result.warnings) text += "Warning: " + warning + ".\n";
    return text;
}

}  // namespace

std::string freeText(std::string text) {
    for (char& c : text)
        if (c == '#' || (static_cast<unsigned char>(c) < ' ' && c != '\n') || c == 0x7F) c = '_';
    return text;
}

std::string scuTitle(const Provenance& how, const GenomeGenes& genome, const ReferenceResult& result) {
    return freeText("Codon counts of a reference set for CAI, written by kestrel-reference " +
                    std::string(toolVersion()) + ".\n" + provenanceLines(how, genome, result) +
                    "Counts: every complete codon of each reference CDS as extracted from its record, start and "
                    "stop codons included; codons with a letter other than A, C, G or T left out.\n"
                    "Entries: codon, amino acid, count; by first base, third base, second base.\n");
}

std::string optTitle(const Provenance& how, const GenomeGenes& genome, const ReferenceResult& result) {
    return freeText("Optimal codons (1) for Fop, written by kestrel-reference " + std::string(toolVersion()) +
                    "; 0 = not optimal.\nA codon is optimal when its RSCU is higher in the reference set than in "
                    "the rest of the genome and a 2x2 chi-square test with Yates' correction (its count against "
                    "the other codons of its amino acid, reference set against the rest) gives p < " +
                    formatNumber("%g", how.pThreshold) + ".\n" + provenanceLines(how, genome, result));
}

void writeReferenceTable(std::ostream& out, const GenomeGenes& genome, const ReferenceResult& result,
                         const GeneticCode& code) {
    const auto cell = [](const std::string& text) {
        std::string out = text;
        for (char& c : out)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        return out;
    };
    out << TableHeader << "\tproduct\tcodons\tamino_acid\tcodon\treference_count"
                          "\treference_rscu\trest_count\trest_rscu\tchi2\tp\toptimal\n";
    for (const std::size_t i : result.members) {
        const ReferenceGene& g = genome.genes[i];
        out << "gene\t" << cell(g.file) << '\t' << cell(g.record) << '\t' << cell(g.locusTag) << '\t' << cell(g.gene)
            << '\t' << cell(g.proteinId) << '\t' << cell(g.product) << '\t' << g.codons << "\t\t\t\t\t\t\t\t\t\n";
    }
    for (int e = 0; e < 64; ++e) {
        const int c = referenceEntryCodon(e);
        const CodonContrast& x = result.codons[c];
        out << "codon\t\t\t\t\t\t\t\t" << AminoAcidNames[code.aminoAcid[c]].data() << '\t'
            << codonLetters(c).data() << '\t' << x.referenceCount << '\t' << formatNumberOrNA("%.4f", x.referenceRscu)
            << '\t' << x.restCount << '\t' << formatNumberOrNA("%.4f", x.restRscu) << '\t'
            << (x.test ? formatNumber("%.4f", x.test->statistic) : "NA") << '\t'
            << (x.test ? formatNumber("%.4g", x.test->p) : "NA") << '\t' << (x.optimal ? "yes" : "no") << '\n';
    }
}

namespace {

// The names of one gene row of the table: its locus_tag, gene and protein_id cells.
void addRowNames(const std::string& line, std::vector<std::string>& names) {
    std::size_t at = 0;
    for (std::size_t cell = 0; cell < FirstNameCell + 3 && at != std::string::npos; ++cell) {
        const std::size_t tab = line.find('\t', at);
        const std::string text = line.substr(at, tab == std::string::npos ? std::string::npos : tab - at);
        if (cell >= FirstNameCell && !text.empty()) names.push_back(text);
        at = tab == std::string::npos ? tab : tab + 1;
    }
}

}  // namespace

std::vector<std::string> readReferenceNames(const std::string& path, bool* isTable) {
    TextInput in;
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    std::vector<std::string> names;
    std::string line;
    bool table = false;
    for (std::size_t number = 1; readLine(in, line) != LineRead::End; ++number) {
        if (number == 1 && line.starts_with(std::string(TableHeader) + "\t")) {
            table = true;
        } else if (table) {
            if (line.starts_with("gene\t")) addRowNames(line, names);
        } else if (const std::size_t b = line.find_first_not_of(" \t\r"); b != std::string::npos && line[b] != '#') {
            names.push_back(line.substr(b, line.find_last_not_of(" \t\r") - b + 1));
        }
    }
    if (in.bad()) throw ToolFailure(ExitBadData, path + ": reading failed");
    if (isTable) *isTable = table;
    return names;
}

}  // namespace kestrel::reference
