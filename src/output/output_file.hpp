// The run's output file. The output prompt creates it, refusing any existing file or
// link, and keeps the descriptor it got; the first gene that reaches the check or the
// gene-row writer empties the file through that descriptor and writes on. The file is
// never opened again by name, so a file put in its place meanwhile is never written.
#pragma once

#include <ostream>
#include <string>

#include "output/descriptor_write_buffer.hpp"

namespace kestrel {

class OutputFile {
public:
    OutputFile() : stream_(&buffer_) {}
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { close(); }

    // Creates name empty, failing if anything exists under it; a file created before by
    // this object is let go (it stays on disk, empty).
    bool create(const std::string& name);
    // Empties the created file and starts writing it; false when it cannot be done.
    bool startWriting();
    // True once writing has started (and until close).
    bool isOpen() const { return buffer_.isOpen(); }
    std::ostream& stream() { return stream_; }
    // Keeps a copy of the file's text in copy as it is written, for a caller that reads the
    // results again without reading the file.
    void mirror(std::string* copy) { buffer_.mirror(copy); }
    // Writes what is buffered and closes the file; false when any write failed.
    bool close();

private:
    int created_ = -1;  // descriptor from create() until startWriting() takes it
    DescriptorWriteBuffer buffer_;
    std::ostream stream_;
};

}  // namespace kestrel
