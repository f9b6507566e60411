// Any text through the EMBL, GFF3 and coding-sequence FASTA readers, each record written to a sequence
// file: the analysis must find exactly one contig per record written, holding the record's letters.

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

void check(kestrel::AnnotatedRecord& record) {
    std::ostringstream out;
    kestrel::writeSequenceRecord(out, record.name, record.sequence);
    const std::string text = out.str();
    if (count(text, "ORIGIN") != 1 || count(text, "//") != 1 || text.rfind("LOCUS", 0) != 0) __builtin_trap();
    std::size_t letters = 0;
    for (const char c : text.substr(text.find("\nORIGIN\n")))
        letters += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letters != record.sequence.size() + 6) __builtin_trap();  // and those of "ORIGIN"
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = fuzzText(data, size);
    std::istringstream embl(text), gff(text), fasta(text);
    kestrel::readFeatureTable(embl, kestrel::FeatureTableDialect::Embl, check, true);
    kestrel::readGff3(gff, nullptr, check);
    kestrel::readCdsFasta(fasta, check);
    return 0;
}
