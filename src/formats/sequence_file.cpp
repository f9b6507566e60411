#include "formats/sequence_file.hpp"

#include <cstdio>

namespace kestrel {

namespace {

constexpr std::size_t BasesPerLine = 60;

std::string headerName(std::string_view name) {
    std::string out(name.empty() ? "unnamed" : name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7F || c == '/') c = '_';
    }
    for (std::size_t at = out.find("ORIGIN"); at != std::string::npos; at = out.find("ORIGIN", at))
        out.replace(at, 6, "origin");
    return out;
}

}  // namespace

void SequenceRecordWriter::begin(std::string_view name) {
    out_ << "LOCUS       " << headerName(name) << "\nORIGIN\n";
    written_ = 0;
    line_.clear();
}

void SequenceRecordWriter::append(std::string_view bases) {
    while (!bases.empty()) {
        const std::size_t take = std::min(bases.size(), BasesPerLine - line_.size());
        // In lower case, as GenBank writes it, so that no bases can spell "ORIGIN".
        for (const char c : bases.substr(0, take)) line_ += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        bases.remove_prefix(take);
        if (line_.size() == BasesPerLine) writeLine();
    }
}

void SequenceRecordWriter::end() {
    if (!line_.empty()) writeLine();
    out_ << "//\n";
}

void SequenceRecordWriter::writeLine() {
    char position[24];
    std::snprintf(position, sizeof position, "%9lld", static_cast<long long>(written_ + 1));
    out_ << position;
    for (std::size_t group = 0; group < line_.size(); group += 10)
        out_ << ' ' << std::string_view(line_).substr(group, 10);
    out_ << '\n';
    written_ += static_cast<std::int64_t>(line_.size());
    line_.clear();
}

void writeSequenceRecord(std::ostream& out, std::string_view name, std::string_view bases) {
    SequenceRecordWriter writer(out);
    writer.begin(name);
    writer.append(bases);
    writer.end();
}

}  // namespace kestrel
