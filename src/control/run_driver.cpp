#include "control/run_driver.hpp"

#include <cctype>
#include <string>

#include "analysis/cai_weights.hpp"
#include "analysis/stringency.hpp"
#include "control/run_context.hpp"
#include "control/run_messages.hpp"
#include "formats/record_format.hpp"
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
void requireLookupOpened(RunMessages& messages, const RunContext& run, OpenStatus status) {
    if (status == OpenStatus::Opened) return;
    messages.fail("\aPROBLEM OPENING THE FILE " + run.settings.lookupFileName + ".", openProblemText(status));
}

// Results are never thrown away silently: when the file is not open or a write to it
// failed, the run halts with a message.
void requireWritten(RunMessages& messages, RunContext& run) {
    if (run.output.isOpen() && run.output.stream().good()) return;
    messages.fail("\aPROBLEM WRITING THE FILE " + run.settings.outputFileName + ".");
}

void openLookupTable(RunMessages& messages, RunContext& run) {
    requireLookupOpened(messages, run, run.lookupStream.open(run.settings.lookupFileName));
}

// The first entry that reaches the check or the row writer empties the output file.
void openOutputAtFirstGene(RunMessages& messages, RunContext& run, const EntryPass& pass) {
    if (!pass.firstGene) return;
    run.output.startWriting();
    requireWritten(messages, run);
}

void setUp(Console& console, RunContext& run) {
    RunSettings& settings = run.settings;
    mainMenu(console, settings, run.references, run.output);
    analysisOptionsMenu(console, settings);
    if (settings.checkLookupTable) lookupCheckMenu(console, settings);
    // Segment analysis chosen before switching to the check still brings up its menu.
    if (settings.segmentAnalysis) segmentAnalysisMenu(console, settings, run.references);
}

// Counts the entries and sizes the stored sequence for the genes of one contig read in turn.
void allocateStoredSequence(RunMessages& messages, RunContext& run) {
    messages.write("\n Reading Lookup Table", MessageKind::Progress);
    requireLookupOpened(messages, run, countLookupEntries(run.settings.lookupFileName, run.nEntries));
    SizingState sizing;
    GeneRecord record;
    openLookupTable(messages, run);
    for (std::int32_t entry = 0; entry < run.nEntries; ++entry) {
        readLookupEntry(run.lookupStream, entry, record);
        applySizingStep(record, sizing);
    }
    run.lookupStream.close();

    messages.write("\n Allocating memory for stored sequence", MessageKind::Progress);
    if (!run.storedSequence.allocate(rowsForSpan(sizing.maxSpan))) messages.fail("\a\nNOT ENOUGH MEMORY.");
}

void checkEntry(RunMessages& messages, RunContext& run, EntryPass& pass) {
    messages.writeLine("\n CHECKOUT started for " + pass.record.gene, MessageKind::Progress);
    openOutputAtFirstGene(messages, run, pass);
    checkOut(pass.record, run.settings, pass.firstGene, run.output.stream());
    pass.firstGene = false;
    requireWritten(messages, run);
}

// The console line for a gene whose sequence could not be read whole.
void reportRead(RunMessages& messages, ReadStatus status, const GeneRecord& record) {
    const auto problem = [&](const std::string& text) { messages.write(text, MessageKind::Problem); };
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
            problem("\a\n Sequence file " + record.file + " of " + gene + " could not be opened");
            return;
        case ReadStatus::NotRegularFile:
            problem("\a\n Sequence of " + gene + " not read: " + record.file + " is not a regular file");
            return;
        case ReadStatus::OverlongLine: problem("\a\n Sequence of " + gene + " not read: " + overlong); return;
        case ReadStatus::NotFound: problem("\a\n Sequence of " + gene + " not found in " + record.file); return;
        case ReadStatus::ReadToOverlongLine:
            problem("\a\n Sequence of " + gene + " read only up to " + overlong);
            return;
        case ReadStatus::ReadToCut: problem("\a\n Flank of " + gene + " cut short: " + cut); return;
        case ReadStatus::CdsPastEnd:
            problem("\a\n Sequence of " + gene + " ends at the end of contig " + std::to_string(record.contig) +
                          " of " + record.file + notCounted);
            return;
        case ReadStatus::CdsPastOverlongLine:
            problem("\a\n Sequence of " + gene + " ends at " + overlong + notCounted);
            return;
        case ReadStatus::CdsPastCut:
            problem("\a\n Sequence of " + gene + " ends where " + cut + notCounted);
            return;
    }
}

// READSEQ and the end-of-gene step: the gene enters the cumulative data, or is excluded.
GeneCounts readEntryGene(RunMessages& messages, RunContext& run, EntryPass& pass) {
    messages.write("\n READSEQ started for " + pass.record.gene, MessageKind::Progress);
    GeneCounts counts;
    const ReadStatus status = readGene(run.window, pass.record, pass.firstGene || pass.previousSkipped,
                                       run.settings, run.references.optimalCodonFlags, counts);
    pass.previousSkipped = false;
    reportRead(messages, status, pass.record);
    if (geneWasRead(status))
        endOfGeneStep(run.settings, pass.record.nAlt, counts, run.cumulative);
    else
        ++run.cumulative.genesExcluded;
    return counts;
}

// CBIAS, with a progress line before each index.
CodonBiasResults codonBias(RunMessages& messages, const RunContext& run, const GeneCounts& counts,
                           const std::string& gene) {
    const auto progress = [&](const std::string& text) { messages.write(text, MessageKind::Progress); };
    progress("\n  CBIAS started for " + gene);
    progress("\n   Chi/L calculation started for " + gene);
    progress("\n   ENC calculation started for " + gene);
    if (run.settings.preferredCodonListUsed) progress("\n   Fop calculation started for " + gene);
    if (run.settings.rscuTableUsed) progress("\n   CAI calculation started for " + gene);
    const CodonBiasResults bias = computeCodonBias(counts.codonCount, run.settings, run.references);
    progress("\n  CBIAS finished for " + gene);
    return bias;
}

// Returns whether the gene got a row.
bool analyseEntry(RunMessages& messages, RunContext& run, EntryPass& pass) {
    const GeneRecord& record = pass.record;
    if (record.incomplete5 || record.incomplete3 || record.overlongLine) {
        // A CDS the annotation marks partial is passed over as a matter of course; a line too
        // long to read is a problem of the table.
        messages.write("\n Analysis of " + record.gene + " skipped: " +
                           (record.overlongLine ? "a line of its entry is longer than " +
                                                      std::to_string(MaxLineLength) + " characters"
                                                : std::string("incomplete CDS")),
                       record.overlongLine ? MessageKind::Problem : MessageKind::Progress);
        pass.previousSkipped = true;
        return false;
    }
    messages.write("\n LOCINIT started for " + record.gene, MessageKind::Progress);
    const GeneCounts counts = readEntryGene(messages, run, pass);
    messages.write("\n LOCWRITE started for " + record.gene, MessageKind::Progress);
    openOutputAtFirstGene(messages, run, pass);
    const CodonBiasResults bias = codonBias(messages, run, counts, record.gene);
    if (pass.firstGene) writeOutputHeader(run.output.stream(), run.settings);
    writeGeneRow(run.output.stream(), record, counts, bias, run.settings);
    pass.firstGene = false;
    requireWritten(messages, run);
    return true;
}

std::int64_t passEntries(RunMessages& messages, RunContext& run) {
    EntryPass pass;
    std::int64_t rows = 0;
    openLookupTable(messages, run);
    for (std::int32_t entry = 0; entry < run.nEntries; ++entry) {
        readLookupEntry(run.lookupStream, entry, pass.record);
        if (run.settings.checkLookupTable) {
            checkEntry(messages, run, pass);
            ++rows;
        } else {
            rows += analyseEntry(messages, run, pass);
        }
    }
    // When no entry reached the row writer the output file was never opened and the
    // summary has nowhere to go: the file stays empty.
    if (!run.settings.checkLookupTable && run.output.isOpen()) {
        writeRunSummary(run.output.stream(), run.cumulative, run.settings.geneticCode);
        requireWritten(messages, run);
    }
    return rows;
}

// The console's line for a lookup table without any entry: what the file is, when it is
// an annotated file rather than a lookup table.
std::string noEntryLine(const std::string& lookup) {
    std::string kind = annotatedFileKind(lookup);
    for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (kind.empty()) return "\aNO ENTRY IN THE LOOKUP TABLE " + lookup + " (NO LINE HOLDS #CDS).";
    return "\aNO ENTRY IN " + lookup + ": IT IS " + kind + ", NOT A LOOKUP TABLE. MAKE A LOOKUP TABLE OF IT "
           "WITH kestrel-lookup, OR ANALYSE IT IN ONE STEP WITH kestrel-genome.";
}

void finishDialogue(Console& console, RunContext& run) {
    console.writeLine("\n\nKESTREL done.");
    console.writeLine(std::to_string(run.nEntries) + " genes read from file " + run.settings.lookupFileName);
    console.writeLine("See file " + run.settings.outputFileName + " for details.");
}

}  // namespace

RunOutcome runPasses(RunContext& run, RunMessages& messages) {
    const RunSettings& settings = run.settings;
    if (settings.rscuTableUsed) floorCaiWeights(run.references.caiWeights, settings.geneticCode, settings.minimumRscu);
    allocateStoredSequence(messages, run);
    RunOutcome outcome;
    outcome.rows = passEntries(messages, run);
    outcome.entries = run.nEntries;
    // The last writes reach the file when it is closed; a failure there is a failure of the run.
    if (run.output.isOpen() && !run.output.close())
        messages.fail("\aPROBLEM WRITING THE FILE " + settings.outputFileName + ".");
    run.closeFiles();
    return outcome;
}

int runKestrel(std::istream& in, std::ostream& out, const GeneticCode& code) {
    Console console(in, out);
    RunContext run;
    run.settings.geneticCode = code;
    try {
        setUp(console, run);
        ConsoleMessages messages(console);
        const RunOutcome outcome = runPasses(run, messages);
        finishDialogue(console, run);
        if (outcome.entries > 0) return 0;
        console.writeLine(noEntryLine(run.settings.lookupFileName));
        return 1;
    } catch (const RunHalted& halted) {
        run.closeFiles();
        return halted.status;
    }
}

}  // namespace kestrel
