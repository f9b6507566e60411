#include "formats/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kestrel {

OpenStatus openRegularFile(const std::string& name, int& fd) {
    fd = -1;
    // A name with a NUL byte would open the file named by its part before the NUL.
    if (name.empty() || name.find('\0') != std::string::npos) return OpenStatus::CannotOpen;
    struct stat info {};
    // A device is not even opened (opening some has effects of its own).
    if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return OpenStatus::NotRegular;
    // O_NONBLOCK: should a FIFO have taken the file's place since, opening it returns at
    // once instead of waiting for a writer; the type is then tested on what was opened.
    const int opened = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0) return errno == ENXIO ? OpenStatus::NotRegular : OpenStatus::CannotOpen;
    const bool known = ::fstat(opened, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        ::close(opened);
        return known ? OpenStatus::NotRegular : OpenStatus::CannotOpen;
    }
    const int flags = ::fcntl(opened, F_GETFL);
    if (flags < 0 || ::fcntl(opened, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(opened);
        return OpenStatus::CannotOpen;
    }
    fd = opened;
    return OpenStatus::Opened;
}

OpenStatus probeRegularFile(const std::string& name) {
    int fd = -1;
    const OpenStatus status = openRegularFile(name, fd);
    if (fd >= 0) ::close(fd);
    return status;
}

void DescriptorReadBuffer::attach(int fd) {
    close();
    if (!buffer_) buffer_ = std::make_unique<char[]>(Size);
    fd_ = fd;
    setg(buffer_.get(), buffer_.get(), buffer_.get());
}

void DescriptorReadBuffer::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    setg(nullptr, nullptr, nullptr);
}

DescriptorReadBuffer::int_type DescriptorReadBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (fd_ < 0) return traits_type::eof();
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.get(), Size);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return traits_type::eof();
    setg(buffer_.get(), buffer_.get(), buffer_.get() + n);
    return traits_type::to_int_type(*gptr());
}

DescriptorReadBuffer::pos_type DescriptorReadBuffer::seekoff(off_type off, std::ios_base::seekdir dir,
                                                             std::ios_base::openmode which) {
    if (fd_ < 0 || !(which & std::ios_base::in)) return pos_type(off_type(-1));
    // The file position lies past the bytes read ahead into the buffer.
    const off_type here = ::lseek(fd_, 0, SEEK_CUR);
    if (here < 0) return pos_type(off_type(-1));
    const off_type current = here - (egptr() - gptr());
    if (dir == std::ios_base::cur && off == 0) return pos_type(current);
    if (dir == std::ios_base::cur) return seekpos(pos_type(current + off), which);
    if (dir == std::ios_base::beg) return seekpos(pos_type(off), which);
    const off_type end = ::lseek(fd_, off, SEEK_END);
    setg(buffer_.get(), buffer_.get(), buffer_.get());
    return pos_type(end);
}

DescriptorReadBuffer::pos_type DescriptorReadBuffer::seekpos(pos_type pos, std::ios_base::openmode which) {
    if (fd_ < 0 || !(which & std::ios_base::in)) return pos_type(off_type(-1));
    const off_type at = ::lseek(fd_, off_type(pos), SEEK_SET);
    setg(buffer_.get(), buffer_.get(), buffer_.get());
    return pos_type(at);
}

OpenStatus InputFile::open(const std::string& name) {
    close();
    clear();
    int fd = -1;
    const OpenStatus status = openRegularFile(name, fd);
    if (status == OpenStatus::Opened)
        buffer_.attach(fd);
    else
        setstate(std::ios::failbit);
    return status;
}

}  // namespace kestrel
