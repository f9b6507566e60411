#include "tools/output_file_writer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace kestrel {

namespace {

// Sets the message and returns false.
bool fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

std::string failure(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

std::optional<FileIdentity> identityOfDescriptor(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

// Permissions for the file that replaces target: those of the file it replaces, or those
// of a new file.
mode_t modeFor(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Opens a FIFO or device for writing. A FIFO's reader has a few seconds to come (it may
// be starting beside the tool); the tool never waits for ever.
int openWithoutWaiting(const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) return fd;
            ::close(fd);
            return -1;
        }
        if (errno != ENXIO || attempt == 60) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

OutputFileWriter::OutputFileWriter(std::string path, std::ostream& standardOutput)
    : path_(std::move(path)), standardOutput_(standardOutput), stream_(&buffer_) {}

OutputFileWriter::~OutputFileWriter() {
    buffer_.close();
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool OutputFileWriter::open(std::string& error) {
    if (path_.empty() || path_ == "-") {
        toStandardOutput_ = true;
        return true;
    }
    struct stat link {}, info {};
    const bool exists = ::lstat(path_.c_str(), &link) == 0;
    if (!exists) {
        if (errno != ENOENT) return fail(error, failure("cannot write", path_, errno));
        return openTemporary(path_, error);
    }
    if (::stat(path_.c_str(), &info) != 0)
        return fail(error, S_ISLNK(link.st_mode) ? path_ + ": a symbolic link that leads to no file"
                                                 : failure("cannot write", path_, errno));
    if (S_ISDIR(info.st_mode)) return fail(error, path_ + ": is a folder");
    // A file that standard output or standard error writes already is written through it,
    // at its place: /dev/stdout on a log that a shell appends to stays a log.
    const FileIdentity identity{info.st_dev, info.st_ino};
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO})
        if (identityOfDescriptor(fd) == identity) return openInPlace(fd, false);
    if (S_ISSOCK(info.st_mode)) return fail(error, path_ + ": is a socket");
    if (!S_ISREG(info.st_mode)) {
        const int fd = openWithoutWaiting(path_);
        if (fd < 0)
            return fail(error, errno == ENXIO ? path_ + ": a FIFO that no process reads"
                                              : failure("cannot write", path_, errno));
        return openInPlace(fd, true);
    }
    if (!S_ISLNK(link.st_mode)) return openTemporary(path_, error);
    char* resolved = ::realpath(path_.c_str(), nullptr);
    if (resolved == nullptr) return fail(error, failure("cannot follow the link", path_, errno));
    const std::string target = resolved;
    std::free(resolved);
    return openTemporary(target, error);
}

bool OutputFileWriter::openInPlace(int fd, bool owns) {
    buffer_.attach(fd, owns);
    return true;
}

bool OutputFileWriter::openTemporary(const std::string& target, std::string& error) {
    std::string name = target + ".partXXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return fail(error, failure("cannot create a file beside", target, errno));
    ::fchmod(fd, modeFor(target));  // not the private mode of a temporary file
    temporary_ = name;
    target_ = target;
    buffer_.attach(fd, true);
    return true;
}

bool OutputFileWriter::commit(std::string& error) {
    if (toStandardOutput_) {
        standardOutput_.flush();
        if (!standardOutput_) return fail(error, "writing standard output failed");
        return true;
    }
    stream_.flush();
    // A file about to replace another reaches the disk first.
    const bool onDisk = temporary_.empty() || (stream_.good() && ::fsync(buffer_.fd()) == 0);
    const bool written = stream_.good() && onDisk && buffer_.close();
    if (!written) return fail(error, "writing " + path_ + " failed");
    if (temporary_.empty()) return true;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail(error, failure("cannot rename the finished file to", target_, errno));
    temporary_.clear();
    return true;
}

std::optional<FileIdentity> identityOf(const std::string& path) {
    if (path == "-") return identityOfDescriptor(STDIN_FILENO);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

std::optional<std::string> inputWrittenOver(const std::string& outputPath, const std::vector<std::string>& inputs) {
    if (outputPath.empty() || outputPath == "-") return std::nullopt;
    const auto output = identityOf(outputPath);
    if (!output) return std::nullopt;
    for (const auto& input : inputs)
        if (identityOf(input) == output) return input;
    return std::nullopt;
}

}  // namespace kestrel
