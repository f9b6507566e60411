#include "output/output_file.hpp"

#include "control/halt.hpp"
#include "setup/console.hpp"

namespace kestrel {

bool OutputFile::openTruncating(const std::string& name) {
    if (stream_.is_open()) stream_.close();
    stream_.clear();
    stream_.open(name, std::ios::out | std::ios::trunc | std::ios::binary);
    return stream_.is_open();
}

void OutputFile::close() {
    if (stream_.is_open()) stream_.close();
}

void requireWritten(OutputFile& file, const std::string& name, Console& console) {
    if (file.isOpen() && file.stream().good()) return;
    console.writeLine("\aPROBLEM WRITING THE FILE " + name + ".");
    haltRun(console);
}

}  // namespace kestrel
