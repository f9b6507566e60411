// The text console: answers are read one whitespace-delimited word at a time, and every
// text written is flushed at once.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace kestrel {

class Console {
public:
    Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    // Next word of standard input. At the end of input it writes "\a\nEND OF INPUT."
    // and halts the run (haltRun), so no prompt ever loops on a closed input.
    std::string readWord();
    // First character of the next word, upper-cased.
    char readAnswer();
    // Reads answers until one of the offered letters comes, passing over all others
    // without a word; Q halts the run.
    char readChoice(std::string_view offered);

    void write(std::string_view text);      // write and flush
    void writeLine(std::string_view text);  // text, line feed, flush
    void clearScreen();                     // 50 line feeds in place of clearing the screen

private:
    std::istream& in_;
    std::ostream& out_;
};

}  // namespace kestrel
