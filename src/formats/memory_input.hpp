// Text already in memory read as a stream, without a copy of it (an istringstream copies its
// string), for readers that take a stream.
#pragma once

#include <istream>
#include <streambuf>
#include <string_view>

namespace kestrel {

class MemoryInput : public std::istream {
public:
    explicit MemoryInput(std::string_view text) : std::istream(nullptr), buffer_(text) { rdbuf(&buffer_); }

private:
    class ViewBuffer : public std::streambuf {
    public:
        explicit ViewBuffer(std::string_view text) {
            char* begin = const_cast<char*>(text.data());  // only ever read
            setg(begin, begin, begin + text.size());
        }

    protected:
        pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
            const off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback()
                                                                                              : egptr() - eback();
            const off_type target = base + off;
            if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
            setg(eback(), eback() + target, egptr());
            return pos_type(target);
        }
        pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
            return seekoff(off_type(pos), std::ios_base::beg, which);
        }
    };
    ViewBuffer buffer_;
};

}  // namespace kestrel
