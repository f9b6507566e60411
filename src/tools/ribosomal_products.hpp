// Telling the cytoplasmic ribosomal proteins from the rest of a genome's CDSs by their
// /product names, in the naming styles of RefSeq, GenBank and the KEGG-like lists.
#pragma once

#include <string_view>

namespace kestrel::reference {

enum class ProductKind {
    Other,              // not a ribosomal protein (an enzyme or factor acting on one among them)
    Cytoplasmic,        // a protein of the cytoplasmic ribosome ("50S ribosomal protein L2")
    OrganelleRibosomal  // a protein of a mitochondrial or plastid ribosome ("39S ribosomal protein L1, mitochondrial")
};

// The product name is read case-blind. It is a ribosomal protein when it is
//   [head] ("ribosomal protein" | "ribosomal subunit protein") DESIGNATION [tail]
// where the head is empty or a subunit name (30S, 50S, 40S, 60S, 60S acidic, large subunit,
// small subunit, LSU, SSU, ubiquitin-40S...), optionally after "putative", "probable" or
// "type X"; the designation is one or more protein names joined by '/' (L2, S12, L7Ae, L31B,
// P0, bL12, SA, L25/general stress protein Ctc) with an optional "type X"; the tail is empty, a parenthesised remark or an organelle
// word. Anything else after the designation ("L11 methyltransferase", "S6 modification
// protein", "S6 kinase") makes it another protein. An organelle head (28S, 39S,
// mitochondrial, chloroplast...) or tail (", mitochondrial", ", chloroplastic") makes it an
// organelle ribosomal protein.
ProductKind classifyProduct(std::string_view product);

// Whether a CDS of this product joins the ribosomal reference set: cytoplasmic ribosomal
// proteins, and the organelle ones when the record is itself an organelle genome.
bool isReferenceRibosomal(std::string_view product, bool organelleRecord);

}  // namespace kestrel::reference
