#include "tools/ribosomal_products.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace kestrel::reference {

namespace {

// Words allowed before "ribosomal protein": the subunit of a cytoplasmic ribosome, or of an
// organelle's (whose subunits have other sizes: 28S and 39S in animals, 37S and 54S in fungi).
constexpr std::array<std::string_view, 14> SubunitWords{
    "30s", "50s", "40s", "60s", "acidic", "large", "small", "subunit", "lsu", "ssu",
    "ubiquitin-40s", "ubiquitin-60s", "putative", "probable"};
constexpr std::array<std::string_view, 11> OrganelleWords{
    "28s", "39s", "37s", "54s", "mitochondrial", "mitochondrion", "chloroplast", "chloroplastic",
    "plastid", "plastidic", "apicoplast"};

constexpr std::array<std::string_view, 1> OtherNames{"/general stress protein ctc"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& words, std::string_view word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// One protein name: L2, S12, L7Ae, L31B, P0, bL12, uS3, eL8; or SA (the 40S protein SA).
bool isDesignationToken(std::string_view t) {
    if (t == "sa") return true;
    std::size_t i = 0;
    if (t.size() > 2 && (t[0] == 'b' || t[0] == 'u' || t[0] == 'e') && (t[1] == 'l' || t[1] == 's')) i = 1;
    if (i >= t.size() || (t[i] != 'l' && t[i] != 's' && t[i] != 'p')) return false;
    const std::size_t digits = ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == digits || i - digits > 3) return false;
    const std::size_t letters = t.size() - i;
    return letters <= 3 && std::all_of(t.begin() + static_cast<std::ptrdiff_t>(i), t.end(),
                                       [](char c) { return c >= 'a' && c <= 'z'; });
}

bool isDesignation(std::string_view word) {
    std::size_t at = 0;
    while (true) {
        const std::size_t slash = std::min(word.find('/', at), word.size());
        if (!isDesignationToken(word.substr(at, slash - at))) return false;
        if (slash == word.size()) return true;
        at = slash + 1;
    }
}

enum class Part { Bad, Plain, Organelle };

Part classifyHead(std::string_view head) {
    Part part = Part::Plain;
    std::vector<std::string_view> words = wordsOf(head);
    // "type B 50S ribosomal protein L31", RefSeq's name of a paralogue.
    if (words.size() >= 2 && words[0] == "type") words.erase(words.begin(), words.begin() + 2);
    for (const std::string_view w : words) {
        if (among(OrganelleWords, w)) part = Part::Organelle;
        else if (!among(SubunitWords, w)) return Part::Bad;
    }
    return part;
}

// What follows the designation: nothing, "type X", a parenthesised remark, an organelle word.
Part classifyTail(std::string_view tail) {
    std::vector<std::string_view> words = wordsOf(tail);
    if (words.size() >= 2 && words[0] == "type") words.erase(words.begin(), words.begin() + 2);
    Part part = Part::Plain;
    bool inRemark = false;
    for (std::string_view w : words) {
        if (!inRemark && w.front() == '(') inRemark = true;
        const bool closes = inRemark && w.back() == ')';
        if (w.front() == '(') w.remove_prefix(1);
        if (!w.empty() && w.back() == ')') w.remove_suffix(1);
        if (among(OrganelleWords, w)) part = Part::Organelle;
        else if (!inRemark) return Part::Bad;
        if (closes) inRemark = false;
    }
    return inRemark ? Part::Bad : part;
}

std::string normalised(std::string_view product) {
    std::string text;
    for (const char c : product) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == ',' || std::isspace(static_cast<unsigned char>(lower))) {
            if (!text.empty() && text.back() != ' ') text += ' ';
        } else {
            text += lower;
        }
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    // Another name of the same protein after the designation: "50S ribosomal protein
    // L25/general stress protein Ctc".
    for (const std::string_view other : OtherNames)
        if (const std::size_t at = text.find(other); at != std::string::npos) text.erase(at, other.size());
    return text;
}

}  // namespace

ProductKind classifyProduct(std::string_view product) {
    const std::string text = normalised(product);
    for (const std::string_view keyword : {std::string_view("ribosomal protein "),
                                           std::string_view("ribosomal subunit protein ")}) {
        const std::size_t at = text.find(keyword);
        if (at == std::string::npos || (at > 0 && text[at - 1] != ' ')) continue;
        const std::string_view rest = std::string_view(text).substr(at + keyword.size());
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (!isDesignation(rest.substr(0, end))) return ProductKind::Other;
        const Part head = classifyHead(std::string_view(text).substr(0, at));
        const Part tail = classifyTail(rest.substr(end));
        if (head == Part::Bad || tail == Part::Bad) return ProductKind::Other;
        return head == Part::Organelle || tail == Part::Organelle ? ProductKind::OrganelleRibosomal
                                                                   : ProductKind::Cytoplasmic;
    }
    return ProductKind::Other;
}

bool isReferenceRibosomal(std::string_view product, bool organelleRecord) {
    const ProductKind kind = classifyProduct(product);
    return kind == ProductKind::Cytoplasmic || (organelleRecord && kind == ProductKind::OrganelleRibosomal);
}

}  // namespace kestrel::reference
