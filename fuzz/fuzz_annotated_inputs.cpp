// Any text through the EMBL, GFF3 and coding-sequence FASTA readers, each record's bases written to a
// sequence file as they are read: the record written whole is the same, the analysis must find exactly one
// contig per record written, holding the record's bases.

#include "fuzz_input.hpp"
#include "formats/fasta.hpp"
#include "formats/feature_table.hpp"
#include "formats/gff3.hpp"
#include "formats/sequence_file.hpp"

namespace {

std::size_t count(const std::string& text, const char* what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Writes each record's bases piece by piece, and keeps them.
struct Written : kestrel::SequenceSink {
    void begin(const std::string& recordName) override {
        name = recordName;
        kept.begin(recordName);
        streamed.str("");
        writer.begin(recordName);
        ended = false;
    }
    void append(std::string_view bases) override {
        kept.append(bases);
        writer.append(bases);
    }
    void end() override {
        writer.end();
        ended = true;
    }
    std::string name;
    kestrel::SequenceKeeper kept;
    std::ostringstream streamed;
    kestrel::SequenceRecordWriter writer{streamed};
    bool ended = false;
};

void check(const kestrel::AnnotatedRecord& record, Written& written) {
    if (!written.ended) return;  // a record without a sequence
    written.ended = false;
    if (record.length != static_cast<std::int64_t>(written.kept.bases.size())) __builtin_trap();
    std::ostringstream out;
    kestrel::writeSequenceRecord(out, written.name, written.kept.bases);
    const std::string text = out.str();
    if (text != written.streamed.str()) __builtin_trap();
    if (count(text, "ORIGIN") != 1 || count(text, "//") != 1 || text.rfind("LOCUS", 0) != 0) __builtin_trap();
    std::size_t letters = 0;
    for (const char c : text.substr(text.find("\nORIGIN\n")))
        letters += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letters != written.kept.bases.size() + 6) __builtin_trap();  // and those of "ORIGIN"
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = fuzzText(data, size);
    std::istringstream embl(text), gff(text), fasta(text);
    Written written;
    const auto onRecord = [&](kestrel::AnnotatedRecord& record) { check(record, written); };
    // A record cut short, or two sequences of one name, are refused.
    try {
        kestrel::readFeatureTable(embl, kestrel::FeatureTableDialect::Embl, onRecord, &written);
    } catch (const kestrel::RecordError&) {
    }
    try {
        kestrel::readGff3(gff, nullptr, onRecord, &written);
    } catch (const kestrel::RecordError&) {
    }
    kestrel::readCdsFasta(fasta, onRecord, &written);
    return 0;
}
