// One entry of the lookup table, as the entry reader fills it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/lookup_format.hpp"

namespace kestrel {

struct GeneRecord {
    std::string gene;               // at most MaxGeneNameLength characters
    std::vector<std::int32_t> cds;  // exon bounds first1, last1, first2, last2, ... (a lone last coordinate may follow)
    std::int32_t nExons = 0;        // number of complete coordinate pairs in cds
    bool complement = false;
    bool incomplete5 = false;  // '<' in the CDS line
    bool incomplete3 = false;  // '>' in the CDS line
    std::string file;  // at most MaxFileNameLength characters
    std::int32_t contig = 0;
    std::int32_t nListings = 0;
    std::int32_t nAlt = 0;
    std::int32_t beforeSpace = 0;
    std::int32_t afterSpace = 0;
    std::int32_t altCDSFirst = 0;
    std::int32_t altCDSlast = 0;
    bool overlongLine = false;  // a line of the entry was longer than the reader holds

    // file and contig of the entry read before this one in the same pass (empty and 0 for the first).
    std::string prevFile;
    std::int32_t prevContig = 0;

    std::int32_t exonFirst(std::int32_t k) const { return cds[2 * static_cast<std::size_t>(k)]; }
    std::int32_t exonLast(std::int32_t k) const { return cds[2 * static_cast<std::size_t>(k) + 1]; }
    // First coordinate of the CDS array (0 when it holds none).
    std::int32_t cdsStart() const { return cds.empty() ? 0 : cds.front(); }
    // Last coordinate of the last complete exon (0 when there is none).
    std::int32_t cdsEnd() const { return nExons > 0 ? exonLast(nExons - 1) : 0; }
};

}  // namespace kestrel
