#include "formats/fasta.hpp"

#include <algorithm>
#include <limits>

#include "formats/sequence_letters.hpp"
#include "formats/text_lines.hpp"

namespace kestrel {

namespace {

bool holdsLetter(const std::string& text) {
    for (const char c : text)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return false;
}

class FastaReader {
public:
    FastaReader(std::istream& in, const std::function<void(FastaRecord&)>& onRecord, SequenceSink* sink)
        : in_(in), onRecord_(onRecord), sink_(sink), lineEnd_(lineDelimiter(in)) {}

    FastaSummary read() {
        bool firstLine = true;
        for (LineRead read; (read = readLinePiece(in_, piece_, MaxHeldText, lineEnd_)) != LineRead::End;) {
            if (firstLine) dropByteOrderMark(piece_);
            firstLine = false;
            if (!piece_.empty() && piece_[0] == '>') {
                finishRecord();
                record_.header.assign(piece_, 1);
                record_.length = 0;
                if (sink_) sink_->begin(fastaId(record_.header));
                open_ = true;
            } else if (open_ && (piece_.empty() || piece_[0] != ';')) {
                takeBases();
                while (read == LineRead::Cut) {
                    read = readLinePiece(in_, piece_, MaxHeldText, lineEnd_);
                    takeBases();
                }
            } else if (!open_ && holdsLetter(piece_) && piece_[0] != ';') {
                ++summary_.strayLines;
            }
            if (read == LineRead::Cut) in_.ignore(std::numeric_limits<std::streamsize>::max(), lineEnd_);
        }
        finishRecord();
        return summary_;
    }

private:
    // The bases of a piece of a sequence line. A '*' waits until a base follows it: at the end
    // of the record it is a terminator, dropped.
    void takeBases() {
        for (const char c : piece_) {
            const char letter = sequenceLetter(c);
            if (letter == 0) continue;
            if (c == '*') {
                ++pendingStars_;
                continue;
            }
            while (pendingStars_ > 0) {  // unreadable bases, in pieces however many they are
                const std::int64_t n = std::min<std::int64_t>(pendingStars_, MaxHeldText);
                bases_.append(static_cast<std::size_t>(n), 'n');
                pendingStars_ -= n;
                if (bases_.size() >= MaxHeldText) handOn();
            }
            bases_ += letter;
        }
        handOn();
    }

    void handOn() {
        record_.length += static_cast<std::int64_t>(bases_.size());
        if (sink_ && !bases_.empty()) sink_->append(bases_);
        bases_.clear();
    }

    void finishRecord() {
        if (!open_) return;
        ++summary_.records;
        pendingStars_ = 0;
        if (sink_) sink_->end();
        onRecord_(record_);
        open_ = false;
    }

    std::istream& in_;
    const std::function<void(FastaRecord&)>& onRecord_;
    SequenceSink* const sink_;
    const char lineEnd_;
    FastaSummary summary_;
    FastaRecord record_;
    bool open_ = false;
    std::int64_t pendingStars_ = 0;
    std::string piece_;
    std::string bases_;
};

// Where a tag's value that begins at from ends: at the ']' that closes the tag, with the
// brackets inside the value balanced ("[protein=[protein-PII] uridylyltransferase]"); at
// the first ']' when they are not.
std::size_t tagEnd(const std::string& header, std::size_t from) {
    int depth = 0;
    for (std::size_t i = from; i < header.size(); ++i) {
        if (header[i] == '[') ++depth;
        else if (header[i] == ']' && depth-- == 0) return i;
    }
    return header.find(']', from);
}

// Applies the [key=value] tags of a coding sequence's header.
void applyHeaderTags(const std::string& header, Feature& cds, bool& partial5, bool& partial3) {
    for (std::size_t open = header.find('['); open != std::string::npos; open = header.find('[', open + 1)) {
        const std::size_t eq = header.find_first_of("=[] ", open + 1);
        if (eq == std::string::npos || header[eq] != '=') continue;  // a bracket of other text
        const std::size_t close = tagEnd(header, eq + 1);
        if (close == std::string::npos) return;
        const std::string key = header.substr(open + 1, eq - open - 1);
        const std::string value = header.substr(eq + 1, close - eq - 1);
        if (key == "gene" || key == "locus_tag" || key == "protein_id" || key == "transl_table")
            setQualifier(cds, key, value);
        else if (key == "pseudo" && value == "true")
            setQualifier(cds, key, value);
        else if (key == "protein")
            setQualifier(cds, "product", value);
        else if (key == "frame")
            setQualifier(cds, "codon_start", value);
        else if (key == "partial") {
            partial5 = partial5 || value.find("5'") != std::string::npos;
            partial3 = partial3 || value.find("3'") != std::string::npos;
        }
        open = close;
    }
}

}  // namespace

FastaSummary readFasta(std::istream& in, const std::function<void(FastaRecord&)>& onRecord, SequenceSink* sink) {
    return FastaReader(in, onRecord, sink).read();
}

std::string fastaId(const std::string& header) { return header.substr(0, header.find_first_of(" \t")); }

FastaSummary readCdsFasta(std::istream& in, const RecordHandler& onRecord, SequenceSink* sink) {
    AnnotatedRecord record;
    std::int32_t ordinal = 0;
    const auto onFasta = [&](FastaRecord& fasta) {
        record = AnnotatedRecord{};
        record.ordinal = ++ordinal;
        record.name = fastaId(fasta.header);
        record.hasSequence = fasta.length > 0;
        record.length = fasta.length;
        record.codingOnly = true;
        Feature cds;
        cds.key = "CDS";
        bool partial5 = false, partial3 = false;
        applyHeaderTags(fasta.header, cds, partial5, partial3);
        // The header's first word is the last name tried, where a GenBank CDS has its protein id.
        if (cds.proteinId.empty()) cds.proteinId = record.name;
        // An empty record still shows as a CDS, to be skipped for its missing sequence.
        const std::int64_t length = std::max<std::int64_t>(fasta.length, 1);
        cds.location = std::string(partial5 ? "<1.." : "1..") + (partial3 ? ">" : "") + std::to_string(length);
        record.features.push_back(std::move(cds));
        record.header = std::move(fasta.header);
        onRecord(record);
    };
    return readFasta(in, onFasta, sink);
}

}  // namespace kestrel
