#include "control/run_driver.hpp"

#include <string>

#include "analysis/cai_weights.hpp"
#include "analysis/stringency.hpp"
#include "control/run_context.hpp"
#include "formats/text_lines.hpp"
#include "input/gene_walk.hpp"
#include "input/lookup_check.hpp"
#include "input/lookup_table.hpp"
#include "output/gene_row.hpp"
#include "output/output_header.hpp"
#include "output/run_summary.hpp"
#include "setup/console.hpp"
#include "setup/file_prompts.hpp"
#include "setup/menus.hpp"

namespace kestrel {

namespace {

// Where the pass over the lookup entries stands.
struct EntryPass {
    GeneRecord record;
    bool firstGene = true;         // no entry has reached the check or the row writer yet
    bool previousSkipped = false;  // the entry before was skipped without being read
};

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
void requireWritten(Console& console, RunContext& run) {
    if (run.output.isOpen() && run.output.stream().good()) return;
    console.writeLine("\aPROBLEM WRITING THE FILE " + run.settings.outputFileName + ".");
    console.halt();
}

void openLookupTable(Console& console, RunContext& run) {
    requireLookupOpened(console, run, run.lookupStream.open(run.settings.lookupFileName));
}

// The first entry that reaches the check or the row writer empties the output file.
void openOutputAtFirstGene(Console& console, RunContext& run, const EntryPass& pass) {
    if (!pass.firstGene) return;
    run.output.startWriting();
    requireWritten(console, run);
}

void setUp(Console& console, RunContext& run) {
    RunSettings& settings = run.settings;
    mainMenu(console, settings, run.references, run.output);
    analysisOptionsMenu(console, settings);
    if (settings.checkLookupTable) lookupCheckMenu(console, settings);
    // Segment analysis chosen before switching to the check still brings up its menu.
    if (settings.segmentAnalysis) segmentAnalysisMenu(console, settings, run.references);
    if (settings.rscuTableUsed) floorCaiWeights(run.references.caiWeights, settings.geneticCode, settings.minimumRscu);
}

// Counts the entries and sizes the stored sequence for the genes of one contig read in turn.
void allocateStoredSequence(Console& console, RunContext& run) {
    console.write("\n Reading Lookup Table");
    requireLookupOpened(console, run, countLookupEntries(run.settings.lookupFileName, run.nEntries));
    SizingState sizing;
    GeneRecord record;
    openLookupTable(console, run);
    for (std::int32_t entry = 0; entry < run.nEntries; ++entry) {
        readLookupEntry(run.lookupStream, entry, record);
        applySizingStep(record, sizing);
    }
    run.lookupStream.close();

    console.write("\n Allocating memory for stored sequence");
    if (!run.storedSequence.allocate(rowsForSpan(sizing.maxSpan))) {
        console.writeLine("\a\nNOT ENOUGH MEMORY.");
        console.halt();
    }
}

void checkEntry(Console& console, RunContext& run, EntryPass& pass) {
    console.writeLine("\n CHECKOUT started for " + pass.record.gene);
    openOutputAtFirstGene(console, run, pass);
    checkOut(pass.record, run.settings, pass.firstGene, run.output.stream());
    pass.firstGene = false;
    requireWritten(console, run);
}

// The console line for a gene whose sequence could not be read whole.
void reportRead(Console& console, ReadStatus status, const GeneRecord& record) {
    const std::string& gene = record.gene;
    const std::string overlong =
        "a line of " + record.file + " longer than " + std::to_string(MaxLineLength) + " characters";
    const std::string cut = "contig " + std::to_string(record.contig) + " of " + record.file +
                            " ends without its \"//\" line (the file is cut short)";
    const std::string notCounted = " inside its CDS: not counted";
    switch (status) {
        case ReadStatus::Read:
        case ReadStatus::NoCoordinates: return;
        case ReadStatus::FileNotOpened:
            console.write("\a\n Sequence file " + record.file + " of " + gene + " could not be opened");
            return;
        case ReadStatus::NotRegularFile:
            console.write("\a\n Sequence of " + gene + " not read: " + record.file + " is not a regular file");
            return;
        case ReadStatus::OverlongLine: console.write("\a\n Sequence of " + gene + " not read: " + overlong); return;
        case ReadStatus::NotFound: console.write("\a\n Sequence of " + gene + " not found in " + record.file); return;
        case ReadStatus::ReadToOverlongLine:
            console.write("\a\n Sequence of " + gene + " read only up to " + overlong);
            return;
        case ReadStatus::ReadToCut: console.write("\a\n Flank of " + gene + " cut short: " + cut); return;
        case ReadStatus::CdsPastEnd:
            console.write("\a\n Sequence of " + gene + " ends at the end of contig " + std::to_string(record.contig) +
                          " of " + record.file + notCounted);
            return;
        case ReadStatus::CdsPastOverlongLine:
            console.write("\a\n Sequence of " + gene + " ends at " + overlong + notCounted);
            return;
        case ReadStatus::CdsPastCut:
            console.write("\a\n Sequence of " + gene + " ends where " + cut + notCounted);
            return;
    }
}

// READSEQ and the end-of-gene step: the gene enters the cumulative data, or is excluded.
GeneCounts readEntryGene(Console& console, RunContext& run, EntryPass& pass) {
    console.write("\n READSEQ started for " + pass.record.gene);
    GeneCounts counts;
    const ReadStatus status = readGene(run.window, pass.record, pass.firstGene || pass.previousSkipped,
                                       run.settings, run.references.optimalCodonFlags, counts);
    pass.previousSkipped = false;
    reportRead(console, status, pass.record);
    if (geneWasRead(status))
        endOfGeneStep(run.settings, pass.record.nAlt, counts, run.cumulative);
    else
        ++run.cumulative.genesExcluded;
    return counts;
}

// CBIAS, with a console line before each index.
CodonBiasResults codonBias(Console& console, const RunContext& run, const GeneCounts& counts,
                           const std::string& gene) {
    console.write("\n  CBIAS started for " + gene);
    console.write("\n   Chi/L calculation started for " + gene);
    console.write("\n   ENC calculation started for " + gene);
    if (run.settings.preferredCodonListUsed) console.write("\n   Fop calculation started for " + gene);
    if (run.settings.rscuTableUsed) console.write("\n   CAI calculation started for " + gene);
    const CodonBiasResults bias = computeCodonBias(counts.codonCount, run.settings, run.references);
    console.write("\n  CBIAS finished for " + gene);
    return bias;
}

void analyseEntry(Console& console, RunContext& run, EntryPass& pass) {
    const GeneRecord& record = pass.record;
    if (record.incomplete5 || record.incomplete3 || record.overlongLine) {
        console.write("\n Analysis of " + record.gene + " skipped: " +
                      (record.overlongLine
                           ? "a line of its entry is longer than " + std::to_string(MaxLineLength) + " characters"
                           : std::string("incomplete CDS")));
        pass.previousSkipped = true;
        return;
    }
    console.write("\n LOCINIT started for " + record.gene);
    const GeneCounts counts = readEntryGene(console, run, pass);
    console.write("\n LOCWRITE started for " + record.gene);
    openOutputAtFirstGene(console, run, pass);
    const CodonBiasResults bias = codonBias(console, run, counts, record.gene);
    if (pass.firstGene) writeOutputHeader(run.output.stream(), run.settings);
    writeGeneRow(run.output.stream(), record, counts, bias, run.settings);
    pass.firstGene = false;
    requireWritten(console, run);
}

void passEntries(Console& console, RunContext& run) {
    EntryPass pass;
    openLookupTable(console, run);
    for (std::int32_t entry = 0; entry < run.nEntries; ++entry) {
        readLookupEntry(run.lookupStream, entry, pass.record);
        if (run.settings.checkLookupTable)
            checkEntry(console, run, pass);
        else
            analyseEntry(console, run, pass);
    }
    // When no entry reached the row writer the output file was never opened and the
    // summary has nowhere to go: the file stays empty.
    if (!run.settings.checkLookupTable && run.output.isOpen()) {
        writeRunSummary(run.output.stream(), run.cumulative, run.settings.geneticCode);
        requireWritten(console, run);
    }
}

void finishRun(Console& console, RunContext& run) {
    // The last writes reach the file when it is closed; a failure there is a failure of the run.
    if (run.output.isOpen() && !run.output.close()) {
        console.writeLine("\aPROBLEM WRITING THE FILE " + run.settings.outputFileName + ".");
        console.halt();
    }
    console.writeLine("\n\nKESTREL done.");
    console.writeLine(std::to_string(run.nEntries) + " genes read from file " + run.settings.lookupFileName);
    console.writeLine("See file " + run.settings.outputFileName + " for details.");
    run.closeFiles();
}

}  // namespace

void runDriver(Console& console, RunContext& run) {
    setUp(console, run);
    allocateStoredSequence(console, run);
    passEntries(console, run);
    finishRun(console, run);
}

int runKestrel(std::istream& in, std::ostream& out, const GeneticCode& code) {
    Console console(in, out);
    RunContext run;
    run.settings.geneticCode = code;
    try {
        runDriver(console, run);
    } catch (const RunHalted&) {
        run.closeFiles();
    }
    return 0;
}

}  // namespace kestrel
