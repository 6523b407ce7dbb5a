// The snapshot dialog: its start states, which layers make the picture, the proposed and
// chosen file names, the overwrite question and the two file formats.
#include "windows/form_snap.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

#include "engine/velmor_system_data.h"
#include "graphics/sprite.h"
#include "platform/bitmap.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/picture_writer.h"
#include "platform/sjis.h"
#include "platform/test_message_responder.h"
#include "resources/application.h"
#include "resources/sjis_text.h"
#include "tests/support/temp_folder.h"

namespace {

std::unique_ptr<TSprite> Layer(int w, int h, uint32_t colour, int x, int y, bool visible) {
    auto layer = std::make_unique<TSprite>(7, false, nullptr, nullptr, nullptr);
    layer->CreateBlank(w, h, colour);
    layer->SetBasePoint(7, x, y);
    layer->SetVisible(visible);
    return layer;
}

class FormSnapTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MessageBox::SetCurrent(&m_Boxes);
        m_Data.Product = SJ("灯台");
        m_Data.Count = 2;
        m_Snap.SetSystemData(&m_Data);
    }
    void TearDown() override { platform::MessageBox::SetCurrent(nullptr); }
    void Layers(bool faceVisible, bool miniVisible) {
        m_Back = Layer(64, 48, 0x0000FF, 0, 0, true);
        m_Face = Layer(16, 16, 0x00FF00, 8, 8, faceVisible);
        m_Mini = Layer(8, 8, 0xFF0000, 40, 30, miniVisible);
        m_Snap.SetLayers(m_Back.get(), m_Face.get(), {m_Mini.get(), nullptr});
        m_Snap.Prepare();
    }
    uint32_t At(int x, int y) const { return m_Snap.WorkBitmap().Pixel(x, y) & 0xFFFFFF; }
    // Saves with the given chosen name; the dialog's texts of the boxes shown.
    void SaveAs(const std::string& chosen, bool jpeg) {
        m_Snap.SetFileQuestion([&](const std::string& filter, std::string& name) {
            m_Filter = platform::SjisToUtf8(filter);
            m_Proposed = platform::SjisToUtf8(name);
            name = platform::FileSystem::FromHostPath(m_Dir.Str() + chosen);
            return true;
        });
        jpeg ? m_Snap.m_BtnJpeg->click() : m_Snap.m_BtnBitmap->click();
    }

    TempFolder m_Dir;
    platform::TestMessageResponder m_Boxes;
    TVelmorSystemData m_Data;
    TyxApplication m_App{m_Boxes};
    TFormSnap m_Snap{nullptr, nullptr, m_App};
    std::unique_ptr<TSprite> m_Back, m_Face, m_Mini;
    std::string m_Filter, m_Proposed;
};

TEST_F(FormSnapTest, StartsAsTheDialogIsDescribedAndTheSliderShowsItsValue) {
    EXPECT_EQ(m_Snap.windowTitle(), QString::fromUtf8("スナップショット"));
    EXPECT_EQ(m_Snap.size(), QSize(422, 173));
    EXPECT_TRUE(m_Snap.m_CBImgFace->isChecked());
    EXPECT_FALSE(m_Snap.m_CBImgFace->isEnabled());
    EXPECT_FALSE(m_Snap.m_CBImgMini->isChecked());
    EXPECT_FALSE(m_Snap.m_CBImgMini->isEnabled());
    EXPECT_EQ(m_Snap.m_LJpegQ->text(), "100");
    EXPECT_EQ(m_Snap.m_TBQuality->maximum(), 100);
    EXPECT_EQ(m_Snap.m_TBQuality->singleStep(), 5);
    EXPECT_EQ(m_Snap.m_TBQuality->pageStep(), 10);
    EXPECT_EQ(m_Snap.m_BtnBitmap->text(), QString::fromUtf8("24ビットBitmap形式で画面を保存(&P)"));
    m_Snap.m_TBQuality->setValue(35);
    EXPECT_EQ(m_Snap.m_LJpegQ->text(), "35");
}

TEST_F(FormSnapTest, AnInvisibleFaceKeepsItsBoxDisabledAndTheSmallFacesFollowTheirBox) {
    Layers(false, true);
    EXPECT_FALSE(m_Snap.m_CBImgFace->isEnabled());
    EXPECT_TRUE(m_Snap.m_CBImgFace->isChecked());
    EXPECT_TRUE(m_Snap.m_CBImgMini->isEnabled());
    EXPECT_EQ(At(10, 10), 0x0000FFu);  // no face
    EXPECT_EQ(At(42, 32), 0x0000FFu);  // small faces start unchecked
    // Clicking the label works the box.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_Snap.m_LabelImgMini, &release);
    EXPECT_TRUE(m_Snap.m_CBImgMini->isChecked());
    EXPECT_EQ(At(42, 32), 0xFF0000u);
    // Unchecked again: redrawn from the background, the small face is gone.
    m_Snap.m_CBImgMini->click();
    EXPECT_EQ(At(42, 32), 0x0000FFu);
    EXPECT_FALSE(m_Snap.m_ImgScreen->pixmap().isNull());

    // A visible face is drawn, and its box takes it away.
    Layers(true, false);
    EXPECT_TRUE(m_Snap.m_CBImgFace->isEnabled());
    EXPECT_EQ(At(10, 10), 0x00FF00u);
    m_Snap.m_CBImgFace->click();
    EXPECT_EQ(At(10, 10), 0x0000FFu);
}

TEST_F(FormSnapTest, NamesLoseWhatFileNamesCannotHoldAndGetTheirFormatsExtension) {
    EXPECT_EQ(TFormSnap::ProposedName("a\"b*c", "2026/12/09", "19:05:07", ".jpg"),
              "abc2026120919"
              "0507.jpg");
    EXPECT_EQ(TFormSnap::ProposedName("<x>?y|z\\", "09.12.26", "7:05:07 PM", ".bmp"),
              "xyz09.12.2670507 PM.bmp");
    // The second byte of a double-byte character is no backslash.
    EXPECT_EQ(TFormSnap::ProposedName(SJ("表示"), "", "", ".jpg"), SJ("表示") + ".jpg");
    struct Case {
        const char* chosen;
        bool jpeg;
        const char* used;
    } const cases[] = {
        {"shot.JPEG", true, "shot.JPEG"},   {"shot.jpe", true, "shot.jpe"},
        {"shot.png", true, "shot.png.jpg"}, {"shot", true, "shot.jpg"},
        {"shot.BMP", false, "shot.BMP"},    {"shot.jpg", false, "shot.jpg.bmp"},
    };
    for (const Case& c : cases) EXPECT_EQ(TFormSnap::WithExtension(c.chosen, c.jpeg), c.used);
}

TEST_F(FormSnapTest, SavesJpegAtQualityOneForZeroAskBeforeOverwritingAndBitmapsIn24Bits) {
    Layers(true, true);
    m_Snap.m_TBQuality->setValue(0);
    SaveAs("shot.png", true);
    EXPECT_EQ(m_Filter, "JPEGイメージ(*.jpg)|*.jpg;*.jpeg;*.jpe|すべてのファイル|*.*");
    EXPECT_NE(m_Proposed.rfind("灯台", 0), std::string::npos) << m_Proposed;
    EXPECT_EQ(m_Proposed.find_first_of("/:"), std::string::npos) << m_Proposed;
    EXPECT_EQ(m_Proposed.substr(m_Proposed.size() - 4), ".jpg");
    std::vector<uint8_t> written, expected;
    ASSERT_TRUE(platform::FileSystem::ReadFile(
        platform::FileSystem::FromHostPath(m_Dir.Str() + "shot.png.jpg"), written));
    ASSERT_TRUE(platform::PictureWriter::EncodeJpeg(m_Snap.WorkBitmap(), 1, expected));
    EXPECT_EQ(written, expected);
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[0].text),
              m_Dir.Str() + "shot.png.jpg に保存しました");

    // The same name again: the player is asked, and Cancel keeps the old file.
    m_Boxes.PushAnswer(platform::MessageAnswer::Cancel);
    m_Snap.m_TBQuality->setValue(90);
    SaveAs("shot.png.jpg", true);
    ASSERT_EQ(m_Boxes.Records().size(), 2u);
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[1].caption), "上書き確認");
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[1].text),
              m_Dir.Str() + "shot.png.jpg は存在します\n上書きしてもよろしいですか");
    std::vector<uint8_t> after;
    platform::FileSystem::ReadFile(platform::FileSystem::FromHostPath(m_Dir.Str() + "shot.png.jpg"),
                                   after);
    EXPECT_EQ(after, written);

    SaveAs("shot", false);
    std::vector<uint8_t> bmp;
    ASSERT_TRUE(platform::FileSystem::ReadFile(
        platform::FileSystem::FromHostPath(m_Dir.Str() + "shot.bmp"), bmp));
    platform::Bitmap back;
    ASSERT_TRUE(back.LoadFromBmp(bmp.data(), bmp.size()));
    EXPECT_EQ(bmp[28], 24);  // bits per pixel
    EXPECT_EQ(back.Width(), 64);
    EXPECT_EQ(back.Pixel(10, 10) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(back.Pixel(63, 47) & 0xFFFFFF, 0x0000FFu);
}

}  // namespace
