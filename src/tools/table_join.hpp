// Tab-separated tables, each a header line of column labels and rows of as many cells,
// joined into one: the rows of every table in the order given, under the union of their
// labels in first-seen order, NA where a table lacks a column. The per-genome tables of
// kestrel-genome become a collection's tables this way, whatever columns each genome has.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// The union of the tables' labels, in first-seen order. A ToolFailure (bad data) names a
// table that cannot be read, has no header line, or repeats a label in it.
std::vector<std::string> joinedLabels(const std::vector<std::string>& paths);

// Writes the labels' header line, then the rows of each table under them. A ToolFailure
// (bad data) names the file and line of a row whose cells do not match its header, or of a
// line too long to be a row.
void writeJoinedTables(const std::vector<std::string>& paths, const std::vector<std::string>& labels,
                       std::ostream& out);

}  // namespace kestrel
