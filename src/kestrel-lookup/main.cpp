// kestrel-lookup: writes a lookup table for the CDS features of annotated GenBank files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "kestrel-lookup/lookup_builder.hpp"

namespace {

constexpr const char* Usage =
    "usage: kestrel-lookup [-o LOOKUP] [--keep-pseudo] SEQFILE...\n"
    "\n"
    "Writes one lookup-table entry for each CDS feature of the GenBank files named,\n"
    "file by file, record by record, by position within a record. The table goes to\n"
    "LOOKUP, or to standard output without -o. Name the files as the analysis will\n"
    "open them (at most 40 characters, without '#' or control characters).\n"
    "Compressed files are not read: gunzip them first. Lines may end with LF, CR LF\n"
    "or CR.\n"
    "\n"
    "CDS features that name another record, use order(), have parts on both strands\n"
    "or parts out of order (as across the origin of a circular genome) are skipped,\n"
    "and so are those the analysis would get wrong: /pseudo and /pseudogene CDSs\n"
    "(written with --keep-pseudo), complete CDSs whose /codon_start is not 1, and\n"
    "CDSs whose /transl_table is not 1 or 11 (the analysis reads the standard code).\n"
    "A summary on standard error counts them by reason. A gene name holding '#',\n"
    "blanks or control characters is written with '_' in their place, and one longer\n"
    "than 30 characters is cut; the summary counts these renamed entries.\n";

int fail(const std::string& message) {
    std::cerr << "kestrel-lookup: " << message << '\n';
    return 1;
}

// Writes the table beside its final name first, so that no half-written table is ever left under it.
bool writeAtomically(const std::string& path, const std::string& text, std::string& error) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a file beside " + path + ": " + std::strerror(errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);  // mkstemp creates the file private; a table is an ordinary file
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == text.size() && ::fsync(fd) == 0;
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : savedErrno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
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
            if (i + 1 >= argc) return fail("-o needs a file name");
            outputPath = argv[++i];
        } else if (!optionsEnded && arg == "--keep-pseudo") {
            options.keepPseudo = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::cerr << Usage;
            return fail("unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << Usage;
        return fail("no sequence file named");
    }

    std::vector<kestrel::lookup::LookupEntry> entries;
    kestrel::lookup::SkipTally skipped;
    for (const std::string& file : files) {
        if (const auto problem = kestrel::lookup::fileNameProblem(file)) return fail(*problem);
        std::ifstream in(file, std::ios::binary);
        if (!in) return fail("cannot read " + file + ": " + std::strerror(errno));
        const std::int32_t records = kestrel::lookup::buildFileEntries(in, file, entries, skipped, options);
        if (in.bad()) return fail("error while reading " + file);
        if (records == 0) return fail(file + " holds no GenBank record (no LOCUS line)");
    }

    std::string table;
    for (const auto& entry : entries) table += kestrel::lookup::formatEntry(entry);
    if (outputPath.empty()) {
        std::cout << table << std::flush;
        if (!std::cout) return fail("cannot write the table to standard output");
    } else {
        std::string error;
        if (!writeAtomically(outputPath, table, error)) return fail(error);
    }
    std::cerr << kestrel::lookup::summaryLine(entries.size(), skipped) << '\n';
    return 0;
}
