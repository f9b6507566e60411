#include "tools/kestrel_command.hpp"

#include <algorithm>

#include "control/command_run.hpp"
#include "formats/record_format.hpp"
#include "tools/analysis_options.hpp"
#include "tools/batch_runs.hpp"
#include "tools/cds_selection.hpp"
#include "tools/command_line.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

const std::string Usage = std::string(
    "usage: kestrel [OPTIONS] LOOKUP -o OUT.kstl     analyse the genes of a lookup table\n"
    "       kestrel [-g N]                           the setup dialogue on the console\n"
    "       kestrel --batch LIST | --help | --version\n"
    "\n"
    "With a lookup table (made by kestrel-lookup), kestrel analyses its genes with the\n"
    "options given, whose defaults are those of the dialogue, and writes OUT.kstl, which\n"
    "must not exist yet. For an annotated genome (GenBank, EMBL, GFF3 or FASTA, gzipped or\n"
    "not) use kestrel-genome, which runs every step from the genome to the results.\n"
    "Without a lookup table, the lookup table, the output file and every option are asked\n"
    "for on the console (see kestrel(1)).\n"
    "\n"
    "  -o OUT.kstl             the output file\n"
    "  --verbose               every step of the run on standard error\n"
    "  --quiet                 nothing on standard error but problems\n") +
    AnalysisOptionsUsage +
    "\n"
    "Exit status: 0 done (or Q at a menu), 1 the run failed (a file that cannot be read or\n"
    "written, a lookup table without entries, no gene analysed, the dialogue's answers run\n"
    "out), 2 a wrong command line. --batch LIST runs the command lines of LIST in one\n"
    "process: see the manual page.\n";

ToolDescription description() {
    ToolDescription tool{"kestrel", Usage, analysisOptionDescriptions()};
    tool.options.push_back({"-o", {}, true, "a file name"});
    tool.options.push_back({"--verbose"});
    tool.options.push_back({"--quiet"});
    return tool;
}

const ToolDescription& kestrelTool() {
    static const ToolDescription tool = description();
    return tool;
}

bool hasControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

GeneticCode codeOf(const CommandLine& line) {
    if (line.values("--genetic-code").size() > 1) throw UsageError("the genetic code is given twice");
    const std::int32_t number = geneticCodeOption(line);
    return number == 0 ? StandardCode : *geneticCodeOf(number);
}

// The analysis of a lookup table named on the command line.
int analyseLookupTable(const CommandLine& line, std::ostream& err) {
    if (line.operands.size() > 1) throw UsageError("one lookup table, not " + std::to_string(line.operands.size()));
    RunSettings settings;
    settings.geneticCode = codeOf(line);
    settings.lookupFileName = line.operands.front();
    settings.outputFileName = line.value("-o").value_or("");
    if (settings.outputFileName.empty()) throw UsageError("no output file (-o OUT.kstl)");
    applyAnalysisOptions(line, settings);
    for (const std::string* name : {&settings.lookupFileName, &settings.outputFileName, &settings.rscuFileName,
                                    &settings.preferredCodonFileName})
        if (hasControlCharacter(*name)) throw UsageError("a file name holds a control character");
    const std::string kind = annotatedFileKind(settings.lookupFileName);
    if (!kind.empty())
        throw UsageError(settings.lookupFileName + " is " + kind + ", not a lookup table: analyse it with " +
                         "kestrel-genome, or make its lookup table with kestrel-lookup");
    if (const auto problem = lookupTableProblem(settings.lookupFileName)) throw ToolFailure(ExitBadData, *problem);
    ReferenceTables references;
    readReferenceFiles(settings, references);
    const CommandRunOptions options{line.has("--verbose"), line.has("--quiet")};
    return runFromCommandLine(settings, references, options, err);
}

int runBody(const CommandLine& line, std::istream& in, std::ostream& out, std::ostream& err) {
    if (!line.operands.empty()) return analyseLookupTable(line, err);
    for (const auto& [name, value] : line.options)
        if (name != "--genetic-code")
            throw UsageError(name + " goes with a lookup table (kestrel [OPTIONS] LOOKUP -o OUT.kstl); without "
                                    "one, the dialogue asks for every option");
    return runKestrel(in, out, codeOf(line));
}

// A run of a batch: a command line with -o, or, as the batch has always taken, an answers
// file for the dialogue (and the genetic code).
int runBatchLine(const std::vector<std::string>& args, std::ostream& log) {
    if (std::find(args.begin(), args.end(), "-o") != args.end())
        return runTool(kestrelTool(), args, log, log,
                       [](const CommandLine& line, std::ostream&, std::ostream& err) {
                           return analyseLookupTable(line, err);
                       });
    InputFile answers;
    const std::string problem = args.empty() ? "no answers file" : openToolInput(answers, args[0]);
    if (!problem.empty()) {
        log << "kestrel: " << problem << '\n';
        return ExitBadData;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    return runTool(kestrelTool(), rest, log, log, [&](const CommandLine& line, std::ostream& out, std::ostream&) {
        if (!line.operands.empty()) throw UsageError("an answers file takes no lookup table");
        return runBody(line, answers, out, out);
    });
}

}  // namespace

int runKestrelCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args[0] == "--batch") {
        if (args.size() != 2) {
            err << "kestrel: --batch takes one list file and nothing else\n" << Usage;
            return ExitUsage;
        }
        try {
            return runToolBatch(args[1], out, err, runBatchLine);
        } catch (const ToolFailure& e) {
            err << "kestrel: " << e.what() << '\n';
            return e.status();
        }
    }
    return runTool(kestrelTool(), args, out, err, [&](const CommandLine& line, std::ostream& o, std::ostream& e) {
        return runBody(line, in, o, e);
    });
}

}  // namespace kestrel
