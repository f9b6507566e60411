#include "tools/table_join.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "formats/text_lines.hpp"
#include "tools/command_line.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

// A row of a table holds a gene's every index: far below this, and a line this long is no row.
constexpr std::size_t MaxRowLength = 1 << 22;

[[noreturn]] void refuse(const std::string& path, std::size_t line, const std::string& why) {
    throw ToolFailure(ExitBadData, path + ", line " + std::to_string(line) + ": " + why);
}

// The cells of a line, as views into it.
void splitCells(std::string_view line, std::vector<std::string_view>& cells) {
    cells.clear();
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find('\t', start);
        cells.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return;
        start = end + 1;
    }
}

// An open table with its header read.
struct Table {
    explicit Table(const std::string& tablePath) : path(tablePath) {
        const std::string problem = openToolInput(in, path);
        if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
        if (readLine(in, line, MaxRowLength) != LineRead::Whole || (dropByteOrderMark(line), line.empty()))
            refuse(path, 1, "no header line of column labels");
        std::vector<std::string_view> cells;
        splitCells(line, cells);
        labels.assign(cells.begin(), cells.end());
        std::vector<std::string> sorted = labels;
        std::sort(sorted.begin(), sorted.end());
        const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
        if (twice != sorted.end()) refuse(path, 1, "the column label '" + *twice + "' is given twice");
    }

    std::string path;
    InputFile in;
    std::string line;
    std::vector<std::string> labels;
};

// For each joined column, the table's column that fills it, or -1 for NA.
std::vector<int> columnSources(const Table& table, const std::vector<std::string>& labels) {
    std::unordered_map<std::string_view, int> position;
    for (std::size_t i = 0; i < table.labels.size(); ++i) position.emplace(table.labels[i], static_cast<int>(i));
    std::vector<int> sources;
    for (const std::string& label : labels) {
        const auto found = position.find(label);
        sources.push_back(found == position.end() ? -1 : found->second);
    }
    return sources;
}

void writeRows(Table& table, const std::vector<int>& sources, std::ostream& out) {
    const bool same = table.labels.size() == sources.size() &&
                      std::all_of(sources.begin(), sources.end(), [&, i = 0](int s) mutable { return s == i++; });
    std::vector<std::string_view> cells;
    for (std::size_t number = 2;; ++number) {
        const LineRead read = readLine(table.in, table.line, MaxRowLength);
        if (read == LineRead::End) break;
        if (read == LineRead::Cut) refuse(table.path, number, "longer than any row of a table");
        splitCells(table.line, cells);
        if (cells.size() != table.labels.size())
            refuse(table.path, number, std::to_string(cells.size()) + " cells under a header of " +
                                           std::to_string(table.labels.size()) + " labels");
        if (same) {
            out << table.line << '\n';
            continue;
        }
        for (std::size_t j = 0; j < sources.size(); ++j)
            out << (j ? "\t" : "") << (sources[j] < 0 ? std::string_view("NA") : cells[sources[j]]);
        out << '\n';
    }
    if (table.in.bad()) throw ToolFailure(ExitBadData, table.path + ": reading failed");
}

}  // namespace

std::vector<std::string> joinedLabels(const std::vector<std::string>& paths) {
    std::vector<std::string> labels;
    std::unordered_map<std::string, bool> seen;
    for (const std::string& path : paths)
        for (const std::string& label : Table(path).labels)
            if (seen.emplace(label, true).second) labels.push_back(label);
    return labels;
}

void writeJoinedTables(const std::vector<std::string>& paths, const std::vector<std::string>& labels,
                       std::ostream& out) {
    for (std::size_t j = 0; j < labels.size(); ++j) out << (j ? "\t" : "") << labels[j];
    out << '\n';
    for (const std::string& path : paths) {
        Table table(path);
        writeRows(table, columnSources(table, labels), out);
    }
}

}  // namespace kestrel
