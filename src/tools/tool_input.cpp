#include "tools/tool_input.hpp"

#include <cerrno>
#include <cstring>

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

}  // namespace kestrel
