// Input files read as text, as they are or gzip-compressed: a compressed file is read
// through zlib as it is decompressed, with no copy of it anywhere. Only regular files
// are opened (see openRegularFile).
#pragma once

#include <istream>
#include <memory>
#include <streambuf>
#include <string>

#include "formats/regular_file.hpp"

struct gzFile_s;

namespace kestrel {

// A read buffer over a gzip-compressed file descriptor: what it gives is the decompressed
// text (several gzip members one after the other give their texts one after the other).
// Damaged or cut-off compressed data throws from underflow, which a stream reading through
// the buffer turns into its badbit; error() then says what was wrong. Seeking back starts
// the decompression again from the beginning.
class GzipReadBuffer : public std::streambuf {
public:
    GzipReadBuffer() = default;
    GzipReadBuffer(const GzipReadBuffer&) = delete;
    GzipReadBuffer& operator=(const GzipReadBuffer&) = delete;
    ~GzipReadBuffer() override { close(); }

    bool attach(int fd);  // takes ownership (closing it when zlib cannot take it); false then
    void close();
    bool isOpen() const { return file_ != nullptr; }
    const std::string& error() const { return error_; }

protected:
    int_type underflow() override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
    static constexpr std::size_t Size = 1 << 16;
    gzFile_s* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::string error_;
};

enum class TextOpenStatus {
    Opened,
    CannotOpen,  // missing, unreadable, or a name that holds a NUL byte
    NotRegular,  // FIFO, device, socket or folder
    NotGzip,     // named ".gz" but not gzip-compressed
};

// A regular file as a stream of text. A file is taken as gzip-compressed when it begins with
// the gzip signature (the bytes 1f 8b), whatever its name: no text file begins so. A name
// ending in ".gz" with another beginning is refused, so that a damaged download is not
// read as text.
class TextInput : public std::istream {
public:
    TextInput() : std::istream(nullptr) {}
    TextOpenStatus open(const std::string& name);
    bool compressed() const { return gzip_.isOpen(); }
    // After a read that set badbit: why, when the compressed data was at fault ("" otherwise).
    const std::string& decompressionError() const { return gzip_.error(); }

private:
    DescriptorReadBuffer plain_;
    GzipReadBuffer gzip_;
};

}  // namespace kestrel
