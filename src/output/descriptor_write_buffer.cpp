#include "output/descriptor_write_buffer.hpp"

#include <unistd.h>

#include <cerrno>

namespace kestrel {

void DescriptorWriteBuffer::attach(int fd, bool owns) {
    close();
    if (!buffer_) buffer_ = std::make_unique<char[]>(Size);
    fd_ = fd;
    owns_ = owns;
    failed_ = false;
    setp(buffer_.get(), buffer_.get() + Size);
}

bool DescriptorWriteBuffer::drain() {
    const char* p = pbase();
    if (mirror_ != nullptr) mirror_->append(p, static_cast<std::size_t>(pptr() - p));
    while (!failed_ && p < pptr()) {
        const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) failed_ = true;
        else p += n;
    }
    setp(buffer_.get(), buffer_.get() + Size);
    return !failed_;
}

DescriptorWriteBuffer::int_type DescriptorWriteBuffer::overflow(int_type c) {
    if (fd_ < 0 || !drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorWriteBuffer::sync() { return fd_ >= 0 && drain() ? 0 : -1; }

bool DescriptorWriteBuffer::close() {
    if (fd_ < 0) return !failed_;
    drain();
    if (owns_ && ::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    setp(nullptr, nullptr);
    return !failed_;
}

}  // namespace kestrel
