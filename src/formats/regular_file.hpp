// Opening input files: only a regular file is read. A FIFO, device, socket or folder is
// refused without waiting on it (a FIFO with no writer would block an ordinary open for
// ever, and a pipe could be read only once).
#pragma once

#include <istream>
#include <memory>
#include <streambuf>
#include <string>

namespace kestrel {

enum class OpenStatus {
    Opened,
    CannotOpen,  // missing, unreadable, or a name that holds a NUL byte
    NotRegular,  // FIFO, device, socket or folder
};

// Opens name for reading, or explains why not; never blocks. On success fd is a
// descriptor in blocking mode that the caller owns.
OpenStatus openRegularFile(const std::string& name, int& fd);

// Whether name is a regular file that opens for reading (it is opened and closed again).
OpenStatus probeRegularFile(const std::string& name);

// A read buffer over a file descriptor, with seeking (positions are byte offsets).
class DescriptorReadBuffer : public std::streambuf {
public:
    DescriptorReadBuffer() = default;
    DescriptorReadBuffer(const DescriptorReadBuffer&) = delete;
    DescriptorReadBuffer& operator=(const DescriptorReadBuffer&) = delete;
    ~DescriptorReadBuffer() override { close(); }

    void attach(int fd);  // takes ownership
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

protected:
    int_type underflow() override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
    static constexpr std::size_t Size = 1 << 16;
    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
};

// A regular input file as a stream: open() refuses anything else (see openRegularFile).
class InputFile : public std::istream {
public:
    InputFile() : std::istream(nullptr) { rdbuf(&buffer_); }
    OpenStatus open(const std::string& name);
    bool is_open() const { return buffer_.isOpen(); }
    void close() { buffer_.close(); }

private:
    DescriptorReadBuffer buffer_;
};

}  // namespace kestrel
