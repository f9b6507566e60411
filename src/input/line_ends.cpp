#include "input/line_ends.hpp"

#include <string>

namespace kestrel {

char lineDelimiter(std::istream& in) {
    const std::istream::pos_type start = in.tellg();
    if (start == std::istream::pos_type(-1)) return '\n';
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    in.clear();
    in.seekg(start);
    const std::size_t end = head.find_first_of("\r\n");
    if (end == std::string::npos || head[end] == '\n') return '\n';
    return end + 1 < head.size() && head[end + 1] == '\n' ? '\n' : '\r';
}

}  // namespace kestrel
