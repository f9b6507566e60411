#include "tools/tool_input.hpp"

#include <cerrno>
#include <cstring>

#include "formats/text_lines.hpp"
#include "tools/command_line.hpp"

namespace kestrel {

namespace {

std::string cannotOpen(const std::string& path) {
    return path + ": cannot be opened for reading" + (errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : "");
}

std::string notRegular(const std::string& path) {
    return path + ": not a regular file but a FIFO, device, socket or folder";
}

}  // namespace

std::string openToolInput(InputFile& file, const std::string& path) {
    errno = 0;
    switch (file.open(path)) {
        case OpenStatus::Opened: return {};
        case OpenStatus::NotRegular: return notRegular(path);
        case OpenStatus::CannotOpen: break;
    }
    return cannotOpen(path);
}

std::string openToolInput(TextInput& file, const std::string& path) {
    errno = 0;
    switch (file.open(path)) {
        case TextOpenStatus::Opened: return {};
        case TextOpenStatus::NotRegular: return notRegular(path);
        case TextOpenStatus::NotGzip: return path + ": named .gz but not gzip-compressed";
        case TextOpenStatus::CannotOpen: break;
    }
    return cannotOpen(path);
}

std::string readWholeFile(const std::string& path) {
    InputFile in;
    const std::string problem = openToolInput(in, path);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    std::string text;
    char buffer[1 << 14];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw ToolFailure(ExitBadData, path + ": reading failed");
    return text;
}

namespace {

// A line of a list is a file name: at most the longest path the system takes.
constexpr std::size_t MaxListLineLength = 4096;

}  // namespace

void readFileList(const std::string& list, std::vector<std::string>& inputs) {
    InputFile in;
    const std::string problem = openToolInput(in, list);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    std::string name;
    for (std::size_t number = 1;; ++number) {
        const LineRead read = readLine(in, name, MaxListLineLength);
        if (read == LineRead::End) break;
        if (read == LineRead::Cut)
            throw ToolFailure(ExitBadData, list + ", line " + std::to_string(number) + ": longer than " +
                                               std::to_string(MaxListLineLength) + " characters, not a file name");
        if (!name.empty()) inputs.push_back(name);
    }
    if (in.bad()) throw ToolFailure(ExitBadData, list + ": reading failed");
}

}  // namespace kestrel
