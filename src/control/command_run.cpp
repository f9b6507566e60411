#include "control/command_run.hpp"

#include <memory>

#include "control/run_context.hpp"
#include "control/run_messages.hpp"
#include "formats/record_format.hpp"
#include "input/lookup_table.hpp"
#include "setup/file_prompts.hpp"

namespace kestrel {

std::optional<std::string> lookupTableProblem(const std::string& lookup) {
    std::int32_t entries = 0;
    const OpenStatus status = countLookupEntries(lookup, entries);
    if (status == OpenStatus::NotRegular) return lookup + ": not a regular file (a FIFO, device, socket or folder)";
    if (status != OpenStatus::Opened) return lookup + ": cannot be opened";
    if (entries > 0) return std::nullopt;
    const std::string kind = annotatedFileKind(lookup);
    if (kind.empty()) return lookup + ": no entry in the lookup table (no line holds #CDS)";
    return lookup + " is " + kind + ", not a lookup table: analyse it with kestrel-genome, or make its lookup "
           "table with kestrel-lookup";
}

int runFromCommandLine(const RunSettings& settings, const ReferenceTables& references,
                       const CommandRunOptions& options, std::ostream& err) {
    // The run's memory (the stored sequence, the files) lives on the heap, as one block.
    const auto run = std::make_unique<RunContext>();
    run->settings = settings;
    run->references = references;
    if (!run->output.create(settings.outputFileName)) {
        err << "kestrel: " << settings.outputFileName
            << ": cannot be created (an output file is never written over an existing file or link)\n";
        return 1;
    }
    CommandLineMessages messages(err, options.verbose);
    RunOutcome outcome;
    try {
        outcome = runPasses(*run, messages);
    } catch (const RunFailed& failure) {
        run->closeFiles();
        err << "kestrel: " << failure.what() << '\n';
        return 1;
    }
    if (outcome.rows == 0) {
        err << "kestrel: no gene of " << settings.lookupFileName << " was "
            << (settings.checkLookupTable ? "checked" : "analysed") << '\n';
        return 1;
    }
    if (!options.quiet)
        err << "kestrel: " << outcome.rows << " of " << outcome.entries << " genes "
            << (settings.checkLookupTable ? "checked" : "analysed") << "; " << settings.outputFileName
            << " written\n";
    return 0;
}

}  // namespace kestrel
