#include "tools/kstl_table.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "formats/regular_file.hpp"
#include "formats/trna_census.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

// Cells never hold tabs or line ends in a well-formed file; a stray tab becomes a blank
// so that it cannot shift the table's columns.
void appendField(std::string& line, std::string_view text) {
    const std::size_t start = line.size();
    line.append(text);
    std::replace_if(line.begin() + static_cast<std::ptrdiff_t>(start), line.end(),
                    [](char c) { return c == '\t' || c == '\n'; }, ' ');
}

void writeField(std::ostream& out, std::string_view text) {
    std::string field;
    appendField(field, text);
    out << field;
}

std::string formatValue(const std::optional<double>& value) {
    if (!value) return "NA";
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.4f", *value);
    return cell;
}

std::string formatCount(const std::optional<long>& value) { return value ? std::to_string(*value) : "NA"; }

}  // namespace

std::string sourceName(const std::string& path, SourceName naming) {
    if (naming == SourceName::File) return path;
    std::string name = std::filesystem::path(path).filename().string();
    if (name.ends_with(".kstl") && name.size() > 5) name.resize(name.size() - 5);
    return name;
}

void TableWriter::writeHeader(std::ostream& out) const {
    out << "source";
    for (const auto& label : labels_) out << '\t' << label;
    for (const auto& label : indexLabels(settings_)) out << '\t' << label;
    out << '\n';
}


FileSummary TableWriter::writeRows(KstlReader& reader, const std::string& source, std::string& out, std::string& rscu,
                                   const FileTotals& totals) {
    std::vector<std::optional<std::size_t>> fileColumn(labels_.size());
    for (std::size_t i = 0; i < labels_.size(); ++i) fileColumn[i] = reader.columnIndex(labels_[i]);
    std::array<std::optional<std::size_t>, MedianColumns.size()> medianColumn;
    for (std::size_t m = 0; m < MedianColumns.size(); ++m) medianColumn[m] = reader.columnIndex(MedianColumns[m]);
    for (auto& values : medianValues_) values.clear();
    std::optional<GeneIndexColumns> indices;
    if (settings_.needsCodonCounts()) {
        indices.emplace(settings_, reader);
        indices->useTotals(totals);
    }

    std::string sourceField;
    appendField(sourceField, source);
    while (reader.nextRow(cells_)) {
        const bool hasTab = reader.currentRow().find('\t') != std::string_view::npos;
        out += sourceField;
        for (const auto& column : fileColumn) {
            out += '\t';
            if (column && cells_[*column].present) {
                if (hasTab) {
                    appendField(out, cells_[*column].text);
                } else {
                    out += cells_[*column].text;
                }
            } else {
                out += "NA";
            }
        }
        if (indices) {
            const GeneCodonCounts counts = indices->countsOf(reader, cells_);
            indices->appendCells(cells_, counts, out);
            if (settings_.rscu) indices->appendRscu(cells_, counts, sourceField, rscu);
        }
        out += '\n';
        for (std::size_t m = 0; m < MedianColumns.size(); ++m) {
            if (!medianColumn[m]) continue;
            if (auto value = numericValue(cells_[*medianColumn[m]])) medianValues_[m].push_back(*value);
        }
    }
    FileSummary summary;
    summary.source = source;
    summary.geneticCode = reader.geneticCode();
    summary.rows = reader.rowsRead();
    summary.counts = reader.readSummary();
    for (std::size_t m = 0; m < MedianColumns.size(); ++m) {
        if (medianColumn[m]) summary.medians[m] = median(medianValues_[m]);
    }
    return summary;
}


void writeSummaryTable(const std::vector<FileSummary>& files, std::ostream& out) {
    out << "source\tgenes_analysed\tgenes_included\tgenes_excluded";
    for (const char* column : MedianColumns) out << "\tmedian_" << column;
    out << "\tgenetic_code\n";
    for (const auto& file : files) {
        writeField(out, file.source);
        out << '\t' << file.rows << '\t' << formatCount(file.counts.genesIncluded) << '\t'
            << formatCount(file.counts.genesExcluded);
        for (const auto& value : file.medians) out << '\t' << formatValue(value);
        out << '\t' << file.geneticCode << '\n';
    }
}

namespace {

void openInput(InputFile& in, const std::string& path) {
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw KstlError(problem);
}

// The first of two readings of a file: its whole noncoding composition and its cumulative
// codon counts.
FileTotals readTotals(const std::string& path, const KstlOpener& open, const IndexSettings& settings) {
    FileTotals totals;
    const auto stream = open();
    std::istream& in = *stream;
    KstlReader reader(in, path);
    const GeneIndexColumns columns(settings, reader);
    std::vector<KstlCell> cells;
    while (reader.nextRow(cells)) columns.addNoncoding(cells, totals);
    totals.cumulativeCodons = reader.readSummary().cumulativeCodons;
    if (in.bad()) throw KstlError(path + ": reading failed");
    return totals;
}

// The census of NAME.kstl in the census folder, NAME.tsv; none when there is no such file.
std::optional<TrnaCensus> folderCensus(const std::string& path, const std::string& folder) {
    std::string name = std::filesystem::path(path).filename().string();
    if (name.ends_with(".kstl")) name.resize(name.size() - 5);
    const std::string census = folder + "/" + name + ".tsv";
    std::error_code ignored;
    if (!std::filesystem::exists(census, ignored)) return std::nullopt;
    InputFile in;
    openInput(in, census);
    TrnaCensus read;
    const std::string problem = readTrnaCensus(in, read);
    if (!problem.empty()) throw KstlError(census + ", " + problem);
    return read;
}

}  // namespace

FileRows tabulateFile(const std::string& path, const KstlOpener& open, TableWriter& writer,
                      const TableSettings& settings) {
    const IndexSettings& indices = settings.indices;
    const bool allowIncomplete = settings.allowIncomplete;
    FileRows result;
    try {
        FileTotals totals = indices.needsFirstPass() ? readTotals(path, open, indices) : FileTotals{};
        if (!indices.censusFolder.empty()) totals.census = folderCensus(path, indices.censusFolder);
        const auto stream = open();
        std::istream& in = *stream;
        KstlReader reader(in, path);
        result.summary = writer.writeRows(reader, sourceName(path, settings.source), result.rows, result.rscu, totals);
        if (in.bad()) throw KstlError(path + ": reading failed");
        if (!result.summary.counts.complete) {
            if (!allowIncomplete) throw KstlError(cutShortText(path) + " (--allow-incomplete takes it)");
            result.warning = "warning: " + cutShortText(path) + "; its included and excluded counts are NA";
            result.summary.counts = KstlSummary{};
        }
    } catch (const std::exception& e) {
        result.rows.clear();
        result.rscu.clear();
        result.error = e.what();
    }
    return result;
}

namespace {

// An output file on disk.
KstlOpener fileOpener(const std::string& path) {
    return [path]() -> std::unique_ptr<std::istream> {
        auto in = std::make_unique<InputFile>();
        openInput(*in, path);
        return in;
    };
}

// Files tabulated by worker threads and handed out in the order of the command line.
// Files are read at most two per thread ahead of the one handed out, which bounds the
// memory held. Destroying it stops the threads after their current file.
class ParallelTabulation {
public:
    ParallelTabulation(const TableSettings& settings, const std::vector<std::string>& paths,
                       const std::vector<std::string>& labels)
        : settings_(settings), paths_(paths), labels_(labels), done_(paths.size()),
          ahead_(2 * std::size_t{settings.threads}) {
        for (unsigned t = 0; t < std::min<std::size_t>(settings.threads, paths.size()); ++t)
            workers_.emplace_back([this] { work(); });
    }
    ParallelTabulation(const ParallelTabulation&) = delete;
    ParallelTabulation& operator=(const ParallelTabulation&) = delete;
    ~ParallelTabulation() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        workers_.clear();  // joins
    }

    // Waits for file i, the next in order.
    FileRows take(std::size_t i) {
        FileRows rows;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return done_[i].has_value(); });
            rows = std::move(*done_[i]);
            done_[i].reset();
            handedOut_ = i + 1;
        }
        changed_.notify_all();
        return rows;
    }

private:
    void work() {
        TableWriter writer(labels_, settings_.indices);
        const std::vector<std::string>& paths = paths_;
        while (true) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || next_ >= paths.size() || next_ < handedOut_ + ahead_; });
                if (stop_ || next_ >= paths.size()) return;
                index = next_++;
            }
            FileRows rows = tabulateFile(paths[index], fileOpener(paths[index]), writer, settings_);
            {
                const std::lock_guard lock(mutex_);
                done_[index] = std::move(rows);
            }
            changed_.notify_all();
        }
    }

    const TableSettings& settings_;
    const std::vector<std::string>& paths_;
    const std::vector<std::string>& labels_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::optional<FileRows>> done_;
    std::size_t next_ = 0;       // the next file a worker takes
    std::size_t handedOut_ = 0;  // files handed out so far
    bool stop_ = false;
    const std::size_t ahead_;
    std::vector<std::jthread> workers_;  // last: the threads go before what they use
};

}  // namespace

void tabulateInOrder(const TableSettings& settings, const std::vector<std::string>& paths,
                     const std::vector<std::string>& labels, const std::function<void(FileRows&)>& write) {
    if (settings.threads <= 1 || paths.size() <= 1) {
        TableWriter writer(labels, settings.indices);
        for (const auto& path : paths) {
            FileRows rows = tabulateFile(path, fileOpener(path), writer, settings);
            write(rows);
        }
        return;
    }
    ParallelTabulation tabulation(settings, paths, labels);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        FileRows rows = tabulation.take(i);
        write(rows);
    }
}

std::vector<std::string> unionOfLabels(const std::vector<std::string>& paths) {
    std::vector<std::string> labels;
    for (const auto& path : paths) {
        InputFile in;
        openInput(in, path);
        const KstlReader reader(in, path);
        for (const auto& column : reader.columns())
            if (std::find(labels.begin(), labels.end(), column.label) == labels.end()) labels.push_back(column.label);
    }
    return labels;
}

std::optional<double> median(std::vector<double>& values) {
    if (values.empty()) return std::nullopt;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    const double upper = values[mid];
    if (values.size() % 2 == 1) return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + mid);
    return (lower + upper) / 2.0;
}

}  // namespace kestrel
