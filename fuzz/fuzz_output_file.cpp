// Analysis output files of any content, as the tools read them: either refused with a message, or every row
// cut into exactly one cell per label, each inside its row (the unit tests check the block-wise cutting).
#include <string_view>
#include <vector>

#include "fuzz_input.hpp"
#include "formats/kstl_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(fuzzText(data, size));
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
