// Sequence files of any content, walked for a handful of genes of different shapes on
// both strands and then written out as rows: nothing may be read outside the window or
// the file, and every row must be complete.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "input/gene_walk.hpp"
#include "output/gene_row.hpp"
#include "formats/kstl_format.hpp"

namespace {

kestrel::GeneRecord gene(const std::string& file, std::int32_t contig, std::initializer_list<std::int32_t> cds,
                         bool complement, std::int32_t before, std::int32_t after) {
    kestrel::GeneRecord r;
    r.gene = "g";
    r.file = file;
    r.contig = contig;
    r.cds = cds;
    r.nExons = static_cast<std::int32_t>(r.cds.size() / 2);
    r.complement = complement;
    r.beforeSpace = before;
    r.afterSpace = after;
    r.altCDSFirst = r.cds.empty() ? 0 : r.cds.front();
    r.altCDSlast = r.cds.empty() ? 0 : r.cds.back();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::string file = "/tmp/kestrel-fuzz-seq-" + std::to_string(getpid()) + ".gb";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 4), static_cast<std::streamsize>(size - 4));
    }
    const std::int32_t a = 1 + data[0] % 200, b = a + 2 + data[1] % 300, c = b + 1 + data[2] % 50;
    const kestrel::GeneRecord genes[] = {
        gene(file, 1, {a, b}, 0, kestrel::UnlimitedSpace, 30),
        gene(file, 1, {a, b, c, c + 60}, data[3] & 1, 5, kestrel::UnlimitedSpace),
        gene(file, 1 + (data[3] >> 1) % 3, {b, b, b, c}, 1, -4, 1000),
        gene(file, 1, {c, c + 3}, 0, 0, 0),
        gene(file, 2, {1, 9}, 1, kestrel::UnlimitedSpace, kestrel::UnlimitedSpace),
        gene(file, 1, {}, 0, 10, 10),
    };

    kestrel::RunSettings settings;
    settings.codonUsageOutput = settings.reportBaseUsage = settings.degeneracyBreakdown = true;
    settings.segmentAnalysis = true;
    settings.segmentBegin = 1;
    settings.segmentEnd = 4;
    settings.noncodingMode = static_cast<kestrel::NoncodingMode>(data[3] % 3);
    settings.startCodonRequired = settings.stopCodonRequired = settings.allCodonsMustBeGood = true;

    std::ostringstream rows;
    kestrel::StoredSequence store;
    store.allocate(23);
    kestrel::ContigWindow window(store);
    kestrel::ReferenceTables references;
    const std::size_t headerLength = kestrel::kstl::columnHeaderLine(settings).size();
    bool first = true;
    std::string previousFile;
    std::int32_t previousContig = 0;
    for (kestrel::GeneRecord record : genes) {
        record.prevFile = previousFile;
        record.prevContig = previousContig;
        kestrel::GeneCounts counts;
        kestrel::readGene(window, record, first, settings, references.optimalCodonFlags, counts);
        rows.str("");
        kestrel::writeGeneRow(rows, record, counts, kestrel::computeCodonBias(counts.codonCount, settings, references),
                              settings);
        if (rows.str().size() != headerLength) __builtin_trap();  // short names: a row is as long as the labels
        first = false;
        previousFile = record.file;
        previousContig = record.contig;
    }
    window.close();
    unlink(file.c_str());
    return 0;
}
