#include "formats/text_lines.hpp"

#include <limits>

namespace kestrel {

LineRead readLine(std::istream& in, std::string& line, std::size_t limit, char delimiter) {
    line.clear();
    char chunk[4096];
    bool any = false;
    for (;;) {
        in.getline(chunk, sizeof chunk, delimiter);
        const auto got = static_cast<std::size_t>(in.gcount());
        // Not failed: the line feed was met (and taken), or the input ended after some characters.
        const bool ended = !in.fail();
        const bool chunkFull = in.fail() && !in.eof() && got > 0;
        if (!ended && !chunkFull) {
            if (!any) return LineRead::End;
            in.clear(in.rdstate() & ~std::ios::failbit);  // a last line that filled whole chunks
            break;
        }
        any = true;
        const std::size_t stored = ended && !in.eof() ? got - 1 : got;
        const std::size_t room = limit - line.size();
        if (stored > room) {
            line.append(chunk, room);
            if (!ended) {
                in.clear();
                in.ignore(std::numeric_limits<std::streamsize>::max(), delimiter);
            }
            return LineRead::Cut;
        }
        line.append(chunk, stored);
        if (ended) break;
        in.clear();
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineRead::Whole;
}

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
