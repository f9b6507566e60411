#include "setup/console.hpp"

#include <cctype>

#include "control/halt.hpp"

namespace kestrel {

std::string Console::readWord() {
    std::string word;
    if (!(in_ >> word)) {
        writeLine("\a\nEND OF INPUT.");
        haltRun(*this);
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
        if (answer == 'Q') haltRun(*this);
        if (offered.find(answer) != std::string_view::npos) return answer;
    }
}

void Console::write(std::string_view text) {
    out_ << text;
    out_.flush();
}

void Console::writeLine(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
}

void Console::clearScreen() { write(std::string(50, '\n')); }

}  // namespace kestrel
