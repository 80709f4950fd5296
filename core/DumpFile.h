#pragma once

#include "core/FileAccess.h"
#include "core/FileFormat.h"
#include "core/MemoryTransfer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Memory content files written: a range saved as raw bytes, HEX text or Intel HEX. The content
// goes to a temporary file beside the target which replaces the target only once it is
// complete and on the disk, so a failed or aborted dump leaves an existing file as it
// was. The bytes may come in one piece (the window holds the whole range) or in many (the
// command line streams it).
//
// A dump keeps what the user had: a symbolic link stays a link and its target gets the
// data, an existing file keeps its permissions (the temporary file has them from the
// start), and where the folder refuses new files but the file itself may be written, the
// data is written into the file in place once the whole range is at hand (so an aborted
// dump still leaves the file as it was). What it refuses, it refuses before the transfer:
// a file the user may not write (as cp does, unless asked to replace it), a link that
// another user made in a shared folder such as /tmp (it may lead to any of the user's
// files), and anything but a regular file.
namespace memory {

enum class TDumpStatus {
    Ok,
    CreateFailed,
    ShortWrite,
    NotRegular, // the target is a FIFO, a device, a folder or a kernel file: refused before it is opened
    ReadOnly,   // an existing file the user may not write, and not to be replaced
    UnsafeLink  // a link on the way was made by another user in a shared folder: not followed
};

// The reason given to a dump refused for an UnsafeLink.
inline constexpr const char* UNSAFE_LINK_REASON
    = "a symbolic link another user made in a folder others may write to; not followed";

class TDumpFileWriter {
public:
    TDumpFileWriter() = default;
    // Removes the temporary file of a dump that was not committed.
    ~TDumpFileWriter();
    TDumpFileWriter(const TDumpFileWriter&) = delete;
    TDumpFileWriter& operator=(const TDumpFileWriter&) = delete;

    // Creates the temporary file beside `path` (beside the file a link at `path` ends at):
    // CreateFailed when neither it nor a write in place is possible. `replaceReadOnly`
    // lets a file the user may not write be replaced where its folder allows that.
    TDumpStatus Begin(const std::filesystem::path& path, TFileFormat format, bool replaceReadOnly = false);
    TDumpStatus Begin(const std::filesystem::path& path, bool hex, bool replaceReadOnly = false)
    {
        return Begin(path, hex ? TFileFormat::Hex : TFileFormat::Binary, replaceReadOnly);
    }
    // Appends bytes in the file's format (text made piecewise, never a second copy of the
    // range); false once any write failed.
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // Closes the file and puts it in the target's place. ShortWrite when a write or the
    // close failed, CreateFailed when it cannot take the target's place; either way the
    // temporary file is gone and the target untouched.
    TDumpStatus Commit();
    // Write, then Commit, with the whole content in one piece: written in place it needs
    // no second copy of the range.
    TDumpStatus Commit(const std::uint8_t* bytes, std::size_t count);
    // Drops the dump: the temporary file is removed, the target untouched.
    void Discard();

    // The system's reason for the last failure ("Permission denied"), or empty.
    const std::string& Reason() const { return m_Reason; }
    // The file the data goes to, after symbolic links.
    const std::filesystem::path& Target() const { return m_Target; }
    bool InPlace() const { return m_InPlace; }

private:
    bool WriteOut(std::FILE* file, const std::uint8_t* bytes, std::size_t count);
    bool SyncAndClose(TFilePtr& file);
    bool FinishAndClose(TFilePtr& file);
    TDumpStatus CommitInPlace(const std::uint8_t* bytes, std::size_t count);
    TDumpStatus Fail(TDumpStatus status, std::string reason);

    std::filesystem::path m_Target;
    std::filesystem::path m_Temporary;
    TFilePtr m_File;
    TContentEncoder m_Encoder{TFileFormat::Binary};
    bool m_Failed = false;
    bool m_InPlace = false;
    std::vector<std::uint8_t> m_Pending; // in place: the range, until it is complete
    std::string m_Reason;
};

// A read sink that writes what it gets into a dump file as it arrives.
class TDumpSink final : public IReadSink {
public:
    explicit TDumpSink(TDumpFileWriter& writer)
        : m_Writer(writer)
    { }
    std::uint8_t* Room(std::size_t count) override;
    bool Filled(std::size_t count) override;

private:
    TDumpFileWriter& m_Writer;
    std::unique_ptr<std::uint8_t[]> m_Room;
    std::size_t m_RoomSize = 0;
};

// Saves the bytes to `path` in one piece, as HEX text or raw, never over a file the user
// may not write; `reason`, when given, receives the system's reason for a failure.
TDumpStatus WriteDumpFile(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t count, bool hex,
    std::string* reason = nullptr);

} // namespace memory
