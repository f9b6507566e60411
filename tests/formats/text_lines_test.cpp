// Reading lines in bounded memory, and opening only regular files, never waiting on anything else.
#include "formats/text_lines.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "formats/regular_file.hpp"
#include "test_support.hpp"

namespace kestrel {
namespace {

TEST(TextLines, LinesAreHeldUpToTheirLimitWhateverTheirEnd) {
    const std::string longLine(20000, 'g');
    const struct {
        std::string text;
        std::size_t limit;
        std::vector<std::pair<LineRead, std::string>> lines;
    } cases[] = {
        {"ab\r\n\nlast", 9, {{LineRead::Whole, "ab"}, {LineRead::Whole, ""}, {LineRead::Whole, "last"}}},
        {"ab\rcd\r\rlast\r", 9, {{LineRead::Whole, "ab"}, {LineRead::Whole, "cd"}, {LineRead::Whole, ""},
                                 {LineRead::Whole, "last"}}},  // old Mac line ends
        {"abc\nabcd\nx", 3, {{LineRead::Whole, "abc"}, {LineRead::Cut, "abc"}, {LineRead::Whole, "x"}}},
        {std::string("a\0b\n", 4), 9, {{LineRead::Whole, std::string("a\0b", 3)}}},
        // Longer than the reader's chunk, within the limit, then past it.
        {longLine + "\n" + longLine + "\nend", 20000,
         {{LineRead::Whole, longLine}, {LineRead::Whole, longLine}, {LineRead::Whole, "end"}}},
        {longLine + "\nend\n", 9999, {{LineRead::Cut, longLine.substr(0, 9999)}, {LineRead::Whole, "end"}}},
        {longLine, 9999, {{LineRead::Cut, longLine.substr(0, 9999)}}},
        {"", 9, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 12));
        std::istringstream in(c.text);
        const char delimiter = lineDelimiter(in);
        std::string line;
        for (const auto& [read, text] : c.lines) {
            EXPECT_EQ(readLine(in, line, c.limit, delimiter), read);
            EXPECT_EQ(line, text);
        }
        EXPECT_EQ(readLine(in, line, c.limit, delimiter), LineRead::End);
    }
    // A last line without its line end leaves the stream at its end.
    std::istringstream ended("row\n"), cut("row");
    std::string line;
    readLine(ended, line);
    readLine(cut, line);
    EXPECT_EQ(std::pair(ended.eof(), cut.eof()), std::pair(false, true));
}

class RegularFile : public InScratchFolder {};

TEST_F(RegularFile, OnlyARegularFileOpensAndNothingWaits) {
    writeFile("plain.txt", "x\n");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);  // no writer: an ordinary open would wait for ever
    std::filesystem::create_symlink("fifo", "to-fifo");
    std::filesystem::create_symlink("plain.txt", "to-plain");
    std::filesystem::create_directory("folder");
    const std::pair<std::string, OpenStatus> cases[] = {
        {"plain.txt", OpenStatus::Opened},     {"to-plain", OpenStatus::Opened},
        {"fifo", OpenStatus::NotRegular},      {"to-fifo", OpenStatus::NotRegular},
        {"/dev/null", OpenStatus::NotRegular}, {"folder", OpenStatus::NotRegular},
        {"missing", OpenStatus::CannotOpen},   {"", OpenStatus::CannotOpen},
        {std::string("plain.txt\0x", 11), OpenStatus::CannotOpen},  // would open plain.txt
    };
    for (const auto& [name, status] : cases) {
        InputFile file;
        EXPECT_EQ(file.open(name), status) << name;
        EXPECT_EQ(file.is_open(), status == OpenStatus::Opened) << name;
        EXPECT_EQ(probeRegularFile(name), status) << name;
    }
}

}  // namespace
}  // namespace kestrel
