#include "formats/trna_census.hpp"

#include <charconv>

#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

constexpr std::size_t MaxCensusLine = 200;

}  // namespace

void writeTrnaCensus(std::ostream& out, const std::vector<TrnaGeneCount>& counts) {
    out << TrnaCensusHeader << '\n';
    for (const auto& entry : counts) out << entry.aminoAcid << '\t' << entry.anticodon << '\t' << entry.genes << '\n';
}

std::string readTrnaCensus(std::istream& in, TrnaCensus& census) {
    std::string line;
    for (std::size_t number = 1;; ++number) {
        const LineRead read = readLine(in, line, MaxCensusLine);
        if (read == LineRead::End) break;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (read == LineRead::Cut) return where + "too long for a census line";
        if (number == 1 && line == TrnaCensusHeader) continue;
        if (line.empty()) continue;
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos) return where + "not three tab-separated fields";
        const std::string_view count = std::string_view(line).substr(second + 1);
        long genes = -1;
        const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), genes);
        if (error != std::errc{} || end != count.data() + count.size() || genes < 0)
            return where + "the gene count is not a whole number";
        if (!addTrnaGenes(census, std::string_view(line).substr(0, first),
                          std::string_view(line).substr(first + 1, second - first - 1), static_cast<double>(genes)))
            return where + "the anticodon is not three bases";
    }
    if (in.bad()) return "reading failed";
    return {};
}

}  // namespace kestrel
