#include "formats/text_input.hpp"

#include <unistd.h>
#include <zlib.h>

#include <array>
#include <stdexcept>

namespace kestrel {

bool GzipReadBuffer::attach(int fd) {
    close();
    file_ = ::gzdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
        return false;
    }
    ::gzbuffer(file_, 1 << 17);
    if (!buffer_) buffer_ = std::make_unique<char[]>(Size);
    setg(buffer_.get(), buffer_.get(), buffer_.get());
    return true;
}

void GzipReadBuffer::close() {
    if (file_ != nullptr) ::gzclose(file_);
    file_ = nullptr;
    error_.clear();
    setg(nullptr, nullptr, nullptr);
}

GzipReadBuffer::int_type GzipReadBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (file_ == nullptr) return traits_type::eof();
    const int n = ::gzread(file_, buffer_.get(), static_cast<unsigned>(Size));
    if (n <= 0) {
        // A file cut short ends like a whole one, but leaves its error ("unexpected end of file").
        int code = Z_OK;
        const char* message = ::gzerror(file_, &code);
        if (code == Z_OK && n == 0) return traits_type::eof();
        error_ = code == Z_ERRNO ? "the file could not be read" : message;
        throw std::runtime_error(error_);
    }
    setg(buffer_.get(), buffer_.get(), buffer_.get() + n);
    return traits_type::to_int_type(*gptr());
}

GzipReadBuffer::pos_type GzipReadBuffer::seekoff(off_type off, std::ios_base::seekdir dir,
                                                 std::ios_base::openmode which) {
    if (file_ == nullptr || !(which & std::ios_base::in) || dir == std::ios_base::end)
        return pos_type(off_type(-1));
    // zlib's position lies past the text decompressed ahead into the buffer.
    const off_type current = ::gztell(file_) - (egptr() - gptr());
    if (dir == std::ios_base::cur && off == 0) return pos_type(current);
    return seekpos(pos_type(dir == std::ios_base::cur ? current + off : off), which);
}

GzipReadBuffer::pos_type GzipReadBuffer::seekpos(pos_type pos, std::ios_base::openmode which) {
    if (file_ == nullptr || !(which & std::ios_base::in)) return pos_type(off_type(-1));
    setg(buffer_.get(), buffer_.get(), buffer_.get());
    return pos_type(::gzseek(file_, static_cast<z_off_t>(off_type(pos)), SEEK_SET));
}

namespace {

bool endsWith(const std::string& name, const char* suffix) {
    const std::string_view s(suffix);
    return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
}

}  // namespace

TextOpenStatus TextInput::open(const std::string& name) {
    plain_.close();
    gzip_.close();
    clear();
    setstate(std::ios::failbit);
    int fd = -1;
    switch (openRegularFile(name, fd)) {
        case OpenStatus::Opened: break;
        case OpenStatus::NotRegular: return TextOpenStatus::NotRegular;
        case OpenStatus::CannotOpen: return TextOpenStatus::CannotOpen;
    }
    std::array<unsigned char, 2> head{};
    const bool gzip = ::pread(fd, head.data(), head.size(), 0) == 2 && head[0] == 0x1f && head[1] == 0x8b;
    if (!gzip && endsWith(name, ".gz")) {
        ::close(fd);
        return TextOpenStatus::NotGzip;
    }
    if (gzip) {
        if (!gzip_.attach(fd)) return TextOpenStatus::CannotOpen;
        rdbuf(&gzip_);
    } else {
        plain_.attach(fd);
        rdbuf(&plain_);
    }
    clear();
    return TextOpenStatus::Opened;
}

}  // namespace kestrel
