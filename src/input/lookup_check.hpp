// CHECKOUT: tests one lookup entry and lists it with its problems in the report.
#pragma once

#include <ostream>

#include "analysis/run_settings.hpp"
#include "input/gene_record.hpp"

namespace kestrel {

// writeHeader is set for the first entry of the run.
void checkOut(const GeneRecord& record, const RunSettings& settings, bool writeHeader,
              std::ostream& report);

}  // namespace kestrel
