#include "video/AviLayout.h"

#include "AviTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using namespace tavrik::test;

// Headers and an index with nothing between them: the smallest whole file.
std::vector<std::uint8_t> EmptyFile(std::span<const AviStreamHeaders> streams)
{
    std::vector<std::uint8_t> file = EncodeAviHeaders(streams, 0, 0);
    const std::vector<std::uint8_t> index = EncodeAviIndex({});
    file.insert(file.end(), index.begin(), index.end());
    return file;
}

TEST(AviLayoutTest, MainHeaderComesFromTheVideoStreamAndAllStreams)
{
    AviStreamHeaders audio{{.type = kStreamTypeAudio, .scale = 4, .rate = 4 * 44100, .length = 100,
                            .suggestedBufferSize = 4000, .sampleSize = 4, .frame = {}},
                           std::vector<std::uint8_t>(20)};
    AviStreamHeaders video{{.type = kStreamTypeVideo, .scale = 1001, .rate = 30000, .length = 7,
                            .suggestedBufferSize = 6000, .frame = {0, 0, 40, 50}},
                           std::vector<std::uint8_t>(40)};
    const std::vector<AviStreamHeaders> streams{audio, video};
    const std::vector<std::uint8_t> file = EmptyFile(streams);
    const std::span<const std::uint8_t> main = WalkRiff(file).Only("hdrl").Only("avih").data;
    EXPECT_EQ(U32At(main, 0), 33367u);              // 10^6 x 1001 / 30000, rounded
    EXPECT_EQ(U32At(main, 4), 176400u + 179821u);   // audio bytes + 6000 x 30000 / 1001, rounded up
    EXPECT_EQ(U32At(main, 16), 7u);
    EXPECT_EQ(U32At(main, 24), 2u);
    EXPECT_EQ(U32At(main, 28), 6000u);
    EXPECT_EQ(U32At(main, 32), 40u);
    EXPECT_EQ(U32At(main, 36), 50u);
}

TEST(AviLayoutTest, LargestFormatThatFitsStillLeavesRoomForPadding)
{
    // One stream's headers take 172 bytes besides its format, the padding
    // chunk at least 8: a format of 1868 bytes is the largest that fits.
    std::vector<AviStreamHeaders> streams{{{.type = kStreamTypeVideo, .scale = 1, .rate = 1, .frame = {}},
                                           std::vector<std::uint8_t>(1868)}};
    ASSERT_TRUE(AviHeadersFit(streams));
    const RiffChunk riff = WalkRiff(EmptyFile(streams));
    EXPECT_EQ(riff.Only("JUNK").data.size(), 0u);
    EXPECT_EQ(riff.Only("hdrl").Only("strl").Only("strf").data.size(), 1868u);

    streams[0].format.resize(1869);
    EXPECT_FALSE(AviHeadersFit(streams));
}

} // namespace
} // namespace tavrik
