// The inputs of the lookup builder in every format it reads, and the sequence file it
// writes for those the analysis cannot read as they are.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "formats/sequence_file.hpp"
#include "tools/lookup_builder.hpp"
#include "tools/trna_features.hpp"
#include "tools/annotated_inputs.hpp"
#include "tools/output_file_writer.hpp"

namespace kestrel::lookup {

// Reads inputs into entries. An uncompressed GenBank file is named in the entries itself
// (unless the options copy every sequence); every other input has its sequences written to
// the sequence file seqPath (opened on the first such input; "" = none may be written) as
// they are read, and its entries name that file: memory does not grow with a record.
// Failures throw ToolFailure or UsageError with their message.
class InputReader : private SequenceSink {
public:
    // The tRNA genes of every record are counted into trnas when given.
    InputReader(std::string seqPath, std::vector<std::string> allInputs, const BuildOptions& options,
                TrnaTally* trnas = nullptr);
    ~InputReader();
    void read(const InputFiles& input);
    // The sequence file's name as the entries give it, when the analysis is to open it under
    // another name than seqPath (relative to another folder).
    void nameSequenceFile(std::string name) { seqName_ = std::move(name); }
    // Hands each record read from now on, with the bases of its sequence, to observer too
    // (which then holds one record's bases at a time).
    using RecordObserver = std::function<void(const AnnotatedRecord& record, const std::string& bases)>;
    void observe(RecordObserver observer) { observer_ = std::move(observer); }
    // The sequence file's writer, once a sequence was written to it (for the tool to
    // commit with its other outputs); null before.
    OutputFileWriter* sequenceWriter() { return seq_.get(); }
    std::vector<CdsEntry>& entries() { return entries_; }
    SkipTally& skipped() { return skipped_; }

private:
    void takeRecord(AnnotatedRecord& record);
    std::ostream& sequenceFile();
    // A record's bases, written to the sequence file once there is one.
    void begin(const std::string& recordName) override;
    void append(std::string_view bases) override;
    void end() override;

    std::string seqPath_;
    std::string seqName_;
    std::vector<std::string> allInputs_;
    BuildOptions options_;
    TrnaTally* trnas_;
    std::unique_ptr<OutputFileWriter> seq_;
    std::unique_ptr<SequenceRecordWriter> records_;
    std::string recordName_;  // of the record whose bases are read
    bool writing_ = false;    // its first bases have been written
    std::int32_t contigs_ = 0;
    std::int32_t lastContig_ = 0;  // the contig written for the record read last, 0 for none
    std::vector<CdsEntry> entries_;
    SkipTally skipped_;
    RecordObserver observer_;
    std::string bases_;  // of the record read, while observed
};

}  // namespace kestrel::lookup
