// Analysis output files of any content, as the table and plotting tools read them: either
// the file is refused with a message, or every row is cut into exactly one cell per label
// and every cell lies inside its row. (The block-wise word cutting is checked against a
// character-by-character cutting by the unit tests.)
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "formats/kstl_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
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
