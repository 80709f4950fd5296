#include "board/SdCardText.h"

#include <gtest/gtest.h>

#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace {

std::string Csd(const Bytes& bytes) { return sdcard::CsdText(bytes.data()); }

} // namespace

TEST(SdCardText, Version2WorkedExample)
{
    EXPECT_EQ(Csd({0x40, 0x0E, 0x00, 0x32, 0x5B, 0x59, 0x00, 0x00, 0x1D, 0x8A, 0x7F, 0x80, 0x0A, 0x40, 0x00, 0x00}),
        "-CSD Version 2.0\n"
        "-Read Access Time:1000 us\n"
        "-Read Access Time (NSAC):0 (x100 cycle) \n"
        "-Max. Data Transfer Rate:25 Mbits/s\n"
        "-Max. Read Data Block Length:512 Byte\n"
        "-Memory Capacity:3781MB\n");
}

TEST(SdCardText, Version1WorkedExample)
{
    EXPECT_EQ(Csd({0x00, 0x26, 0x00, 0x32, 0x5F, 0x59, 0x83, 0xC8, 0xBE, 0xFB, 0xCF, 0xFF, 0x92, 0x40, 0x40, 0x00}),
        "-CSD Version 1.0\n"
        "-Read Access Time:1 ms\n"
        "-Read Access Time (NSAC):0 (x100 cycle) \n"
        "-Max. Data Transfer Rate:25 Mbits/s\n"
        "-Max. Read Data Block Length:512 Byte\n"
        "-Memory Capacity:969MB\n");
}

TEST(SdCardText, TimeAndRateFieldsAtTheirEdges)
{
    Bytes csd(16, 0);
    csd[5] = 0x09;
    csd[1] = 0x80; // reserved bit only: not "NA", index 0
    csd[3] = 0x09; // 10 x 100 kbit/s
    csd[2] = 255;
    std::string text = Csd(csd);
    EXPECT_NE(text.find("-Read Access Time:0 ns\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-Max. Data Transfer Rate:1 Mbits/s\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-Read Access Time (NSAC):255 (x100 cycle) \n"), std::string::npos) << text;

    csd[1] = 0;
    csd[3] = 0x08; // 1 x 100 kbit/s
    text = Csd(csd);
    EXPECT_NE(text.find("-Read Access Time:NA\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-Max. Data Transfer Rate:100 Kbits/s\n"), std::string::npos) << text;

    csd[3] = 0;
    csd[1] = 0x7F; // 10^7 x 8.0 ns
    text = Csd(csd);
    EXPECT_NE(text.find("-Max. Data Transfer Rate:NA\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-Read Access Time:80 ms\n"), std::string::npos) << text;
}

TEST(SdCardText, ReservedStructureAndZeroBlockLengthUseVersion1Capacity)
{
    // Structure 2, READ_BL_LEN 0, C_SIZE 4095, C_SIZE_MULT 7: 4096 x 512 bytes = 2 MB.
    Bytes csd(16, 0);
    csd[0] = 0x80;
    csd[6] = 0x03;
    csd[7] = 0xFF;
    csd[8] = 0xC0;
    csd[9] = 0x03;
    csd[10] = 0x80;
    EXPECT_EQ(Csd(csd),
        "-Read Access Time:NA\n"
        "-Read Access Time (NSAC):0 (x100 cycle) \n"
        "-Max. Data Transfer Rate:NA\n"
        "-Memory Capacity:2MB\n");
}

TEST(SdCardText, Version1CapacityBeyondFourGigabytesIsExact)
{
    // C_SIZE 4095, C_SIZE_MULT 7, READ_BL_LEN 11: 4096 x 512 x 2048 bytes = 4096 MB,
    // which wraps to 0 in 32-bit arithmetic.
    Bytes csd(16, 0);
    csd[5] = 0x0B;
    csd[6] = 0x03;
    csd[7] = 0xFF;
    csd[8] = 0xC0;
    csd[9] = 0x03;
    csd[10] = 0x80;
    EXPECT_NE(Csd(csd).find("-Memory Capacity:4096MB\n"), std::string::npos) << Csd(csd);
    csd[5] = 0x0F; // the largest: 64 GB
    EXPECT_NE(Csd(csd).find("-Memory Capacity:65536MB\n"), std::string::npos) << Csd(csd);
}

TEST(SdCardText, Version2SmallSizeHasNoCapacityLine)
{
    Bytes csd(16, 0);
    csd[0] = 0x40;
    csd[9] = 1;
    EXPECT_EQ(Csd(csd).find("Capacity"), std::string::npos);
    csd[7] = 0xFF; // only the low 6 bits of byte 7 count
    csd[8] = 0xFF;
    csd[9] = 0xFF;
    EXPECT_NE(Csd(csd).find("-Memory Capacity:2097151MB\n"), std::string::npos) << Csd(csd);
}

TEST(SdCardText, CidLines)
{
    const Bytes cid = {0x1B, 0x41, 0x42, 'S', 'M', 'I', '0', '2', 0x10, 0xDE, 0xAD, 0xBE, 0xEF, 0xF9, 0x05, 0x00};
    EXPECT_EQ(sdcard::CidText(cid.data()),
        "-Manufacturer ID:1Bh\n"
        "-OEM/Application ID:4241h\n"
        "-Product Name:SMI02\n"
        "-Product Revision:10h\n"
        "-Serial No.:DEADBEEFh\n"
        "-Date Code:905h\n");
}

TEST(SdCardText, ProductNameBytesNeverCutTheText)
{
    Bytes cid(16, 0);
    cid[4] = 'A';
    cid[5] = 0xE9;
    const std::string text = sdcard::CidText(cid.data());
    EXPECT_NE(text.find("-Product Name:.A\xC3\xA9..\n-Product Revision:00h\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-Date Code:000h\n"), std::string::npos);
}

TEST(SdCardText, FileSystemNames)
{
    EXPECT_EQ(sdcard::FileSystemText(1), "FAT16");
    EXPECT_EQ(sdcard::FileSystemText(2), "FAT32");
    EXPECT_EQ(sdcard::FileSystemText(0), "NA");
    EXPECT_EQ(sdcard::FileSystemText(3), "NA");
}
