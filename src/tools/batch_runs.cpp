#include "tools/batch_runs.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/text_lines.hpp"
#include "tools/command_line.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace kestrel {

namespace {

// A line holds a log file and a run's arguments: several paths.
constexpr std::size_t MaxBatchLineLength = 1 << 16;

struct BatchRun {
    std::string log;
    std::string folder;
    std::vector<std::string> args;
};

BatchRun splitRun(const std::string& line) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find('\t', start);
        fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    BatchRun run{fields[0], fields.size() > 1 ? fields[1] : std::string(), {}};
    if (fields.size() > 2) run.args.assign(fields.begin() + 2, fields.end());
    return run;
}

// The folder the batch started in, to come back to after each run.
struct HomeFolder {
    HomeFolder() : fd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd < 0)
            throw ToolFailure(ExitBadData, std::string("the working folder cannot be opened (") + std::strerror(errno) + ")");
    }
    HomeFolder(const HomeFolder&) = delete;
    HomeFolder& operator=(const HomeFolder&) = delete;
    ~HomeFolder() { ::close(fd); }
    int fd;
};

// Runs one line in its working folder and comes back to the folder the batch started in.
int runInFolder(const BatchRun& each, int home, std::ostream& messages, const ToolRun& run) {
    if (each.folder.empty()) return run(each.args, messages);
    if (::chdir(each.folder.c_str()) != 0) {
        messages << each.folder << ": cannot be entered as working folder (" << std::strerror(errno) << ")\n";
        return ExitBadData;
    }
    const int status = run(each.args, messages);
    if (::fchdir(home) != 0) throw ToolFailure(ExitBadData, std::string("cannot return to the starting folder (") +
                                                                std::strerror(errno) + ")");
    return status;
}

std::vector<BatchRun> readBatch(const std::string& list) {
    InputFile in;
    const std::string problem = openToolInput(in, list);
    if (!problem.empty()) throw ToolFailure(ExitBadData, problem);
    std::vector<BatchRun> runs;
    std::string line;
    for (std::size_t number = 1;; ++number) {
        const LineRead read = readLine(in, line, MaxBatchLineLength);
        if (read == LineRead::End) break;
        const std::string where = list + ", line " + std::to_string(number);
        if (read == LineRead::Cut) throw ToolFailure(ExitBadData, where + ": longer than the longest line taken");
        if (line.empty()) continue;
        runs.push_back(splitRun(line));
        if (runs.back().log.empty()) throw ToolFailure(ExitBadData, where + ": no log file before the first tab");
    }
    if (in.bad()) throw ToolFailure(ExitBadData, list + ": reading failed");
    return runs;
}

// Runs one line with its standard output and error streamed to its log, the way a tool
// writes an output file: a temporary file renamed into place when the run ends. A log that
// cannot be written fails the run before it starts.
int runLogged(const BatchRun& each, int home, std::ostream& out, std::ostream& err, const ToolRun& run) {
    OutputFileWriter log(each.log, out);
    log.setDurable(false);  // a log, not a result: a batch cut short is run again
    std::string error;
    if (!log.open(error)) {
        err << error << '\n';
        return ExitBadData;
    }
    const int status = runInFolder(each, home, log.stream(), run);
    if (log.commit(error)) return status;
    err << error << '\n';
    return status == ExitSuccess ? ExitBadData : status;
}

}  // namespace

int runToolBatch(const std::string& list, std::ostream& out, std::ostream& err, const ToolRun& run) {
    const std::vector<BatchRun> runs = readBatch(list);
    const HomeFolder home;
    int failed = 0;
    for (const BatchRun& each : runs) {
        const int status = runLogged(each, home.fd, out, err, run);
        failed += status != ExitSuccess;
        out << status << '\t' << each.log << '\n' << std::flush;
    }
    return failed == 0 ? ExitSuccess : ExitBadData;
}

}  // namespace kestrel
