#include "platform/ffmpeg_library.h"

#include <gtest/gtest.h>

#include "platform/audio_file_decoder.h"
#include "platform/video_decoder.h"

namespace {

TEST(FfmpegLibraryTest, OpensOnceWithEveryFunctionAndDecodersRefuseWhatIsNotThere) {
    const platform::FfmpegLibrary* ff = platform::FfmpegLibrary::Get();
    ASSERT_NE(ff, nullptr);
#define VELMOR_EXPECT_FOUND(name) EXPECT_NE(ff->name, nullptr) << #name;
    VELMOR_FFMPEG_FUNCTIONS(VELMOR_EXPECT_FOUND)
#undef VELMOR_EXPECT_FOUND
    EXPECT_EQ(platform::FfmpegLibrary::Get(), ff);

    platform::VideoDecoder video;
    EXPECT_FALSE(video.Open("/no/such/folder/opening.avi"));
    EXPECT_FALSE(video.IsOpen());
    platform::AudioFileDecoder track;
    EXPECT_FALSE(track.Open("/no/such/folder/Track02.ogg"));
    int16_t out[4];
    EXPECT_EQ(track.Read(out, 2), -1);
}

}  // namespace
