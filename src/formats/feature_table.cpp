#include "formats/feature_table.hpp"

#include <algorithm>
#include <limits>
#include <string_view>

#include "formats/sequence_letters.hpp"
#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

constexpr std::size_t QualifierColumn = 21;  // 0-based column of locations and qualifiers

bool startsWith(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

void removeBlanks(std::string& text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; }),
               text.end());
}

std::string trimmed(const std::string& line) {
    const auto b = line.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    const auto e = line.find_last_not_of(" \t");
    return line.substr(b, e - b + 1);
}

// A qualifier's whole value as a positive number, else 0.
std::int32_t number(const std::string& value) {
    std::int64_t n = 0;
    for (const char c : value) {
        if (c < '0' || c > '9' || n > std::numeric_limits<std::int32_t>::max() / 10) return 0;
        n = n * 10 + (c - '0');
    }
    return n <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(n) : 0;
}

// Collects one feature's lines: the key line, location continuations, then qualifiers.
class FeatureBuilder {
public:
    void start(const std::string& line) {
        const auto keyEnd = line.find_first_of(" \t", 5);
        feature_ = Feature{};
        feature_.key = line.substr(5, keyEnd == std::string::npos ? std::string::npos : keyEnd - 5);
        if (keyEnd != std::string::npos) feature_.location = line.substr(keyEnd);
        inLocation_ = true;
        open_ = true;
        qualifierName_.clear();
        quotes_ = 0;
    }

    void continueWith(const std::string& line) {
        if (!open_) return;
        std::string text = trimmed(line);
        if (quotes_ % 2 == 0 && !text.empty() && text.front() == '/') {
            storeQualifier();
            inLocation_ = false;
            const auto eq = text.find('=');
            qualifierName_ = text.substr(1, eq == std::string::npos ? std::string::npos : eq - 1);
            value_ = eq == std::string::npos ? std::string{} : text.substr(eq + 1);
            quotes_ = std::count(value_.begin(), value_.end(), '"');
        } else if (inLocation_) {
            if (feature_.location.size() + text.size() > MaxHeldText)
                feature_.tooLong = true;
            else
                feature_.location += text;
        } else if (!qualifierName_.empty()) {
            quotes_ += std::count(text.begin(), text.end(), '"');
            if (value_.size() + text.size() < MaxHeldText) {
                value_ += ' ';
                value_ += text;
            }
        }
    }

    // A line of the feature was longer than the reader holds.
    void markTooLong() {
        if (open_) feature_.tooLong = true;
    }

    // Hands the finished feature to the record, if one is being collected.
    void finishInto(std::vector<Feature>& features) {
        if (!open_) return;
        storeQualifier();
        removeBlanks(feature_.location);
        features.push_back(std::move(feature_));
        open_ = false;
    }

private:
    void storeQualifier() {
        if (qualifierName_.empty()) return;
        setQualifier(feature_, qualifierName_, unquoted(value_));
        qualifierName_.clear();
        value_.clear();
    }

    static std::string unquoted(const std::string& value) {
        if (value.size() < 2 || value.front() != '"') return value;
        const std::size_t end = value.back() == '"' ? value.size() - 1 : value.size();
        std::string out;
        for (std::size_t i = 1; i < end; ++i) {
            out += value[i];
            if (value[i] == '"' && i + 1 < end && value[i + 1] == '"') ++i;  // "" stands for one quote
        }
        return out;
    }

    Feature feature_;
    std::string qualifierName_;
    std::string value_;
    std::size_t quotes_ = 0;  // quote characters in the qualifier's value so far
    bool inLocation_ = false;
    bool open_ = false;
};

}  // namespace

void setQualifier(Feature& feature, std::string_view name, const std::string& value) {
    if (name == "pseudo" || name == "pseudogene") feature.pseudo = true;
    if (name == "codon_start") feature.codonStart = number(value);
    if (name == "transl_table") feature.geneticCode = number(value);
    std::string* target = name == "gene"            ? &feature.gene
                          : name == "locus_tag"     ? &feature.locusTag
                          : name == "protein_id"    ? &feature.proteinId
                          : name == "old_locus_tag" ? &feature.oldLocusTag
                          : name == "product"       ? &feature.product
                          : name == "organelle"     ? &feature.organelle
                                                    : nullptr;
    if (target && target->empty()) *target = value;
    if (feature.key != "tRNA") return;
    if (name == "anticodon" && feature.anticodon.empty()) feature.anticodon = value;
    if (name == "note") {
        if (!feature.note.empty()) feature.note += "; ";
        feature.note += value;
    }
}

namespace {

// The line prefixes of a dialect.
struct Prefixes {
    const char* record;    // starts a record
    const char* features;  // GenBank: the line before the feature table; EMBL: every feature-table line
    const char* sequence;  // the line before the sequence
};

constexpr Prefixes GenBankPrefixes{"LOCUS", "FEATURES", "ORIGIN"};
constexpr Prefixes EmblPrefixes{"ID   ", "FT", "SQ"};

// The first word after a record's first line's keyword, up to a blank or (EMBL) a ';'.
std::string recordName(const std::string& line, std::size_t keywordLength) {
    const std::size_t begin = line.find_first_not_of(" \t", keywordLength);
    if (begin == std::string::npos) return {};
    const std::size_t end = line.find_first_of(" \t;", begin);
    return line.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

class FeatureTableReader {
public:
    FeatureTableReader(std::istream& in, FeatureTableDialect dialect, const RecordHandler& onRecord,
                       SequenceSink* sink)
        : in_(in),
          embl_(dialect == FeatureTableDialect::Embl),
          prefixes_(embl_ ? EmblPrefixes : GenBankPrefixes),
          onRecord_(onRecord),
          sink_(sink) {}

    std::int32_t read() {
        const char lineEnd = lineDelimiter(in_);
        bool firstLine = true;
        for (LineRead read; (read = readLinePiece(in_, line_, MaxHeldText, lineEnd)) != LineRead::End;) {
            if (firstLine) dropByteOrderMark(line_);
            firstLine = false;
            const bool inSequence = section_ == Section::Sequence;
            take(read);
            if (read == LineRead::Cut) restOfLine(inSequence && section_ == Section::Sequence, lineEnd);
        }
        if (section_ != Section::Outside)
            throw RecordError("the record " + record_.name + " ends without its \"//\" line: the file is cut short");
        return records_;
    }

private:
    enum class Section { Outside, Header, Features, Sequence };

    void take(LineRead read) {
        // The analysis finds a contig by counting every line that holds "ORIGIN", wherever it stands.
        if (line_.find("ORIGIN") != std::string::npos) ++originLines_;
        if (section_ == Section::Sequence && startsWith(line_, "//")) return finishRecord();
        if (startsWith(line_, prefixes_.record)) {
            if (section_ != Section::Outside)
                throw RecordError("the record " + record_.name + " ends without its \"//\" line, where the record " +
                                  recordName(line_, std::char_traits<char>::length(prefixes_.record)) + " begins");
            record_ = AnnotatedRecord{};
            record_.ordinal = ++records_;
            record_.name = recordName(line_, std::char_traits<char>::length(prefixes_.record));
            section_ = Section::Header;
            return;
        }
        if (section_ == Section::Sequence) return takeBases(line_);
        if (section_ == Section::Outside) return;
        if (section_ == Section::Header) takeSource();
        if (embl_ && startsWith(line_, prefixes_.features)) {
            line_[0] = line_[1] = ' ';  // the columns of an EMBL feature line are GenBank's
            section_ = Section::Features;
        }
        if (startsWith(line_, "//")) {
            finishRecord();
        } else if (startsWith(line_, prefixes_.sequence)) {
            builder_.finishInto(record_.features);
            record_.hasSequence = true;
            if (!embl_) record_.contig = originLines_;
            if (sink_) sink_->begin(record_.name);
            section_ = Section::Sequence;
        } else if (!embl_ && startsWith(line_, prefixes_.features)) {
            section_ = Section::Features;
        } else if (section_ == Section::Features) {
            featureLine(read);
        }
    }

    // The organism and its taxonomy from the record's header: GenBank's ORGANISM line and the
    // lines indented below it; EMBL's OS and OC lines.
    void takeSource() {
        const auto rest = [&](std::size_t from) { return trimmed(line_.substr(std::min(from, line_.size()))); };
        const auto addLineage = [&](const std::string& more) {
            if (!more.empty()) record_.lineage += (record_.lineage.empty() ? "" : " ") + more;
        };
        if (embl_) {
            if (startsWith(line_, "OS   ") && record_.organism.empty()) record_.organism = rest(5);
            if (startsWith(line_, "OC   ")) addLineage(rest(5));
            return;
        }
        if (startsWith(line_, "  ORGANISM")) {
            record_.organism = rest(10);
            inLineage_ = true;
        } else if (inLineage_ && startsWith(line_, "            ")) {
            addLineage(rest(12));
        } else {
            inLineage_ = false;
        }
    }

    void featureLine(LineRead read) {
        if (line_.empty() || (line_[0] != ' ' && line_[0] != '\t')) {
            builder_.finishInto(record_.features);
            section_ = Section::Header;
        } else if (line_.size() > 5 && line_.compare(0, 5, "     ") == 0 && line_[5] != ' ') {
            builder_.finishInto(record_.features);
            builder_.start(line_);
        } else if (line_.size() > QualifierColumn || !trimmed(line_).empty()) {
            builder_.continueWith(line_);
        }
        if (read == LineRead::Cut) builder_.markTooLong();
    }

    // The bases of a piece of a sequence line: counted, and handed to the sink.
    void takeBases(std::string_view text) {
        bases_.clear();
        appendSequenceLetters(text, bases_);
        record_.length += static_cast<std::int64_t>(bases_.size());
        if (sink_ && !bases_.empty()) sink_->append(bases_);
    }

    // The rest of a line longer than a piece: its bases when it is a sequence line, else nothing.
    void restOfLine(bool sequenceLine, char lineEnd) {
        if (!sequenceLine) {
            in_.ignore(std::numeric_limits<std::streamsize>::max(), lineEnd);
            return;
        }
        for (LineRead read = LineRead::Cut; read == LineRead::Cut;) {
            read = readLinePiece(in_, line_, MaxHeldText, lineEnd);
            takeBases(line_);
        }
    }

    void finishRecord() {
        builder_.finishInto(record_.features);
        if (sink_ && section_ == Section::Sequence) sink_->end();
        onRecord_(record_);
        section_ = Section::Outside;
    }

    std::istream& in_;
    const bool embl_;
    const Prefixes& prefixes_;
    const RecordHandler& onRecord_;
    SequenceSink* const sink_;
    Section section_ = Section::Outside;
    AnnotatedRecord record_;
    FeatureBuilder builder_;
    std::int32_t records_ = 0;
    std::int32_t originLines_ = 0;
    bool inLineage_ = false;  // the header lines below GenBank's ORGANISM line
    std::string line_;
    std::string bases_;
};

}  // namespace

std::int32_t readFeatureTable(std::istream& in, FeatureTableDialect dialect, const RecordHandler& onRecord,
                              SequenceSink* sink) {
    return FeatureTableReader(in, dialect, onRecord, sink).read();
}

namespace {

// Recursive-descent reader of the location grammar: complement(), join(), and ranges.
class LocationReader {
public:
    explicit LocationReader(const std::string& text) : text_(text) {}

    bool read(std::vector<LocationPart>& parts) { return readLocation(parts) && pos_ == text_.size(); }

private:
    bool take(const char* word) {
        const std::size_t n = std::char_traits<char>::length(word);
        if (text_.compare(pos_, n, word) != 0) return false;
        pos_ += n;
        return true;
    }

    bool readLocation(std::vector<LocationPart>& parts) {
        if (take("complement(")) {
            std::vector<LocationPart> inner;
            if (!readLocation(inner) || !take(")")) return false;
            for (auto it = inner.rbegin(); it != inner.rend(); ++it) {
                it->minus = !it->minus;
                parts.push_back(*it);
            }
            return true;
        }
        if (take("join(") || take("order(")) {
            do {
                if (!readLocation(parts)) return false;
            } while (take(","));
            return take(")");
        }
        return readRange(parts);
    }

    bool readBound(std::int32_t& value, char& mark) {
        mark = 0;
        if (pos_ < text_.size() && (text_[pos_] == '<' || text_[pos_] == '>')) mark = text_[pos_++];
        const std::size_t start = pos_;
        std::int64_t v = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            v = v * 10 + (text_[pos_] - '0');
            if (v > std::numeric_limits<std::int32_t>::max()) return false;
            ++pos_;
        }
        value = static_cast<std::int32_t>(v);
        return pos_ > start && v >= 1;
    }

    bool readRange(std::vector<LocationPart>& parts) {
        LocationPart part;
        if (!readBound(part.first, part.firstMark)) return false;
        if (take("..")) {
            if (!readBound(part.last, part.lastMark)) return false;
        } else {
            part.last = part.first;  // a single base
            part.lastMark = part.firstMark;
        }
        parts.push_back(part);
        return true;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

}  // namespace

Location parseLocation(const std::string& text) {
    Location location;
    if (text.find(':') != std::string::npos) {
        location.kind = LocationKind::OtherRecord;
        return location;
    }
    const bool readable = LocationReader(text).read(location.parts);
    if (!readable) location.parts.clear();
    // The parts of an order() are kept: they still tell where the feature lies.
    if (text.find("order(") != std::string::npos) {
        location.kind = LocationKind::Order;
    } else if (readable) {
        location.kind = LocationKind::Simple;
    }
    return location;
}

}  // namespace kestrel
