// The run's output file: created empty by the output prompt, opened again (truncating)
// by the first gene that reaches the check or the gene-row writer.
#pragma once

#include <fstream>
#include <string>

namespace kestrel {

class Console;

class OutputFile {
public:
    bool openTruncating(const std::string& name);
    bool isOpen() const { return stream_.is_open(); }
    std::ostream& stream() { return stream_; }
    void close();

private:
    std::ofstream stream_;
};

// Results are never thrown away silently: when the file is not open or a write to it
// failed, write "\aPROBLEM WRITING THE FILE <name>." and halt the run.
void requireWritten(OutputFile& file, const std::string& name, Console& console);

}  // namespace kestrel
