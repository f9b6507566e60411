// Any GenBank text through the lookup builder, every entry read back by the analysis' own lookup reader.
#include <vector>

#include "fuzz_input.hpp"
#include "input/lookup_table.hpp"
#include "tools/lookup_builder.hpp"
#include "tools/trna_features.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(fuzzText(data, size));
    std::vector<kestrel::lookup::CdsEntry> entries;
    kestrel::SkipTally skipped;
    kestrel::lookup::TrnaTally trnas;
    try {
        kestrel::lookup::buildFileEntries(in, "f.gb", entries, skipped, {}, &trnas);
    } catch (const kestrel::RecordError&) {  // a record cut short: the entries before it are checked
    }
    // Every census line names a three-letter amino acid and an RNA anticodon.
    for (const auto& line : kestrel::lookup::censusOf(trnas))
        if (line.aminoAcid.size() != 3 || line.anticodon.size() != 3 || line.anticodon.find('T') != std::string::npos)
            __builtin_trap();
    std::string table;
    for (const auto& e : entries) table += kestrel::formatEntry(e);
    // Every line holding "#CDS" starts an entry for the analysis.
    std::size_t cdsLines = 0;
    for (std::size_t at = table.find("#CDS"); at != std::string::npos; at = table.find("#CDS", at + 1)) ++cdsLines;
    if (cdsLines != entries.size()) __builtin_trap();
    std::istringstream lookup(table);
    kestrel::GeneRecord record;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        kestrel::readLookupEntry(lookup, static_cast<std::int32_t>(i), record);
        if (record.nExons < 1 || record.cdsStart() != e.first || record.cdsEnd() != e.last) __builtin_trap();
        if (record.contig != e.contig || record.file != "f.gb" || record.gene != e.gene) __builtin_trap();
        if (record.altCDSFirst != e.altCDSFirst || record.altCDSlast != e.altCDSlast) __builtin_trap();
        if (record.altCDSFirst > e.first || record.altCDSlast < e.last) __builtin_trap();
        if (e.beforeSpace > -1000000000 && e.beforeSpace < 1000000000 && record.beforeSpace != e.beforeSpace)
            __builtin_trap();
        if (e.afterSpace > -1000000000 && e.afterSpace < 1000000000 && record.afterSpace != e.afterSpace)
            __builtin_trap();
    }
    return 0;
}
