#include "control/run_messages.hpp"

#include <cctype>

namespace kestrel {

void ConsoleMessages::fail(std::string_view line, std::string_view reason) {
    console_.writeLine(line);
    if (!reason.empty()) console_.writeLine(reason);
    console_.halt(1);
}

std::string plainText(std::string_view text) {
    std::string plain;
    for (const char c : text) plain += c == '\n' ? ' ' : c;
    std::erase(plain, '\a');
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!plain.empty() && blank(plain.back())) plain.pop_back();
    std::size_t first = 0;
    while (first < plain.size() && blank(plain[first])) ++first;
    return plain.substr(first);
}

void CommandLineMessages::write(std::string_view text, MessageKind kind) {
    if (kind == MessageKind::Progress && !verbose_) return;
    const std::string plain = plainText(text);
    if (plain.empty()) return;
    err_ << (kind == MessageKind::Problem ? prefix_ : std::string()) << plain << '\n' << std::flush;
}

void CommandLineMessages::fail(std::string_view line, std::string_view reason) {
    std::string message = plainText(line);
    if (!reason.empty()) message += " " + plainText(reason);
    throw RunFailed(message);
}

}  // namespace kestrel
