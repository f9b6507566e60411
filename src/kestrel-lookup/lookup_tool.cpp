#include "kestrel-lookup/lookup_tool.hpp"

#include <charconv>

#include "analysis/genetic_code.hpp"
#include "formats/regular_file.hpp"
#include "kestrel-lookup/lookup_builder.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

constexpr std::string_view Usage =
    "usage: kestrel-lookup [-o LOOKUP] [--keep-pseudo] [-g N] SEQFILE...\n"
    "\n"
    "Writes one lookup-table entry for each CDS feature of the GenBank files named,\n"
    "file by file, record by record, by position within a record. The table goes to\n"
    "LOOKUP, or to standard output without -o. Name the files as the analysis will\n"
    "open them (at most 40 characters, without '#' or control characters).\n"
    "Compressed files are not read: gunzip them first. Lines may end with LF, CR LF\n"
    "or CR. Only regular files are read (not a FIFO or device). LOOKUP, when a\n"
    "regular file, is written only when complete; a FIFO, device or /dev/stdout is\n"
    "written in place. LOOKUP may not be one of the SEQFILEs.\n"
    "\n"
    "CDS features that name another record, use order(), have parts on both strands\n"
    "or parts out of order (as across the origin of a circular genome) are skipped,\n"
    "and so are those the analysis would get wrong: /pseudo and /pseudogene CDSs\n"
    "(written with --keep-pseudo) and complete CDSs whose /codon_start is not 1.\n"
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
    "Exit status 0 on success, 1 for a file that cannot be read or written, 2 for a\n"
    "wrong command line. --version prints the version.\n";

const ToolDescription Tool{"kestrel-lookup",
                           Usage,
                           {{"-o", {}, true, "a file name"},
                            {"--keep-pseudo"},
                            {"--genetic-code", "-g", true, "the number of a genetic code"}}};

// The entries of every file, in the order named.
std::vector<lookup::CdsEntry> buildEntries(const std::vector<std::string>& files, SkipTally& skipped,
                                           const lookup::BuildOptions& options) {
    std::vector<lookup::CdsEntry> entries;
    for (const std::string& file : files) {
        if (const auto problem = lookup::fileNameProblem(file)) throw ToolFailure(ExitBadData, *problem);
        InputFile in;
        const std::string problem = openToolInput(in, file);
        if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
        const std::int32_t records = lookup::buildFileEntries(in, file, entries, skipped, options);
        if (in.bad()) throw ToolFailure(ExitBadData, "error while reading " + file);
        if (records == 0) throw ToolFailure(ExitBadData, file + " holds no GenBank record (no LOCUS line)");
    }
    return entries;
}

int buildTable(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string outputPath = line.value("-o").value_or("");
    const lookup::BuildOptions options{line.has("--keep-pseudo")};
    if (line.operands.empty()) throw UsageError("no sequence file named");
    if (auto input = inputWrittenOver(outputPath, line.operands))
        throw ToolFailure(ExitUsage, "the output file " + outputPath + " is the input file " + *input);

    const std::int32_t wanted = geneticCodeOption(line);
    SkipTally skipped;
    std::vector<lookup::CdsEntry> entries = buildEntries(line.operands, skipped, options);
    const std::int32_t code = lookup::keepOneGeneticCode(entries, wanted, skipped);
    std::string error;
    OutputFileWriter table(outputPath, out);
    if (!table.open(error)) throw ToolFailure(ExitBadData, error);
    for (const auto& entry : entries) table.stream() << formatEntry(entry, code);
    if (!table.commit(error)) throw ToolFailure(ExitBadData, error);
    err << lookup::summaryLine(entries.size(), skipped) << '\n';
    return ExitSuccess;
}

}  // namespace

int runLookupTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(Tool, args, out, err, [&](const CommandLine& line) { return buildTable(line, out, err); });
}

}  // namespace kestrel
