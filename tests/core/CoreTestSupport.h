#pragma once

#include "board/Board.h"
#include "platform/DynamicLibrary.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"
#include "platform/Tick.h"
#include "tests/core/CoreTestOs.h"
#include "tests/core/FakeJtagState.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace coretest {

// The folders the build lays out beside the test program, each with a trailing separator:
// the fake libraries, each alone under the name the program looks for, a folder with no
// library and one that stands for the programmer tools' installation.
std::string TestFolder(const std::string& name);
// The folder of a fake of the calling convention under test: on 32-bit Windows the suite
// runs once against fakes that leave the stack to the program (cdecl) and once, with
// CORE_FAKE_CONVENTION=stdcall, against fakes that clean it up themselves.
std::string FakeFolder(const std::string& name);
inline std::string FakeJtagDir() { return FakeFolder("fakejtag"); }
inline std::string FakeJtagIncompleteDir() { return TestFolder("fakejtag-incomplete"); }
inline std::string FakeDownloadDir() { return FakeFolder("fakedownload"); }
inline std::string FakeDownloadIncompleteDir() { return TestFolder("fakedownload-incomplete"); }
inline std::string EmptyDir() { return TestFolder("nolibraries"); }
inline std::string ToolsRootDir() { return TestFolder("quartus"); }

// A clock that moves on by `step` ms every time it is read, so that budgets run out
// after a bounded number of polls without any real waiting.
class SteppingClock {
public:
    explicit SteppingClock(std::uint32_t start = 1000, std::uint32_t step = 1)
        : m_Now(start)
        , m_Step(step)
    {
        platform::SetTickSource([this] { return m_Now += m_Step; });
    }
    ~SteppingClock() { platform::SetTickSource({}); }
    void Advance(std::uint32_t ms) { m_Now += ms; }
    void SetStep(std::uint32_t step) { m_Step = step; }
    std::uint32_t Now() const { return m_Now; }

private:
    std::uint32_t m_Now;
    std::uint32_t m_Step;
};

// Counts beeps and keeps the texts of error dialogs.
class UserHooks {
public:
    UserHooks()
    {
        platform::SetBeepHandler([this] { ++beeps; });
        platform::SetErrorDialogHandler([this](const std::string& text) { dialogs.push_back(text); });
    }
    ~UserHooks()
    {
        platform::SetBeepHandler({});
        platform::SetErrorDialogHandler({});
    }
    int beeps = 0;
    std::vector<std::string> dialogs;
};

// Points the program folder at `folder` and opens the fake library found there, whose
// state the program shares with the test (the loader hands out the same instance).
template<typename State> class FakeLibrary {
public:
    FakeLibrary(const std::string& folder, const char* fileName, const char* stateFunction)
        : m_Library(platform::DynamicLibrary::Load(folder + fileName))
    {
        platform::OverrideExecutableFolder(folder);
        if (!m_Library)
            return;
        using StateFn = State* (*)();
        if (auto fn = m_Library->ResolveAs<StateFn>(stateFunction)) {
            m_State = fn();
            m_State->Reset();
        }
    }
    ~FakeLibrary() { platform::OverrideExecutableFolder(std::nullopt); }
    State& operator*() const { return *m_State; }
    State* operator->() const { return m_State; }
    bool Ready() const { return m_State != nullptr; }

private:
    std::unique_ptr<platform::DynamicLibrary> m_Library;
    State* m_State = nullptr;
};

inline FakeLibrary<FakeJtagState> FakeJtag(const std::string& folder = FakeJtagDir())
{
    return FakeLibrary<FakeJtagState>(folder, "QELVANO_JTAG.DLL", "FakeJtag_State");
}

// Restores the working directory and the programmer tools' installation a test changes.
class WorkingDirectoryGuard {
public:
    WorkingDirectoryGuard()
        : m_Saved(platform::CurrentDirectory())
        , m_SavedRoot(ToolsRoot())
    { }
    ~WorkingDirectoryGuard()
    {
        platform::SetCurrentDirectory(m_Saved);
        SetToolsRoot(m_SavedRoot);
    }
    WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
    WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;

private:
    std::string m_Saved;
    std::optional<std::string> m_SavedRoot;
};

// A whole frame as the firmware or the PC sends it.
inline std::vector<std::uint8_t> Frame(std::uint8_t code, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> frame(payload.size() + protocol::FRAME_OVERHEAD);
    frame[0] = protocol::START_MARKER;
    frame[1] = code;
    protocol::PutU32(&frame[2], static_cast<std::uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), frame.begin() + protocol::HEADER_LEN);
    frame[frame.size() - 2] = protocol::Checksum(&frame[1], frame.size() - 3);
    frame.back() = protocol::END_MARKER;
    return frame;
}

// A board connected through the fake JTAG library, with a stepping clock and recorded
// beeps and dialogs.
class ConnectedBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fake.Ready());
        std::string error;
        ASSERT_TRUE(board.Connect(error));
        fake->events.clear();
    }

    // Scripts the firmware's answer to the next request.
    void Reply(std::uint8_t code, const std::vector<std::uint8_t>& payload, int delayReads = 0)
    {
        fake->replies.push_back({Frame(code, payload), delayReads});
    }
    void ReplyBytes(const std::vector<std::uint8_t>& bytes, int delayReads = 0)
    {
        fake->replies.push_back({bytes, delayReads});
    }
    // The payload of the `index`th request frame the board wrote.
    std::vector<std::uint8_t> RequestPayload(std::size_t index = 0) const
    {
        std::size_t at = 0;
        for (std::size_t i = 0; i < index; ++i)
            at += static_cast<std::size_t>(fake->writeSizes.at(i));
        const std::uint32_t length = protocol::GetU32(&fake->written.at(at + 2));
        return {fake->written.begin() + static_cast<std::ptrdiff_t>(at + 6),
            fake->written.begin() + static_cast<std::ptrdiff_t>(at + 6 + length)};
    }
    std::uint8_t RequestCode(std::size_t index = 0) const
    {
        std::size_t at = 0;
        for (std::size_t i = 0; i < index; ++i)
            at += static_cast<std::size_t>(fake->writeSizes.at(i));
        return fake->written.at(at + 1);
    }

    SteppingClock clock;
    UserHooks hooks;
    FakeLibrary<FakeJtagState> fake = FakeJtag();
    TBoard board;
};

} // namespace coretest
