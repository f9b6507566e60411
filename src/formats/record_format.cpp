#include "formats/record_format.hpp"

#include <algorithm>
#include <string>

#include "formats/text_input.hpp"
#include "formats/text_lines.hpp"

namespace kestrel {

RecordFormat sniffRecordFormat(std::istream& in) {
    const std::istream::pos_type start = in.tellg();
    if (start == std::istream::pos_type(-1)) return RecordFormat::Unknown;
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    in.clear(in.rdstate() & std::ios::badbit);
    in.seekg(start);
    dropByteOrderMark(head);
    std::string_view line = head;
    // Blank lines are passed over.
    for (std::size_t end; !line.empty(); line.remove_prefix(end + 1)) {
        end = std::min(line.find_first_of("\r\n"), line.size() - 1);
        if (line.substr(0, end + 1).find_first_not_of(" \t\r\n") != std::string_view::npos) break;
    }
    if (line.starts_with("LOCUS")) return RecordFormat::GenBank;
    if (line.starts_with("ID   ")) return RecordFormat::Embl;
    if (line.starts_with("##gff-version")) return RecordFormat::Gff3;
    if (line.starts_with('>')) return RecordFormat::Fasta;
    return RecordFormat::Unknown;
}

std::string annotatedFileKind(const std::string& path) {
    TextInput in;
    if (in.open(path) != TextOpenStatus::Opened) return {};
    const char* kind = nullptr;
    switch (sniffRecordFormat(in)) {
        case RecordFormat::GenBank: kind = "GenBank file"; break;
        case RecordFormat::Embl: kind = "EMBL file"; break;
        case RecordFormat::Gff3: kind = "GFF3 file"; break;
        case RecordFormat::Fasta: kind = "FASTA file"; break;
        case RecordFormat::Unknown: break;
    }
    if (in.compressed()) return std::string("a gzip-compressed ") + (kind ? kind : "file");
    if (!kind) return {};
    return std::string(*kind == 'E' ? "an " : "a ") + kind;
}

}  // namespace kestrel
