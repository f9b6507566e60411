// The annotated inputs the companion tools read genes from, named on their command lines
// alike: GenBank or EMBL files and GFF3 files with a ##FASTA section as operands, GFF3
// files with --gff (and their FASTA files with --fasta), FASTA files of coding sequences
// with --cds-fasta; any of them gzip-compressed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "formats/feature_table.hpp"
#include "formats/record_format.hpp"
#include "formats/text_input.hpp"
#include "tools/command_line.hpp"

namespace kestrel {

enum class InputKind {
    Named,     // found out from its first line: GenBank, EMBL or GFF3 with a "##FASTA" section
    Gff3,      // a GFF3 file, with its sequences in fasta or in its own "##FASTA" section
    CdsFasta,  // a FASTA file of coding sequences
};

struct InputFiles {
    InputKind kind = InputKind::Named;
    std::string path;
    std::string fasta;  // for Gff3: the FASTA file beside it, or "" for its own section
};

// The options that name inputs besides the operands, for a tool's description.
inline const std::vector<OptionDescription> InputOptions{
    {"--gff", {}, true, "a file name"}, {"--fasta", {}, true, "a file name"}, {"--cds-fasta", {}, true, "a file name"}};

// The inputs in the order they are read: the operands, then the other files as given. A
// UsageError when there is none, or when --fasta and --gff do not pair.
std::vector<InputFiles> inputFiles(const CommandLine& line);

// Every file the inputs name, for the test that no output is written over one.
std::vector<std::string> inputPaths(const std::vector<InputFiles>& inputs);

// Opens a file for reading as text, compressed or not; a ToolFailure when it cannot be.
void openInput(TextInput& in, const std::string& path);
// A ToolFailure when reading failed (the compressed data's fault named).
void checkRead(const TextInput& in, const std::string& path);

// Runs read, which reads the records of the file at path from in; a RecordError, or a failed
// read, becomes a ToolFailure that names the file.
void readRecords(const TextInput& in, const std::string& path, const std::function<void()>& read);

// Reads the records of a named input already opened (its format told by its first line)
// with onRecord, the bases of their sequences to sink (if any); a ToolFailure for a FASTA
// file, no record, or a record the reader refuses (cut short, a sequence named twice).
void readNamedInput(TextInput& in, RecordFormat format, const std::string& path, const RecordHandler& onRecord,
                    SequenceSink* sink);

// Reads every record of an input with onRecord, the bases of their sequences to sink (if any).
void readAnnotatedInput(const InputFiles& input, const RecordHandler& onRecord, SequenceSink* sink);

}  // namespace kestrel
