#include "control/run_driver.hpp"

#include <string>

#include "control/run_context.hpp"
#include "formats/text_lines.hpp"
#include "input/lookup_check.hpp"
#include "input/lookup_table.hpp"
#include "formats/regular_file.hpp"
#include "input/resets.hpp"
#include "input/sequence_reader.hpp"
#include "analysis/cai_weights.hpp"
#include "output/gene_row.hpp"
#include "output/output_header.hpp"
#include "output/run_summary.hpp"
#include "setup/console.hpp"
#include "setup/file_prompts.hpp"
#include "setup/menus.hpp"

namespace kestrel {

namespace {

// The lookup table opened at its prompt; it may have gone since, or been replaced by
// something that is not a regular file.
void requireLookupOpened(Console& console, const RunContext& run, OpenStatus status) {
    if (status == OpenStatus::Opened) return;
    console.writeLine("\aPROBLEM OPENING THE FILE " + run.settings.lookupFileName + ".");
    console.writeLine(openProblemText(status));
    console.halt();
}

// Results are never thrown away silently: when the file is not open or a write to it
// failed, the run halts with a message.
void requireWritten(OutputFile& file, const std::string& name, Console& console) {
    if (file.isOpen() && file.stream().good()) return;
    console.writeLine("\aPROBLEM WRITING THE FILE " + name + ".");
    console.halt();
}

void openLookupTable(Console& console, RunContext& run) {
    requireLookupOpened(console, run, run.lookupStream.open(run.settings.lookupFileName));
}

// The first entry that reaches the check or the row writer empties the output file.
void openOutputAtFirstGene(Console& console, RunContext& run) {
    if (!run.firstGene) return;
    run.output.startWriting();
    requireWritten(run.output, run.settings.outputFileName, console);
}

void checkEntry(Console& console, RunContext& run) {
    console.writeLine("\n CHECKOUT started for " + run.record.gene);
    openOutputAtFirstGene(console, run);
    checkOut(run.record, run.settings, run.firstGene, run.output.stream());
    run.firstGene = false;
    requireWritten(run.output, run.settings.outputFileName, console);
}

// CBIAS, with a console line before each index.
CodonBiasResults codonBias(Console& console, const RunSettings& settings, const ReferenceTables& references,
                           const GeneCounts& counts, const std::string& gene) {
    console.write("\n  CBIAS started for " + gene);
    console.write("\n   Chi/L calculation started for " + gene);
    console.write("\n   ENC calculation started for " + gene);
    if (settings.preferredCodonListUsed) console.write("\n   Fop calculation started for " + gene);
    if (settings.rscuTableUsed) console.write("\n   CAI calculation started for " + gene);
    const CodonBiasResults bias = computeCodonBias(counts.codonCount, settings, references);
    console.write("\n  CBIAS finished for " + gene);
    return bias;
}

void analyseEntry(Console& console, RunContext& run) {
    const std::string& gene = run.record.gene;
    if (run.record.incomplete5 || run.record.incomplete3 || run.record.overlongLine) {
        console.write("\n Analysis of " + gene + " skipped: " +
                      (run.record.overlongLine ? "a line of its entry is longer than " +
                                                          std::to_string(MaxLineLength) + " characters"
                                                    : std::string("incomplete CDS")));
        run.previousEntrySkipped = true;
        return;
    }
    console.write("\n LOCINIT started for " + gene);
    resetGeneCounts(run.counts);
    console.write("\n READSEQ started for " + gene);
    readSequence(run.reader, run.record, run.firstGene || run.previousEntrySkipped, run.settings,
                 run.references.optimalCodonFlags, run.counts, run.cumulative, console);
    run.previousEntrySkipped = false;
    console.write("\n LOCWRITE started for " + gene);
    openOutputAtFirstGene(console, run);
    const CodonBiasResults bias = codonBias(console, run.settings, run.references, run.counts, gene);
    if (run.firstGene) writeOutputHeader(run.output.stream(), run.settings);
    writeGeneRow(run.output.stream(), run.record, run.counts, bias, run.settings);
    run.firstGene = false;
    requireWritten(run.output, run.settings.outputFileName, console);
}

void finishRun(Console& console, RunContext& run) {
    // The last writes reach the file when it is closed; a failure there is a failure of the run.
    if (run.output.isOpen() && !run.output.close()) {
        console.writeLine("\aPROBLEM WRITING THE FILE " + run.settings.outputFileName + ".");
        console.halt();
    }
    console.writeLine("\n\nKESTREL done.");
    console.writeLine(std::to_string(run.nEntries) + " genes read from file " +
                      run.settings.lookupFileName);
    console.writeLine("See file " + run.settings.outputFileName + " for details.");
    run.lookupStream.close();
    run.output.close();
    run.reader.close();
}

}  // namespace

void runDriver(Console& console, RunContext& run) {
    RunSettings& settings = run.settings;
    mainMenu(console, settings, run.references, run.output);
    analysisOptionsMenu(console, settings);
    if (settings.checkLookupTable) lookupCheckMenu(console, settings);
    // Segment analysis chosen before switching to the check still brings up its menu.
    if (settings.segmentAnalysis) segmentAnalysisMenu(console, settings, run.references);
    if (settings.rscuTableUsed) floorCaiWeights(run.references.caiWeights, settings.minimumRscu);

    console.write("\n Reading Lookup Table");
    requireLookupOpened(console, run, countLookupEntries(settings.lookupFileName, run.nEntries));

    run.sizing = SizingState{};
    openLookupTable(console, run);
    for (run.entryIndex = 0; run.entryIndex < run.nEntries; ++run.entryIndex) {
        readLookupEntry(run.lookupStream, run.entryIndex, run.record);
        applySizingStep(run.record, run.sizing);
    }
    run.lookupStream.close();
    run.nRows = rowsForSpan(run.sizing.maxSpan);

    console.write("\n Allocating memory for stored sequence");
    if (!run.storedSequence.allocate(run.nRows)) {
        console.writeLine("\a\nNOT ENOUGH MEMORY.");
        console.halt();
    }
    resetRunCounts(run.cumulative);

    run.firstGene = true;
    run.cumulative.genesIncluded = 0;
    run.cumulative.genesExcluded = 0;
    run.previousEntrySkipped = false;

    openLookupTable(console, run);
    for (run.entryIndex = 0; run.entryIndex < run.nEntries; ++run.entryIndex) {
        readLookupEntry(run.lookupStream, run.entryIndex, run.record);
        if (settings.checkLookupTable)
            checkEntry(console, run);
        else
            analyseEntry(console, run);
    }

    // When no entry reached the row writer the output file was never opened and the
    // summary has nowhere to go: the file stays empty.
    if (!settings.checkLookupTable && run.output.isOpen()) {
        writeRunSummary(run.output.stream(), run.cumulative);
        requireWritten(run.output, settings.outputFileName, console);
    }
    finishRun(console, run);
}

int runKestrel(std::istream& in, std::ostream& out) {
    Console console(in, out);
    RunContext run;
    try {
        runDriver(console, run);
    } catch (const RunHalted&) {
        run.lookupStream.close();
        run.output.close();
        run.reader.close();
    }
    return 0;
}

}  // namespace kestrel
