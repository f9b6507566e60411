#include "formats/sequence_file.hpp"

#include <cstdio>

namespace kestrel {

namespace {

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

void writeSequenceRecord(std::ostream& out, std::string_view name, std::string_view letters) {
    out << "LOCUS       " << headerName(name) << ' ' << letters.size() << " bp\nORIGIN\n";
    char position[24];
    for (std::size_t row = 0; row < letters.size(); row += 60) {
        std::snprintf(position, sizeof position, "%9zu", row + 1);
        out << position;
        for (std::size_t group = row; group < row + 60 && group < letters.size(); group += 10) {
            // In lower case, as GenBank writes it, so that no letters can spell "ORIGIN".
            char lower[10];
            const std::string_view part = letters.substr(group, 10);
            for (std::size_t i = 0; i < part.size(); ++i)
                lower[i] = static_cast<char>(part[i] >= 'A' && part[i] <= 'Z' ? part[i] - 'A' + 'a' : part[i]);
            out << ' ' << std::string_view(lower, part.size());
        }
        out << '\n';
    }
    out << "//\n";
}

}  // namespace kestrel
