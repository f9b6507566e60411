#include "kestrel-genome/genome_run.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <iterator>
#include <memory>
#include <sstream>

#include "analysis/cai_weights.hpp"
#include "analysis/set_comparison.hpp"
#include "control/run_context.hpp"
#include "control/run_driver.hpp"
#include "control/run_messages.hpp"
#include "formats/kstl_format.hpp"
#include "formats/lookup_format.hpp"
#include "formats/memory_input.hpp"
#include "formats/trna_census.hpp"
#include "tools/coa_files.hpp"
#include "tools/codon_count_columns.hpp"
#include "tools/command_line.hpp"
#include "tools/gene_sets.hpp"
#include "tools/set_comparison_report.hpp"
#include "tools/enc_plot.hpp"
#include "tools/genome_report.hpp"
#include "tools/growth_genome.hpp"
#include "tools/kstl_table.hpp"
#include "tools/lookup_builder.hpp"
#include "tools/lookup_inputs.hpp"
#include "tools/reference_report.hpp"

namespace kestrel::genome {

namespace {

// Below this many lookup entries a genome's steps run one after another in one thread.
constexpr std::size_t SmallGenomeEntries = 1000;

std::string failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// A folder of its own beside the results, for the results being made; removed, with what it
// still holds, when it goes.
class WorkFolder {
public:
    WorkFolder(const std::string& folder, const std::string& name) {
        std::string path = folder + "/." + name + ".partXXXXXX";
        if (::mkdtemp(path.data()) == nullptr) throw ToolFailure(ExitBadData, failure("cannot create a folder in", folder));
        path_ = path;
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    ~WorkFolder() {
        for (const std::string& name : written_) ::unlink(file(name).c_str());
        ::rmdir(path_.c_str());
    }

    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    const std::vector<std::string>& files() const { return written_; }
    // A file the folder now holds (written by someone else).
    void holds(const std::string& name) { written_.push_back(name); }

    void write(const std::string& name, const std::string& text) {
        holds(name);
        const std::string path = file(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) throw ToolFailure(ExitBadData, failure("cannot create", path));
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        const bool written = done == text.size();
        if (::close(fd) != 0 || !written) throw ToolFailure(ExitBadData, failure("writing failed:", path));
    }

    // Moves every file into the folder, replacing the files of an earlier run, then removes
    // those of the results that this run did not make (a reference or figure it had).
    void moveInto(const std::string& folder, const std::vector<std::string>& results) {
        for (const std::string& name : written_) {
            const std::string target = folder + "/" + name;
            if (std::rename(file(name).c_str(), target.c_str()) != 0)
                throw ToolFailure(ExitBadData, failure("cannot move the finished file to", target));
        }
        for (const std::string& name : results)
            if (std::find(written_.begin(), written_.end(), name) == written_.end())
                ::unlink((folder + "/" + name).c_str());
        written_.clear();
    }

private:
    std::string path_;
    std::vector<std::string> written_;
};

// The working folder of the process, changed for the analysis (which opens the lookup table's
// sequence file and the reference files by the names the table and the header give) and
// changed back when this goes.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : home_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (home_ < 0 || ::chdir(folder.c_str()) != 0) {
            if (home_ >= 0) ::close(home_);
            throw ToolFailure(ExitBadData, failure("cannot enter the folder", folder));
        }
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    ~InFolder() {
        if (::fchdir(home_) != 0) std::abort();  // every later relative name would be wrong
        ::close(home_);
    }

private:
    int home_;
};

// What the genome's files give: its lookup entries (the sequences written as they are read),
// its tRNA genes, the genes with their codon counts, and its organism.
struct GenomeRead {
    std::vector<lookup::CdsEntry> entries;
    SkipTally skipped;
    lookup::TrnaTally trnas;
    reference::GenomeGenes genes;
    std::string organism;
    std::string lineage;
    std::int32_t code = 1;
};

GenomeRead readGenome(const GenomeJob& job, const GenomeOptions& options, WorkFolder& work) {
    GenomeRead read;
    const std::string seq = sequenceFileName(job.name);
    lookup::InputReader reader(work.file(seq), inputPaths(job.inputs), lookup::BuildOptions{options.keepPseudo, true},
                               &read.trnas);
    reader.nameSequenceFile(seq);
    std::string path;  // of the input being read
    reader.observe([&](const AnnotatedRecord& record, const std::string& bases) {
        reference::addRecordGenes(record, bases, path, read.genes, reference::GeneReading{false, false, true});
        if (read.organism.empty()) read.organism = record.organism;
        if (read.lineage.empty()) read.lineage = record.lineage;
    });
    for (const InputFiles& input : job.inputs) {
        path = input.path;
        reader.read(input);
    }
    read.code = lookup::keepOneGeneticCode(reader.entries(), options.wantedCode, reader.skipped());
    reference::keepOneGeneticCode(read.genes, read.code);
    read.entries = std::move(reader.entries());
    read.skipped = reader.skipped();
    std::string error;
    if (OutputFileWriter* sequences = reader.sequenceWriter()) {
        sequences->setDurable(false);  // in the work folder, renamed into place with the other results
        if (!commitTogether({sequences}, error)) throw ToolFailure(ExitBadData, error);
        work.holds(seq);
    }
    return read;
}

// The genome type the annotation gives: a prokaryote's when its taxonomy begins with
// Bacteria or Archaea, or, without a taxonomy, when most of its CDSs are of /transl_table 11.
GenomeType annotatedType(const GenomeRead& read, std::string& why) {
    if (read.lineage.starts_with("Bacteria") || read.lineage.starts_with("Archaea")) {
        why = "its taxonomy: " + read.lineage.substr(0, read.lineage.find(';'));
        return GenomeType::Prokaryote;
    }
    if (!read.lineage.empty()) {
        why = "its taxonomy: " + read.lineage.substr(0, read.lineage.find(';'));
        return GenomeType::Eukaryote;
    }
    const auto count = [&](std::int32_t table) {
        const auto found = read.skipped.codesMet.find(table);
        return found == read.skipped.codesMet.end() ? std::int64_t{0} : found->second;
    };
    std::int64_t all = 0;
    for (const auto& [table, n] : read.skipped.codesMet) all += n;
    if (2 * count(11) > all) {
        why = "most of its CDSs are of /transl_table 11";
        return GenomeType::Prokaryote;
    }
    why = "no taxonomy, and most of its CDSs are not of /transl_table 11";
    return GenomeType::Eukaryote;
}

// The genome's own reference, when it can serve: a set found, with an optimal codon; and
// how it was sought, when it was.
struct OwnReference {
    std::optional<reference::ReferenceFiles> files;
    bool used = false;
    bool sought = false;
    reference::Provenance how;
};

OwnReference buildOwnReference(const GenomeJob& job, const GenomeOptions& options, const GenomeRead& read,
                               const RunSettings& settings, std::ostream& err) {
    OwnReference own;
    if (!options.ownReference || settings.rscuTableUsed || settings.preferredCodonListUsed) return own;
    const std::string prefix = "kestrel-genome: " + job.name + ": ";
    own.sought = true;
    reference::Provenance& how = own.how;
    how.pThreshold = options.pThreshold;
    how.files = inputPaths(job.inputs);
    how.code = settings.geneticCode;
    std::vector<std::size_t> members =
        read.genes.genes.empty() ? std::vector<std::size_t>{}
                                 : reference::chooseSet(options.set, read.genes, settings, how, prefix, err);
    if (members.empty()) {
        err << prefix << "no reference gene found (" << how.method << "): analysed without CAI and Fop\n";
        return own;
    }
    own.files = reference::makeReferenceFiles(read.genes, std::move(members), settings, how);
    const reference::ReferenceResult& result = own.files->result;
    for (const std::string& warning : result.warnings) err << prefix << "warning: " << warning << '\n';
    own.used = result.optimalCodons > 0;
    if (!own.used) err << prefix << "no codon of the reference set is optimal: analysed without CAI and Fop\n";
    return own;
}

// The analysis of the lookup table in the work folder; returns the output file's text.
std::string analyse(const GenomeJob& job, const GenomeOptions& options, RunSettings settings,
                    const ReferenceTables& references, std::size_t genes, WorkFolder& work, std::ostream& err) {
    settings.lookupFileName = job.name + ".lookup";
    settings.outputFileName = job.name + ".kstl";
    const InFolder inWork(work.path());
    auto run = std::make_unique<RunContext>();
    run->settings = settings;
    run->references = references;
    std::string text;
    // Room for every row (as wide as the column-header line), the header and the summary.
    text.reserve((genes + 1) * kstl::columnHeaderLine(settings).size() + (1 << 16));
    if (!run->output.create(settings.outputFileName))
        throw ToolFailure(ExitBadData, failure("cannot create", work.file(settings.outputFileName)));
    work.holds(settings.outputFileName);
    run->output.mirror(&text);
    CommandLineMessages messages(err, options.verbose, "kestrel-genome: " + job.name + ": ");
    RunOutcome outcome;
    try {
        outcome = runPasses(*run, messages);
    } catch (const RunFailed& failed) {
        run->closeFiles();
        throw ToolFailure(ExitBadData, failed.what());
    }
    if (outcome.rows == 0) throw ToolFailure(ExitBadData, "no gene of " + job.name + " was analysed");
    return text;
}

std::unique_ptr<std::istream> textStream(const std::string& text) { return std::make_unique<MemoryInput>(text); }

// The per-gene table and the genome's summary, as kestrel-table writes them with --source
// genome (and --indices with the census when the file has the codon counts).
struct Tables {
    std::string genes;
    FileSummary summary;
};

Tables tabulate(const std::string& name, const std::string& kstl, const std::string& census, bool codonCounts) {
    TableSettings settings;
    settings.source = SourceName::Genome;
    settings.indices.indices = codonCounts;
    if (codonCounts) {
        settings.indices.census.emplace();
        std::istringstream in(census);
        const std::string problem = readTrnaCensus(in, *settings.indices.census);
        if (!problem.empty()) throw ToolFailure(ExitBadData, name + ".trna.tsv, " + problem);
    }
    const std::string path = name + ".kstl";
    std::vector<std::string> labels;
    {
        const auto in = textStream(kstl);
        const KstlReader reader(*in, path);
        for (const KstlColumn& column : reader.columns()) labels.push_back(column.label);
    }
    TableWriter writer(labels, settings.indices);
    FileRows rows = tabulateFile(path, [&] { return textStream(kstl); }, writer, settings);
    if (!rows.error.empty()) throw ToolFailure(ExitBadData, rows.error);
    std::ostringstream header;
    writer.writeHeader(header);
    Tables tables{header.str(), std::move(rows.summary)};
    tables.genes += rows.rows;
    return tables;
}

std::string cleanCell(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text.empty() ? "NA" : text;
}

// The one-row summary: kestrel-table's, then the genome's organism and type, its reference
// set and the growth prediction.
std::string genomeSummary(const Tables& tables, const GenomeRead& read, const RunSettings& settings,
                          const OwnReference& own, const GrowthRow& growth) {
    std::ostringstream table;
    writeSummaryTable({tables.summary}, table);
    std::string text = table.str();
    const std::size_t headerEnd = text.find('\n');
    std::string header = text.substr(0, headerEnd);
    std::string row = text.substr(headerEnd + 1, text.size() - headerEnd - 2);
    header += "\torganism\tgenome_type\treference_genes\toptimal_codons";
    row += "\t" + cleanCell(read.organism) + "\t" +
           (settings.genomeType == GenomeType::Prokaryote ? "prokaryote" : "eukaryote") + "\t" +
           (own.used ? std::to_string(own.files->result.members.size()) : "NA") + "\t" +
           (own.used ? std::to_string(own.files->result.optimalCodons) : "NA");
    const std::vector<std::string>& columns = growthColumns();
    const std::vector<std::string> cells = growthCells(growth);
    for (std::size_t i = 1; i < columns.size(); ++i) {
        header += "\t" + (columns[i] == "warnings" ? std::string("growth_warnings") : columns[i]);
        row += "\t" + (cells[i].empty() && columns[i] == "warnings" ? std::string() : cleanCell(cells[i]));
    }
    return header + "\n" + row + "\n";
}

GrowthRow predictGrowth(const GenomeJob& job, const GenomeRead& read, const RunSettings& settings) {
    if (settings.genomeType != GenomeType::Prokaryote) {
        GrowthRow none;
        none.genome = job.name;
        none.heRule = std::string(heRuleName(HeRule::Ribosomal));
        none.model = "base";
        none.warnings.push_back("not a prokaryote: the model was fitted to bacteria and archaea");
        return none;
    }
    GrowthOptions growth;
    growth.geneticCode = settings.geneticCode.number;
    GrowthRow row = growthOf(read.genes, growth);
    row.genome = job.name;
    return row;
}

// The figures kestrel-plot draws, by file name: ENC against GC3 (or GC3_6), the neutrality
// plot and, when the file allows, the parity rule 2 plot; the genes of the reference table
// (when there is one) marked, the organism (when known) in the titles.
std::vector<std::pair<std::string, std::string>> drawFigures(const GenomeJob& job, const GenomeOptions& options,
                                                             const std::string& kstl,
                                                             const std::string& referenceTable,
                                                             const std::string& organism) {
    const std::string path = job.name + ".kstl";
    FigureOptions look;
    if (!referenceTable.empty()) {
        look.referenceGenes = reference::readReferenceNames(referenceTable);
        look.referenceName = "reference set (" + job.name + ".reference.tsv)";
    }
    MemoryInput in(kstl);
    KstlReader reader(in, path);
    GenomeFigures figures = collectGenomeFigures(reader, look);
    if (options.plotX) {
        MemoryInput again(kstl);
        KstlReader second(again, path);
        figures.enc = collectPlotData(second, options.plotX, "ENC", look);
    }
    const std::string title = organism.empty() ? path : organism;
    std::vector<std::pair<std::string, std::string>> files;
    const auto add = [&](const std::string& file, const PlotData& data) {
        if (!data.points.empty()) files.emplace_back(file, renderSvg(data, title));
    };
    add(job.name + ".svg", figures.enc);
    add(job.name + ".neutrality.svg", figures.neutrality);
    if (figures.pr2) add(job.name + ".pr2.svg", *figures.pr2);
    return files;
}

// The correspondence analysis of the genome's genes as kestrel-coa makes it by default: the
// within-amino-acid COA, the figure coloured by the reference set when there is one, else by
// GC3. Nothing when the file has no codon counts, or its genes give no axis (said on err).
std::vector<std::pair<std::string, std::string>> correspondence(const GenomeJob& job, const std::string& kstl,
                                                                const std::string& referenceTable, std::ostream& err) {
    CoaFilesRequest request;
    request.inputs = {job.name + ".kstl"};
    request.prefix = job.name + ".coa";
    request.messagePrefix = "kestrel-genome: " + job.name + ": ";
    request.open = [&](const std::string&) { return textStream(kstl); };
    if (!referenceTable.empty()) {
        request.colour = CoaColour::ReferenceSet;
        request.referenceList = referenceTable;
    }
    std::array<std::ostringstream, 4> tables;
    std::ostringstream quiet;
    try {
        runCoa(request, {&tables[0], &tables[1], &tables[2], &tables[3], nullptr}, quiet);
    } catch (const std::exception& e) {
        err << request.messagePrefix << "no correspondence analysis: " << e.what() << '\n';
        return {};
    }
    std::vector<std::pair<std::string, std::string>> files;
    const std::vector<std::string> paths = coaOutputPaths(request);
    for (std::size_t i = 0; i < tables.size(); ++i) files.emplace_back(paths[i], tables[i].str());
    return files;
}

// The reference set against every other gene, as kestrel-compare compares them
// (-a reference:NAME.reference.tsv, 1000 permutations, seed 1): its table and figure.
std::vector<std::pair<std::string, std::string>> compareReference(const GenomeJob& job, const std::string& kstl,
                                                                  const std::string& referenceTable,
                                                                  std::string& summary) {
    const std::string path = job.name + ".kstl";
    GenePool pool;
    CountedGeneReader reader(path, nullptr, [&](const std::string&) { return textStream(kstl); }, "");
    pool.files.push_back(path);
    pool.geneticCode = reader.geneticCode();
    for (CountedGene row; reader.next(row);)
        pool.genes.push_back({0, std::string(row.name), std::string(row.contig), row.counts});
    GeneSetChoice choice;
    choice.kind = GeneSetKind::Reference;
    choice.value = referenceTable;
    choice.text = "reference:" + job.name + ".reference.tsv";
    std::size_t unmatched = 0;
    const std::vector<bool> in = genesInSet(choice, pool, unmatched);
    std::vector<GeneCodonCounts> first, second;
    for (std::size_t g = 0; g < in.size(); ++g) (in[g] ? first : second).push_back(pool.genes[g].counts);
    if (first.empty() || second.empty()) return {};
    const GeneticCode code = *geneticCodeOf(pool.geneticCode);
    const SetComparison comparison = compareGeneSets(first, second, code, SetComparisonSettings{});
    summary = comparisonSummary(comparison);
    std::ostringstream table;
    writeComparisonTable(table, comparison, code);
    return {{job.name + ".compare.tsv", table.str()},
            {job.name + ".compare.svg",
             renderComparisonSvg(comparison, code, ComparisonNames{choice.text, "every other gene"})}};
}

RunSettings genomeSettings(const GenomeJob& job, const GenomeOptions& options, const GenomeRead& read,
                           std::string& why, std::ostream& err) {
    RunSettings settings = options.settings;
    settings.geneticCode = *geneticCodeOf(read.code);
    why = "as given";
    settings.genomeType = options.genomeType ? *options.genomeType : annotatedType(read, why);
    if (!options.quiet)
        err << "kestrel-genome: " << job.name << ": " << read.entries.size() << " genes, genetic code "
            << read.code << ", "
            << (settings.genomeType == GenomeType::Prokaryote ? "prokaryote" : "eukaryote") << " (" << why << ")\n";
    return settings;
}

// The reference files given for every genome are kept with its results, under its name, as
// its analysis's header names them.
void copyFixedReferences(const GenomeJob& job, const GenomeOptions& options, RunSettings& settings,
                         WorkFolder& work) {
    const auto copy = [&](std::string& file, const std::string& text, const char* suffix) {
        work.write(job.name + suffix, text);
        file = job.name + suffix;
    };
    if (settings.rscuTableUsed) copy(settings.rscuFileName, options.fixedReferenceTexts[0], ".scu");
    if (settings.preferredCodonListUsed) copy(settings.preferredCodonFileName, options.fixedReferenceTexts[1], ".opt");
}

std::string lookupText(const GenomeRead& read) {
    std::string text;
    for (const lookup::CdsEntry& entry : read.entries) text += formatEntry(entry, read.code);
    return text;
}

std::string censusText(const GenomeRead& read) {
    std::ostringstream census;
    writeTrnaCensus(census, lookup::censusOf(read.trnas));
    return census.str();
}

using Files = std::vector<std::pair<std::string, std::string>>;

// The genome's report page (tools/genome_report.hpp), from what its run holds: the files
// read, the reference, the tables, the growth row and the figures, each by its file's name.
std::string reportPage(const GenomeJob& job, const GenomeOptions& options, const GenomeRead& read,
                       const RunSettings& settings, const std::string& typeReason, const OwnReference& own,
                       const Tables& tables, const GrowthRow& growth, const Files& figures,
                       const std::string& comparisonSummary, const WorkFolder& work) {
    report::GenomeReport page;
    page.name = job.name;
    page.organism = read.organism;
    page.lineage = read.lineage;
    page.inputs = inputPaths(job.inputs);
    page.command = options.command;
    page.folder = options.runFolder;
    page.code = settings.geneticCode;
    page.codeGiven = options.wantedCode != 0;
    page.type = settings.genomeType;
    page.typeReason = typeReason;
    page.settings = settings;
    page.skipped = read.skipped;
    page.entries = read.entries.size();
    page.rows = tables.summary.rows;
    page.summary = tables.summary.counts;
    page.genesTable = tables.genes;
    page.genes = &read.genes;
    if (own.sought)
        page.reference = report::ReportReference{own.how, own.files ? std::optional(own.files->result) : std::nullopt,
                                                 own.used};
    page.referenceChoice = options.ownReference ? options.set.set : "none";
    if (options.settings.rscuTableUsed) page.givenReference[0] = options.settings.rscuFileName;
    if (options.settings.preferredCodonListUsed) page.givenReference[1] = options.settings.preferredCodonFileName;
    page.givenOptimal = options.fixedReferences.optimalCodonFlags;
    page.growth = growth;
    for (const auto& [file, text] : figures) {
        const std::string kind = file.substr(std::min(job.name.size(), file.size()));
        auto* figure = kind == ".svg" ? &page.enc : kind == ".neutrality.svg" ? &page.neutrality
                     : kind == ".pr2.svg" ? &page.pr2 : kind == ".coa.svg" ? &page.coa : nullptr;
        if (figure) *figure = report::ReportFigure{file, text};
        if (kind == ".coa.eigen.tsv") page.coaEigenvalues = text;
        if (kind == ".compare.svg")
            page.comparison = report::ReportComparison{comparisonSummary, job.name + ".compare.tsv", file, text};
    }
    for (const std::string& file : resultNames(job.name))
        if (std::find(work.files().begin(), work.files().end(), file) != work.files().end()) page.files.push_back(file);
    return report::renderGenomeReport(page);
}

}  // namespace

std::string sequenceFileName(const std::string& name) {
    std::string file = name + ".seq";
    if (!lookup::fileNameProblem(file)) return file;
    // A name the lookup table cannot hold: one made of the name's hash, the same for every run.
    std::uint32_t hash = 2166136261u;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char text[32];
    std::snprintf(text, sizeof text, "genome-%08x.seq", hash);
    return text;
}

std::vector<std::string> resultNames(const std::string& name) {
    std::vector<std::string> names{sequenceFileName(name)};
    for (const char* suffix : {".lookup", ".trna.tsv", ".scu", ".opt", ".reference.tsv", ".kstl",
                               ".genes.tsv", ".genome.tsv", ".svg", ".neutrality.svg", ".pr2.svg", ".coa.eigen.tsv",
                               ".coa.genes.tsv", ".coa.codons.tsv", ".coa.svg", ".compare.tsv", ".compare.svg",
                               ".report.html"})
        names.push_back(name + suffix);
    return names;
}

void runGenome(const GenomeJob& job, const GenomeOptions& options, std::ostream& err) {
    WorkFolder work(job.folder, job.name);
    const GenomeRead read = readGenome(job, options, work);
    if (read.entries.empty()) throw ToolFailure(ExitBadData, "no CDS of " + job.name + " can be analysed");
    std::string typeReason;
    RunSettings settings = genomeSettings(job, options, read, typeReason, err);
    ReferenceTables references = options.fixedReferences;
    copyFixedReferences(job, options, settings, work);
    const OwnReference own = buildOwnReference(job, options, read, settings, err);
    if (own.files) {
        work.write(job.name + ".scu", own.files->scu);
        work.write(job.name + ".opt", own.files->opt);
        work.write(job.name + ".reference.tsv", own.files->table);
    }
    if (own.used) {
        settings.rscuTableUsed = settings.preferredCodonListUsed = true;
        settings.rscuFileName = job.name + ".scu";
        settings.preferredCodonFileName = job.name + ".opt";
        references.referenceCounts = own.files->counts;
        references.optimalCodonFlags = own.files->optimal;
        computeCaiWeights(references.referenceCounts, settings.geneticCode, references.caiWeights);
    }
    work.write(job.name + ".lookup", lookupText(read));
    const std::string census = censusText(read);
    work.write(job.name + ".trna.tsv", census);
    // The growth prediction and then the figures are made on the other core while the analysis
    // and then the tables are; for a small genome a thread costs more than it saves, and they
    // are made when needed.
    const bool parallel = options.parallel && read.entries.size() >= SmallGenomeEntries;
    const auto launch = parallel ? std::launch::async : std::launch::deferred;
    auto growth = std::async(launch, [&] { return predictGrowth(job, read, settings); });
    const std::string kstl = analyse(job, options, settings, references, read.entries.size(), work, err);
    std::ostringstream coaMessages;
    const std::string referenceTable = own.files ? work.file(job.name + ".reference.tsv") : "";
    std::string comparisonSummaryText;
    auto figures = std::async(launch, [&] {
        auto files = drawFigures(job, options, kstl, referenceTable, read.organism);
        if (settings.codonUsageOutput) {
            auto coa = correspondence(job, kstl, referenceTable, coaMessages);
            std::move(coa.begin(), coa.end(), std::back_inserter(files));
            if (!referenceTable.empty()) {
                auto compared = compareReference(job, kstl, referenceTable, comparisonSummaryText);
                std::move(compared.begin(), compared.end(), std::back_inserter(files));
            }
        }
        return files;
    });
    const Tables tables = tabulate(job.name, kstl, census, settings.codonUsageOutput);
    work.write(job.name + ".genes.tsv", tables.genes);
    const GrowthRow growthRow = growth.get();
    work.write(job.name + ".genome.tsv", genomeSummary(tables, read, settings, own, growthRow));
    const Files figureFiles = figures.get();
    for (const auto& [file, text] : figureFiles) work.write(file, text);
    err << coaMessages.str();
    if (options.report)
        work.write(job.name + ".report.html",
                   reportPage(job, options, read, settings, typeReason, own, tables, growthRow, figureFiles,
                              comparisonSummaryText, work));
    work.moveInto(job.folder, resultNames(job.name));
}

}  // namespace kestrel::genome
