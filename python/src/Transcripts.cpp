#include "Transcripts.h"

#include "Errors.h"

#include "board/TraceRecorder.h"
#include "core/ConnectSequence.h"
#include "core/TraceSetup.h"
#include "platform/PrivateFile.h"

#include <cstdlib>
#include <filesystem>
#include <list>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

namespace pyvx5h {

struct TTranscriptFile {
    std::string path; // real: symbolic links and ".." resolved
    std::shared_ptr<TTraceRecorder> recorder;
    bool recording = false; // a board holds it
};

namespace {

struct TTranscriptFiles {
    std::mutex lock;
    std::list<TTranscriptFile> files; // never shrinks: leases point into it
    // VX5H_TRACE as first resolved, to the file's real path: a relative name names the one
    // file of the folder that was current then, whatever folder the script moves to later.
    std::map<std::string, fs::path> resolved;
};

TTranscriptFiles& Files()
{
    // Never destroyed: a board in another thread may still record while the process ends.
    static TTranscriptFiles* files = new TTranscriptFiles;
    return *files;
}

// "link.jsonl", "link-2.jsonl", "link-3.jsonl" ...
std::string NumberedPath(const fs::path& path, int number)
{
    if (number == 1)
        return path.string();
    return (path.parent_path() / (path.stem().string() + "-" + std::to_string(number) + path.extension().string()))
        .string();
}

TTranscriptFile* Named(TTranscriptFiles& files, const std::string& path)
{
    for (TTranscriptFile& file : files.files)
        if (file.path == path)
            return &file;
    return nullptr;
}

} // namespace

void TTranscriptLease::Release()
{
    if (!m_File)
        return;
    const std::lock_guard guard(Files().lock);
    m_File->recording = false;
    m_File = nullptr;
}

std::shared_ptr<TTraceRecorder> TTranscriptLease::Start(const std::string& cable)
{
    Release();
    const char* asked = std::getenv("VX5H_TRACE");
    if (!asked || !*asked)
        return nullptr;
    TTranscriptFiles& files = Files();
    const std::lock_guard guard(files.lock);
    auto known = files.resolved.find(asked);
    if (known == files.resolved.end()) {
        // The file's one spelling ("./link.jsonl", "b/../link.jsonl" and "link.jsonl" are one
        // file), so that two boards never record into one file under two names.
        std::error_code error;
        const fs::path absolute = fs::absolute(asked, error);
        const fs::path real = error ? absolute : fs::weakly_canonical(absolute, error);
        if (error)
            throw TFileError(std::string("VX5H_TRACE: cannot record the link into ") + asked + ": " + error.message());
        known = files.resolved.emplace(asked, real).first;
    }
    const fs::path base = known->second;
    for (int number = 1;; ++number) {
        const std::string path = NumberedPath(base, number);
        TTranscriptFile* file = Named(files, path);
        if (file && (file->recording || file->recorder->Cut()))
            continue;
        if (file) {
            // The header as trace::StartRecording writes it; the data and the limit stay
            // those the file was started with.
            file->recorder->Restart(
                {"python", VX5H_VERSION, platform::SystemDescription(), connection::ChosenCable(cable)});
        } else {
            std::string why;
            std::shared_ptr<TTraceRecorder> recorder = trace::StartRecording("python", {path, false, cable}, why);
            if (!recorder)
                throw TFileError("VX5H_TRACE: " + why);
            file = &files.files.emplace_back(TTranscriptFile{path, std::move(recorder)});
        }
        file->recording = true;
        m_File = file;
        return file->recorder;
    }
}

} // namespace pyvx5h
