#include "tools/annotated_inputs.hpp"

#include "formats/fasta.hpp"
#include "formats/gff3.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

void checkRecords(std::int64_t records, const std::string& path, const std::string& what) {
    if (records == 0) throw ToolFailure(ExitBadData, path + " holds no " + what);
}

}  // namespace

std::vector<InputFiles> inputFiles(const CommandLine& line) {
    std::vector<InputFiles> inputs;
    for (const std::string& path : line.operands) inputs.push_back({InputKind::Named, path, ""});
    const std::vector<std::string> gffs = line.values("--gff");
    const std::vector<std::string> fastas = line.values("--fasta");
    if (!fastas.empty() && fastas.size() != gffs.size())
        throw UsageError("give one --fasta for each --gff, or none (the sequences in each GFF3 file)");
    std::size_t gff = 0;
    for (const auto& [name, value] : line.options) {
        if (name == "--gff") {
            inputs.push_back({InputKind::Gff3, value, fastas.empty() ? "" : fastas[gff]});
            ++gff;
        } else if (name == "--cds-fasta") {
            inputs.push_back({InputKind::CdsFasta, value, ""});
        }
    }
    if (inputs.empty()) throw UsageError("no sequence file named");
    return inputs;
}

std::vector<std::string> inputPaths(const std::vector<InputFiles>& inputs) {
    std::vector<std::string> paths;
    for (const InputFiles& input : inputs) {
        paths.push_back(input.path);
        if (!input.fasta.empty()) paths.push_back(input.fasta);
    }
    return paths;
}

void openInput(TextInput& in, const std::string& path) {
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
}

void checkRead(const TextInput& in, const std::string& path) {
    if (!in.bad()) return;
    const std::string& why = in.decompressionError();
    throw ToolFailure(ExitBadData, "error while reading " + path + (why.empty() ? "" : " (" + why + ")"));
}

void readRecords(const TextInput& in, const std::string& path, const std::function<void()>& read) {
    try {
        read();
    } catch (const RecordError& e) {
        checkRead(in, path);  // a damaged compressed file cuts its last record short
        throw ToolFailure(ExitBadData, path + ": " + e.what());
    }
    checkRead(in, path);
}

void readNamedInput(TextInput& in, RecordFormat format, const std::string& path, const RecordHandler& onRecord,
                    SequenceSink* sink) {
    if (format == RecordFormat::Fasta)
        throw ToolFailure(ExitUsage, path + " is a FASTA file: give coding sequences with --cds-fasta " + path +
                                         ", a genome with its annotation as --gff GFF3 --fasta " + path);
    const bool genBank = format == RecordFormat::GenBank || format == RecordFormat::Unknown;
    std::int32_t records = 0;
    readRecords(in, path, [&] {
        if (format == RecordFormat::Gff3)
            records = readGff3(in, nullptr, onRecord, sink);
        else
            records = readFeatureTable(in, genBank ? FeatureTableDialect::GenBank : FeatureTableDialect::Embl,
                                       onRecord, sink);
    });
    checkRecords(records, path, genBank ? "GenBank record (no LOCUS line)" : "record");
}

void readAnnotatedInput(const InputFiles& input, const RecordHandler& onRecord, SequenceSink* sink) {
    TextInput in;
    openInput(in, input.path);
    if (input.kind == InputKind::Named) return readNamedInput(in, sniffRecordFormat(in), input.path, onRecord, sink);
    if (input.kind == InputKind::CdsFasta) {
        FastaSummary summary;
        readRecords(in, input.path, [&] { summary = readCdsFasta(in, onRecord, sink); });
        return checkRecords(summary.records, input.path, "FASTA record (no '>' line)");
    }
    TextInput fasta;
    if (!input.fasta.empty()) openInput(fasta, input.fasta);
    std::int32_t records = 0;
    // Only the sequences are refused: they come from the FASTA file, when there is one.
    const bool beside = !input.fasta.empty();
    readRecords(beside ? fasta : in, beside ? input.fasta : input.path,
                [&] { records = readGff3(in, beside ? &fasta : nullptr, onRecord, sink); });
    checkRead(in, input.path);
    checkRecords(records, input.path, "sequence and no feature");
}

}  // namespace kestrel
