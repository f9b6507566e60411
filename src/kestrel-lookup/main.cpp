// kestrel-lookup: writes a lookup table for the CDS features of annotated GenBank files.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "formats/regular_file.hpp"
#include "kestrel-lookup/lookup_builder.hpp"
#include "tools/output_file_writer.hpp"
#include "tools/tool_input.hpp"

namespace {

constexpr const char* Usage =
    "usage: kestrel-lookup [-o LOOKUP] [--keep-pseudo] SEQFILE...\n"
    "\n"
    "Writes one lookup-table entry for each CDS feature of the GenBank files named,\n"
    "file by file, record by record, by position within a record. The table goes to\n"
    "LOOKUP, or to standard output without -o. Name the files as the analysis will\n"
    "open them (at most 40 characters, without '#' or control characters).\n"
    "Compressed files are not read: gunzip them first. Lines may end with LF, CR LF\n"
    "or CR. Only regular files are read (not a FIFO or device). LOOKUP, when a\n"
    "regular file, is written only when complete; a FIFO, device or /dev/stdout is\n"
    "written in place. LOOKUP may not be one of the SEQFILEs.\n"
    "\n"
    "CDS features that name another record, use order(), have parts on both strands\n"
    "or parts out of order (as across the origin of a circular genome) are skipped,\n"
    "and so are those the analysis would get wrong: /pseudo and /pseudogene CDSs\n"
    "(written with --keep-pseudo), complete CDSs whose /codon_start is not 1, and\n"
    "CDSs whose /transl_table is not 1 or 11 (the analysis reads the standard code).\n"
    "A summary on standard error counts them by reason. A gene name holding '#',\n"
    "blanks or control characters is written with '_' in their place, and one longer\n"
    "than 30 characters is cut; the summary counts these renamed entries.\n"
    "\n"
    "Exit status 0 on success, 1 for a file that cannot be read or written, 2 for a\n"
    "wrong command line.\n";

int fail(const std::string& message) {
    std::cerr << "kestrel-lookup: " << message << '\n';
    return 1;
}

int usageError(const std::string& message) {
    std::cerr << Usage << "kestrel-lookup: " << message << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write, which is reported
    std::string outputPath;
    kestrel::lookup::BuildOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::cout << Usage;
            return 0;
        }
        if (!optionsEnded && arg == "-o") {
            if (i + 1 >= argc) return usageError("-o needs a file name");
            outputPath = argv[++i];
        } else if (!optionsEnded && arg == "--keep-pseudo") {
            options.keepPseudo = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) return usageError("no sequence file named");
    if (auto input = kestrel::inputWrittenOver(outputPath, files)) {
        std::cerr << "kestrel-lookup: the output file " << outputPath << " is the input file " << *input << '\n';
        return 2;
    }

    std::vector<kestrel::lookup::CdsEntry> entries;
    kestrel::lookup::SkipTally skipped;
    for (const std::string& file : files) {
        if (const auto problem = kestrel::lookup::fileNameProblem(file)) return fail(*problem);
        kestrel::InputFile in;
        const std::string problem = kestrel::openToolInput(in, file);
        if (!problem.empty()) return fail(problem);
        const std::int32_t records = kestrel::lookup::buildFileEntries(in, file, entries, skipped, options);
        if (in.bad()) return fail("error while reading " + file);
        if (records == 0) return fail(file + " holds no GenBank record (no LOCUS line)");
    }

    std::string error;
    kestrel::OutputFileWriter table(outputPath, std::cout);
    if (!table.open(error)) return fail(error);
    for (const auto& entry : entries) table.stream() << kestrel::formatEntry(entry);
    if (!table.commit(error)) return fail(error);
    std::cerr << kestrel::lookup::summaryLine(entries.size(), skipped) << '\n';
    return 0;
}
