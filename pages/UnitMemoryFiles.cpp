// The file transfers of the memory page: a range of the selected memory saved to a
// binary or HEX file, and a file written into the memory.
#include "pages/UnitMemory.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "core/DumpFile.h"
#include "core/MemoryFile.h"
#include "core/MemoryTransfer.h"
#include "pages/MemoryProgress.h"
#include "platform/Tick.h"
#include "ui/Seams.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

using memory::MemoryTypeName;

namespace {

// "*" rather than "*.*": on Linux "*.*" would hide the names without a dot.
const char* const FILE_FILTER = "All files (*);;Hex files (*.HEX *.hex)";

std::filesystem::path PathOf(const QString& name)
{
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The time a transfer took: from the file the person picked to the end of the work on
// board and file. Neither the file dialog nor a message box that waits for the person
// counts; the first Stop ends the count.
class TTransferClock {
public:
    void Stop()
    {
        if (!m_Stopped)
            m_ElapsedMs = platform::TicksSince(m_StartMs);
        m_Stopped = true;
    }
    double Seconds()
    {
        Stop();
        return m_ElapsedMs * 0.001;
    }

private:
    std::uint32_t m_StartMs = platform::TickCount();
    std::uint32_t m_ElapsedMs = 0;
    bool m_Stopped = false;
};

} // namespace

void TFormMemory::RememberFolder(const QString& fileName)
{
    if (!fileName.isEmpty())
        m_LastFolder = QFileInfo(fileName).absolutePath();
}

QString TFormMemory::FileReason(const QString& fileName, const std::string& reason)
{
    return QStringLiteral("%1: %2").arg(fileName, Text(reason));
}

void TFormMemory::ButtonReadFileClick()
{
    TBoard* board = Board();
    if (!board)
        return;
    BeginOperation();
    const std::uint8_t type = CurrentMemoryType();
    const char* name = MemoryTypeName(type);
    ShowInfo(QString::asprintf("Load %s Content to a File...", name), INFO_YELLOW);

    const std::int32_t words = static_cast<std::int32_t>(MemoryGeometry.SizeWords(type));
    std::int32_t address = 0, length = words;
    if (!CheckBoxEntireMemory->isChecked()) {
        const bool valid = CheckField(EditReadAddress, "Address", words - 1, 0, address)
            && CheckField(EditReadLength, "Length", words - address, 1, length);
        if (!valid) {
            ShowInfo("Invalid Input Data.", INFO_RED);
            EndOperation();
            return;
        }
    }

    bool ok = false, aborted = false, linkLost = false;
    QString problem; // which file and why, beside the result text
    const QString fileName
        = ui::GetSaveFileName(this, {"Load Memory Content to a File", FILE_FILTER, "bin", DialogFolder()});
    RememberFolder(fileName);
    TTransferClock clock;
    if (fileName.isEmpty()) {
        aborted = true;
    } else {
        const auto byteAddress = 2u * static_cast<std::uint32_t>(address);
        const auto byteCount = 2u * static_cast<std::uint32_t>(length);
        const std::filesystem::path path = PathOf(fileName);
        // Whatever keeps the dump from its file is found before the board is read: the
        // user learns it at once, not after a transfer that was for nothing.
        memory::TDumpFileWriter writer;
        memory::TByteBuffer buffer;
        if (writer.Begin(path, memory::IsHexFileName(path)) != memory::TDumpStatus::Ok) {
            problem = FileReason(fileName, writer.Reason());
        } else if (buffer.Allocate(byteCount)) {
            memory::TBufferSink sink(buffer.data.get());
            const memory::TRangeResult read
                = memorypage::WithProgressDialog(this, 0, [&](memory::ITransferProgress& progress) {
                      return memory::ReadRangeWithProgress(*board, progress, type, byteAddress, byteCount, sink);
                  });
            aborted = read.aborted;
            linkLost = read.linkLost;
            if (read.ok) {
                const memory::TDumpStatus status = writer.Commit(buffer.data.get(), byteCount);
                clock.Stop();
                if (status == memory::TDumpStatus::ShortWrite)
                    ShowWarning(
                        QString("Write file(%1) error.").arg(fileName) + "\n" + FileReason(fileName, writer.Reason()));
                else if (status != memory::TDumpStatus::Ok)
                    problem = FileReason(fileName, writer.Reason());
                ok = status == memory::TDumpStatus::Ok;
            }
        }
    }

    const QString text = aborted
        ? QString::asprintf("Load %s Content to a File Aborted.", name)
        : QString::asprintf("Load %s Content to a File %s. (%.1fsec)", name, ok ? "Success" : "Fail", clock.Seconds());
    ShowInfo(text, ok ? INFO_GREEN : INFO_RED);
    if (!ok && !aborted)
        ShowError(problem.isEmpty() ? text : text + "\n" + problem);
    EndOperationAfter(!linkLost, board);
}

void TFormMemory::ButtonWriteFileClick()
{
    TBoard* board = Board();
    if (!board)
        return;
    writeFailed = false;
    BeginOperation();
    const std::uint8_t type = CurrentMemoryType();
    const char* name = MemoryTypeName(type);
    ShowInfo(QString::asprintf("Write a File to %s...", name), INFO_YELLOW);

    const std::int32_t words = static_cast<std::int32_t>(MemoryGeometry.SizeWords(type));
    const bool wholeFile = CheckBoxFileLength->isChecked();
    std::int32_t address = 0, length = 0;
    bool valid = CheckField(EditWriteAddress, "Address", words - 1, 0, address);
    if (valid && !wholeFile)
        valid = CheckField(EditWriteLength, "Length", words - address, 1, length);
    if (!valid) {
        ShowInfo("Invalud Input Data.", INFO_RED);
        EndOperation();
        return;
    }

    bool ok = false, aborted = false, boxShown = false, linkLost = false;
    QString problem; // which file and why, beside the result text
    QString fitNote; // a file larger than the space left says how much of it went in
    const QString fileName = ui::GetOpenFileName(this, {"Write a File to Memory", FILE_FILTER, "bin", DialogFolder()});
    RememberFolder(fileName);
    TTransferClock clock;
    if (fileName.isEmpty()) {
        aborted = true;
    } else {
        const auto byteAddress = 2u * static_cast<std::uint32_t>(address);
        const std::uint32_t space = MemoryGeometry.SizeBytes(type) - byteAddress;
        const std::filesystem::path path = PathOf(fileName);
        memory::TFilePortion portion = memory::ReadFilePortion(
            path, memory::IsHexFileName(path), wholeFile, 2u * static_cast<std::uint32_t>(length), space);
        // A warning box waits for the person: a file that cannot be used ends the count.
        if (portion.status != memory::TLoadStatus::Ok)
            clock.Stop();
        switch (portion.status) {
        case memory::TLoadStatus::SizeLess:
            ShowWarning(QString("File(%1) size is less than the specified length.").arg(fileName));
            boxShown = true;
            break;
        case memory::TLoadStatus::ReadError:
            ShowWarning(QString("Read file(%1) error.").arg(fileName) + "\n" + FileReason(fileName, portion.reason));
            boxShown = true;
            break;
        case memory::TLoadStatus::InvalidHex:
            if (portion.format == memory::TFileFormat::IntelHex)
                ShowWarning(QStringLiteral("invalid hex file.\nIntel HEX: %1 of %2.").arg(Text(portion.reason), fileName));
            else
                ShowWarning(QStringLiteral("invalid hex file.\nThe character at offset %1 of %2 is not a hex digit.")
                                .arg(portion.badOffset)
                                .arg(fileName));
            break;
        case memory::TLoadStatus::NotRegular:
        case memory::TLoadStatus::OpenFailed:
            problem = FileReason(fileName, portion.reason);
            break;
        case memory::TLoadStatus::Ok: {
            const auto byteCount = static_cast<std::uint32_t>(portion.bytes.size);
            memory::TBufferSource source(portion.bytes.data.get());
            const memory::TRangeResult written
                = memorypage::WithProgressDialog(this, 0, [&](memory::ITransferProgress& progress) {
                      return memory::WriteRangeWithProgress(*board, progress, type, byteAddress, byteCount, source);
                  });
            clock.Stop();
            writeFailed = written.stepFailed;
            linkLost = written.linkLost;
            ok = written.ok;
            aborted = written.aborted;
            if (ok && wholeFile)
                EditWriteLength->setText(Text(memory::HexText((byteCount + 1) / 2)));
            if (ok && portion.fileBytes > byteCount)
                fitNote = QStringLiteral(" %1 of the file's %2 bytes written: the rest does not fit.")
                              .arg(byteCount)
                              .arg(portion.fileBytes);
            break;
        }
        }
    }

    const QString text = aborted
        ? QString::asprintf("Write a File to %s Aborted.", name)
        : QString::asprintf("Write a File to %s %s.[%.1fsec]", name, ok ? "Success" : "Fail", clock.Seconds());
    ShowInfo(text + fitNote, ok ? INFO_GREEN : INFO_RED);
    if (!ok && !aborted && !boxShown)
        ShowError(problem.isEmpty() ? text : text + "\n" + problem);
    // A first keep-alive that got no answer is a lost link as much as a failed step.
    EndOperationAfter(!writeFailed && !linkLost, board);
}
