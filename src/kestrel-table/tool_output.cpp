#include "kestrel-table/tool_output.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kestrel {

AtomicOutputFile::~AtomicOutputFile() {
    if (!tempPath_.empty() && !committed_) {
        stream_.close();
        std::remove(tempPath_.c_str());
    }
}

bool AtomicOutputFile::open(const std::string& path, std::string& error) {
    path_ = path;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        // A device or pipe (such as /dev/stdout) is written in place: renaming a file over it
        // would replace the device itself.
        stream_.open(path, std::ios::out);
        if (!stream_) error = "cannot write " + path;
        return static_cast<bool>(stream_);
    }
    // Through a symbolic link, the finished file replaces the link's target, not the link.
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        path_ = resolved;
        std::free(resolved);
    }
    std::vector<char> name(path_.begin(), path_.end());
    const std::string suffix = ".partXXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "cannot create a file beside " + path + ": " + std::strerror(errno);
        return false;
    }
    fchmod(fd, 0644);  // as an ordinary new file, not the private mode of a temporary one
    close(fd);
    tempPath_ = name.data();
    stream_.open(tempPath_, std::ios::out | std::ios::trunc);
    if (!stream_) {
        error = "cannot write " + tempPath_;
        return false;
    }
    return true;
}

bool AtomicOutputFile::commit(std::string& error) {
    stream_.flush();
    const bool written = static_cast<bool>(stream_);
    stream_.close();
    if (!written || stream_.fail()) {
        error = "writing " + path_ + " failed";
        return false;
    }
    if (tempPath_.empty()) {
        committed_ = true;
        return true;
    }
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        error = "cannot rename the finished file to " + path_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

bool ToolOutput::open(std::string& error) { return !toFile() || file_.open(path_, error); }

bool ToolOutput::commit(std::string& error) {
    if (toFile()) return file_.commit(error);
    fallback_.flush();
    if (!fallback_) {
        error = "writing standard output failed";
        return false;
    }
    return true;
}

}  // namespace kestrel
