#include "output/output_file.hpp"

#include <fcntl.h>
#include <unistd.h>


namespace kestrel {

bool OutputFile::create(const std::string& name) {
    if (name.find('\0') != std::string::npos) return false;
    // O_EXCL with O_CREAT fails on anything that exists, a symbolic link (even a
    // dangling one) included.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    close();
    created_ = fd;
    return true;
}

bool OutputFile::startWriting() {
    if (created_ < 0) return false;
    if (::ftruncate(created_, 0) != 0 || ::lseek(created_, 0, SEEK_SET) != 0) return false;
    buffer_.attach(created_, true);
    created_ = -1;
    stream_.clear();
    return true;
}

bool OutputFile::close() {
    bool written = true;
    if (buffer_.isOpen()) written = buffer_.close();
    if (created_ >= 0) ::close(created_);
    created_ = -1;
    return written;
}

}  // namespace kestrel
