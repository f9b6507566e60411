// The text console: answers are read one whitespace-delimited word at a time, and every
// text written is flushed at once. A console that can no longer be written (its reader
// went away) does not stop the run.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace kestrel {

// Thrown by Console::halt; the entry point catches it, closes the files and ends with the
// status: 0 when the user chose to quit, 1 when the run stopped on a fault.
struct RunHalted {
    int status = 0;
};

class Console {
public:
    Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    // Next word of standard input. At the end of input it writes "\a\nEND OF INPUT."
    // and halts the run as failed, so no prompt ever loops on a closed input; a word of
    // more than MaxWordLength characters halts it too, with a message that says so.
    std::string readWord();
    // First character of the next word, upper-cased.
    char readAnswer();
    // Reads answers until one of the offered letters comes, passing over all others
    // without a word; Q halts the run (a deliberate end, status 0).
    char readChoice(std::string_view offered);

    // Write and flush. A text that begins with the alert character starts on a line of
    // its own: a line feed goes first when the cursor is not at the start of a line.
    void write(std::string_view text);
    void writeLine(std::string_view text);  // text, line feed, flush
    void clearScreen();                     // 50 line feeds in place of clearing the screen

    // The one way to stop a run early: "KESTREL halted." and an empty line, then RunHalted
    // with the exit status (0 the user quit, 1 a fault).
    [[noreturn]] void halt(int status);

    static constexpr std::size_t MaxWordLength = 499;

private:
    void startAlert(std::string_view text);

    std::istream& in_;
    std::ostream& out_;
    // The cursor is at the start of a line: after a line feed, or after an answer (the
    // user's Enter, on a terminal).
    bool atLineStart_ = true;
};

}  // namespace kestrel
