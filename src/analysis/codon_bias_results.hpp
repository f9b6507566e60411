#pragma once

namespace kestrel {

// Codon-bias indices of the current gene.
struct CodonBiasResults {
    double Enc = 0.0;
    double ChiL = 0.0;
    double ChiSc = 0.0;
    double Fop = 0.0;
    double Cai = 0.0;
};

}  // namespace kestrel
