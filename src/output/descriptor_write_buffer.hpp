// A write buffer over a file descriptor: what the stream writes reaches the file at each
// flush and when the buffer fills; a failed write (a full disk, a file-size limit) makes
// the stream bad instead of being lost quietly.
#pragma once

#include <memory>
#include <string>
#include <streambuf>

namespace kestrel {

class DescriptorWriteBuffer : public std::streambuf {
public:
    DescriptorWriteBuffer() = default;
    DescriptorWriteBuffer(const DescriptorWriteBuffer&) = delete;
    DescriptorWriteBuffer& operator=(const DescriptorWriteBuffer&) = delete;
    ~DescriptorWriteBuffer() override { close(); }

    // Writes to fd from now on; closes it at close() only when it owns it.
    void attach(int fd, bool owns);
    // Writes what is buffered and gives the descriptor up; false when any write failed.
    bool close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool failed() const { return failed_; }
    // Keeps a copy of everything written in copy too (none: nullptr).
    void mirror(std::string* copy) { mirror_ = copy; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool drain();

    static constexpr std::size_t Size = 1 << 16;
    int fd_ = -1;
    bool owns_ = false;
    bool failed_ = false;
    std::unique_ptr<char[]> buffer_;
    std::string* mirror_ = nullptr;
};

}  // namespace kestrel
