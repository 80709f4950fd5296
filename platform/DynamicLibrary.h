#pragma once

#include <memory>
#include <string>

namespace platform {

// A shared library loaded by full path. The library is unloaded when the object dies,
// so ownership of the object is ownership of the loaded code. A path that is not a full
// one is refused, and no library in the current directory or on a search path stands in
// for the file named.
class DynamicLibrary {
public:
    // Returns nullptr when the file is missing, cannot be loaded or `path` is not a full
    // path; `error` (optional) receives the reason.
    // `shareNames`: its names also serve the libraries loaded after it, for a library
    // that leaves symbols to be found so (a system that has no such scope ignores it).
    static std::unique_ptr<DynamicLibrary> Load(
        const std::string& path, std::string* error = nullptr, bool shareNames = false);

    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Address of an exported entry point, or nullptr when the library lacks it.
    void* Resolve(const char* name) const;

    template<typename Fn> Fn ResolveAs(const char* name) const { return reinterpret_cast<Fn>(Resolve(name)); }

    const std::string& Path() const { return path_; }

private:
    DynamicLibrary(void* handle, std::string path)
        : handle_(handle)
        , path_(std::move(path))
    { }
    void* handle_;
    std::string path_;
};

} // namespace platform
