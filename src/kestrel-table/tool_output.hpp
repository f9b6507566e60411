// Output files of the companion tools: written under a temporary name beside the final
// one and renamed into place only when complete, so that a failed run never leaves a
// half-written table or figure under the name the user asked for.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

namespace kestrel {

class AtomicOutputFile {
public:
    AtomicOutputFile() = default;
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;
    ~AtomicOutputFile();

    bool open(const std::string& path, std::string& error);
    std::ostream& stream() { return stream_; }
    // Flushes, closes and renames; false with a message when any write failed.
    bool commit(std::string& error);

private:
    std::string path_;
    std::string tempPath_;
    std::ofstream stream_;
    bool committed_ = false;
};

// Destination for a tool's main output: the named file, or the given stream when no name
// was given ("-" also means the stream).
class ToolOutput {
public:
    ToolOutput(const std::string& path, std::ostream& fallback) : path_(path), fallback_(fallback) {}
    bool open(std::string& error);
    std::ostream& stream() { return toFile() ? file_.stream() : fallback_; }
    bool commit(std::string& error);

private:
    bool toFile() const { return !path_.empty() && path_ != "-"; }
    std::string path_;
    std::ostream& fallback_;
    AtomicOutputFile file_;
};

}  // namespace kestrel
