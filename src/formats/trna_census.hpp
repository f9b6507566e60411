// The tRNA census file: copies of the tRNA genes by amino acid and anticodon, one line each
// after a header, tab-separated. kestrel-lookup writes it from the tRNA features of GenBank
// files and kestrel-table reads it for the tRNA adaptation index.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/trna_adaptation.hpp"

namespace kestrel {

inline constexpr std::string_view TrnaCensusHeader = "amino_acid\tanticodon\tgenes";

struct TrnaGeneCount {
    std::string aminoAcid;  // three letters, as the feature names it ("Leu", "Sec")
    std::string anticodon;  // 5' to 3', upper case, U for uracil
    long genes = 0;
};

// The header and one line per entry, in the order given.
void writeTrnaCensus(std::ostream& out, const std::vector<TrnaGeneCount>& counts);

// Adds the file's lines to census; an empty string on success, else what is wrong and on
// which line.
std::string readTrnaCensus(std::istream& in, TrnaCensus& census);

}  // namespace kestrel
