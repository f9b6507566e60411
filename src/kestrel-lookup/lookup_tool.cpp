#include "kestrel-lookup/lookup_tool.hpp"

#include <optional>

#include "tools/lookup_builder.hpp"
#include "tools/lookup_inputs.hpp"
#include "tools/trna_features.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-lookup [-o LOOKUP] [--seq SEQ] [--keep-pseudo] [-g N]\n"
    "                      [--trna CENSUS.tsv] [SEQFILE...]\n"
    "                      [--gff GFF3 [--fasta FASTA]]... [--cds-fasta FASTA]...\n"
    "\n"
    "Writes one lookup-table entry for each CDS feature of the files named, file by\n"
    "file (the SEQFILEs first, then the others in the order given), record by record,\n"
    "by position within a record. The table goes to LOOKUP, or to standard output\n"
    "without -o. A SEQFILE is a GenBank or EMBL file, or a GFF3 file with a ##FASTA\n"
    "section. --gff names a GFF3 file, with its sequences in the FASTA file of the\n"
    "--fasta given with it (in the same order) or in its own ##FASTA section: the CDS\n"
    "lines of a transcript make one CDS, the transcripts of a gene its alternatives.\n"
    "--cds-fasta names a FASTA file of coding sequences, each record one gene named by\n"
    "its [gene=], [locus_tag=] or [protein_id=] tag, else by the first word of its\n"
    "header; it is read without flanks. Any input may be gzip-compressed.\n"
    "\n"
    "An uncompressed GenBank file is named in the table as it is: name it as the\n"
    "analysis will open it (at most 40 characters, without '#' or control\n"
    "characters). The sequences of every other input are written to SEQ (by default\n"
    "LOOKUP with .seq in place of .lookup), one record per sequence in input order,\n"
    "and the table names SEQ; given with --seq, SEQ takes the sequences of every\n"
    "input, an uncompressed GenBank file's too, and the table names no other. Lines may end with LF, CR LF or CR. Only regular files\n"
    "are read (not a FIFO or device). LOOKUP, SEQ and CENSUS.tsv, when regular files,\n"
    "are written only when complete, and replace the old files all or none; a FIFO,\n"
    "device or /dev/stdout is written in place. None may be an input.\n"
    "\n"
    "CDS features that name another record, use order(), have parts on both strands\n"
    "or parts out of order (as across the origin of a circular genome), or run past\n"
    "the end of their sequence are skipped, and so are those the analysis would get\n"
    "wrong: /pseudo and /pseudogene CDSs (written with --keep-pseudo) and complete\n"
    "CDSs whose /codon_start is not 1. A record cut short (without its //) and two\n"
    "sequences of one name in a GFF3 file's FASTA are refused.\n"
    "\n"
    "The table holds the CDSs of one genetic code: that of -g N (--genetic-code N),\n"
    "else the code most CDSs of the files have (the lower number on a tie). A CDS\n"
    "without /transl_table is of code 1, and 11 counts as 1. CDSs of other codes, and\n"
    "of a number that is no NCBI table, are skipped. Each entry of a code other than\n"
    "1 ends with the line //transl_table=N; run the analysis with kestrel -g N.\n"
    "\n"
    "A summary on standard error counts the skipped CDSs by reason and the genetic\n"
    "codes met, and names the code kept. A gene name holding '#', blanks or control\n"
    "characters is written with '_' in their place, and one longer than 30\n"
    "characters is cut; the summary counts these renamed entries.\n"
    "\n"
    "--trna CENSUS.tsv also writes the tRNA census of the files: the tRNA genes counted\n"
    "by amino acid and anticodon (amino_acid, anticodon, genes), for kestrel-table\n"
    "--trna. A tRNA feature gives them in /anticodon=(pos:...,aa:Leu,seq:cag), else in\n"
    "/product=\"tRNA-Leu\" and an anticodon in parentheses in /note (\"tRNA-Leu(CAG)\");\n"
    "pseudogenes and features without them are skipped and counted on standard error.\n"
    "\n"
    "Exit status 0 on success, 1 for a file that cannot be read or written, 2 for a\n"
    "wrong command line. --version prints the version.\n"
    "--batch LIST runs the command lines of LIST in one process: see the manual page.\n";

const ToolDescription Tool{"kestrel-lookup",
                           Usage,
                           {{"-o", {}, true, "a file name"},
                            {"--seq", {}, true, "a file name"},
                            InputOptions[0],
                            InputOptions[1],
                            InputOptions[2],
                            {"--keep-pseudo"},
                            {"--genetic-code", "-g", true, "the number of a genetic code"},
                            {"--trna", {}, true, "a file name"}}};

// The sequence file's name: --seq, else LOOKUP with .seq in place of .lookup (or added).
std::string sequenceFileName(const CommandLine& line, const std::string& outputPath) {
    if (auto seq = line.value("--seq")) return *seq;
    if (outputPath.empty() || outputPath == "-") return {};
    const std::string suffix = ".lookup";
    const bool replace = outputPath.size() > suffix.size() &&
                         outputPath.compare(outputPath.size() - suffix.size(), suffix.size(), suffix) == 0;
    return (replace ? outputPath.substr(0, outputPath.size() - suffix.size()) : outputPath) + ".seq";
}

// The outputs, opened before any input is read: a destination that cannot be written
// stops the tool before the work.
struct LookupOutputs {
    LookupOutputs(const std::string& tablePath, const std::string& censusPath, std::ostream& out)
        : table(tablePath, out) {
        std::string error;
        if (!table.open(error)) throw ToolFailure(ExitBadData, error);
        if (censusPath.empty()) return;
        census.emplace(censusPath, out);
        if (!census->open(error)) throw ToolFailure(ExitBadData, error);
    }
    OutputFileWriter table;
    std::optional<OutputFileWriter> census;
};

int buildTable(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string outputPath = line.value("-o").value_or("");
    const std::vector<InputFiles> inputs = inputFiles(line);
    const std::vector<std::string> paths = inputPaths(inputs);
    if (auto input = inputWrittenOver(outputPath, paths))
        throw ToolFailure(ExitUsage, "the output file " + outputPath + " is the input file " + *input);
    const std::string seqPath = sequenceFileName(line, outputPath);
    if (sameDestination(seqPath, outputPath))
        throw ToolFailure(ExitUsage, "the sequence file and the output file are both " + seqPath);

    const std::string censusPath = line.value("--trna").value_or("");
    if (auto input = inputWrittenOver(censusPath, paths))
        throw ToolFailure(ExitUsage, "the output file " + censusPath + " is the input file " + *input);
    if (line.value("--trna") && (censusPath.empty() || censusPath == "-" || sameDestination(censusPath, outputPath) ||
                                 sameDestination(censusPath, seqPath)))
        throw UsageError("--trna needs a file name of its own");

    const std::int32_t wanted = geneticCodeOption(line);
    LookupOutputs outputs(outputPath, censusPath, out);
    lookup::TrnaTally trnas;
    // A sequence file named with --seq takes every input's sequences.
    lookup::InputReader reader(seqPath, paths, lookup::BuildOptions{line.has("--keep-pseudo"), line.has("--seq")},
                               censusPath.empty() ? nullptr : &trnas);
    for (const auto& input : inputs) reader.read(input);
    const std::int32_t code = lookup::keepOneGeneticCode(reader.entries(), wanted, reader.skipped());
    for (const auto& entry : reader.entries()) outputs.table.stream() << formatEntry(entry, code);
    if (outputs.census) writeTrnaCensus(outputs.census->stream(), lookup::censusOf(trnas));
    // The table, the sequence file and the census replace the old ones together, or none does.
    std::string error;
    if (!commitTogether({&outputs.table, reader.sequenceWriter(), outputs.census ? &*outputs.census : nullptr}, error))
        throw ToolFailure(ExitBadData, error);
    err << lookup::summaryLine(reader.entries().size(), reader.skipped()) << '\n';
    if (!censusPath.empty()) err << lookup::trnaSummaryLine(trnas) << '\n';
    return ExitSuccess;
}

}  // namespace

int runLookupTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err, buildTable);
}

}  // namespace kestrel
