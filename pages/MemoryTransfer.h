#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

class TBoard;

// The long operations of the memory page: whole ranges read from or written to a
// memory, chip erase, and the memory content files. They report through a progress
// interface so that the page drives its progress dialog and tests or benchmarks a
// recorder. Nothing here takes the board from the page: each operation is handed the
// board it started with and keeps it, even if the page is left meanwhile.
namespace memorypage {

// The progress dialog as the operations see it.
class ITransferProgress {
public:
    virtual ~ITransferProgress() = default;
    // Creates and shows the dialog.
    virtual void Begin() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetPercent(int percent) = 0;
    // Lets pending user-interface events be handled; true once the user asked to abort.
    virtual bool ProcessEventsAndCheckAbort() = 0;
    // Destroys the dialog.
    virtual void End() = 0;
};

struct TRangeResult {
    bool ok = false;      // the whole range moved (never true after an abort)
    bool aborted = false; // the user pressed Abort
};

// Reads `byteCount` bytes at `byteAddress` into `buffer` in twenty steps (one when the
// count is below 20 bytes) after one keep-alive.
TRangeResult ReadRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, std::uint8_t* buffer);

// Writes `byteCount` bytes of `data` at `byteAddress`, one write packet per step, each
// step after a keep-alive. `writeFailed` is set when a step's exchange failed.
TRangeResult WriteRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, const std::uint8_t* data, bool& writeFailed);

struct TEraseResult {
    bool success = false; // every block erased and accepted
    bool aborted = false;
    bool blockFailed = false; // the last block's exchange failed or the board refused it
};

// Erases every erase block of the memory, one command per block.
TEraseResult EraseChipWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType);

// --- memory content files ---------------------------------------------------------

// A buffer of bytes that is not cleared when allocated: a 128 MB range is overwritten
// right away, so clearing it first would only cost time.
struct TByteBuffer {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    // False when the memory could not be had.
    bool Allocate(std::size_t count);
};

// A file is a HEX file when its extension is ".hex" in any case; any other is binary.
bool IsHexFileName(const std::filesystem::path& path);

enum class TDumpStatus {
    Ok,
    CreateFailed,
    ShortWrite
};

// Saves the bytes to `path`, as HEX text or raw. The content goes to a temporary file
// beside the target which replaces the target only once it is complete, so a failed
// dump leaves an existing file as it was. The HEX text is made piecewise while writing
// and never needs a second copy of the range.
TDumpStatus WriteDumpFile(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t count, bool hex);

enum class TLoadStatus {
    Ok,
    OpenFailed,
    SizeLess,
    ReadError,
    InvalidHex
};

struct TFilePortion {
    TLoadStatus status = TLoadStatus::OpenFailed;
    TByteBuffer bytes; // the bytes to write; bytes.size is the byte count
};

// Reads the bytes to write from a binary or HEX file. With `wholeFile` the count is the
// file's content (half its characters rounded up for HEX; an odd last character counts
// as followed by "0"), cut to `space`; otherwise exactly `byteCount` bytes are needed
// and any content beyond them is never read.
TFilePortion ReadFilePortion(
    const std::filesystem::path& path, bool hex, bool wholeFile, std::uint32_t byteCount, std::uint32_t space);

} // namespace memorypage
