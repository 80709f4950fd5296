// The SD card page's register texts for any CSD, CID and file system byte the board may
// report. Input: CSD (16 bytes), CID (16 bytes), file system type (1 byte); missing bytes
// are 0.
#include "board/SdCardText.h"
#include "fuzz/FuzzSupport.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::TInput in(data, size);
    // Exactly the register's size, so that a read past it is caught.
    const auto csd = std::make_unique<std::uint8_t[]>(sdcard::REGISTER_LEN);
    const auto cid = std::make_unique<std::uint8_t[]>(sdcard::REGISTER_LEN);
    for (int i = 0; i < sdcard::REGISTER_LEN; ++i)
        csd[i] = in.U8();
    for (int i = 0; i < sdcard::REGISTER_LEN; ++i)
        cid[i] = in.U8();
    const std::string csdText = sdcard::CsdText(csd.get());
    const std::string cidText = sdcard::CidText(cid.get());
    fuzz::RequireSdCardTexts(csdText, cidText, sdcard::FileSystemText(in.U8()));
    fuzz::Require(cidText.find("-Product Name:") != std::string::npos, "the CID text names the product");
    return 0;
}
