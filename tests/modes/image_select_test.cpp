#include "modes/image_select.h"

#include "mode_fixture.h"
#include "resources/engine_error.h"

namespace {

constexpr uint32_t kBack = 0x101010, kNormal = 0x0000FF, kPressed = 0x00FF00, kLit = 0xFF0000,
                   kOther = 0x00FFFF;

class ImageSelectTest : public ModeFixture {
protected:
    ImageSelectTest() {
        Picture("back.png", kW, kH, kBack);
        Picture("n.png", 40, 20, kNormal);
        Picture("p.png", 40, 20, kPressed);
        Picture("l.png", 40, 20, kLit);
        Picture("o.png", 40, 20, kOther);
    }
    // Three buttons: all three pictures; only a normal one (overlapping the first); no normal.
    std::string Menu(const std::string& extra = "") {
        const std::string d = folder.Str();
        return Description("menu.txt", "<ImageSelector>\nCount=3\nBackImage=" + d +
                                           "back.png\n" + extra + "</ImageSelector>\n<Graphics>\n" +
                                           d + "n.png," + d + "p.png," + d + "l.png\n" + d +
                                           "o.png\n," + d + "p.png," + d + "l.png\n</Graphics>\n" +
                                           "<Position>\n10,10\n30,20\n100,100\n</Position>\n"
                                           "<Paragraph>\n#one\n#two\n#three\n</Paragraph>\n");
    }
    std::unique_ptr<TImageSelect> Open(const std::string& file) {
        return std::make_unique<TImageSelect>(file, surface, screen, 7, nullptr);
    }
    std::string ErrorOf(const std::string& utf8) {
        const std::string file = Description("bad.txt", utf8);
        try {
            Open(file);
        } catch (const EEngineError& e) {
            std::string text = Utf8(e.Text());
            const std::string prefix = "ImageSelector設定ファイル " + file + " ";
            if (text.rfind(prefix, 0) == 0) text = text.substr(prefix.size());
            return text;
        }
        return "opened";
    }
};

TEST_F(ImageSelectTest, DescriptionErrorsComeInTheirOrder) {
    const std::string d = folder.Str();
    const std::string back = "BackImage=" + d + "back.png\n";
    const std::string graphics = "<Graphics>\n" + d + "n.png\n</Graphics>\n";
    const std::string position = "<Position>\n1,2\n</Position>\n";
    const std::string paragraph = "<Paragraph>\n#a\n</Paragraph>\n";
    struct Case {
        std::string text, error;
    } cases[] = {
        {"", "のCount値が不正です"},
        {"<ImageSelector>\nCount=0\n</ImageSelector>\n", "のCount値が不正です"},
        {"<ImageSelector>\nCount=-3\nBackImage=\n</ImageSelector>\n", "のCount値が不正です"},
        {"<ImageSelector>\nCount=1\n</ImageSelector>\n" + graphics + position + paragraph,
         "のBackImageが空です"},
        {"<ImageSelector>\nCount=1\nBackImage=" + d + "none.png\n</ImageSelector>\n",
         "のGraphicsを読めません"},
        {"<ImageSelector>\nCount=100000\n" + back + "</ImageSelector>\n" + graphics + position +
             paragraph,
         "のGraphicsを読めません"},
        {"<ImageSelector>\nCount=1\n" + back + "</ImageSelector>\n" + graphics + paragraph,
         "のPositionを読めません"},
        {"<ImageSelector>\nCount=1\n" + back + "</ImageSelector>\n" + graphics +
             "<Position>\n12\n</Position>\n" + paragraph,
         "のPosition0行目で読み込みエラー"},
        {"<ImageSelector>\nCount=2\n" + back + "</ImageSelector>\n<Graphics>\n,\n,\n</Graphics>\n" +
             position + paragraph,
         "のPosition1行目で読み込みエラー"},
        {"<ImageSelector>\nCount=1\n" + back + "</ImageSelector>\n" + graphics +
             "<Position>\nx,2\n</Position>\n" + paragraph,
         "のPosition0行目で読み込みエラー"},
        {"<ImageSelector>\nCount=1\n" + back + "</ImageSelector>\n" + graphics + position,
         "のParagraphを読めません"},
        {"<ImageSelector>\nCount=1\nBackImage=" + d + "none.png\n</ImageSelector>\n" + graphics +
             position + paragraph,
         d + "none.pngが読み込めません"},
        {"<ImageSelector>\nCount=1\n" + back + "</ImageSelector>\n<Graphics>\n" + d +
             "n.png," + d + "gone.png\n</Graphics>\n" + position + paragraph,
         d + "gone.pngが読み込めません"},
        {"<ImageSelector>\nCount=1\nBackImage=" + d + "bad.txt\n</ImageSelector>\n" + graphics +
             position + paragraph,
         d + "bad.txtが読み込めません"},
        {"<ImageSelector>\nCount=1\n" + back + "</ImageSelector>\n" + graphics +
             "<Position>\n-2147483648,2147483647\n</Position>\n" + paragraph,
         "opened"},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;

    try {
        Open(Path("absent.txt"));
        ADD_FAILURE();
    } catch (const EEngineError& e) {
        EXPECT_EQ(Utf8(e.Text()), "ImageSelector設定ファイル " + Path("absent.txt") +
                                      " が見つかりません");
    }
}

TEST_F(ImageSelectTest, ButtonsTakeTheirPicturesAreasAndParagraphs) {
    auto menu = Open(Menu());
    ASSERT_EQ(menu->Count(), 3);
    EXPECT_EQ(menu->Button(0).area, (TRect{10, 10, 50, 30}));
    EXPECT_TRUE(menu->Button(0).pressed && menu->Button(0).lit);
    EXPECT_FALSE(menu->Button(1).pressed || menu->Button(1).lit);
    EXPECT_EQ(menu->Button(2).area, (TRect{100, 100, 100, 100}));
    EXPECT_FALSE(menu->Button(2).normal);
    EXPECT_EQ(menu->Paragraph(2), "#three");

    menu->Draw();
    EXPECT_EQ(Shown(0, 0), kBack);
    EXPECT_EQ(Shown(11, 11), kNormal);
    EXPECT_EQ(Shown(31, 21), kOther);  // the later button lies over the earlier
    EXPECT_EQ(Shown(101, 101), kBack);  // no normal picture: nothing drawn
}

TEST_F(ImageSelectTest, SoundsAreSharedOrPerButton) {
    auto perButton = Open(
        Menu("ClickSound=click.wav\nClickSoundIndex=0\n</ImageSelector>\n"
             "<SoundOnMouse>\nhover0.wav\nhover1.wav\n</SoundOnMouse>\n<ImageSelector>\n"));
    std::string name;
    EXPECT_TRUE(perButton->OnMouseSoundFor(0, name) && name == "hover0.wav");
    EXPECT_TRUE(perButton->OnMouseSoundFor(1, name) && name == "hover1.wav");
    EXPECT_FALSE(perButton->OnMouseSoundFor(2, name));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(perButton->ClickSoundFor(i, name) && name == "click.wav");
    EXPECT_EQ(perButton->ClickChannel(), 0);
    EXPECT_EQ(perButton->OnMouseChannel(), 2);

    // A shared sound wins over the section; without either there is none.
    auto shared = Open(Menu("OnMouseSound=all.wav\n</ImageSelector>\n<SoundOnMouse>\nx.wav\n"
                            "</SoundOnMouse>\n<ImageSelector>\n"));
    EXPECT_TRUE(shared->OnMouseSoundFor(0, name) && name == "all.wav");
    EXPECT_TRUE(shared->OnMouseSoundFor(2, name) && name == "all.wav");
    EXPECT_FALSE(shared->ClickSoundFor(0, name));
}

TEST_F(ImageSelectTest, KeysMoveTheSelectionAndConfirmIt) {
    auto menu = Open(Menu());
    using A = TImageSelect;
    struct Step {
        A::TAction action;
        int x, y;
        int selection;
        bool keyboard;
        int chosen;
    } steps[] = {
        {A::kConfirm, -1, -1, -1, false, -1},  // a key confirm before any selection
        {A::kPrevious, -1, -1, 0, true, -1},   // Previous with nothing selected
        {A::kPrevious, -1, -1, 0, true, -1},
        {A::kNext, -1, -1, 1, true, -1},
        {A::kNext, -1, -1, 2, true, -1},
        {A::kNext, -1, -1, 2, true, -1},  // Next at the end
        {A::kFirst, -1, -1, 0, true, -1},
        {A::kLast, -1, -1, 2, true, -1},
        {A::kOther, -1, -1, 2, true, -1},
        // The button without a normal picture is chosen by keyboard, wherever the pointer is.
        {A::kConfirm, 11, 11, 2, true, 2},
    };
    int selection = -1;
    bool keyboard = false;
    for (const Step& s : steps) {
        EXPECT_EQ(menu->Input(s.action, s.x, s.y, selection, keyboard), s.chosen);
        EXPECT_EQ(selection, s.selection);
        EXPECT_EQ(keyboard, s.keyboard);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(menu->Button(i).state,
                      i != selection ? 0 : s.chosen == i ? 1 : 2);
    }
    EXPECT_EQ(Shown(101, 101), kPressed);

    selection = 0;
    keyboard = true;
    menu->Input(A::kFirst, -1, -1, selection, keyboard);
    EXPECT_EQ(Shown(11, 11), kLit);
    EXPECT_EQ(menu->Input(A::kConfirm, 200, 200, selection, keyboard), 0);
    EXPECT_EQ(Shown(11, 11), kPressed);
}

TEST_F(ImageSelectTest, PointerLightsButtonsAndClicksChooseTheLastUnderIt) {
    auto menu = Open(Menu());
    int selection = -1;
    bool keyboard = false;
    EXPECT_EQ(menu->PointerMove(12, 12), 0);
    EXPECT_EQ(Shown(12, 12), kLit);
    EXPECT_EQ(menu->PointerMove(13, 12), -1);  // moving within the lit button: no new sound
    EXPECT_EQ(menu->PointerMove(35, 25), 1);  // both lit; the last newly lit sounds
    EXPECT_EQ(menu->Button(0).state, 2);
    // A lit button with only a normal picture shows that picture.
    EXPECT_EQ(Shown(45, 35), kOther);
    EXPECT_EQ(menu->PointerMove(101, 101), -1);  // no area without a normal picture
    EXPECT_EQ(menu->Button(0).state + menu->Button(1).state, 0);
    EXPECT_EQ(selection, -1);

    EXPECT_EQ(menu->Input(TImageSelect::kConfirm, 35, 25, selection, keyboard), 1);
    EXPECT_EQ(menu->Input(TImageSelect::kConfirm, 12, 12, selection, keyboard), 0);
    EXPECT_EQ(menu->Input(TImageSelect::kConfirm, 50, 12, selection, keyboard), -1);  // right edge
    EXPECT_EQ(menu->Input(TImageSelect::kConfirm, 101, 101, selection, keyboard), -1);
    EXPECT_FALSE(keyboard);
}

}  // namespace
