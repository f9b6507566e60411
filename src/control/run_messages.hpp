// Where a run tells what it does and what went wrong: on the dialogue's console, every text
// as the console has always shown it; for a run from the command line, problems on standard
// error and progress only when asked for.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "setup/console.hpp"

namespace kestrel {

enum class MessageKind {
    Progress,  // a step begins, a gene is passed over as the lookup table marks it
    Problem,   // a gene could not be read whole
};

class RunMessages {
public:
    virtual ~RunMessages() = default;
    // A text as the console writes it: no line end of its own (write) or with one (writeLine).
    virtual void write(std::string_view text, MessageKind kind) = 0;
    virtual void writeLine(std::string_view text, MessageKind kind) = 0;
    // The run cannot go on: the lines that say why, then the end of the run with status 1.
    [[noreturn]] virtual void fail(std::string_view line, std::string_view reason = {}) = 0;
};

// The dialogue's console: every text as it is; a failure halts the run.
class ConsoleMessages : public RunMessages {
public:
    explicit ConsoleMessages(Console& console) : console_(console) {}
    void write(std::string_view text, MessageKind) override { console_.write(text); }
    void writeLine(std::string_view text, MessageKind) override { console_.writeLine(text); }
    [[noreturn]] void fail(std::string_view line, std::string_view reason) override;

private:
    Console& console_;
};

// Thrown by CommandLineMessages::fail; its text is the reason, on one line.
class RunFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A run from the command line: each text becomes one line of the error stream, problems
// always (the prefix first, "kestrel: " unless told), progress only when verbose.
class CommandLineMessages : public RunMessages {
public:
    CommandLineMessages(std::ostream& err, bool verbose, std::string prefix = "kestrel: ")
        : err_(err), verbose_(verbose), prefix_(std::move(prefix)) {}
    void write(std::string_view text, MessageKind kind) override;
    void writeLine(std::string_view text, MessageKind kind) override { write(text, kind); }
    [[noreturn]] void fail(std::string_view line, std::string_view reason) override;

private:
    std::ostream& err_;
    bool verbose_;
    std::string prefix_;
};

// A console text as one plain line: without the alert character, the line ends and the
// blanks around it.
std::string plainText(std::string_view text);

}  // namespace kestrel
