#include "RegularFileCommon.h"

namespace platform::detail {

TRegularFileRead ReadOpenFile(bool regular, std::uint64_t size, std::size_t limit, std::string& bytes,
    const std::function<long(char*, std::size_t)>& read)
{
    TRegularFileRead result;
    if (!regular) {
        result.end = TRegularFileRead::TEnd::NotRegular;
        return result;
    }
    result.size = size;
    if (size > limit) {
        result.end = TRegularFileRead::TEnd::TooLarge;
        return result;
    }
    char chunk[65536];
    while (bytes.size() <= limit) {
        const long n = read(chunk, sizeof chunk);
        if (n < 0) {
            result.end = TRegularFileRead::TEnd::CannotRead;
            return result;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    result.end = bytes.size() > limit ? TRegularFileRead::TEnd::Grew : TRegularFileRead::TEnd::Read;
    return result;
}

} // namespace platform::detail
