#pragma once

#include "cli/MemRange.h"
#include "core/MemoryFile.h"

#include <string>

// The file that mem load and mem verify read, by name or from standard input ("-"),
// opened in its format and planned for the range, with every refusal said before the
// board is touched.
namespace cli {

struct TInputArgs {
    std::string file;   // "-": standard input
    std::string format; // --format; empty: by the name
    bool wholeFile = true; // no --length: the file's length decides the range
};

// How the file is named in messages: 'name' or standard input.
std::string FileText(const std::string& file);

// Opens the file and plans its bytes for the range; ends the command when it cannot be
// read, is bad, is empty, or (a whole file) runs past the memory's end: then `tooLong`
// decides the ending, a usage error for a load and a difference for a verify.
enum class TTooLong {
    Refuse, // exit 2: take a part of the file on purpose with --length
    Differ  // exit 1: the memory cannot hold what the file holds
};
void OpenPlanned(memory::TMemoryFileReader& reader, const TInputArgs& args, const TMemRange& range, TTooLong tooLong);

// The message for a reader's failure.
std::string LoadProblem(const memory::TMemoryFileReader& reader, memory::TLoadStatus status, const std::string& file);

} // namespace cli
