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
#include <utility>

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

bool OutputFileWriter::finish(std::string& error) {
    if (toStandardOutput_) {
        standardOutput_.flush();
        if (!standardOutput_) return fail(error, "writing standard output failed");
        return true;
    }
    stream_.flush();
    // A file about to replace another reaches the disk first.
    const bool onDisk = temporary_.empty() || !durable_ || (stream_.good() && ::fsync(buffer_.fd()) == 0);
    const bool written = stream_.good() && onDisk && buffer_.close();
    if (!written) return fail(error, "writing " + path_ + " failed");
    return true;
}

bool OutputFileWriter::commit(std::string& error) { return commitTogether({this}, error); }

namespace {

// A finished file of a group and the file it replaces.
struct Replacement {
    std::string* temporary;  // cleared once renamed into place
    const std::string* target;
    std::string kept;         // the replaced file's second name; empty when there was none
    bool movedAside = false;  // kept by renaming: the target is absent until replaced
};

// Keeps the file that r replaces under a second name: a hard link, else the file moved.
bool keepReplaced(Replacement& r, std::string& error) {
    struct stat info {};
    if (::lstat(r.target->c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        return fail(error, failure("cannot write", *r.target, errno));
    }
    if (!S_ISREG(info.st_mode)) return fail(error, *r.target + ": is no longer a regular file");
    // The temporary name is unique in the folder; the second name takes its random part.
    r.kept = *r.target + ".old" + r.temporary->substr(r.target->size() + 5);
    if (::link(r.target->c_str(), r.kept.c_str()) == 0) return true;
    if (errno != EEXIST && ::rename(r.target->c_str(), r.kept.c_str()) == 0) {
        r.movedAside = true;
        return true;
    }
    const int cause = errno;
    r.kept.clear();
    return fail(error, failure("cannot keep the old file aside while replacing", *r.target, cause));
}

// Undoes a group whose renames stopped at failed: each target gets back the file it had
// (or none); a second name that cannot be put back stays and is named in the message.
void putBack(std::vector<Replacement>& group, std::size_t failed, std::string& error) {
    std::string left;
    for (std::size_t i = 0; i < group.size(); ++i) {
        Replacement& r = group[i];
        const bool replaced = i < failed;
        bool undone = true;
        if (!r.kept.empty() && (replaced || r.movedAside)) undone = ::rename(r.kept.c_str(), r.target->c_str()) == 0;
        else if (!r.kept.empty()) ::unlink(r.kept.c_str());
        else if (replaced) undone = ::unlink(r.target->c_str()) == 0 || errno == ENOENT;
        if (!undone) left += "; " + *r.target + (r.kept.empty() ? " is new" : " is kept as " + r.kept);
    }
    error += left.empty() ? "; every file was left as it was" : "; cannot put the old files back: " + left.substr(2);
}

bool renameAll(std::vector<Replacement>& group, std::string& error) {
    if (group.size() > 1)
        for (std::size_t i = 0; i < group.size(); ++i)
            if (!keepReplaced(group[i], error)) {
                putBack(group, 0, error);
                return false;
            }
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (std::rename(group[i].temporary->c_str(), group[i].target->c_str()) != 0) {
            error = failure("cannot rename the finished file to", *group[i].target, errno);
            putBack(group, i, error);
            return false;
        }
        group[i].temporary->clear();
    }
    for (const Replacement& r : group)
        if (!r.kept.empty()) ::unlink(r.kept.c_str());
    return true;
}

}  // namespace

bool commitTogether(const std::vector<OutputFileWriter*>& writers, std::string& error) {
    std::vector<Replacement> group;
    for (OutputFileWriter* writer : writers) {
        if (writer == nullptr) continue;
        if (!writer->finish(error)) return false;
        if (writer->temporary_.empty()) continue;
        for (const Replacement& r : group)
            if (sameDestination(*r.target, writer->target_))
                return fail(error, writer->path_ + " and " + *r.target + " are one file");
        group.push_back({&writer->temporary_, &writer->target_, {}, false});
    }
    return renameAll(group, error);
}

namespace {

// The folder (its identity) and the name in it of the file that writing to path replaces:
// through a symbolic link, the link's target. Two hard links of one file are two.
std::optional<std::pair<FileIdentity, std::string>> destinationOf(const std::string& path) {
    std::string entry = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved != nullptr) entry = resolved;
        std::free(resolved);
    }
    const std::size_t slash = entry.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : entry.substr(0, slash);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return std::nullopt;
    return std::pair{FileIdentity{info.st_dev, info.st_ino}, slash == std::string::npos ? entry : entry.substr(slash + 1)};
}

}  // namespace

bool sameDestination(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty() || a == "-" || b == "-") return false;
    const auto entry = destinationOf(a);
    return a == b || (entry && entry == destinationOf(b));
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
