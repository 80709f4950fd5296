#pragma once

#include "core/FileAccess.h"
#include "core/MemoryTransfer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

// Memory content files written: a range saved as raw bytes or as HEX text. The content
// goes to a temporary file beside the target which replaces the target only once it is
// complete, so a failed or aborted dump leaves an existing file as it was. The bytes may
// come in one piece (the window holds the whole range) or in many (the command line
// streams it).
namespace memory {

enum class TDumpStatus {
    Ok,
    CreateFailed,
    ShortWrite
};

class TDumpFileWriter {
public:
    TDumpFileWriter() = default;
    // Removes the temporary file of a dump that was not committed.
    ~TDumpFileWriter();
    TDumpFileWriter(const TDumpFileWriter&) = delete;
    TDumpFileWriter& operator=(const TDumpFileWriter&) = delete;

    // Creates the temporary file beside `path`: CreateFailed when the folder refuses it.
    TDumpStatus Begin(const std::filesystem::path& path, bool hex);
    // Appends bytes, as HEX text for a HEX file (made piecewise, never a second copy of
    // the range); false once any write failed.
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // Closes the file and puts it in the target's place. ShortWrite when a write or the
    // close failed, CreateFailed when it cannot take the target's place; either way the
    // temporary file is gone and the target untouched.
    TDumpStatus Commit();
    // Drops the dump: the temporary file is removed, the target untouched.
    void Discard();

private:
    std::filesystem::path m_Target;
    std::filesystem::path m_Temporary;
    TFilePtr m_File;
    bool m_Hex = false;
    bool m_Failed = false;
    std::unique_ptr<char[]> m_Text;
    std::size_t m_TextSize = 0;
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

// Saves the bytes to `path` in one piece, as HEX text or raw.
TDumpStatus WriteDumpFile(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t count, bool hex);

} // namespace memory
