#include "tools/lookup_inputs.hpp"

#include <sstream>

#include "formats/sequence_file.hpp"
#include "tools/command_line.hpp"

namespace kestrel::lookup {

InputReader::InputReader(std::string seqPath, std::vector<std::string> allInputs, const BuildOptions& options,
                         TrnaTally* trnas)
    : seqPath_(std::move(seqPath)),
      seqName_(seqPath_),
      allInputs_(std::move(allInputs)),
      options_(options),
      trnas_(trnas) {}

InputReader::~InputReader() = default;

std::ostream& InputReader::sequenceFile() {
    if (seq_) return seq_->stream();
    if (seqPath_.empty())
        throw UsageError("the analysis cannot read a compressed, EMBL, GFF3 or FASTA input as it is: name the sequence file to write with "
                         "--seq, or give -o");
    if (const auto problem = fileNameProblem(seqName_)) throw ToolFailure(ExitUsage, *problem);
    if (seqPath_ == "-") throw ToolFailure(ExitUsage, "the sequence file cannot be standard output");
    if (auto input = inputWrittenOver(seqPath_, allInputs_))
        throw ToolFailure(ExitUsage, "the sequence file " + seqPath_ + " is the input file " + *input);
    std::ostringstream unused;
    seq_ = std::make_unique<OutputFileWriter>(seqPath_, unused);
    std::string error;
    if (!seq_->open(error)) throw ToolFailure(ExitBadData, error);
    records_ = std::make_unique<SequenceRecordWriter>(seq_->stream());
    return seq_->stream();
}

void InputReader::begin(const std::string& recordName) {
    recordName_ = recordName;
    writing_ = false;
    bases_.clear();
}

// A record without bases is not written: its CDSs are skipped for want of a sequence.
void InputReader::append(std::string_view bases) {
    if (!writing_) {
        sequenceFile();
        records_->begin(recordName_);
        writing_ = true;
    }
    records_->append(bases);
    if (observer_) bases_ += bases;
}

void InputReader::end() {
    if (writing_) {
        records_->end();
        lastContig_ = ++contigs_;
    }
    writing_ = false;
}

void InputReader::takeRecord(AnnotatedRecord& record) {
    record.contig = lastContig_;
    lastContig_ = 0;
    if (trnas_) addTrnaFeatures(record, *trnas_);
    std::vector<CdsEntry> recordEntries = buildRecordEntries(record, seqName_, skipped_, options_);
    std::move(recordEntries.begin(), recordEntries.end(), std::back_inserter(entries_));
    if (observer_) observer_(record, bases_);
    bases_.clear();
}

void InputReader::read(const InputFiles& input) {
    const RecordHandler take = [&](AnnotatedRecord& record) { takeRecord(record); };
    if (input.kind != InputKind::Named) return readAnnotatedInput(input, take, this);
    TextInput in;
    openInput(in, input.path);
    const RecordFormat format = sniffRecordFormat(in);
    if ((format == RecordFormat::GenBank || format == RecordFormat::Unknown) && !in.compressed() &&
        !options_.copySequences && !observer_) {
        // Read where it is: the entries name the file itself, as the analysis will open it.
        if (const auto problem = fileNameProblem(input.path)) throw ToolFailure(ExitBadData, *problem);
        std::int32_t records = 0;
        readRecords(in, input.path,
                    [&] { records = buildFileEntries(in, input.path, entries_, skipped_, options_, trnas_); });
        if (records == 0) throw ToolFailure(ExitBadData, input.path + " holds no GenBank record (no LOCUS line)");
        return;
    }
    readNamedInput(in, format, input.path, take, this);
}

}  // namespace kestrel::lookup
