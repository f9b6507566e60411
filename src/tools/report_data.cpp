#include "tools/report_data.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numeric>

namespace kestrel::report {

namespace {

// The next line of text from at (without its line end), at moved past it.
std::string_view nextLine(std::string_view text, std::size_t& at) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    return line;
}

// The interpolated quantile p of sorted values (R's type 7).
double quantile(const std::vector<double>& sorted, double p) {
    const double h = p * static_cast<double>(sorted.size() - 1);
    const auto low = static_cast<std::size_t>(std::floor(h));
    const std::size_t high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (h - static_cast<double>(low)) * (sorted[high] - sorted[low]);
}

}  // namespace

const std::vector<std::string_view>* TsvColumns::column(const std::vector<std::string>& labels,
                                                        std::string_view label) const {
    for (std::size_t i = 0; i < labels.size() && i < cells.size(); ++i)
        if (labels[i] == label && present[i]) return &cells[i];
    return nullptr;
}

TsvColumns readTsvColumns(std::string_view text, const std::vector<std::string>& labels) {
    TsvColumns table;
    table.cells.resize(labels.size());
    table.present.assign(labels.size(), false);
    std::size_t at = 0;
    const std::string_view header = nextLine(text, at);
    // For each column of the table, the label asked for that it is (or none).
    std::vector<std::size_t> wanted;
    std::size_t last = 0;  // one past the last column wanted
    for (std::size_t begin = 0, column = 0; begin <= header.size(); ++column) {
        const std::size_t end = std::min(header.find('\t', begin), header.size());
        const auto found = std::find(labels.begin(), labels.end(), header.substr(begin, end - begin));
        const std::size_t index = static_cast<std::size_t>(found - labels.begin());
        wanted.push_back(index);
        if (found != labels.end() && !table.present[index]) {
            table.present[index] = true;
            last = column + 1;
        } else {
            wanted.back() = labels.size();  // a label met twice: its first column counts
        }
        begin = end + 1;
    }
    while (at < text.size()) {
        const std::string_view line = nextLine(text, at);
        if (line.empty()) continue;
        for (auto& cells : table.cells) cells.emplace_back();
        std::size_t begin = 0;
        for (std::size_t column = 0; column < last && begin <= line.size(); ++column) {
            const std::size_t end = std::min(line.find('\t', begin), line.size());
            if (wanted[column] < labels.size()) table.cells[wanted[column]].back() = line.substr(begin, end - begin);
            begin = end + 1;
        }
        ++table.rows;
    }
    return table;
}

std::optional<double> cellNumber(std::string_view cell) {
    double value = 0;
    const char* end = cell.data() + cell.size();
    const auto [stop, error] = std::from_chars(cell.data(), end, value);
    if (cell.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Spread> spreadOf(std::vector<double> values) {
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    Spread spread;
    spread.n = values.size();
    spread.min = values.front();
    spread.max = values.back();
    spread.q1 = quantile(values, 0.25);
    spread.median = quantile(values, 0.5);
    spread.q3 = quantile(values, 0.75);
    return spread;
}

Exclusions exclusionsOf(const TsvColumns& table, const std::vector<std::string>& labels, const RunSettings& settings) {
    Exclusions out;
    const auto* noStart = table.column(labels, "noStart");
    const auto* noStop = table.column(labels, "noStop");
    const auto* bad = table.column(labels, "BadCdns");
    const auto* alt = table.column(labels, "Alt");
    const auto* preStop = table.column(labels, "preStop");
    const auto yes = [](const std::vector<std::string_view>* cells, std::size_t row) {
        return cells && (*cells)[row] == "yes";
    };
    const bool overall = settings.allCodonsMustBeGood;
    for (std::size_t row = 0; row < table.rows; ++row) {
        const bool start = yes(noStart, row) && (settings.startCodonRequired || overall);
        const bool stop = yes(noStop, row) && (settings.stopCodonRequired || overall);
        const bool badCodons = overall && bad && cellNumber((*bad)[row]).value_or(0) > 0;
        const bool alternative = settings.noAlternativeCds && yes(alt, row);
        const bool premature = settings.noPrematureStops && yes(preStop, row);
        out.noStart += start;
        out.noStop += stop;
        out.badCodons += badCodons;
        out.alternative += alternative;
        out.prematureStop += premature;
        out.genes += start || stop || badCodons || alternative || premature;
    }
    return out;
}

Ends endsOf(const std::vector<std::optional<double>>& values, std::size_t n) {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i]) rows.push_back(i);
    const auto higher = [&](std::size_t a, std::size_t b) { return *values[a] > *values[b]; };
    const auto lower = [&](std::size_t a, std::size_t b) { return *values[a] < *values[b]; };
    Ends ends;
    const std::size_t take = std::min(n, rows.size());
    ends.highest = rows;
    std::stable_sort(ends.highest.begin(), ends.highest.end(), higher);
    ends.highest.resize(take);
    ends.lowest = std::move(rows);
    std::stable_sort(ends.lowest.begin(), ends.lowest.end(), lower);
    ends.lowest.resize(take);
    return ends;
}

}  // namespace kestrel::report
