#include "formats/gff3.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "formats/fasta.hpp"
#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

// The attributes a feature is built from; the others are not kept.
using Attributes = std::vector<std::pair<std::string, std::string>>;

constexpr std::string_view KeptAttributes[] = {"ID",          "Parent",     "gene",          "Name",
                                               "locus_tag",   "protein_id", "pseudo",        "partial",
                                               "start_range", "end_range",  "transl_table",  "product",
                                               "old_locus_tag", "anticodon", "Note"};

const std::string* attribute(const Attributes& attributes, std::string_view key) {
    for (const auto& [k, v] : attributes)
        if (k == key) return &v;
    return nullptr;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int hi = i + 2 < text.size() + 0 && text[i] == '%' ? hexDigit(text[i + 1]) : -1;
        const int lo = hi >= 0 ? hexDigit(text[i + 2]) : -1;
        if (lo >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

Attributes parseAttributes(std::string_view column) {
    Attributes out;
    while (!column.empty()) {
        const std::size_t end = std::min(column.find(';'), column.size());
        const std::string_view pair = column.substr(0, end);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos) {
            std::string_view key = pair.substr(0, eq);
            while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
            if (std::find(std::begin(KeptAttributes), std::end(KeptAttributes), key) != std::end(KeptAttributes))
                out.emplace_back(std::string(key), percentDecoded(pair.substr(eq + 1)));
        }
        column.remove_prefix(std::min(end + 1, column.size()));
    }
    return out;
}

// A coordinate as GFF3 writes it, or -1.
std::int64_t coordinate(std::string_view text) {
    std::int64_t n = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    const bool whole = error == std::errc{} && end == text.data() + text.size();
    return whole && n >= 1 && n <= std::numeric_limits<std::int32_t>::max() ? n : -1;
}

struct Part {
    std::int64_t start = -1;  // -1: not a coordinate
    std::int64_t end = -1;
    bool minus = false;
    int phase = 0;
};

// A feature line with an ID, a gene or RNA line, or the CDS lines of one transcript.
struct Node {
    std::string seqid;
    std::string type;
    std::string id;  // the ID, or for a CDS the transcript's ID
    Attributes attributes;
    std::vector<Part> parts;
};

// The feature key a GFF3 type stands for among those that bound their neighbours, or "".
std::string featureKey(const std::string& type) {
    if (type == "gene" || type == "pseudogene") return "gene";
    if (type == "CDS" || type == "tRNA" || type == "rRNA" || type == "tmRNA" || type == "misc_RNA") return type;
    const bool rna = type.ends_with("RNA") || type.ends_with("_transcript");
    return rna && type != "mRNA" ? "ncRNA" : "";
}

std::string partText(const Part& p, char firstMark, char lastMark) {
    if (p.start < 0 || p.end < p.start) return "?";  // read as an unreadable location
    std::string text;
    if (firstMark) text += firstMark;
    text += std::to_string(p.start) + "..";
    if (lastMark) text += lastMark;
    return text + std::to_string(p.end);
}

// GenBank's location text of parts in ascending order.
std::string locationText(const std::vector<Part>& parts, bool partialLow, bool partialHigh) {
    const bool allMinus = std::all_of(parts.begin(), parts.end(), [](const Part& p) { return p.minus; });
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string part = partText(parts[i], i == 0 && partialLow ? '<' : 0,
                                    i + 1 == parts.size() && partialHigh ? '>' : 0);
        if (parts[i].minus && !allMinus) part = "complement(" + part + ")";
        text += (i == 0 ? "" : ",") + part;
    }
    if (parts.size() > 1) text = "join(" + text + ")";
    return allMinus ? "complement(" + text + ")" : text;
}

class Gff3Reader {
public:
    // Reads the annotation lines; true when a "##FASTA" line ended them.
    bool readAnnotations(std::istream& in) {
        const char lineEnd = lineDelimiter(in);
        std::string line;
        for (LineRead read; (read = readLine(in, line, MaxHeldText, lineEnd)) != LineRead::End;) {
            if (line.starts_with("##FASTA")) return true;
            if (line.empty() || line[0] == '#') continue;
            takeLine(line);
        }
        return false;
    }

    std::int32_t readSequences(std::istream& fasta, const RecordHandler& onRecord, SequenceSink* sink);

private:
    void takeLine(const std::string& line);
    Feature feature(const Node& node) const;
    std::vector<const Node*> lineage(const Node& node) const;

    std::vector<Node> nodes_;  // in order of appearance
    std::unordered_map<std::string, std::size_t> byId_;
    std::unordered_map<std::string, std::size_t> cdsParts_;
    std::vector<std::string> seqids_;  // in order of appearance
    std::unordered_set<std::string> seen_;
    std::string lastSeqid_;
    std::int64_t lines_ = 0;
};

void Gff3Reader::takeLine(const std::string& line) {
    std::string_view columns[9];
    std::string_view rest = line;
    int n = 0;
    for (; n < 9 && !rest.empty(); ++n) {
        const std::size_t tab = n < 8 ? rest.find('\t') : std::string_view::npos;
        columns[n] = rest.substr(0, tab);
        rest.remove_prefix(tab == std::string_view::npos ? rest.size() : tab + 1);
    }
    ++lines_;
    if (n < 8) return;
    const std::string type(columns[2]);
    const Attributes attributes = parseAttributes(columns[8]);
    const Part part{coordinate(columns[3]), coordinate(columns[4]), columns[6] == "-",
                    columns[7] == "1" ? 1 : columns[7] == "2" ? 2 : 0};
    const std::string seqid(columns[0]);
    if (seqid != lastSeqid_ && seen_.insert(seqid).second) seqids_.push_back(seqid);
    lastSeqid_ = seqid;
    const std::string* id = attribute(attributes, "ID");
    if (type != "CDS") {
        if (!id && featureKey(type).empty()) return;  // nothing refers to it, and it bounds nothing
        if (id) byId_.try_emplace(*id, nodes_.size());
        nodes_.push_back(Node{seqid, type, id ? *id : "", attributes, {part}});
        return;
    }
    // A CDS line belongs to each of its parents; one without a parent stands for itself. The
    // lines of one CDS share its ID, when it has one: CDSs of one parent with other IDs (a
    // gene's alternative CDSs, where the CDS lines hang from the gene) stay apart.
    const std::string* parents = attribute(attributes, "Parent");
    std::string_view list = parents ? std::string_view(*parents) : std::string_view();
    const std::string own = id ? *id : "line " + std::to_string(lines_);
    do {
        const std::size_t comma = std::min(list.find(','), list.size());
        const std::string transcript = list.empty() ? own : std::string(list.substr(0, comma));
        const std::string key = (id ? *id : "") + '\t' + transcript + '\t' + seqid;
        const auto [it, added] = cdsParts_.try_emplace(key, nodes_.size());
        if (added) nodes_.push_back(Node{seqid, type, parents || id ? transcript : "", attributes, {}});
        Node& cds = nodes_[it->second];
        cds.parts.push_back(part);
        for (const auto& a : attributes)
            if (!attribute(cds.attributes, a.first)) cds.attributes.push_back(a);
        list.remove_prefix(std::min(comma + 1, list.size()));
    } while (!list.empty());
}

// The node and those above it through their first parents (at most a few levels).
std::vector<const Node*> Gff3Reader::lineage(const Node& node) const {
    std::vector<const Node*> chain{&node};
    const std::string* parent = node.type == "CDS" ? &node.id : attribute(node.attributes, "Parent");
    while (parent && !parent->empty() && chain.size() < 4) {
        const auto it = byId_.find(parent->substr(0, parent->find(',')));
        if (it == byId_.end()) break;
        chain.push_back(&nodes_[it->second]);
        parent = attribute(chain.back()->attributes, "Parent");
    }
    return chain;
}

Feature Gff3Reader::feature(const Node& node) const {
    Feature f;
    f.key = featureKey(node.type);
    const std::vector<const Node*> chain = lineage(node);
    for (const char* key : {"gene", "locus_tag", "protein_id", "transl_table", "product", "old_locus_tag"})
        for (const Node* n : chain)
            if (const std::string* v = attribute(n->attributes, key)) {
                setQualifier(f, key, *v);
                break;
            }
    for (const Node* n : chain) {
        const std::string* pseudo = attribute(n->attributes, "pseudo");
        if (n->type == "pseudogene" || (pseudo && *pseudo == "true")) f.pseudo = true;
    }
    // A tRNA's own anticodon and notes, as NCBI writes them: "anticodon=(pos:...%2Caa:Leu%2Cseq:cag)",
    // "Note=transfer RNA-Leu (CAG)".
    if (const std::string* anticodon = attribute(node.attributes, "anticodon")) setQualifier(f, "anticodon", *anticodon);
    if (const std::string* note = attribute(node.attributes, "Note")) setQualifier(f, "note", *note);
    const std::string* name = attribute(chain.back()->attributes, "Name");
    if (f.gene.empty() && name && chain.back()->type != "CDS") f.gene = *name;
    if (f.proteinId.empty()) f.proteinId = node.type == "CDS" ? node.id : "";

    std::vector<Part> parts = node.parts;
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return a.start < b.start; });
    const bool minus = parts.front().minus;
    f.codonStart = (minus ? parts.back() : parts.front()).phase + 1;
    const std::string* partial = attribute(node.attributes, "partial");
    const bool low = attribute(node.attributes, "start_range") != nullptr;
    const bool high = attribute(node.attributes, "end_range") != nullptr;
    f.location = locationText(parts, low || (partial && *partial == "true" && !high), high);
    return f;
}

// Hands the bases on to the caller's sink, if any, and refuses a sequence named twice: its
// features could belong to either.
class UniqueNames : public SequenceSink {
public:
    explicit UniqueNames(SequenceSink* inner) : inner_(inner) {}
    void begin(const std::string& name) override {
        if (!names_.insert(name).second)
            throw RecordError("two sequences are named " + name + " (the first word of their FASTA headers)");
        if (inner_) inner_->begin(name);
    }
    void append(std::string_view bases) override {
        if (inner_) inner_->append(bases);
    }
    void end() override {
        if (inner_) inner_->end();
    }

private:
    SequenceSink* inner_;
    std::unordered_set<std::string> names_;
};

std::int32_t Gff3Reader::readSequences(std::istream& fasta, const RecordHandler& onRecord, SequenceSink* sink) {
    std::unordered_map<std::string, std::vector<Feature>> features;
    for (const Node& node : nodes_)
        if (!featureKey(node.type).empty()) features[node.seqid].push_back(feature(node));
    std::int32_t ordinal = 0;
    AnnotatedRecord record;
    auto emit = [&](const std::string& name, std::int64_t length) {
        record = AnnotatedRecord{};
        record.ordinal = ++ordinal;
        record.name = name;
        if (const auto it = features.find(name); it != features.end()) {
            record.features = std::move(it->second);
            features.erase(it);
        }
        record.hasSequence = length > 0;
        record.length = length;
        onRecord(record);
    };
    UniqueNames names(sink);
    readFasta(fasta, [&](FastaRecord& r) { emit(fastaId(r.header), r.length); }, &names);
    for (const std::string& seqid : seqids_)
        if (features.count(seqid)) emit(seqid, 0);
    return ordinal;
}

}  // namespace

std::int32_t readGff3(std::istream& gff, std::istream* fasta, const RecordHandler& onRecord, SequenceSink* sink) {
    Gff3Reader reader;
    const bool section = reader.readAnnotations(gff);
    if (fasta) return reader.readSequences(*fasta, onRecord, sink);
    if (section) return reader.readSequences(gff, onRecord, sink);
    std::istringstream none;
    return reader.readSequences(none, onRecord, sink);
}

}  // namespace kestrel
