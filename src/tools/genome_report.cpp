#include "tools/genome_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "analysis/codon_letters.hpp"
#include "tools/command_line.hpp"
#include "tools/lookup_builder.hpp"
#include "tools/report_data.hpp"
#include "tools/report_html.hpp"

namespace kestrel::report {

namespace {

// An index the per-gene table may hold: its column, its name on the page, the decimals it
// is shown with, and what it means in one line.
struct IndexInfo {
    std::string_view label;
    std::string_view name;
    int decimals;
    std::string_view meaning;
};

constexpr IndexInfo Indices[] = {
    {"ENC", "ENC", 2, "Effective number of codons (Wright 1990): 20 when each amino acid uses one codon, 61 when all "
                      "synonyms are used alike; lower is more biased."},
    {"Nc_Sun", "Nc (Sun)", 2, "ENC with pseudocounts and six-codon amino acids split (Sun, Yang and Xia 2013): less "
                             "biased in short genes, never above 61."},
    {"ENCprime", "ENC′", 2, "ENC against the usage the gene's flanking base composition predicts (Novembre 2002): "
                           "bias beyond what composition explains."},
    {"GC3", "GC3", 3, "G + C at third codon positions of the counted codons."},
    {"GC3_6", "GC3 (fourfold)", 3, "G + C at fourfold-degenerate third positions, the axis the expected ENC assumes."},
    {"GC3_4fold", "GC3 (fourfold)", 3, "G + C at fourfold-degenerate third positions, the axis the expected ENC "
                                       "assumes."},
    {"GC12", "GC12", 3, "Mean G + C at first and second codon positions: the neutrality plot's y axis."},
    {"CAI", "CAI", 3, "Codon adaptation index (Sharp and Li 1987): the geometric mean of the codons' weights in the "
                      "reference set, 0 to 1; higher is closer to the reference genes' usage."},
    {"Fop", "Fop", 3, "Frequency of optimal codons (Ikemura 1981): the share of the gene's codons that are optimal."},
    {"CBI", "CBI", 3, "Codon bias index (Bennetzen and Hall 1982): use of optimal codons above the random "
                      "expectation, −1 to 1."},
    {"tAI", "tAI", 3, "tRNA adaptation index (dos Reis, Savva and Wernisch 2004): how well the codons match the "
                      "genome's tRNA genes, 0 to 1."},
    {"MILC", "MILC", 3, "Measure independent of length and composition (Supek and Vlahovicek 2005), against the "
                        "genome's cumulative usage; higher is more biased."},
    {"SCUO", "SCUO", 3, "Synonymous codon usage order (Wan et al. 2004): 0 for even use of synonyms, 1 for one "
                        "codon per amino acid."},
    {"ChiSc", "χ²/L (scaled)", 3, "Chi-square of codon usage against even use of synonyms, per codon and scaled by "
                                  "its degrees of freedom (Shields and Sharp 1987)."},
    {"GRAVY", "GRAVY", 3, "Grand average of hydropathy of the protein (Kyte and Doolittle 1982)."},
    {"Aromaticity", "Aromaticity", 3, "Share of Phe, Tyr and Trp among the protein's amino acids."},
    {"L_sym", "L_sym", 0, "Codons of amino acids with more than one codon."},
    {"L_aa", "L_aa", 0, "Amino acids of the protein."},
};

// What the page computes once from the per-gene table.
struct Derived {
    std::vector<std::string> labels;
    TsvColumns table;
    std::vector<std::pair<const IndexInfo*, Spread>> spreads;
    Exclusions exclusions;
    std::unordered_map<std::string, std::size_t> geneOf;  // the Gene column's name -> the gene read
    std::unordered_set<std::string> referenceNames;
};

std::string geneName(const reference::ReferenceGene& gene) {
    return lookup::readableGeneName(gene.gene.empty() ? gene.locusTag : gene.gene);
}

Derived derive(const GenomeReport& report) {
    Derived d;
    d.labels = {"Gene", "noStart", "noStop", "preStop", "Alt", "BadCdns", "DegenCdns", "MetTrp"};
    for (const IndexInfo& index : Indices) d.labels.emplace_back(index.label);
    d.table = readTsvColumns(report.genesTable, d.labels);
    for (const IndexInfo& index : Indices) {
        const auto* cells = d.table.column(d.labels, index.label);
        if (!cells) continue;
        std::vector<double> values;
        values.reserve(cells->size());
        for (const std::string_view cell : *cells)
            if (const auto value = cellNumber(cell)) values.push_back(*value);
        if (const auto spread = spreadOf(std::move(values))) d.spreads.emplace_back(&index, *spread);
    }
    d.exclusions = exclusionsOf(d.table, d.labels, report.settings);
    if (report.genes) {
        for (std::size_t i = 0; i < report.genes->genes.size(); ++i) d.geneOf.try_emplace(geneName(report.genes->genes[i]), i);
        if (report.reference && report.reference->result)
            for (const std::size_t i : report.reference->result->members) d.referenceNames.insert(geneName(report.genes->genes[i]));
    }
    return d;
}

std::optional<double> medianOf(const Derived& d, std::string_view label) {
    for (const auto& [index, spread] : d.spreads)
        if (index->label == label) return spread.median;
    return std::nullopt;
}

void text(std::string& out, std::string_view words) { appendEscaped(out, words); }

void card(std::string& out, std::string_view value, std::string_view key) {
    out += "<div class=\"card\"><div class=\"v\">";
    out += value;
    out += "</div><div class=\"k\">";
    out += key;
    out += "</div></div>\n";
}

std::string typeName(GenomeType type) { return type == GenomeType::Prokaryote ? "prokaryote" : "eukaryote"; }

std::string codeName(const GeneticCode& code) {
    return std::to_string(code.number) + " (" + std::string(code.name) + ")";
}

// The title, the key numbers and the contents.
void writeTop(std::string& out, const GenomeReport& r, const Derived& d) {
    out += "<header>\n<h1";
    out += r.organism.empty() ? ">" : " class=\"organism\">";
    text(out, r.organism.empty() ? r.name : r.organism);
    out += "</h1>\n<p class=\"sub\">Codon usage report for <b>";
    text(out, r.name);
    out += "</b> · genetic code ";
    text(out, codeName(r.code));
    out += " · " + typeName(r.type) + " · KESTREL ";
    text(out, toolVersion());
    out += "</p>\n<div class=\"cards\">\n";
    card(out, count(static_cast<std::int64_t>(r.rows)), "genes analysed");
    card(out, fixed(medianOf(d, "ENC"), 2), "median ENC");
    const auto cai = medianOf(d, "CAI");
    card(out, cai ? fixed(cai, 3) : "none", cai ? "median CAI" : "CAI (no reference)");
    if (r.reference && r.reference->result)
        card(out, count(static_cast<std::int64_t>(r.reference->result->members.size())) + " / " +
                      std::to_string(r.reference->result->optimalCodons),
             "reference genes / optimal codons");
    if (r.growth && r.growth->d)
        card(out, significant(r.growth->d, 3) + " h", "predicted doubling time (95% CI " +
                                                          significant(r.growth->dLower, 3) + "–" +
                                                          significant(r.growth->dUpper, 3) + " h)");
    out += "</div>\n<nav class=\"toc\">";
    for (const auto& [id, title] : std::initializer_list<std::pair<const char*, const char*>>{
             {"run", "Run"}, {"genes", "Genes"}, {"indices", "Indices"}, {"reference", "Reference set"},
             {"usage", "Codon usage"}, {"figures", "Figures"}, {"ends", "Top and bottom genes"},
             {"growth", "Growth"}, {"comparison", "Reference vs rest"}, {"methods", "Methods"}}) {
        if (std::string_view(id) == "comparison" && !r.comparison) continue;
        out += "<a href=\"#" + std::string(id) + "\">" + title + "</a>";
    }
    out += "</nav>\n</header>\n";
}

void row(std::string& out, std::string_view key, std::string_view valueHtml) {
    out += "<tr><th>";
    out += key;
    out += "</th><td>";
    out += valueHtml;
    out += "</td></tr>\n";
}

// Why the genetic code is the one used: given, or that of most CDSs.
std::string codeReason(const GenomeReport& r) {
    if (r.codeGiven) return "given on the command line (<code>-g " + std::to_string(r.code.number) + "</code>)";
    std::string why = "the code of most CDSs:";
    for (const auto& [table, n] : r.skipped.codesMet)
        why += " " + count(n) + " of table " + std::to_string(table) + (table == 1 ? " (or none given)," : ",");
    why.back() = '.';
    if (r.skipped.codesMet.count(11)) why += " Table 11 reads the codons as table 1 does; the genome type sets the starts.";
    return why;
}

std::string validStarts(const GenomeReport& r) {
    std::string starts;
    for (int c = 0; c < 64; ++c) {
        const bool valid = r.type == GenomeType::Prokaryote ? r.code.start[c] : r.code.aminoAcid[c] == Met;
        if (valid) starts += (starts.empty() ? "" : ", ") + std::string(codonLetters(c).data());
    }
    return starts;
}

void writeRun(std::string& out, const GenomeReport& r) {
    out += "<section id=\"run\">\n<h2>The run</h2>\n<table>\n";
    std::string value;
    if (!r.organism.empty()) {
        value = "<span class=\"organism\">" + escaped(r.organism) + "</span>";
        if (!r.lineage.empty()) value += "<br><span class=\"note\">" + escaped(r.lineage) + "</span>";
        row(out, "Organism", value);
    } else {
        row(out, "Organism", "<span class=\"note\">not named by the annotation</span>");
    }
    value.clear();
    for (const std::string& input : r.inputs) value += (value.empty() ? "" : "<br>") + ("<code>" + escaped(input) + "</code>");
    row(out, "Input files", value);
    row(out, "Genetic code", escaped(codeName(r.code)) + "<br><span class=\"note\">" + codeReason(r) + "</span>");
    row(out, "Genome type", typeName(r.type) + "<br><span class=\"note\">" + escaped(r.typeReason) +
                                "; valid start codons: " + validStarts(r) + "</span>");
    row(out, "KESTREL", "version " + escaped(toolVersion()));
    out += "</table>\n<p>The command that makes this page and the files beside it again:</p>\n<pre class=\"cmd\">";
    text(out, (r.folder.empty() ? "" : "cd " + shellQuoted({r.folder}) + " &&\n") + shellQuoted(r.command));
    out += "</pre>\n<p class=\"note\">Results beside this page: ";
    for (std::size_t i = 0; i < r.files.size(); ++i) out += (i ? ", " : "") + ("<code>" + escaped(r.files[i]) + "</code>");
    out += ".</p>\n</section>\n";
}

constexpr std::pair<SkipReason, std::string_view> SkipReasons[] = {
    {SkipReason::OtherRecord, "the location names another record"},
    {SkipReason::Order, "order() of parts, not a spliced sequence"},
    {SkipReason::BothStrands, "parts on both strands"},
    {SkipReason::NotAscending, "parts out of order along the strand (across the origin)"},
    {SkipReason::Unreadable, "a location that cannot be read"},
    {SkipReason::TooLong, "more exons or a longer location than the analysis reads"},
    {SkipReason::NoSequence, "the record has no sequence"},
    {SkipReason::PastEnd, "a part runs past the end of the sequence"},
    {SkipReason::Pseudo, "a pseudogene (/pseudo)"},
    {SkipReason::CodonStart, "a complete CDS whose /codon_start is not 1"},
    {SkipReason::GeneticCode, "another genetic code than the one kept"},
};

void countRow(std::string& out, std::string_view what, std::int64_t n, const char* style = "") {
    out += "<tr";
    out += style;
    out += "><td>";
    out += what;
    out += "</td><td class=\"n\">" + count(n) + "</td></tr>\n";
}

void writeBuilderSkips(std::string& out, const GenomeReport& r) {
    out += "<h3>CDS features passed over when the genes were read</h3>\n";
    if (r.skipped.total() == 0) {
        out += "<p>None: every CDS feature became an entry of the lookup table.</p>\n";
    } else {
        out += "<table>\n<tr><th>Reason</th><th class=\"n\">CDSs</th></tr>\n";
        for (const auto& [reason, what] : SkipReasons)
            if (r.skipped[reason] > 0) countRow(out, what, r.skipped[reason]);
        out += "</table>\n";
    }
    if (r.skipped.renamed > 0)
        out += "<p class=\"note\">" + count(r.skipped.renamed) +
               " gene names were made readable for the lookup table (blanks and <code>#</code> replaced, cut to 30 "
               "characters).</p>\n";
}

void writeExclusions(std::string& out, const GenomeReport& r, const Derived& d) {
    const long excluded = r.summary.genesExcluded.value_or(0);
    out += "<h3>Genes left out of the cumulative counts</h3>\n";
    if (excluded == 0) {
        out += "<p>None: every analysed gene passed the stringency rules.</p>\n";
        return;
    }
    const Exclusions& x = d.exclusions;
    out += "<table>\n<tr><th>Rule that leaves a gene out</th><th class=\"n\">Genes</th></tr>\n";
    const std::pair<std::int64_t, const char*> reasons[] = {
        {x.noStart, "its first codon is not a valid start codon (<code>noStart</code>)"},
        {x.noStop, "its last codon is not a stop codon (<code>noStop</code>)"},
        {x.badCodons, "a codon with a letter other than A, C, G, T (<code>BadCdns</code>)"},
        {x.alternative, "one of several CDSs of a gene (<code>Alt</code>)"},
        {x.prematureStop, "a stop codon before its last codon (<code>preStop</code>)"},
    };
    for (const auto& [n, what] : reasons)
        if (n > 0) countRow(out, what, n);
    out += "</table>\n<p class=\"note\">A gene that breaks several rules counts under each.";
    if (x.genes != excluded)
        out += " The rules account for " + count(x.genes) + " of the " + count(excluded) + " genes left out.";
    out += " Excluded genes keep their rows and their indices; only the cumulative codon usage below leaves them "
           "out.</p>\n";
}

void writeGenes(std::string& out, const GenomeReport& r, const Derived& d) {
    out += "<section id=\"genes\">\n<h2>Genes</h2>\n<table>\n";
    const std::int64_t features = static_cast<std::int64_t>(r.entries) + r.skipped.total();
    countRow(out, "CDS features in the annotation", features);
    countRow(out, "passed over when the genes were read (below)", r.skipped.total());
    countRow(out, "entries of the lookup table", static_cast<std::int64_t>(r.entries));
    countRow(out, "passed over by the analysis (an incomplete CDS or a sequence it cannot read)",
             static_cast<std::int64_t>(r.entries) - static_cast<std::int64_t>(r.rows));
    countRow(out, "<b>genes analysed</b> (a row each)", static_cast<std::int64_t>(r.rows), " class=\"optimal\"");
    countRow(out, "included in the cumulative counts", r.summary.genesIncluded.value_or(0));
    countRow(out, "excluded from them (below)", r.summary.genesExcluded.value_or(0));
    out += "</table>\n";
    writeBuilderSkips(out, r);
    writeExclusions(out, r, d);
    out += "</section>\n";
}

// A box plot in a line: the whiskers at the ends, the box from the first to the third
// quartile, the median a bar.
std::string boxPlot(const Spread& s) {
    const double span = s.max - s.min;
    const auto x = [&](double v) { return 4.0 + (span > 0 ? (v - s.min) / span * 152.0 : 76.0); };
    char svg[640];
    std::snprintf(svg, sizeof svg,
                  "<svg width=\"160\" height=\"18\" viewBox=\"0 0 160 18\" role=\"img\" aria-label=\"spread\">"
                  "<line x1=\"%.1f\" y1=\"9\" x2=\"%.1f\" y2=\"9\" stroke=\"#8a94a3\"/>"
                  "<rect x=\"%.1f\" y=\"3\" width=\"%.1f\" height=\"12\" fill=\"#cfe0f1\" stroke=\"#1f5f99\"/>"
                  "<line x1=\"%.1f\" y1=\"2\" x2=\"%.1f\" y2=\"16\" stroke=\"#1c2430\" stroke-width=\"2\"/></svg>",
                  x(s.min), x(s.max), x(s.q1), std::max(x(s.q3) - x(s.q1), 1.0), x(s.median), x(s.median));
    return svg;
}

void writeIndices(std::string& out, const GenomeReport& r, const Derived& d) {
    out += "<section id=\"indices\">\n<h2>Indices</h2>\n<p>Over the genes analysed that have a value (those "
           "excluded from the cumulative counts too), as <code>";
    text(out, r.name);
    out += ".genes.tsv</code> gives them; the box spans the quartiles, the whiskers the whole range.</p>\n"
           "<table class=\"wide\">\n<tr><th>Index</th><th class=\"n\">Genes</th><th class=\"n\">Median</th>"
           "<th class=\"n\">Quartiles</th><th class=\"n\">Range</th><th>Spread</th><th>Meaning</th></tr>\n";
    for (const auto& [index, s] : d.spreads) {
        const int places = index->decimals;
        out += "<tr><td class=\"index\">";
        text(out, index->name);
        out += "</td><td class=\"n\">" + count(static_cast<std::int64_t>(s.n)) + "</td><td class=\"n\"><b>" +
               fixed(s.median, places) + "</b></td><td class=\"n\">" + fixed(s.q1, places) + "–" +
               fixed(s.q3, places) + "</td><td class=\"n\">" + fixed(s.min, places) + "–" + fixed(s.max, places) +
               "</td><td>" + boxPlot(s) + "</td><td class=\"meaning\">";
        text(out, index->meaning);
        out += "</td></tr>\n";
    }
    out += "</table>\n";
    if (!medianOf(d, "CAI"))
        out += "<p class=\"note\">No CAI or Fop: the analysis had no reference with an optimal codon (see the "
               "reference set).</p>\n";
    out += "</section>\n";
}


// The codons of the amino acids with more than one codon, amino acid by amino acid.
template <typename Visit>
void forSynonymousCodons(const GeneticCode& code, Visit visit) {
    for (int a = 0; a < Stp; ++a)
        if (code.isSynonymous(a))
            for (const int c : code.families[a]) visit(a, c);
}

std::string codonCell(int c) { return "<code>" + std::string(codonLetters(c).data()) + "</code>"; }

void writeOptimalCodons(std::string& out, const GenomeReport& r, const reference::ReferenceResult& result,
                        double pThreshold) {
    int tested = 0;
    forSynonymousCodons(r.code, [&](int, int c) { tested += result.codons[c].test.has_value(); });
    out += "<h3>Its optimal codons</h3>\n<p>" + std::to_string(result.optimalCodons) + " of the " +
           std::to_string(tested) + " codons tested are optimal: used more (by RSCU) in the reference set than in "
           "the rest of the genome, with p &lt; " + significant(pThreshold, 3) +
           " in a 2×2 χ² test with Yates' correction (the codon against its synonyms, the set against the rest).</p>\n";
    if (result.optimalCodons == 0) return;
    out += "<table>\n<tr><th>Amino acid</th><th>Codon</th><th class=\"n\">Count in set</th><th class=\"n\">RSCU in "
           "set</th><th class=\"n\">Count in rest</th><th class=\"n\">RSCU in rest</th><th class=\"n\">χ²</th>"
           "<th class=\"n\">p</th></tr>\n";
    forSynonymousCodons(r.code, [&](int a, int c) {
        const reference::CodonContrast& x = result.codons[c];
        if (!x.optimal) return;
        out += "<tr><td>" + std::string(AminoAcidNames[a].data()) + "</td><td>" + codonCell(c) + "</td><td class=\"n\">" +
               count(x.referenceCount) + "</td><td class=\"n\">" + fixed(x.referenceRscu, 2) + "</td><td class=\"n\">" +
               count(x.restCount) + "</td><td class=\"n\">" + fixed(x.restRscu, 2) + "</td><td class=\"n\">" +
               fixed(x.test ? std::optional(x.test->statistic) : std::nullopt, 1) + "</td><td class=\"n\">" +
               (x.test ? pValue(x.test->p) : "–") + "</td></tr>\n";
    });
    out += "</table>\n";
}

constexpr std::size_t MembersShown = 400;

void writeMemberTable(std::string& out, const GenomeReport& r, const std::vector<std::size_t>& members,
                      std::size_t from, std::size_t to) {
    out += "<table class=\"compact\">\n<tr><th>Gene</th><th>Locus tag</th><th>Product</th><th class=\"n\">Codons</th>"
           "</tr>\n";
    for (std::size_t k = from; k < to; ++k) {
        const reference::ReferenceGene& g = r.genes->genes[members[k]];
        out += "<tr><td class=\"name\"><b>" + escaped(g.gene.empty() ? g.locusTag : g.gene) + "</b></td><td class=\"note\">" +
               escaped(g.gene.empty() ? std::string() : g.locusTag) + "</td><td>" + escaped(g.product) +
               "</td><td class=\"n\">" + count(g.codons) + "</td></tr>\n";
    }
    out += "</table>\n";
}

void writeMembers(std::string& out, const GenomeReport& r, const reference::ReferenceResult& result) {
    out += "<h3>Its genes</h3>\n<p>" + count(static_cast<std::int64_t>(result.members.size())) + " genes, " +
           count(result.referenceCodons) + " codons.</p>\n";
    if (!r.genes) return;
    const std::size_t shown = std::min(result.members.size(), MembersShown);
    const std::size_t half = shown > 12 ? (shown + 1) / 2 : shown;
    if (half < shown) out += "<div class=\"cols\">\n";
    writeMemberTable(out, r, result.members, 0, half);
    if (half < shown) {
        writeMemberTable(out, r, result.members, half, shown);
        out += "</div>\n";
    }
    if (result.members.size() > MembersShown)
        out += "<p class=\"note\">and " + count(static_cast<std::int64_t>(result.members.size() - MembersShown)) +
               " more, all in <code>" + escaped(r.name) + ".reference.tsv</code>.</p>\n";
}

void writeWarnings(std::string& out, const std::vector<std::string>& warnings) {
    if (warnings.empty()) return;
    out += "<ul class=\"warnings\">\n";
    for (const std::string& warning : warnings) {
        out += "<li>";
        text(out, warning);
        out += "</li>\n";
    }
    out += "</ul>\n";
}

void writeOwnReference(std::string& out, const GenomeReport& r, const ReportReference& own) {
    out += "<p><b>How it was chosen:</b> ";
    text(out, own.how.method.empty() ? r.referenceChoice : own.how.method);
    out += "</p>\n";
    for (const std::string& note : own.how.notes) {
        out += "<p class=\"note\">";
        text(out, note);
        out += "</p>\n";
    }
    if (!own.result) {
        out += "<p class=\"warn\">No reference gene was found: the genome was analysed without CAI and Fop.</p>\n";
        return;
    }
    writeWarnings(out, own.result->warnings);
    out += own.used ? "<p>CAI and Fop on this page are computed against it (<code>" + escaped(r.name) +
                          ".scu</code>, <code>" + escaped(r.name) + ".opt</code>).</p>\n"
                    : "<p class=\"warn\">No codon of the set is optimal: the genome was analysed without CAI and "
                      "Fop; its files are kept for the record.</p>\n";
    writeMembers(out, r, *own.result);
    writeOptimalCodons(out, r, *own.result, own.how.pThreshold);
}

void writeReference(std::string& out, const GenomeReport& r) {
    out += "<section id=\"reference\">\n<h2>Reference set</h2>\n";
    if (r.reference) {
        writeOwnReference(out, r, *r.reference);
    } else if (!r.givenReference[0].empty() || !r.givenReference[1].empty()) {
        out += "<p>The reference files given for every genome of the run: ";
        for (const std::string& file : r.givenReference)
            if (!file.empty()) out += "<code>" + escaped(file) + "</code> ";
        out += "(kept beside this page under its name).</p>\n<p>Optimal codons:";
        forSynonymousCodons(r.code, [&](int, int c) {
            if (r.givenOptimal[c] == 1) out += " " + codonCell(c);
        });
        out += "</p>\n";
    } else {
        out += "<p>None (<code>--reference none</code>): the genome was analysed without CAI and Fop.</p>\n";
    }
    out += "</section>\n";
}

// A cell's shade for its RSCU: blue above 1 (used more than its share), orange below,
// white at 1; the log of RSCU sets the depth, full from a factor of 4 either way.
std::string shade(std::optional<double> rscu) {
    if (!rscu) return "#f4f6f9";
    const double t = std::clamp(std::log2(std::max(*rscu, 1e-9)) / 2.0, -1.0, 1.0);
    const int base[3] = {255, 255, 255};
    const int blue[3] = {70, 130, 190};
    const int orange[3] = {232, 140, 60};
    const int* far = t >= 0 ? blue : orange;
    const double a = std::abs(t) * 0.75;
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", static_cast<int>(base[0] + (far[0] - base[0]) * a),
                  static_cast<int>(base[1] + (far[1] - base[1]) * a), static_cast<int>(base[2] + (far[2] - base[2]) * a));
    return colour;
}

// The codon table: first base by row block, second by column, third within the block, in
// the order T, C, A, G.
void writeCodonTable(std::string& out, const GenomeReport& r, const std::array<long, 64>& counts) {
    constexpr int Order[4] = {3, 2, 0, 1};  // T, C, A, G as base indices
    std::array<long, AminoAcidCount> totals{};
    for (int c = 0; c < 64; ++c) totals[r.code.aminoAcid[c]] += counts[c];
    out += "<table class=\"codons\">\n<tr>";
    for (const int second : Order) out += "<th colspan=\"4\">·" + std::string(1, BaseLetters[second]) + "·</th>";
    out += "</tr>\n";
    for (const int first : Order)
        for (const int third : Order) {
            out += "<tr>";
            for (const int second : Order) {
                const int c = CodonIndex(first, second, third);
                const int a = r.code.aminoAcid[c];
                const long total = totals[a];
                const std::optional<double> rscu =
                    a == Stp || total == 0 ? std::nullopt
                                           : std::optional(static_cast<double>(counts[c]) * r.code.families[a].size /
                                                           static_cast<double>(total));
                const std::string style = " style=\"background:" + shade(rscu) + "\"";
                out += "<td" + style + "><code>" + std::string(codonLetters(c).data()) + "</code></td><td class=\"aa\"" +
                       style + ">" + (a == Stp ? std::string("Stop") : std::string(AminoAcidNames[a].data())) +
                       "</td><td class=\"n\"" + style + ">" + (a == Stp ? std::string("–") : count(counts[c])) +
                       "</td><td class=\"n\"" + style + ">" + fixed(rscu, 2) + "</td>";
            }
            out += "</tr>\n";
        }
    out += "</table>\n";
}

void writeTally(std::string& out, const char* title, const std::vector<std::pair<int, long>>& tally, long genes) {
    out += "<div><h3>";
    out += title;
    out += "</h3>\n<table>\n<tr><th>Codon</th><th class=\"n\">Genes</th><th class=\"n\">Share</th></tr>\n";
    for (const auto& [codon, n] : tally)
        out += "<tr><td>" + codonCell(codon) + "</td><td class=\"n\">" + count(n) + "</td><td class=\"n\">" +
               fixed(genes > 0 ? std::optional(static_cast<double>(n) / static_cast<double>(genes)) : std::nullopt, 3) +
               "</td></tr>\n";
    out += "</table>\n</div>\n";
}

void writeUsage(std::string& out, const GenomeReport& r) {
    out += "<section id=\"usage\">\n<h2>Cumulative codon usage</h2>\n";
    if (!r.summary.cumulativeCodons) {
        out += "<p>The analysis's summary lists no codon counts.</p>\n</section>\n";
        return;
    }
    const long included = r.summary.genesIncluded.value_or(0);
    out += "<p>The codons of the " + count(included) +
           " genes included in the cumulative counts, without their valid start codons and final stop codons, "
           "each with its count and its RSCU (its count over the mean count of its amino acid's codons). Shade: "
           "<span class=\"scale\" style=\"background:" + shade(0.25) + "\"></span>0.25 "
           "<span class=\"scale\" style=\"background:" + shade(0.5) + "\"></span>0.5 "
           "<span class=\"scale\" style=\"background:" + shade(1.0) + "\"></span>1 "
           "<span class=\"scale\" style=\"background:" + shade(2.0) + "\"></span>2 "
           "<span class=\"scale\" style=\"background:" + shade(4.0) + "\"></span>4.</p>\n";
    writeCodonTable(out, r, *r.summary.cumulativeCodons);
    out += "<div class=\"cols\">\n";
    writeTally(out, "Start codons of the included genes", r.summary.startTally, included);
    writeTally(out, "Stop codons of the included genes", r.summary.stopTally, included);
    out += "</div>\n</section>\n";
}

void writeFigure(std::string& out, const std::optional<ReportFigure>& figure, std::string_view id,
                 std::string_view title, std::string_view caption) {
    if (!figure) return;
    const std::string svg = embeddedSvg(figure->svg, std::string(id) + "-");
    if (svg.empty()) return;
    out += "<figure id=\"" + std::string(id) + "\">\n<h3>";
    out += title;
    out += "</h3>\n" + svg + "\n<figcaption>";
    out += caption;
    out += " <span class=\"note\">(<code>" + escaped(figure->file) + "</code>)</span></figcaption>\n</figure>\n";
}

// The first axes of the correspondence analysis: eigenvalue and share of the inertia.
void writeInertia(std::string& out, const std::string& eigenvalues) {
    const std::vector<std::string> labels{"axis", "eigenvalue", "inertia_share", "cumulative_share"};
    const TsvColumns table = readTsvColumns(eigenvalues, labels);
    if (table.rows == 0 || !table.present[1] || !table.present[2] || !table.present[3]) return;
    double total = 0;
    for (const std::string_view cell : table.cells[1]) total += cellNumber(cell).value_or(0);
    out += "<table>\n<tr><th>Axis</th><th class=\"n\">Eigenvalue</th><th class=\"n\">Share of inertia</th>"
           "<th class=\"n\">Cumulative</th></tr>\n";
    for (std::size_t i = 0; i < table.rows && i < 4; ++i) {
        const auto percent = [&](std::size_t column) {
            const auto value = cellNumber(table.cells[column][i]);
            return fixed(value ? std::optional(*value * 100) : std::nullopt, 1) + "%";
        };
        out += "<tr><td>" + escaped(table.cells[0][i]) + "</td><td class=\"n\">" +
               significant(cellNumber(table.cells[1][i]), 4) + "</td><td class=\"n\">" + percent(2) +
               "</td><td class=\"n\">" + percent(3) + "</td></tr>\n";
    }
    out += "</table>\n<p class=\"note\">Total inertia " + significant(total, 5) + " over " +
           std::to_string(table.rows) + " axes.</p>\n";
}

void writeFigures(std::string& out, const GenomeReport& r) {
    out += "<section id=\"figures\">\n<h2>Figures</h2>\n";
    if (!r.enc && !r.neutrality && !r.pr2 && !r.coa) out += "<p>No figure was drawn.</p>\n";
    writeFigure(out, r.enc, "enc", "ENC against GC3",
                "Each point a gene. The curve is the ENC expected when the GC content of third positions alone, "
                "through mutation, sets codon usage (Wright 1990); genes well below it use fewer codons than their "
                "composition explains, most often through selection for efficient translation, which is strongest in "
                "highly expressed genes such as those of the reference set.");
    writeFigure(out, r.neutrality, "neutrality", "Neutrality plot",
                "GC12 against GC3, one point per gene (Sueoka 1988). Were mutation alone at work, the points would "
                "lie along the diagonal; a slope well below 1 says that third positions vary apart from the first "
                "two, as selection or another force at synonymous sites makes them.");
    writeFigure(out, r.pr2, "pr2", "Parity rule 2 plot",
                "At fourfold-degenerate third positions, G3/(G3 + C3) against A3/(A3 + T3), one point per gene "
                "(Sueoka 1995). Without bias between the two strands in mutation and selection, genes gather at "
                "(0.5, 0.5); a shift from the centre shows a preference within the complementary pairs.");
    writeFigure(out, r.coa, "coa", "Correspondence analysis",
                "Within-amino-acid correspondence analysis of the genes' codon counts: genes and codons on the "
                "first two axes, each titled with its share of the inertia. In bacteria the first axis most often "
                "runs from the highly expressed genes to the rest.");
    if (r.coa) writeInertia(out, r.coaEigenvalues);
    out += "</section>\n";
}

void writeEndTable(std::string& out, const GenomeReport& r, const Derived& d, const std::vector<std::size_t>& rows,
                   std::string_view title, bool cai) {
    const auto* names = d.table.column(d.labels, "Gene");
    const auto cell = [&](std::string_view label, std::size_t row, int places) {
        const auto* cells = d.table.column(d.labels, label);
        return "<td class=\"n\">" + (cells ? fixed(cellNumber((*cells)[row]), places) : std::string("–")) + "</td>";
    };
    const auto codons = [&](std::size_t row) {
        const auto* degenerate = d.table.column(d.labels, "DegenCdns");
        const auto* single = d.table.column(d.labels, "MetTrp");
        if (!degenerate || !single) return std::string("–");
        return count(static_cast<std::int64_t>(cellNumber((*degenerate)[row]).value_or(0) +
                                               cellNumber((*single)[row]).value_or(0)));
    };
    out += "<div><h3>";
    out += title;
    out += "</h3>\n<table class=\"compact\">\n<tr><th class=\"n\">#</th><th>Gene</th><th>Product</th>" +
           std::string(cai ? "<th class=\"n\">CAI</th>" : "") +
           "<th class=\"n\">ENC</th><th class=\"n\">GC3</th><th class=\"n\">Codons</th></tr>\n";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::size_t row = rows[k];
        const std::string name(names ? (*names)[row] : std::string_view());
        const auto gene = d.geneOf.find(name);
        out += "<tr><td class=\"n\">" + std::to_string(k + 1) + "</td><td class=\"name\"><b>" + escaped(name) + "</b>";
        if (d.referenceNames.count(name)) out += " <span class=\"pill\" title=\"in the reference set\">ref</span>";
        out += "</td><td>";
        if (gene != d.geneOf.end()) text(out, r.genes->genes[gene->second].product);
        out += "</td>" + (cai ? cell("CAI", row, 3) : std::string()) + cell("ENC", row, 2) + cell("GC3", row, 3) +
               "<td class=\"n\">" + codons(row) + "</td></tr>\n";
    }
    out += "</table>\n</div>\n";
}

constexpr std::size_t EndGenes = 20;
constexpr double EndMinimumCodons = 50;

void writeEnds(std::string& out, const GenomeReport& r, const Derived& d) {
    const bool cai = d.table.column(d.labels, "CAI") && medianOf(d, "CAI");
    const auto* cells = d.table.column(d.labels, cai ? "CAI" : "ENC");
    const std::string index = cai ? "CAI" : "ENC";
    out += "<section id=\"ends\">\n<h2>" + std::string(cai ? "Genes with the highest and the lowest CAI"
                                                            : "Genes with the lowest and the highest ENC") + "</h2>\n";
    if (!cells) {
        out += "<p>The table has no ENC.</p>\n</section>\n";
        return;
    }
    // Genes of few codons are left out: their index rests on too little.
    const auto* degenerate = d.table.column(d.labels, "DegenCdns");
    const auto* single = d.table.column(d.labels, "MetTrp");
    std::vector<std::optional<double>> values;
    values.reserve(cells->size());
    std::size_t shortGenes = 0;
    for (std::size_t row = 0; row < cells->size(); ++row) {
        const double codons = degenerate && single ? cellNumber((*degenerate)[row]).value_or(0) +
                                                         cellNumber((*single)[row]).value_or(0)
                                                   : EndMinimumCodons;
        values.push_back(codons >= EndMinimumCodons ? cellNumber((*cells)[row]) : std::nullopt);
        shortGenes += codons < EndMinimumCodons;
    }
    const Ends ends = endsOf(values, EndGenes);
    out += cai ? "<p>The genes closest to the reference set's codon usage, and the farthest from it; "
                 "<span class=\"pill\">ref</span> marks a gene of the reference set.</p>\n"
               : "<p>Without a reference there is no CAI: the genes with the strongest codon bias by ENC (the "
                 "lowest), and the weakest.</p>\n";
    if (shortGenes > 0)
        out += "<p class=\"note\">" + count(static_cast<std::int64_t>(shortGenes)) + " genes of fewer than " +
               std::to_string(static_cast<int>(EndMinimumCodons)) + " counted codons are left out of these lists.</p>\n";
    // A genome of few genes: one list of them all.
    const std::size_t valued = static_cast<std::size_t>(std::count_if(values.begin(), values.end(), [](const auto& v) { return v.has_value(); }));
    if (valued <= 2 * EndGenes) {
        const Ends all = endsOf(values, valued);
        writeEndTable(out, r, d, cai ? all.highest : all.lowest, "All " + std::to_string(valued) + " genes by " + index,
                      cai);
    } else {
        out += "<div class=\"cols\">\n";
        writeEndTable(out, r, d, cai ? ends.highest : ends.lowest, (cai ? "Highest " : "Lowest ") + index, cai);
        writeEndTable(out, r, d, cai ? ends.lowest : ends.highest, (cai ? "Lowest " : "Highest ") + index, cai);
        out += "</div>\n";
    }
    out += "</section>\n";
}

void writeGrowthNumbers(std::string& out, const GrowthRow& g) {
    out += "<div class=\"cards\">\n";
    card(out, significant(g.d, 3) + " h", "predicted minimal doubling time");
    card(out, significant(g.dLower, 3) + "–" + significant(g.dUpper, 3) + " h", "95% confidence interval");
    card(out, std::to_string(g.nHe), "highly expressed genes (" + escaped(g.heRule) + ")");
    out += "</div>\n<table>\n";
    row(out, "CUBHE", fixed(g.cubHe, 4) + " <span class=\"note\">median MILC of the HE genes against all genes</span>");
    row(out, "ConsistencyHE",
        fixed(g.consistencyHe, 4) + " <span class=\"note\">mean MILC of the HE genes against the HE genes' "
                                    "usage</span>");
    row(out, "CPB", fixed(g.cpb, 4) + " <span class=\"note\">codon pair bias of the genome</span>");
    row(out, "Genes filtered out", count(g.filteredSequences) +
                                       " <span class=\"note\">shorter than 240 nt, not whole codons, or with other "
                                       "letters</span>");
    row(out, "Model", escaped(g.model));
    out += "</table>\n";
}

void writeGrowth(std::string& out, const GenomeReport& r) {
    out += "<section id=\"growth\">\n<h2>Growth rate</h2>\n";
    if (!r.growth) {
        out += "<p>No prediction was made.</p>\n</section>\n";
        return;
    }
    const GrowthRow& g = *r.growth;
    out += "<p>The minimal doubling time predicted from codon usage by the model of Weissman, Hou and Fuhrman "
           "(2021), from the codon usage bias of the highly expressed (HE) genes, its consistency and the "
           "genome's codon pair bias.</p>\n";
    if (g.d) writeGrowthNumbers(out, g);
    else out += "<p class=\"warn\">No prediction for this genome.</p>\n";
    writeWarnings(out, g.warnings);
    if (!g.d) {
        out += "</section>\n";
        return;
    }
    out += "<p><b>Read it with care:</b></p>\n<ul>\n"
           "<li>The interval is the model's confidence in its mean at these statistics, not the spread of real "
           "organisms: species with the same statistics vary far more (residual SD 0.90 on the Box-Cox scale).</li>\n"
           "<li>Above 5 h the codon-usage signal saturates: a long time means “slow”, not that figure.</li>\n"
           "<li>With fewer than 10 HE genes the statistics rest on a handful of genes; a complete bacterial genome "
           "gives 40 to 45.</li>\n"
           "<li>The base model was fitted without extremophiles, and to genomes of genetic code 11 only.</li>\n"
           "</ul>\n</section>\n";
}

void writeComparison(std::string& out, const GenomeReport& r) {
    // Made only when the run compared the reference set with the rest of the genome.
    if (!r.comparison) return;
    out += "<section id=\"comparison\">\n<h2>The reference set against the rest</h2>\n<p>";
    text(out, r.comparison->summary);
    out += "</p>\n<p class=\"note\">Every codon's counts, RSCU, odds ratio, p and q: <code>" +
           escaped(r.comparison->tableFile) + "</code>.</p>\n";
    writeFigure(out, ReportFigure{r.comparison->figureFile, r.comparison->svg}, "comparison",
                "Codons by log odds ratio, set against rest",
                "Each codon against its synonyms, in the reference set against the other genes; codons whose "
                "Benjamini–Hochberg q is below the threshold are marked.");
    out += "</section>\n";
}

// How the reference set was chosen, in a few words.
std::string referenceMethod(const GenomeReport& r) {
    const std::string& set = r.referenceChoice;
    if (set == "ribosomal") return "the cytoplasmic ribosomal proteins, found by their /product";
    if (set == "iterative") return "the iterative set: the genes of highest CAI, chosen again under the set's own weights until it "
                                   "stops changing";
    if (set == "coa") return "the genes at the end of the first axis of a correspondence analysis that holds the "
                             "ribosomal proteins";
    if (set.starts_with("genes:")) return "the genes listed in <code>" + escaped(set.substr(6)) + "</code>";
    if (!r.givenReference[0].empty() || !r.givenReference[1].empty()) return "reference files given for the run";
    return "none";
}

void writeMethods(std::string& out, const GenomeReport& r) {
    const RunSettings& s = r.settings;
    out += "<section id=\"methods\">\n<h2>Methods</h2>\n<ul>\n";
    out += "<li><b>Genes.</b> Every complete CDS of the annotation read with its own location; pseudogenes"
           + std::string(" and CDSs of another genetic code are passed over. A gene's counted codons are all its codons "
           "but a valid start codon, the final stop codon and codons with a letter other than A, C, G, T.</li>\n");
    out += "<li><b>Cumulative counts.</b> A gene is left out when ";
    std::vector<std::string> rules;
    if (s.startCodonRequired || s.allCodonsMustBeGood) rules.push_back("its first codon is not a valid start");
    if (s.stopCodonRequired || s.allCodonsMustBeGood) rules.push_back("its last codon is not a stop");
    if (s.allCodonsMustBeGood) rules.push_back("a codon holds another letter");
    if (s.noAlternativeCds) rules.push_back("it is one of several CDSs of a gene");
    if (s.noPrematureStops) rules.push_back("a stop codon stands before its last");
    for (std::size_t i = 0; i < rules.size(); ++i) out += (i ? (i + 1 == rules.size() ? " or " : ", ") : "") + rules[i];
    out += rules.empty() ? "no rule is on (every gene counts).</li>\n" : ".</li>\n";
    out += "<li><b>ENC</b> (Wright 1990, <i>Gene</i> 87:23–29) over the amino acids with more than one codon; an "
           "amino acid with F ≤ 0 is left out of its class, Ile missing takes F3 = (F2 + F4)/2, a class without a "
           "usable amino acid leaves no value, and values above 61 are written 61. Expected curve: "
           "ENC = 2 + s + 29/(s² + (1 − s)²).</li>\n";
    out += "<li><b>CAI</b> (Sharp and Li 1987, <i>Nucleic Acids Res.</i> 15:1281–1295) against the reference set's "
           "codon counts; weights below " + significant(s.minimumRscu, 3) +
           " (and those of an amino acid the set lacks) are raised to it. <b>Fop</b> (Ikemura 1981, <i>J. Mol. "
           "Biol.</i> 151:389–409) over all codons of amino acids with more than one codon.</li>\n";
    out += "<li><b>Reference set and optimal codons</b>: " + referenceMethod(r) +
           "; a codon is optimal when its RSCU is higher in the set than in the rest of the genome and a 2×2 χ² test "
           "with Yates' correction (the codon against its synonyms, the set against the rest) gives p below " +
           significant(r.reference ? r.reference->how.pThreshold : 0.01, 3) + ".</li>\n";
    out += "<li><b>Further indices</b>: Nc (Sun, Yang and Xia 2013, <i>Mol. Biol. Evol.</i> 30:191–196), ENC′ "
           "(Novembre 2002, <i>Mol. Biol. Evol.</i> 19:1390–1394) against the flanks' composition, MILC (Supek and "
           "Vlahovicek 2005, <i>BMC Bioinformatics</i> 6:182) against the genome's cumulative usage, SCUO (Wan et "
           "al. 2004, <i>BMC Evol. Biol.</i> 4:19), tAI (dos Reis, Savva and Wernisch 2004, <i>Nucleic Acids "
           "Res.</i> 32:5036–5044) from the genome's tRNA genes.</li>\n";
    out += "<li><b>Figures</b>: neutrality plot (Sueoka 1988, <i>PNAS</i> 85:2653–2657), parity rule 2 (Sueoka "
           "1995, <i>J. Mol. Evol.</i> 40:318–325), within-amino-acid correspondence analysis (Perrière and "
           "Thioulouse 2002, <i>Nucleic Acids Res.</i> 30:4548–4555).</li>\n";
    out += "<li><b>Growth</b> (Weissman, Hou and Fuhrman 2021, <i>PNAS</i> 118:e2016810118): a linear model of the "
           "Box-Cox transformed doubling time (λ = −0.1414) on CUBHE, ConsistencyHE and CPB; HE genes are the "
           "ribosomal proteins.</li>\n";
    out += "</ul>\n<p class=\"note\">Each formula, with the choices KESTREL makes where the papers leave them open, is "
           "in the manual (<code>docs/manual.md</code>).</p>\n</section>\n";
}

}  // namespace

std::string renderGenomeReport(const GenomeReport& report) {
    const Derived d = derive(report);
    std::string out = pageStart((report.organism.empty() ? report.name : report.organism) + " — codon usage");
    out.reserve(out.size() + report.genesTable.size() / 16 + (1 << 16) +
                (report.enc ? report.enc->svg.size() : 0) + (report.neutrality ? report.neutrality->svg.size() : 0) +
                (report.pr2 ? report.pr2->svg.size() : 0) + (report.coa ? report.coa->svg.size() : 0));
    writeTop(out, report, d);
    writeRun(out, report);
    writeGenes(out, report, d);
    writeIndices(out, report, d);
    writeReference(out, report);
    writeUsage(out, report);
    writeFigures(out, report);
    writeEnds(out, report, d);
    writeGrowth(out, report);
    writeComparison(out, report);
    writeMethods(out, report);
    out += "<footer>Written by KESTREL ";
    text(out, toolVersion());
    out += " (kestrel-genome). Every number on this page is in the tables beside it.</footer>\n";
    out += pageEnd();
    return out;
}

}  // namespace kestrel::report
