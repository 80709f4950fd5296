#include "core/DumpFile.h"

#include "core/HexCodec.h"
#include "platform/FileTarget.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <string>
#include <system_error>

namespace memory {

namespace {

// Room for `count` items in `buffer`, which grows only when it must.
template<typename T> T* Reserve(std::unique_ptr<T[]>& buffer, std::size_t& size, std::size_t count)
{
    if (count > size || !buffer) {
        buffer.reset(new (std::nothrow) T[std::max<std::size_t>(count, 1)]);
        size = buffer ? count : 0;
    }
    return buffer.get();
}

// A new file beside `target` that no one else uses: ".<name>.partN", with the permissions
// the dump will have from the start: `keep`, those of the file it replaces, or what the
// umask gives a new file. On failure `temporary` is empty and `error` holds the system's
// error number.
TFilePtr CreateTemporaryBeside(const std::filesystem::path& target, std::optional<std::filesystem::perms> keep,
    std::filesystem::path& temporary, int& error)
{
    // Joined as paths, not as narrow text, which cannot spell every name on Windows.
    std::filesystem::path name = ".";
    name += target.filename();
    name += ".part";
    error = EEXIST;
    for (int i = 0; i < 1000; ++i) {
        temporary = target.parent_path() / name;
        temporary += std::to_string(i);
        if (std::FILE* file = platform::CreateNewFile(temporary, keep))
            return TFilePtr(file);
        error = errno;
        std::error_code ignored;
        if (error != EEXIST && !std::filesystem::exists(std::filesystem::symlink_status(temporary, ignored)))
            break; // not a name clash: the folder refuses new files
    }
    temporary.clear();
    return nullptr;
}

} // namespace

TDumpFileWriter::~TDumpFileWriter() { Discard(); }

TDumpStatus TDumpFileWriter::Fail(TDumpStatus status, std::string reason)
{
    m_Reason = std::move(reason);
    return status;
}

TDumpStatus TDumpFileWriter::Begin(const std::filesystem::path& path, TFileFormat format, bool replaceReadOnly)
{
    Discard();
    m_Encoder = TContentEncoder(format);
    m_Failed = false;
    m_Reason.clear();
    // Everything that can stop the dump is found out here, before any byte is read from
    // the board and before anything is opened for writing.
    const platform::TFileTarget target = platform::InspectFileTarget(path);
    m_Target = target.path;
    switch (target.kind) {
    case platform::TFileTarget::TKind::Special:
        return Fail(TDumpStatus::NotRegular, NOT_REGULAR_REASON);
    case platform::TFileTarget::TKind::UnsafeLink:
        return Fail(TDumpStatus::UnsafeLink, UNSAFE_LINK_REASON);
    case platform::TFileTarget::TKind::Unreachable:
        return Fail(TDumpStatus::CreateFailed, SystemReason(target.error));
    case platform::TFileTarget::TKind::Missing:
    case platform::TFileTarget::TKind::Regular:
        break;
    }
    const bool exists = target.kind == platform::TFileTarget::TKind::Regular;
    // As cp: a file the user may not write is not replaced unless asked to.
    if (exists && !target.writable && !replaceReadOnly)
        return Fail(TDumpStatus::ReadOnly, SystemReason(EACCES));
    int error = EACCES;
    if (!exists || target.replaceable) {
        const auto keep = exists ? std::optional(target.permissions) : std::nullopt;
        m_File = CreateTemporaryBeside(m_Target, keep, m_Temporary, error);
        if (m_File)
            return TDumpStatus::Ok;
    }
    if (exists && target.writable) {
        m_InPlace = true;
        return TDumpStatus::Ok;
    }
    return Fail(TDumpStatus::CreateFailed, SystemReason(error));
}

bool TDumpFileWriter::WriteOut(std::FILE* file, const std::uint8_t* bytes, std::size_t count)
{
    m_Failed = !m_Encoder.Write(file, bytes, count);
    if (m_Failed)
        m_Reason = SystemReason(errno);
    return !m_Failed;
}

// The end of the content (Intel HEX's end-of-file record), then the file closed.
bool TDumpFileWriter::FinishAndClose(TFilePtr& file)
{
    if (!m_Encoder.Finish(file.get())) {
        m_Reason = SystemReason(errno);
        file.reset();
        return false;
    }
    return SyncAndClose(file);
}

bool TDumpFileWriter::Write(const std::uint8_t* bytes, std::size_t count)
{
    if (m_Failed)
        return false;
    if (m_InPlace) {
        try {
            m_Pending.insert(m_Pending.end(), bytes, bytes + count);
        } catch (const std::bad_alloc&) {
            m_Failed = true;
            m_Reason = SystemReason(ENOMEM);
        }
        return !m_Failed;
    }
    return m_File && WriteOut(m_File.get(), bytes, count);
}

// Buffered bytes that cannot be flushed are bytes not written, as is a full disk
// discovered only when the file is synced or closed.
bool TDumpFileWriter::SyncAndClose(TFilePtr& file)
{
    const bool synced = platform::SyncFile(file.get());
    const int syncError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!synced || !closed)
        m_Reason = SystemReason(synced ? errno : syncError);
    return synced && closed;
}

TDumpStatus TDumpFileWriter::CommitInPlace(const std::uint8_t* bytes, std::size_t count)
{
    m_InPlace = false;
    TFilePtr file(platform::RewriteExistingFile(m_Target));
    if (!file)
        return Fail(TDumpStatus::CreateFailed, SystemReason(errno));
    const bool written = WriteOut(file.get(), bytes, count) && FinishAndClose(file);
    return written ? TDumpStatus::Ok : TDumpStatus::ShortWrite;
}

TDumpStatus TDumpFileWriter::Commit()
{
    if (m_InPlace) {
        const std::vector<std::uint8_t> pending = std::move(m_Pending);
        m_Pending.clear();
        return m_Failed ? TDumpStatus::ShortWrite : CommitInPlace(pending.data(), pending.size());
    }
    if (!m_File)
        return TDumpStatus::CreateFailed;
    const bool written = !m_Failed && FinishAndClose(m_File);
    std::error_code error;
    if (!written) {
        m_File.reset();
        std::filesystem::remove(m_Temporary, error);
        m_Temporary.clear();
        return TDumpStatus::ShortWrite;
    }
    std::filesystem::rename(m_Temporary, m_Target, error);
    if (error) {
        m_Reason = error.message();
        std::filesystem::remove(m_Temporary, error);
        m_Temporary.clear();
        return TDumpStatus::CreateFailed;
    }
    m_Temporary.clear();
    return TDumpStatus::Ok;
}

TDumpStatus TDumpFileWriter::Commit(const std::uint8_t* bytes, std::size_t count)
{
    if (m_InPlace && m_Pending.empty() && !m_Failed)
        return CommitInPlace(bytes, count);
    Write(bytes, count);
    return Commit();
}

void TDumpFileWriter::Discard()
{
    m_File.reset();
    m_InPlace = false;
    std::vector<std::uint8_t>().swap(m_Pending);
    if (!m_Temporary.empty()) {
        std::error_code error;
        std::filesystem::remove(m_Temporary, error);
        m_Temporary.clear();
    }
}

std::uint8_t* TDumpSink::Room(std::size_t count) { return Reserve(m_Room, m_RoomSize, count); }

bool TDumpSink::Filled(std::size_t count) { return m_Writer.Write(m_Room.get(), count); }

TDumpStatus WriteDumpFile(
    const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t count, bool hex, std::string* reason)
{
    TDumpFileWriter writer;
    TDumpStatus status = writer.Begin(path, hex, false);
    if (status == TDumpStatus::Ok)
        status = writer.Commit(bytes, count);
    if (reason)
        *reason = writer.Reason();
    return status;
}

} // namespace memory
