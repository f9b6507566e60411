#include "formats/feature_table.hpp"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string_view>

#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

constexpr std::size_t QualifierColumn = 21;  // 0-based column of locations and qualifiers
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// At most this much of a line, of a location and of a qualifier value is held, however
// long the file makes them (a location is useless long before: the lookup table's CDS
// line holds at most 9999 characters).
constexpr std::size_t MaxHeldText = 1 << 16;

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
        if (qualifierName_ == "pseudo" || qualifierName_ == "pseudogene") feature_.pseudo = true;
        if (qualifierName_ == "codon_start") feature_.codonStart = number(unquoted(value_));
        if (qualifierName_ == "transl_table") feature_.geneticCode = number(unquoted(value_));
        std::string* target = qualifierName_ == "gene"         ? &feature_.gene
                              : qualifierName_ == "locus_tag"  ? &feature_.locusTag
                              : qualifierName_ == "protein_id" ? &feature_.proteinId
                              : qualifierName_ == "old_locus_tag" ? &feature_.oldLocusTag
                              : qualifierName_ == "product"    ? &feature_.product
                              : qualifierName_ == "organelle"  ? &feature_.organelle
                                                               : nullptr;
        if (target && target->empty()) *target = unquoted(value_);
        qualifierName_.clear();
        value_.clear();
    }

    // A qualifier's whole value as a positive number, else 0.
    static std::int32_t number(const std::string& value) {
        std::int64_t n = 0;
        for (const char c : value) {
            if (c < '0' || c > '9' || n > std::numeric_limits<std::int32_t>::max() / 10) return 0;
            n = n * 10 + (c - '0');
        }
        return n <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(n) : 0;
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

std::int32_t readGenBankRecords(std::istream& in, const std::function<void(const GenBankRecord&)>& onRecord,
                                bool keepSequence) {
    enum class Section { Outside, Header, Features, Sequence };
    Section section = Section::Outside;
    GenBankRecord record;
    FeatureBuilder builder;
    std::int32_t records = 0;
    std::int32_t originLines = 0;
    std::string line;

    auto finishRecord = [&] {
        builder.finishInto(record.features);
        onRecord(record);
        section = Section::Outside;
    };

    const char lineEnd = lineDelimiter(in);
    bool firstLine = true;
    for (LineRead read; (read = readLine(in, line, MaxHeldText, lineEnd)) != LineRead::End;) {
        if (firstLine && line.rfind(Utf8ByteOrderMark, 0) == 0) line.erase(0, Utf8ByteOrderMark.size());
        firstLine = false;
        // The analysis finds a contig by counting every line that holds "ORIGIN", wherever it stands.
        const bool holdsOrigin = line.find("ORIGIN") != std::string::npos;
        if (holdsOrigin) ++originLines;

        if (section == Section::Sequence) {
            if (startsWith(line, "//")) finishRecord();
            else if (keepSequence)
                for (const char c : line)
                    if (std::isalpha(static_cast<unsigned char>(c))) record.sequence += c;
            continue;
        }
        if (startsWith(line, "LOCUS")) {
            if (section != Section::Outside) finishRecord();
            record = GenBankRecord{};
            record.ordinal = ++records;
            const std::string fields = trimmed(line.substr(5));
            record.name = fields.substr(0, fields.find_first_of(" \t"));
            section = Section::Header;
            continue;
        }
        if (section == Section::Outside) continue;
        if (startsWith(line, "//")) {
            finishRecord();
        } else if (startsWith(line, "ORIGIN")) {
            builder.finishInto(record.features);
            record.contig = originLines;
            section = Section::Sequence;
        } else if (startsWith(line, "FEATURES")) {
            section = Section::Features;
        } else if (section == Section::Features) {
            if (line.empty() || (line[0] != ' ' && line[0] != '\t')) {
                builder.finishInto(record.features);
                section = Section::Header;
            } else if (line.size() > 5 && line.compare(0, 5, "     ") == 0 && line[5] != ' ') {
                builder.finishInto(record.features);
                builder.start(line);
            } else if (line.size() > QualifierColumn || !trimmed(line).empty()) {
                builder.continueWith(line);
            }
            if (read == LineRead::Cut) builder.markTooLong();
        }
    }
    if (section != Section::Outside) finishRecord();
    return records;
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
