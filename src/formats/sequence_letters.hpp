// Which characters of a sequence line are bases: one rule for every reader of sequences, so
// that a position means the same base to the lookup builder and to the analysis.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kestrel {

// The letter a character of a sequence line stands for, or 0 for none. Letters are bases, in
// the case they are written. The gap and unknown signs '-', '.', '~', '?' and '*' stand in for
// one base each, which cannot be read: they are kept as 'n', so that no later base moves.
// Digits (position numbers), blanks and every other character are layout, dropped.
inline constexpr std::array<char, 256> SequenceLetter = [] {
    std::array<char, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<std::size_t>(c)] = static_cast<char>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[static_cast<std::size_t>(c)] = static_cast<char>(c);
    for (const char c : {'-', '.', '~', '?', '*'}) table[static_cast<unsigned char>(c)] = 'n';
    return table;
}();

constexpr char sequenceLetter(char c) { return SequenceLetter[static_cast<unsigned char>(c)]; }

// Appends the bases of a piece of sequence text to out.
inline void appendSequenceLetters(std::string_view text, std::string& out) {
    for (const char c : text)
        if (const char letter = sequenceLetter(c)) out += letter;
}

}  // namespace kestrel
