#include "kestrel-lookup/lookup_inputs.hpp"

#include <sstream>

#include "formats/fasta.hpp"
#include "formats/gff3.hpp"
#include "formats/record_format.hpp"
#include "formats/sequence_file.hpp"
#include "formats/text_input.hpp"
#include "tools/command_line.hpp"
#include "tools/tool_input.hpp"

namespace kestrel::lookup {

namespace {

void open(TextInput& in, const std::string& path) {
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
}

void checkRead(const TextInput& in, const std::string& path) {
    if (!in.bad()) return;
    const std::string& why = in.decompressionError();
    throw ToolFailure(ExitBadData, "error while reading " + path + (why.empty() ? "" : " (" + why + ")"));
}

void checkRecords(std::int64_t records, const std::string& path, const std::string& what) {
    if (records == 0) throw ToolFailure(ExitBadData, path + " holds no " + what);
}

}  // namespace

InputReader::InputReader(std::string seqPath, std::vector<std::string> allInputs, const BuildOptions& options,
                         TrnaTally* trnas)
    : seqPath_(std::move(seqPath)), allInputs_(std::move(allInputs)), options_(options), trnas_(trnas) {}

InputReader::~InputReader() = default;

std::ostream& InputReader::sequenceFile() {
    if (seq_) return seq_->stream();
    if (seqPath_.empty())
        throw UsageError("the analysis cannot read a compressed, EMBL, GFF3 or FASTA input as it is: name the sequence file to write with "
                         "--seq, or give -o");
    if (const auto problem = fileNameProblem(seqPath_)) throw ToolFailure(ExitUsage, *problem);
    if (seqPath_ == "-") throw ToolFailure(ExitUsage, "the sequence file cannot be standard output");
    if (auto input = inputWrittenOver(seqPath_, allInputs_))
        throw ToolFailure(ExitUsage, "the sequence file " + seqPath_ + " is the input file " + *input);
    std::ostringstream unused;
    seq_ = std::make_unique<OutputFileWriter>(seqPath_, unused);
    std::string error;
    if (!seq_->open(error)) throw ToolFailure(ExitBadData, error);
    return seq_->stream();
}

void InputReader::takeRecord(AnnotatedRecord& record) {
    record.contig = 0;
    if (record.hasSequence) {
        writeSequenceRecord(sequenceFile(), record.name, record.sequence);
        record.contig = ++contigs_;
    }
    if (trnas_) addTrnaFeatures(record, *trnas_);
    std::vector<CdsEntry> recordEntries = buildRecordEntries(record, seqPath_, skipped_, options_);
    std::move(recordEntries.begin(), recordEntries.end(), std::back_inserter(entries_));
}

void InputReader::readNamed(const std::string& path) {
    TextInput in;
    open(in, path);
    const RecordHandler take = [&](AnnotatedRecord& record) { takeRecord(record); };
    const RecordFormat format = sniffRecordFormat(in);
    const bool genBank = format == RecordFormat::GenBank || format == RecordFormat::Unknown;
    if (genBank && !in.compressed()) {
        // Read where it is: the entries name the file itself, as the analysis will open it.
        if (const auto problem = fileNameProblem(path)) throw ToolFailure(ExitBadData, *problem);
        const std::int32_t records = buildFileEntries(in, path, entries_, skipped_, options_, trnas_);
        checkRead(in, path);
        checkRecords(records, path, "GenBank record (no LOCUS line)");
        return;
    }
    if (format == RecordFormat::Fasta)
        throw ToolFailure(ExitUsage, path + " is a FASTA file: give coding sequences with --cds-fasta " + path +
                                         ", a genome with its annotation as --gff GFF3 --fasta " + path);
    std::int32_t records = 0;
    if (format == RecordFormat::Gff3)
        records = readGff3(in, nullptr, take);
    else
        records = readFeatureTable(in, genBank ? FeatureTableDialect::GenBank : FeatureTableDialect::Embl, take, true);
    checkRead(in, path);
    checkRecords(records, path, genBank ? "GenBank record (no LOCUS line)" : "record");
}

void InputReader::read(const InputFiles& input) {
    if (input.kind == InputKind::Named) return readNamed(input.path);
    TextInput in;
    open(in, input.path);
    const RecordHandler take = [&](AnnotatedRecord& record) { takeRecord(record); };
    if (input.kind == InputKind::CdsFasta) {
        const FastaSummary summary = readCdsFasta(in, take);
        checkRead(in, input.path);
        return checkRecords(summary.records, input.path, "FASTA record (no '>' line)");
    }
    TextInput fasta;
    if (!input.fasta.empty()) open(fasta, input.fasta);
    const std::int32_t records = readGff3(in, input.fasta.empty() ? nullptr : &fasta, take);
    checkRead(in, input.path);
    if (!input.fasta.empty()) checkRead(fasta, input.fasta);
    checkRecords(records, input.path, "sequence and no feature");
}

void InputReader::commit() {
    std::string error;
    if (seq_ && !seq_->commit(error)) throw ToolFailure(ExitBadData, error);
}

}  // namespace kestrel::lookup
