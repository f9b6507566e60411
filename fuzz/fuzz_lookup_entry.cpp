// Lookup tables of any content: every entry read and sized without reading outside the line or coordinate list.

#include "fuzz_input.hpp"
#include "input/lookup_table.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(fuzzText(data, size));
    kestrel::GeneRecord record;
    kestrel::SizingState sizing;
    for (std::int32_t entry = 0; entry < 64 && in; ++entry) {
        kestrel::readLookupEntry(in, entry, record);
        kestrel::applySizingStep(record, sizing);
        if (record.nExons > 0 && record.cdsEnd() != record.exonLast(record.nExons - 1)) __builtin_trap();
        if (static_cast<std::size_t>(record.nExons) * 2 > record.cds.size()) __builtin_trap();
        if (record.gene.size() > 30 || record.file.size() > 40) __builtin_trap();
    }
    const std::int32_t rows = kestrel::rowsForSpan(sizing.maxSpan);
    if (rows < 23 || rows > kestrel::MaxWindowRows) __builtin_trap();
    return 0;
}
