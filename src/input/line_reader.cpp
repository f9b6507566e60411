#include "input/line_reader.hpp"

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

}  // namespace kestrel
