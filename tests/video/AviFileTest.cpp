#include "video/AviFile.h"

#include "AviTestSupport.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

using namespace tavrik::test;

class AviFileTest : public ::testing::Test {
protected:
    std::unique_ptr<AviFile> Create(std::uint64_t maxFileBytes = kMaxAviFileBytes)
    {
        AviResult result = AVIERR_ERROR;
        std::unique_ptr<AviFile> file = AviFile::Create(path_, maxFileBytes, result);
        EXPECT_EQ(result, AVIERR_OK);
        return file;
    }

    const AviStreamInfo audio_{.type = kStreamTypeAudio, .scale = 1, .rate = 8000, .sampleSize = 1, .frame = {}};
    std::string path_ = (test::ScratchFolder()
                         / "file.avi")
                            .string();
};

TEST_F(AviFileTest, StreamsThatCannotBeDescribedAreRefused)
{
    std::unique_ptr<AviFile> file = Create();
    AviStream stream;
    EXPECT_EQ(file->CreateStream({.type = kStreamTypeVideo, .scale = 0, .rate = 1000, .frame = {}}, stream), AVIERR_BADPARAM);
    EXPECT_EQ(file->CreateStream({.type = kStreamTypeVideo, .scale = 500, .rate = 0, .frame = {}}, stream), AVIERR_BADPARAM);
    ASSERT_EQ(file->CreateStream(audio_, stream), AVIERR_OK);
    EXPECT_EQ(file->SetFormat(stream, std::vector<std::uint8_t>(4000)), AVIERR_BADSIZE);
    EXPECT_TRUE(file->Format(stream).empty());
    EXPECT_EQ(file->Close(), AVIERR_OK);
    EXPECT_EQ(WalkRiff(ReadBytes(path_)).Only("hdrl").All("strl").size(), 1u);
}

TEST_F(AviFileTest, SizeLimitCountsPaddingAndIndexEntry)
{
    // A 3-byte chunk takes 8 + 3 + 1 bytes and 16 of index: 2068 + 28.
    const std::vector<std::uint8_t> samples{1, 2, 3};
    for (const std::uint64_t limit : {2068u + 28u, 2068u + 27u}) {
        std::unique_ptr<AviFile> file = Create(limit);
        AviStream stream;
        ASSERT_EQ(file->CreateStream(audio_, stream), AVIERR_OK);
        const AviResult result = file->Write(stream, 0, 3, samples, 0);
        EXPECT_EQ(result, limit == 2068u + 28u ? AVIERR_OK : AVIERR_ERROR) << "limit " << limit;
        EXPECT_EQ(file->Info(stream).length, result == AVIERR_OK ? 3u : 0u);
        EXPECT_EQ(file->Close(), AVIERR_OK);
        EXPECT_LE(ReadBytes(path_).size(), limit);
    }
}

} // namespace
} // namespace tavrik
