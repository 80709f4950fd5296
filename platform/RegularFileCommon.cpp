#include "RegularFile.h"

namespace platform {

TRegularFileRead TRegularFileReader::Checked(bool regular, std::uint64_t size, std::uint64_t limit)
{
    TRegularFileRead result;
    if (!regular)
        result.end = TRegularFileRead::TEnd::NotRegular;
    else if ((result.size = size) > limit)
        result.end = TRegularFileRead::TEnd::TooLarge;
    else
        result.end = TRegularFileRead::TEnd::Read;
    return result;
}

TRegularFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    TRegularFileReader reader;
    TRegularFileRead result = reader.Open(path, limit);
    char chunk[65536];
    while (result.end == TRegularFileRead::TEnd::Read && bytes.size() <= limit) {
        const long n = reader.Read(chunk, sizeof chunk, result.reason);
        if (n < 0)
            result.end = TRegularFileRead::TEnd::CannotRead;
        else if (n == 0)
            break;
        else
            bytes.append(chunk, static_cast<std::size_t>(n));
    }
    if (result.end == TRegularFileRead::TEnd::Read && bytes.size() > limit)
        result.end = TRegularFileRead::TEnd::Grew;
    if (result.end != TRegularFileRead::TEnd::Read)
        bytes.clear();
    return result;
}

} // namespace platform
