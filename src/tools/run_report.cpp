#include "tools/run_report.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <set>

#include "tools/command_line.hpp"
#include "tools/report_data.hpp"
#include "tools/report_html.hpp"
#include "tools/tool_input.hpp"

namespace kestrel::report {

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> RowLabels = {
    "source",          "organism",       "genome_type", "genetic_code", "genes_analysed", "median_ENC",
    "median_GC3",      "median_CAI",     "reference_genes", "optimal_codons", "d", "d_lower",
    "d_upper",         "growth_warnings"};

std::string cellText(std::string_view cell) { return cell == "NA" ? std::string() : std::string(cell); }

// The genomes of one table; each page beside the table unless the pattern names it.
void addTable(const std::string& path, const RunReportRequest& request, const std::string& reportFolder,
              std::vector<RunGenome>& genomes) {
    const std::string text = readWholeFile(path);
    const TsvColumns table = readTsvColumns(text, RowLabels);
    if (!table.present[0]) throw ToolFailure(ExitBadData, path + ": no source column: not a genome summary table");
    const auto cells = [&](std::size_t label, std::size_t row) {
        return table.present[label] ? table.cells[label][row] : std::string_view("NA");
    };
    for (std::size_t i = 0; i < table.rows; ++i) {
        RunGenome g;
        g.name = std::string(cells(0, i));
        g.organism = cellText(cells(1, i));
        g.type = cellText(cells(2, i));
        g.code = cellText(cells(3, i));
        g.genes = cellText(cells(4, i));
        g.enc = cellNumber(cells(5, i));
        g.gc3 = cellNumber(cells(6, i));
        g.cai = cellNumber(cells(7, i));
        g.referenceGenes = cellText(cells(8, i));
        g.optimalCodons = cellText(cells(9, i));
        g.d = cellNumber(cells(10, i));
        g.dLower = cellNumber(cells(11, i));
        g.dUpper = cellNumber(cells(12, i));
        g.growthWarnings = cellText(cells(13, i));
        std::string page = request.pagePattern;
        if (page.empty()) page = (fs::path(path).parent_path() / "{name}.report.html").string();
        for (std::size_t at = page.find("{name}"); at != std::string::npos; at = page.find("{name}", at + g.name.size()))
            page.replace(at, 6, g.name);
        std::error_code error;
        if (fs::is_regular_file(page, error)) g.page = relativeLink(page, reportFolder);
        genomes.push_back(std::move(g));
    }
}

// The tables an input names: itself, or for a folder its NAME.genome.tsv files in name order.
std::vector<std::string> tablesOf(const std::string& input) {
    std::error_code error;
    if (!fs::is_directory(input, error)) return {input};
    std::vector<std::string> tables;
    for (const fs::directory_entry& entry : fs::directory_iterator(input, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 11 && name.ends_with(".genome.tsv") && name.front() != '.') tables.push_back(entry.path().string());
    }
    if (error) throw ToolFailure(ExitBadData, input + ": cannot be read (" + error.message() + ")");
    std::sort(tables.begin(), tables.end());
    return tables;
}

// Why a genome failed, from its log: the last line that says FAILED, else the last line.
std::string reasonInLog(const std::string& log) {
    InputFile in;
    if (!openToolInput(in, log).empty()) return "";
    std::string text;
    char buffer[1 << 14];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > (1u << 17)) text.erase(0, text.size() - (1u << 16));
    }
    std::string last, failed;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
        if (line.find("FAILED") != std::string::npos) failed = line;
        at = end + 1;
    }
    return failed.empty() ? last : failed;
}

std::vector<RunFailure> readFailures(const std::string& path, const std::string& reportFolder) {
    std::vector<RunFailure> failures;
    const std::string text = readWholeFile(path);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        RunFailure failure;
        const std::size_t tab = line.find('\t');
        failure.genome = line.substr(0, tab);
        if (tab != std::string::npos) {
            const std::size_t second = line.find('\t', tab + 1);
            failure.log = line.substr(tab + 1, second == std::string::npos ? std::string::npos : second - tab - 1);
            if (second != std::string::npos) failure.reason = line.substr(second + 1);
        }
        std::error_code error;
        if (!failure.log.empty() && fs::is_regular_file(failure.log, error)) {
            failure.logLink = relativeLink(failure.log, reportFolder);
            if (failure.reason.empty()) failure.reason = reasonInLog(failure.log);
        }
        failures.push_back(std::move(failure));
    }
    return failures;
}

// The predicted doubling times on a log axis: for a few genomes a row each with its
// interval and name, for many a histogram.
constexpr std::size_t RowsDrawn = 60;
constexpr double FigureWidth = 940, PlotLeft = 250, PlotRight = 900;

struct LogAxis {
    double low, high;  // log10 of the ends
    double x(double d) const { return PlotLeft + (std::log10(d) - low) / (high - low) * (PlotRight - PlotLeft); }
};

std::string svgNumber(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

// The axis's ticks at 1, 2 and 5 times the powers of ten, a grid line each, and the 5 h line.
void drawLogAxis(std::string& svg, const LogAxis& axis, double top, double bottom) {
    for (int decade = static_cast<int>(std::floor(axis.low)); decade <= static_cast<int>(std::ceil(axis.high)); ++decade)
        for (const double step : {1.0, 2.0, 5.0}) {
            const double d = step * std::pow(10.0, decade);
            if (std::log10(d) < axis.low - 1e-9 || std::log10(d) > axis.high + 1e-9) continue;
            const std::string x = svgNumber(axis.x(d));
            svg += "<line x1=\"" + x + "\" y1=\"" + svgNumber(top) + "\" x2=\"" + x + "\" y2=\"" + svgNumber(bottom) +
                   "\" stroke=\"#dde2e8\"/><text x=\"" + x + "\" y=\"" + svgNumber(bottom + 16) +
                   "\" text-anchor=\"middle\">" + significant(d, 3) + "</text>\n";
        }
    if (std::log10(5.0) >= axis.low && std::log10(5.0) <= axis.high) {
        const std::string x = svgNumber(axis.x(5.0));
        svg += "<line x1=\"" + x + "\" y1=\"" + svgNumber(top) + "\" x2=\"" + x + "\" y2=\"" + svgNumber(bottom) +
               "\" stroke=\"#9a5b00\" stroke-dasharray=\"4 3\"/><text x=\"" + x + "\" y=\"" + svgNumber(top - 4) +
               "\" text-anchor=\"middle\" fill=\"#9a5b00\">5 h: unreliable above</text>\n";
    }
    svg += "<text x=\"" + svgNumber((PlotLeft + PlotRight) / 2) + "\" y=\"" + svgNumber(bottom + 36) +
           "\" text-anchor=\"middle\">predicted minimal doubling time d, hours (log scale)</text>\n";
}

std::string svgStart(double height) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svgNumber(FigureWidth) + "\" height=\"" +
           svgNumber(height) + "\" viewBox=\"0 0 " + svgNumber(FigureWidth) + " " + svgNumber(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
}

std::string intervalRows(const std::vector<const RunGenome*>& rows, const LogAxis& axis) {
    const double top = 40, step = 20, bottom = top + step * static_cast<double>(rows.size());
    std::string svg = svgStart(bottom + 50);
    drawLogAxis(svg, axis, top - 16, bottom);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RunGenome& g = *rows[i];
        const std::string y = svgNumber(top + step * (static_cast<double>(i) + 0.5));
        std::string name = g.name.size() > 34 ? g.name.substr(0, 33) + "…" : g.name;
        svg += "<text x=\"" + svgNumber(PlotLeft - 10) + "\" y=\"" + svgNumber(top + step * (static_cast<double>(i) + 0.5) + 4) +
               "\" text-anchor=\"end\">" + escaped(name) + "</text>\n";
        if (g.dLower && g.dUpper && *g.dLower > 0)
            svg += "<line x1=\"" + svgNumber(axis.x(*g.dLower)) + "\" y1=\"" + y + "\" x2=\"" + svgNumber(axis.x(*g.dUpper)) +
                   "\" y2=\"" + y + "\" stroke=\"#1f5f99\" stroke-width=\"2\"/>\n";
        svg += "<circle cx=\"" + svgNumber(axis.x(*g.d)) + "\" cy=\"" + y + "\" r=\"4\" fill=\"#1f5f99\"/>\n";
    }
    return svg + "</svg>\n";
}

std::string histogram(const std::vector<const RunGenome*>& rows, const LogAxis& axis) {
    const double BinWidth = rows.size() < 1000 ? 0.1 : 0.05;  // of a decade
    const auto bins = static_cast<std::size_t>(std::ceil((axis.high - axis.low) / BinWidth));
    std::vector<std::size_t> counts(std::max<std::size_t>(bins, 1), 0);
    for (const RunGenome* g : rows)
        ++counts[std::min(counts.size() - 1, static_cast<std::size_t>((std::log10(*g->d) - axis.low) / BinWidth))];
    const double top = 40, bottom = 380;
    const double most = static_cast<double>(*std::max_element(counts.begin(), counts.end()));
    std::string svg = svgStart(bottom + 50);
    drawLogAxis(svg, axis, top - 16, bottom);
    for (std::size_t b = 0; b < counts.size(); ++b) {
        if (counts[b] == 0) continue;
        const double x0 = axis.x(std::pow(10.0, axis.low + BinWidth * static_cast<double>(b)));
        const double x1 = axis.x(std::pow(10.0, axis.low + BinWidth * static_cast<double>(b + 1)));
        const double h = (bottom - top) * static_cast<double>(counts[b]) / most;
        svg += "<rect x=\"" + svgNumber(x0) + "\" y=\"" + svgNumber(bottom - h) + "\" width=\"" +
               svgNumber(std::max(x1 - x0 - 1, 1.0)) + "\" height=\"" + svgNumber(h) + "\" fill=\"#1f5f99\"/>\n";
    }
    svg += "<text x=\"" + svgNumber(PlotLeft - 10) + "\" y=\"" + svgNumber(top + 4) + "\" text-anchor=\"end\">" +
           std::to_string(static_cast<long long>(most)) + " genomes</text>\n<text x=\"" + svgNumber(PlotLeft - 10) +
           "\" y=\"" + svgNumber(bottom) + "\" text-anchor=\"end\">0</text>\n";
    return svg + "</svg>\n";
}

std::string doublingTimeFigure(const std::vector<RunGenome>& genomes) {
    std::vector<const RunGenome*> rows;
    for (const RunGenome& g : genomes)
        if (g.d && *g.d > 0) rows.push_back(&g);
    if (rows.empty()) return {};
    std::stable_sort(rows.begin(), rows.end(), [](const RunGenome* a, const RunGenome* b) { return *a->d < *b->d; });
    double low = std::log10(*rows.front()->d), high = std::log10(*rows.back()->d);
    for (const RunGenome* g : rows) {  // the intervals, where they are drawn
        if (rows.size() > RowsDrawn) break;
        if (g->dLower && *g->dLower > 0) low = std::min(low, std::log10(*g->dLower));
        if (g->dUpper && *g->dUpper > 0) high = std::max(high, std::log10(*g->dUpper));
    }
    LogAxis axis{std::floor(low * 2) / 2 - 0.05, std::ceil(high * 2) / 2 + 0.05};
    if (axis.high - axis.low < 1) {
        const double widen = (1 - (axis.high - axis.low)) / 2;
        axis = LogAxis{axis.low - widen, axis.high + widen};
    }
    return rows.size() <= RowsDrawn ? intervalRows(rows, axis) : histogram(rows, axis);
}

void writeGenomeRow(std::string& out, const RunGenome& g, const std::set<std::string>& failed) {
    out += "<tr><td class=\"genome\">";
    if (!g.page.empty()) out += "<a href=\"" + escaped(g.page) + "\">";
    out += "<b>" + escaped(g.name) + "</b>";
    if (!g.page.empty()) out += "</a>";
    if (failed.count(g.name)) out += " <span class=\"pill warn\" title=\"failed in this run\">earlier results</span>";
    const auto cell = [](const std::string& text) { return text.empty() ? std::string("–") : escaped(text); };
    out += "</td><td class=\"organism\">" + escaped(g.organism) + "</td><td>" + escaped(g.type) + "</td><td class=\"n\">" +
           cell(g.code) + "</td><td class=\"n\">" + cell(g.genes) + "</td><td class=\"n\">" + fixed(g.enc, 2) +
           "</td><td class=\"n\">" + fixed(g.gc3, 3) + "</td><td class=\"n\">" + fixed(g.cai, 3) +
           "</td><td class=\"n\">" + cell(g.referenceGenes) + "</td><td class=\"n\">" + cell(g.optimalCodons) +
           "</td><td class=\"n\">" + significant(g.d, 3);
    if (g.d) out += " <span class=\"note\">(" + significant(g.dLower, 3) + "–" + significant(g.dUpper, 3) + ")</span>";
    out += "</td><td class=\"meaning\">" + escaped(g.growthWarnings) + "</td></tr>\n";
}

void writeGenomes(std::string& out, const RunReport& r) {
    std::set<std::string> failed;
    for (const RunFailure& f : r.failures) failed.insert(f.genome);
    out += "<section id=\"genomes\">\n<h2>Genomes</h2>\n";
    if (r.genomes.empty()) {
        out += "<p>No genome has results.</p>\n</section>\n";
        return;
    }
    out += "<p>Each genome's summary row (its <code>NAME.genome.tsv</code>); the name opens its own report. Medians "
           "are over its analysed genes; d is the predicted minimal doubling time in hours with its 95% confidence "
           "interval.</p>\n<div class=\"scroll\">\n<table class=\"wide\">\n<tr><th>Genome</th><th>Organism</th><th>Type</th>"
           "<th class=\"n\">Code</th><th class=\"n\">Genes</th><th class=\"n\">ENC</th><th class=\"n\">GC3</th>"
           "<th class=\"n\">CAI</th><th class=\"n\">Ref. genes</th><th class=\"n\">Opt. codons</th>"
           "<th class=\"n\">d, h</th><th>Growth warnings</th></tr>\n";
    for (const RunGenome& g : r.genomes) writeGenomeRow(out, g, failed);
    out += "</table>\n</div>\n</section>\n";
}

void writeFigures(std::string& out, const RunReport& r) {
    out += "<section id=\"figures\">\n<h2>Figures</h2>\n";
    for (std::size_t i = 0; i < r.figures.size(); ++i) {
        const std::string svg = embeddedSvg(r.figures[i].svg, "f" + std::to_string(i) + "-");
        if (svg.empty()) continue;
        out += "<figure id=\"figure-" + std::to_string(i + 1) + "\">\n" + svg + "\n<figcaption><code>" +
               escaped(r.figures[i].file) + "</code></figcaption>\n</figure>\n";
    }
    const std::string growth = doublingTimeFigure(r.genomes);
    if (!growth.empty())
        out += "<figure id=\"growth\">\n<h3>Predicted minimal doubling times</h3>\n" + growth +
               "<figcaption>Each genome's predicted minimal doubling time (Weissman, Hou and Fuhrman 2021)"
               "; with few genomes each with its 95% confidence interval, the fastest first, with many a histogram. "
               "Above 5 h the prediction means “slow” rather than its figure.</figcaption>\n</figure>\n";
    if (r.figures.empty() && growth.empty()) out += "<p>No figure.</p>\n";
    out += "</section>\n";
}

void writeFailures(std::string& out, const RunReport& r) {
    out += "<section id=\"failures\">\n<h2>Failures</h2>\n";
    if (r.failures.empty()) {
        out += "<p>No genome failed.</p>\n</section>\n";
        return;
    }
    out += "<p>" + count(static_cast<std::int64_t>(r.failures.size())) + (r.failures.size() == 1 ? " genome" : " genomes") +
           " failed; a genome that failed keeps the results of an earlier run, if it had one.</p>\n"
           "<table class=\"wide\">\n<tr><th>Genome</th><th>Reason</th><th>Log</th></tr>\n";
    for (const RunFailure& f : r.failures) {
        out += "<tr><td><b>" + escaped(f.genome) + "</b></td><td>" + escaped(f.reason) + "</td><td>";
        if (!f.logLink.empty()) out += "<a href=\"" + escaped(f.logLink) + "\"><code>" + escaped(f.log) + "</code></a>";
        else if (!f.log.empty()) out += "<code>" + escaped(f.log) + "</code> <span class=\"note\">(missing)</span>";
        out += "</td></tr>\n";
    }
    out += "</table>\n</section>\n";
}

void writeTop(std::string& out, const RunReport& r, const std::string& title) {
    std::vector<double> encs, ds;
    std::size_t prokaryotes = 0;
    for (const RunGenome& g : r.genomes) {
        if (g.enc) encs.push_back(*g.enc);
        if (g.d) ds.push_back(*g.d);
        prokaryotes += g.type == "prokaryote";
    }
    out += "<header>\n<h1>" + escaped(title) + "</h1>\n<p class=\"sub\">KESTREL " + escaped(toolVersion()) +
           " · a run over many genomes</p>\n<div class=\"cards\">\n";
    const auto card = [&](const std::string& value, const std::string& key) {
        out += "<div class=\"card\"><div class=\"v\">" + value + "</div><div class=\"k\">" + key + "</div></div>\n";
    };
    card(count(static_cast<std::int64_t>(r.genomes.size())), "genomes with results");
    card(count(static_cast<std::int64_t>(r.failures.size())), "genomes failed");
    card(count(static_cast<std::int64_t>(prokaryotes)), "prokaryotes");
    if (const auto spread = spreadOf(encs)) card(fixed(spread->median, 2), "median of the genomes' median ENC");
    if (const auto spread = spreadOf(ds)) card(significant(spread->median, 3) + " h", "median predicted doubling time");
    out += "</div>\n<nav class=\"toc\"><a href=\"#genomes\">Genomes</a><a href=\"#figures\">Figures</a>"
           "<a href=\"#failures\">Failures</a><a href=\"#about\">About</a></nav>\n</header>\n";
}

}  // namespace

std::string renderRunReport(const RunReport& report) {
    const std::string title = report.title.empty()
                                  ? "KESTREL run: " + count(static_cast<std::int64_t>(report.genomes.size())) + " genomes"
                                  : report.title;
    std::string out = pageStart(title);
    writeTop(out, report, title);
    writeGenomes(out, report);
    writeFigures(out, report);
    writeFailures(out, report);
    out += "<section id=\"about\">\n<h2>About this page</h2>\n<p>Made by the command</p>\n<pre class=\"cmd\">";
    appendEscaped(out, (report.folder.empty() ? "" : "cd " + shellQuoted({report.folder}) + " &&\n") +
                           shellQuoted(report.command));
    out += "</pre>\n</section>\n<footer>Written by KESTREL ";
    appendEscaped(out, toolVersion());
    out += " (kestrel-genome --run-report).</footer>\n" + pageEnd();
    return out;
}

std::string relativeLink(const std::string& file, const std::string& fromFolder) {
    std::error_code error;
    const fs::path target = fs::weakly_canonical(fs::absolute(file, error), error);
    const fs::path folder = fs::weakly_canonical(fs::absolute(fromFolder.empty() ? "." : fromFolder, error), error);
    fs::path relative = target.lexically_relative(folder);
    if (relative.empty()) relative = target;
    std::string link;
    for (const char c : relative.generic_string()) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || std::string_view("-._~/").find(c) != std::string_view::npos) {
            link += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", u);
            link += code;
        }
    }
    return link;
}

RunReport gatherRunReport(const RunReportRequest& request) {
    RunReport report;
    report.title = request.title;
    const std::string folder = fs::path(request.output).parent_path().string();
    for (const std::string& input : request.inputs)
        for (const std::string& table : tablesOf(input)) addTable(table, request, folder, report.genomes);
    for (const std::string& figure : request.figures)
        report.figures.push_back({fs::path(figure).filename().string(), readWholeFile(figure)});
    for (const std::string& file : request.failures) {
        std::vector<RunFailure> failures = readFailures(file, folder);
        std::move(failures.begin(), failures.end(), std::back_inserter(report.failures));
    }
    return report;
}

}  // namespace kestrel::report
