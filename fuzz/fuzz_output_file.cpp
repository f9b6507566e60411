// Analysis output files of any content, as the table and plotting tools read them: either
// the file is refused with a message, or every row is cut into exactly one cell per label,
// every cell lies inside its row, and the block-wise word cutting finds every word whole.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/kstl_reader.hpp"

namespace {

// The words cover every non-blank character and nothing else, in order.
bool wordsCoverTheLine(std::string_view line, const std::vector<std::pair<std::size_t, std::size_t>>& words) {
    std::size_t pos = 0;
    for (const auto& [begin, end] : words) {
        if (begin < pos || begin >= end || end > line.size()) return false;
        if (begin > pos && line.substr(pos, begin - pos).find_first_not_of(' ') != std::string_view::npos) return false;
        if (line.substr(begin, end - begin).find(' ') != std::string_view::npos) return false;
        if (begin > 0 && line[begin - 1] != ' ') return false;
        if (end < line.size() && line[end] != ' ') return false;
        pos = end;
    }
    return line.substr(pos).find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::pair<std::size_t, std::size_t>> words;
    kestrel::splitWords(text, words);
    if (!wordsCoverTheLine(text, words)) __builtin_trap();

    std::istringstream in(text);
    try {
        kestrel::KstlReader reader(in, "fuzz.kstl");
        std::vector<kestrel::KstlCell> cells;
        while (reader.nextRow(cells)) {
            if (cells.size() != reader.columns().size()) __builtin_trap();
            const std::string_view row = reader.currentRow();
            for (const auto& cell : cells) {
                if (!cell.text.empty() &&
                    (cell.text.data() < row.data() || cell.text.data() + cell.text.size() > row.data() + row.size()))
                    __builtin_trap();  // a cell views its own row
                (void)kestrel::numericValue(cell);
            }
        }
        (void)reader.readSummary();
    } catch (const kestrel::KstlError&) {
    }
    return 0;
}
