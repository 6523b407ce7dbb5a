// Button pictures by name from the resource library.
#include "graphics/image_list.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"

TEST(ImageList, AddsFromTheLibraryAndRaisesForMissingPictures) {
    TyxDllRes res(platform::FileSystem::FromHostPath(VELMOR_BINARY_DIR "/bin/VELMORRC.DLL"), true);
    TyxImageList list(&res);
    EXPECT_EQ(list.Add("IDB_IMAGEBUTTON_OK0"), 0);
    EXPECT_EQ(list.Add("IDB_IMAGEBUTTON_CANCEL0"), 1);
    platform::Bitmap ok, direct;
    list.GetBitmap(0, ok);
    ASSERT_TRUE(res.LoadBitmap(direct, "IDB_IMAGEBUTTON_OK0"));
    ASSERT_EQ(ok.Width(), direct.Width());
    EXPECT_EQ(ok.Pixel(ok.Width() / 2, ok.Height() / 2),
              direct.Pixel(ok.Width() / 2, ok.Height() / 2));

    platform::Bitmap untouched;
    list.GetBitmap(7, untouched);
    EXPECT_TRUE(untouched.Empty());
    EXPECT_THROW(list.Add("IDB_NOSUCHPICTURE"), EEngineError);
    EXPECT_EQ(list.Count(), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);

    TyxImageList without(nullptr);
    EXPECT_THROW(without.Add("IDB_IMAGEBUTTON_OK0"), EEngineError);
}
