// The one way the companion tools write their output files.
//
// - A regular file (new or existing) is written under a temporary name in its own
//   folder and renamed into place only when complete, so that a failed run never leaves
//   a half-written file under the name asked for. Through a symbolic link, the link's
//   target is replaced that way, in the target's folder, and the link stays.
// - A FIFO, a device, or a file that standard output or standard error already writes
//   (/dev/stdout, /dev/fd/1, or the very file they were redirected to) is written in
//   place as a stream: such a file is never replaced, truncated or created.
// - "-" (or no name) is the tool's standard output stream.
//
// A tool that writes several files commits them together (commitTogether): all of them
// replace the files they are named for, or none does. See there for what that can and
// cannot promise.
#pragma once

#include <sys/types.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "output/descriptor_write_buffer.hpp"

namespace kestrel {

class OutputFileWriter {
public:
    OutputFileWriter(std::string path, std::ostream& standardOutput);
    OutputFileWriter(const OutputFileWriter&) = delete;
    OutputFileWriter& operator=(const OutputFileWriter&) = delete;
    ~OutputFileWriter();  // a temporary file not renamed into place is removed

    // Prepares the destination; false with a message when it cannot be written.
    bool open(std::string& error);
    // Whether a finished regular file reaches the disk (fsync) before it takes its name;
    // true unless set otherwise. A log, or a file in a private folder that is itself only
    // renamed into place, need not wait for the disk.
    void setDurable(bool durable) { durable_ = durable; }
    std::ostream& stream() { return toStandardOutput_ ? standardOutput_ : stream_; }
    // Flushes and, for a regular file, renames the finished file into place; false with
    // a message when any write failed (the file under the name asked for is then as it was).
    bool commit(std::string& error);

private:
    friend bool commitTogether(const std::vector<OutputFileWriter*>& writers, std::string& error);
    // Flushes, and closes a file of the writer's own (a regular file reaches the disk).
    bool finish(std::string& error);
    bool openInPlace(int fd, bool owns);
    bool openTemporary(const std::string& target, std::string& error);

    std::string path_;
    std::ostream& standardOutput_;
    bool toStandardOutput_ = false;
    bool durable_ = true;
    std::string target_;     // the regular file that the temporary file replaces
    std::string temporary_;  // empty unless a temporary file exists
    DescriptorWriteBuffer buffer_;
    std::ostream stream_;
};

// Commits the writers (null ones are skipped) as one: every file is finished first, and a
// write that failed in any of them leaves every regular file as it was. Only then are the
// finished files renamed into place, one after the other. While they are, the file each
// replaces is kept under a second name beside it (NAME.oldXXXXXX: a hard link, or the file
// itself moved there where the file system has no hard links), so that a rename that fails
// midway is undone: the files already replaced get their old contents back, new ones are
// removed, and the message says so. The second names are removed at the end.
// What it cannot undo: what went to a FIFO, a device or standard output (written in place,
// as the tool ran) has been read; and the process killed, or the machine stopped, between
// the first and last rename (a few system calls) leaves some files replaced, the old ones
// under their second names. A failure to put an old file back is named in the message.
bool commitTogether(const std::vector<OutputFileWriter*>& writers, std::string& error);

// Whether writing to two names would replace the same file, existing or not: the same name
// in one folder, reached through "./", a linked folder or a link to the file. (Two hard
// links of one file are two names, each replaced on its own.)
bool sameDestination(const std::string& a, const std::string& b);

// Device and inode of a file, to tell whether two names lead to the same file.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file a path leads to (following links), or "-" for standard input; nothing when
// there is none.
std::optional<FileIdentity> identityOf(const std::string& path);

// The first of the input paths that names the same file as the output path, if any: a
// tool refuses to write over its own input.
std::optional<std::string> inputWrittenOver(const std::string& outputPath, const std::vector<std::string>& inputs);

}  // namespace kestrel
