#pragma once

#include <string>

namespace drivers {

// The image's name as the programmer's operation text ("p;NAME") can carry it. That text
// separates its fields with ';' and a device index with '@', so a name with either goes
// through a private temporary copy, removed when this dies. Path() is empty when no such
// copy could be made.
class ProgrammerImage {
public:
    explicit ProgrammerImage(const std::string& path);
    ~ProgrammerImage();
    ProgrammerImage(const ProgrammerImage&) = delete;
    ProgrammerImage& operator=(const ProgrammerImage&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string folder_; // the temporary copy's, when one was made
};

} // namespace drivers
