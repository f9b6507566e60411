#include "formats/text_lines.hpp"

#include <algorithm>
#include <limits>

namespace kestrel {

LineRead readLinePiece(std::istream& in, std::string& piece, std::size_t limit, char delimiter) {
    piece.clear();
    char chunk[4096];
    bool any = false;
    for (;;) {
        if (piece.size() >= limit) return LineRead::Cut;  // the last chunk stopped before the line's end
        // getline stores one character less than it is given room for (its terminator), and
        // so never more than the piece still takes.
        const std::size_t room = std::min(sizeof chunk, limit - piece.size() + 1);
        in.getline(chunk, static_cast<std::streamsize>(room), delimiter);
        const auto got = static_cast<std::size_t>(in.gcount());
        // Not failed: the line feed was met (and taken), or the input ended after some characters.
        const bool ended = !in.fail();
        const bool chunkFull = in.fail() && !in.bad() && !in.eof() && got > 0;
        if (!ended && !chunkFull) {
            if (!any) return LineRead::End;
            in.clear(in.rdstate() & ~std::ios::failbit);  // a last line that filled whole chunks
            break;
        }
        any = true;
        piece.append(chunk, ended && !in.eof() ? got - 1 : got);
        if (ended) break;
        in.clear();
    }
    if (!piece.empty() && piece.back() == '\r') piece.pop_back();
    return LineRead::Whole;
}

LineRead readLine(std::istream& in, std::string& line, std::size_t limit, char delimiter) {
    const LineRead read = readLinePiece(in, line, limit, delimiter);
    if (read == LineRead::Cut) in.ignore(std::numeric_limits<std::streamsize>::max(), delimiter);
    return read;
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
