#include "setup/console.hpp"

#include <cctype>
#include <iomanip>

namespace kestrel {

std::string Console::readWord() {
    std::string word;
    // One character more than a word may have tells an over-long word, without holding it.
    if (!(in_ >> std::setw(MaxWordLength + 1) >> word)) {
        writeLine("\a\nEND OF INPUT.");
        halt(1);
    }
    atLineStart_ = true;
    if (word.size() > MaxWordLength) {
        writeLine("\a\nINPUT WORD LONGER THAN " + std::to_string(MaxWordLength) + " CHARACTERS: NOT AN ANSWER.");
        halt(1);
    }
    return word;
}

char Console::readAnswer() {
    const std::string word = readWord();
    return static_cast<char>(std::toupper(static_cast<unsigned char>(word.front())));
}

char Console::readChoice(std::string_view offered) {
    for (;;) {
        const char answer = readAnswer();
        if (answer == 'Q') halt(0);
        if (offered.find(answer) != std::string_view::npos) return answer;
    }
}

void Console::startAlert(std::string_view text) {
    if (text.starts_with('\a') && !text.starts_with("\a\n") && !atLineStart_) out_ << '\n';
}

void Console::write(std::string_view text) {
    if (text.empty()) return;
    startAlert(text);
    out_ << text;
    out_.flush();
    atLineStart_ = text.back() == '\n';
}

void Console::writeLine(std::string_view text) {
    startAlert(text);
    out_ << text << '\n';
    out_.flush();
    atLineStart_ = true;
}

void Console::clearScreen() { write(std::string(50, '\n')); }

void Console::halt(int status) {
    writeLine("KESTREL halted.\n");
    throw RunHalted{status};
}

}  // namespace kestrel
