#pragma once

#include "board/JtagApi.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class DynamicLibrary;
}
class TTraceRecorder;

// The raw byte stream to the board's firmware over the USB JTAG cable. It forwards to the
// JTAG library "QELVANO_JTAG.DLL" in the program's folder, loaded when the port is made
// and released when it dies: one port per connection. No framing, no buffering, no
// thread; reads poll the library against the millisecond tick.
class TJtagPort {
public:
    TJtagPort(std::int32_t cableIndex, std::string cableName);
    ~TJtagPort();
    TJtagPort(const TJtagPort&) = delete;
    TJtagPort& operator=(const TJtagPort&) = delete;

    // The library was found and has all five entry points.
    bool IsLoaded() const { return m_Library != nullptr; }

    bool Open();
    void Close();
    bool IsOpen() const;

    // One library call with the whole block; true when the library accepted it.
    bool Write(const std::uint8_t* bytes, std::int32_t count);
    // Collects up to `count` bytes within `budgetMs`; returns how many arrived. A budget
    // of 0 makes no call; any other budget makes at least one.
    std::int32_t Read(std::uint8_t* dest, std::int32_t count, std::uint32_t budgetMs);
    // Fills `record` (JTAG_INFO_RECORD_LEN bytes); true when the library filled it.
    bool GetInfo(std::uint8_t* record);
    // Why the last Open failed (a JTAG_ERROR_* code, `text` the library's reason); 0 with
    // no text from a library that cannot tell.
    std::int32_t LastError(std::string& text) const;

    // Every chunk written and read goes to `trace` as well (none: nothing is recorded);
    // the recorder must outlive the port.
    void SetTrace(TTraceRecorder* trace) { m_Trace = trace; }

    // The description text of an information record: from its offset up to the first NUL,
    // never beyond the record's end. The field holds 52 bytes, and a longer cable name is
    // cut: where it is full, the name the user asked for (`asked`) is the description when
    // it begins with the field's text, and otherwise the text ends with its last whole
    // UTF-8 character.
    static std::string DescriptionOf(const std::uint8_t* record, const std::string& asked = {});

private:
    void Load();

    std::unique_ptr<platform::DynamicLibrary> m_Library;
    std::uint32_t m_Link = 0;
    std::int32_t m_CableIndex;
    std::string m_CableName;
    QELVANO_JtagOpen_t m_Open = nullptr;
    QELVANO_JtagClose_t m_Close = nullptr;
    QELVANO_JtagWrite_t m_Write = nullptr;
    QELVANO_JtagRead_t m_Read = nullptr;
    QELVANO_JtagGetInfo_t m_GetInfo = nullptr;
    QELVANO_JtagLastError_t m_LastError = nullptr; // optional
    TTraceRecorder* m_Trace = nullptr;
};
