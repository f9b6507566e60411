#include "formats/record_format.hpp"

#include <algorithm>
#include <string>

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

}  // namespace kestrel
