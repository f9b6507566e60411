// Sequence files of any content, walked for genes of different shapes on both strands: nothing may be read
// outside the window or the file, and what is counted must fit the gene.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <numeric>
#include <tuple>
#include <vector>

#include "fuzz_input.hpp"
#include "input/gene_walk.hpp"

namespace {

kestrel::GeneRecord gene(const std::string& file, std::int32_t contig, std::initializer_list<std::int32_t> cds,
                         bool complement, std::int32_t before, std::int32_t after) {
    kestrel::GeneRecord r;
    std::tie(r.gene, r.file, r.contig, r.cds, r.complement, r.beforeSpace, r.afterSpace) =
        std::tuple("g", file, contig, std::vector<std::int32_t>(cds), complement, before, after);
    r.nExons = static_cast<std::int32_t>(r.cds.size() / 2);
    r.altCDSFirst = r.cds.empty() ? 0 : r.cds.front();
    r.altCDSlast = r.cds.empty() ? 0 : r.cds.back();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::string file = "/tmp/kestrel-fuzz-seq-" + std::to_string(getpid()) + ".gb";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 4), static_cast<std::streamsize>(size - 4));
    const std::int32_t a = 1 + data[0] % 200, b = a + 2 + data[1] % 300, c = b + 1 + data[2] % 50;
    const kestrel::GeneRecord genes[] = {
        gene(file, 1, {a, b}, false, kestrel::UnlimitedSpace, 30),
        gene(file, 1, {a, b, c, c + 60}, data[3] & 1, 5, kestrel::UnlimitedSpace),
        gene(file, 1 + (data[3] >> 1) % 3, {b, b, b, c}, true, -4, 1000),
        gene(file, 1, {c, c + 3}, false, 0, 0),
        gene(file, 2, {1, 9}, true, kestrel::UnlimitedSpace, kestrel::UnlimitedSpace),
        gene(file, 1, {}, false, 10, 10),
    };
    kestrel::RunSettings settings;
    std::tie(settings.segmentAnalysis, settings.segmentBegin, settings.segmentEnd) = std::tuple(true, 1, 4);
    kestrel::OptimalCodonFlags optimal{};
    kestrel::StoredSequence store;
    store.allocate(23);
    kestrel::ContigWindow window(store);
    bool first = true;
    for (const kestrel::GeneRecord& record : genes) {
        kestrel::GeneCounts counts;
        kestrel::readGene(window, record, first, settings, optimal, counts);
        first = false;
        // No more codons than the coding sequence holds.
        const std::int64_t codons = std::accumulate(counts.codonCount.begin(), counts.codonCount.end(), std::int64_t{0});
        if (codons + counts.badCodons > std::max(counts.codonTotal, 0)) __builtin_trap();
    }
    window.close();
    unlink(file.c_str());
    return 0;
}
