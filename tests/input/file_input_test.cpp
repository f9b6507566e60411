// Opening input files without waiting on what is not a regular file, and reading lines
// with bounded memory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../control/scratch_path.hpp"
#include "formats/text_lines.hpp"
#include "formats/regular_file.hpp"

namespace kestrel {
namespace {

class FileInput : public InScratchFolder {
protected:
    FileInput() : InScratchFolder("kestrel_file_input") {}
};

TEST_F(FileInput, OnlyARegularFileOpensAndNothingWaits) {
    std::ofstream("plain.txt") << "x\n";
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);  // no writer: an ordinary open would wait for ever
    std::filesystem::create_symlink("fifo", "to-fifo");
    std::filesystem::create_symlink("plain.txt", "to-plain");
    std::filesystem::create_directory("folder");
    const std::pair<std::string, OpenStatus> cases[] = {
        {"plain.txt", OpenStatus::Opened},       {"to-plain", OpenStatus::Opened},
        {"fifo", OpenStatus::NotRegular},        {"to-fifo", OpenStatus::NotRegular},
        {"/dev/null", OpenStatus::NotRegular},   {"folder", OpenStatus::NotRegular},
        {"missing", OpenStatus::CannotOpen},     {"", OpenStatus::CannotOpen},
        {std::string("plain.txt\0x", 11), OpenStatus::CannotOpen},  // would open plain.txt
    };
    for (const auto& [name, status] : cases) {
        InputFile file;
        EXPECT_EQ(file.open(name), status) << name;
        EXPECT_EQ(file.is_open(), status == OpenStatus::Opened) << name;
    }
}

TEST_F(FileInput, AFileReadsAndSeeksLikeAFileStream) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";  // several read buffers
    std::ofstream("lines.txt") << text;
    InputFile file;
    ASSERT_EQ(file.open("lines.txt"), OpenStatus::Opened);
    std::string line;
    for (int i = 0; i < 15000; ++i) readLine(file, line);
    const std::streampos mark = file.tellg();
    EXPECT_EQ(mark, std::streampos(static_cast<std::streamoff>(text.find("line 15000\n"))));
    while (readLine(file, line) != LineRead::End) {
    }
    file.clear();
    file.seekg(mark);
    readLine(file, line);
    EXPECT_EQ(line, "line 15000");
}

TEST(LineReader, LinesAreHeldUpToTheirLimit) {
    const std::string longLine(20000, 'g');
    struct Case {
        std::string text;
        std::size_t limit;
        std::vector<std::pair<LineRead, std::string>> lines;
    } cases[] = {
        {"ab\r\n\nlast", 9, {{LineRead::Whole, "ab"}, {LineRead::Whole, ""}, {LineRead::Whole, "last"}}},
        {"abc\nabcd\nx", 3, {{LineRead::Whole, "abc"}, {LineRead::Cut, "abc"}, {LineRead::Whole, "x"}}},
        {std::string("a\0b\n", 4), 9, {{LineRead::Whole, std::string("a\0b", 3)}}},
        // Longer than the reader's chunk, within the limit, then past it.
        {longLine + "\n" + longLine + "\nend", 20000,
         {{LineRead::Whole, longLine}, {LineRead::Whole, longLine}, {LineRead::Whole, "end"}}},
        {longLine + "\nend\n", 9999, {{LineRead::Cut, longLine.substr(0, 9999)}, {LineRead::Whole, "end"}}},
        {longLine, 9999, {{LineRead::Cut, longLine.substr(0, 9999)}}},
        {"", 9, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 12));
        std::istringstream in(c.text);
        std::string line;
        for (const auto& [read, text] : c.lines) {
            EXPECT_EQ(readLine(in, line, c.limit), read);
            EXPECT_EQ(line, text);
        }
        EXPECT_EQ(readLine(in, line, c.limit), LineRead::End);
    }
}

TEST(LineReader, ALastLineWithoutLineFeedIsToldApart) {
    std::istringstream ended("row\n"), cut("row");
    std::string line;
    readLine(ended, line);
    readLine(cut, line);
    EXPECT_FALSE(ended.eof());
    EXPECT_TRUE(cut.eof());
}

}  // namespace
}  // namespace kestrel
