#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One end of a private byte stream between two processes of this user. On Windows it is
// a named pipe whose access list admits this user alone; the Unix systems reach the
// simulator over a Unix socket instead (sim/Endpoint.h) and have no use for it.
class LocalPipe {
public:
    ~LocalPipe();
    LocalPipe(const LocalPipe&) = delete;
    LocalPipe& operator=(const LocalPipe&) = delete;

    // Connects to the endpoint `name` (see PrivateEndpoint). nullptr when nothing serves
    // it; `refusal` (optional) is set when something does that this user cannot trust:
    // a process of another user, or a pipe this user may not open.
    static std::unique_ptr<LocalPipe> Connect(const std::string& name, std::string* refusal = nullptr);

    // Waits at most `timeoutMs` (0: not at all) for bytes: how many came (at most
    // `size`), 0 when none did, -1 when the other end has gone or Break() was called.
    long Receive(void* dest, std::size_t size, int timeoutMs);
    // All `count` bytes within `timeoutMs`; false when not all went.
    bool SendAll(const void* data, std::size_t count, int timeoutMs);
    bool ReceiveAll(void* dest, std::size_t count, int timeoutMs);
    // Ends the stream: a Receive or SendAll waiting in another thread gives up at once,
    // and every later one fails. The other end sees the stream close.
    void Break();

    struct Impl;

private:
    explicit LocalPipe(std::unique_ptr<Impl> impl);
    friend class LocalPipeListener;
    std::unique_ptr<Impl> impl_;
};

// The serving side of an endpoint: takes the name for this process alone (a second
// server of the same name is refused) and hands over each client that connects.
class LocalPipeListener {
public:
    ~LocalPipeListener();
    LocalPipeListener(const LocalPipeListener&) = delete;
    LocalPipeListener& operator=(const LocalPipeListener&) = delete;

    // nullptr, with `error` set, when the name is taken or cannot be made.
    static std::unique_ptr<LocalPipeListener> Listen(const std::string& name, std::string& error);
    // The next client, waiting at most `timeoutMs` for one; nullptr when none came.
    std::unique_ptr<LocalPipe> Accept(int timeoutMs);

    struct Impl;

private:
    explicit LocalPipeListener(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The endpoint called `base` of this user: the same name for every process of the user,
// another one for every other user. A `base` that is already an endpoint name is kept.
std::string PrivateEndpoint(const std::string& base);

// Starts `program` (a full path) with `args` on its own: no console, no handle of ours
// inherited, not waited for. False when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

// For a program started that way, once it runs on its own: it lets go of what it still
// holds of its starter's output. (Under wine every program inherits its starter's Unix
// standard error, whatever handles it was given, and a program that stays, such as the
// simulated board, would keep whoever reads that output waiting until it ends.)
void LetGoOfStarterOutput();

// The folder (with its trailing separator) of the program or library that holds `address`.
std::string ModuleFolderOf(const void* address);

} // namespace platform
