#include "base/Checksum.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

// "123456789" is the check input of every CRC-32 catalogue; its sum is
// 0xcbf43926. Summing in two pieces must give the sum of the whole.
TEST(Checksum, Crc32OfTheCheckInputWholeAndInPieces)
{
    EXPECT_EQ(Crc32Text(Crc32(std::string_view("123456789"))), "cbf43926");
    EXPECT_EQ(Crc32(std::string_view("56789"), Crc32(std::string_view("1234"))), 0xcbf43926u);
    EXPECT_EQ(Crc32Text(Crc32(std::string_view())), "00000000");
}

} // namespace
} // namespace tavrik
