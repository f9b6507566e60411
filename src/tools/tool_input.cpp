#include "tools/tool_input.hpp"

#include <cerrno>
#include <cstring>

namespace kestrel {

std::string openToolInput(InputFile& file, const std::string& path) {
    errno = 0;
    switch (file.open(path)) {
        case OpenStatus::Opened: return {};
        case OpenStatus::NotRegular: return path + ": not a regular file but a FIFO, device, socket or folder";
        case OpenStatus::CannotOpen: break;
    }
    return path + ": cannot be opened for reading" + (errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : "");
}

}  // namespace kestrel
