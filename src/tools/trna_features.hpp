// The tRNA census of GenBank records: tRNA genes counted by amino acid and anticodon.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "formats/feature_table.hpp"
#include "formats/trna_census.hpp"

namespace kestrel::lookup {

struct TrnaTally {
    std::map<std::pair<std::string, std::string>, long> genes;  // by amino acid and anticodon
    long pseudo = 0;       // /pseudo or /pseudogene tRNA features, not counted
    long noAnticodon = 0;  // tRNA features whose anticodon could not be read
};

// Counts the tRNA features of a record: the amino acid and anticodon of /anticodon
// ("(pos:...,aa:Leu,seq:cag)"), else the amino acid of /product ("tRNA-Leu") and an
// anticodon in parentheses in /note ("tRNA-Leu(CAG)").
void addTrnaFeatures(const AnnotatedRecord& record, TrnaTally& tally);

// The census lines, by amino acid and anticodon.
std::vector<TrnaGeneCount> censusOf(const TrnaTally& tally);

std::string trnaSummaryLine(const TrnaTally& tally);

}  // namespace kestrel::lookup
