// The picture gallery on solid-colour pictures: paging and its buttons, which cell a click
// opens, how seen, unseen, unthumbnailed and unloadable entries are drawn, the built-in
// fallbacks, the construction error and description files no game should have.
#include "modes/cg_mode.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "gallery_fixture.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"

namespace {
using P = TGalleryDescription;

constexpr uint32_t kBack = 0x203040, kNever = 0x808080;
constexpr uint32_t kExit0 = 0x0000A0, kExit1 = 0x0000F0, kPrev0 = 0x00A000, kPrev1 = 0x00F000,
                   kNext0 = 0xA00000, kNext1 = 0xF00000;

uint32_t Thumb(int k) {
    return 0x100000u * (k + 1) + 0x11;
}
uint32_t Full(int k) {
    return 0x1000u * (k + 1) + 0x22;
}

class CGModeTest : public ::testing::Test, public GalleryFixture {
protected:
    // Named background, placeholder and buttons; entries lines as given.
    std::string File(const std::string& grid, const std::string& entries,
                     const std::string& images = "") {
        std::string text = "<CGMode>\n" + grid + "</CGMode>\n<Image>\n";
        if (images.empty()) {
            text += "Background=" + Picture("bg.png", 640, 480, kBack) + "\n";
            text += "NeverSeen=" + Picture("ns.png", 160, 120, kNever) + "\n";
            const std::pair<const char*, uint32_t> buttons[] = {
                {"ExitButton", kExit0}, {"ExitButtonPressed", kExit1},
                {"PrevButton", kPrev0}, {"PrevButtonPressed", kPrev1},
                {"NextButton", kNext0}, {"NextButtonPressed", kNext1}};
            for (auto& [key, colour] : buttons)
                text += std::string(key) + "=" +
                        Picture(std::string(key) + ".png", 80, 40, colour) + "\n";
        } else {
            text += images;
        }
        text += "</Image>\n<ImageList>\n" + entries + "</ImageList>\n";
        return Description("cg.ini", text);
    }
    // n entries with a full picture and a thumbnail each.
    std::string Entries(int n) {
        std::string lines;
        for (int k = 0; k < n; ++k)
            lines += Picture("pic" + std::to_string(k) + ".png", 640, 480, Full(k)) + "," +
                     Picture("th" + std::to_string(k) + ".png", 160, 120, Thumb(k)) + "\n";
        return lines;
    }
    std::unique_ptr<TCGMode> Make(const std::string& file) {
        return std::make_unique<TCGMode>(file, seen, screen, Services());
    }
    void SeeAll(const TCGMode& mode) { seen = mode.Images(); }
    TStringList seen;
};

TEST_F(CGModeTest, TenEntriesAtThreeByThreeMakeTwoPagesWithTheRightButtons) {
    auto mode = Make(File("", Entries(10)));
    SeeAll(*mode);
    mode->Enter();
    EXPECT_EQ(mode->PerPage(), 9);
    EXPECT_EQ(mode->LastPage(), 1);
    mode->Redraw();
    // Cells at 60 + c*180, 20 + r*130; buttons at the default positions.
    EXPECT_EQ(At(60, 20), Thumb(0));
    EXPECT_EQ(At(60 + 2 * 180 + 159, 20 + 2 * 130 + 119), Thumb(8));
    EXPECT_EQ(At(220, 20), kBack);  // the gap
    EXPECT_EQ(At(545, 425), kNext0);
    EXPECT_EQ(At(425, 425), kBack);  // no previous page
    EXPECT_EQ(At(65, 425), kExit0);

    // The pressed picture is presented before the page turns.
    const int before = surface.presents;
    mode->Click(540, 420);
    ASSERT_EQ(surface.presents, before + 2);
    EXPECT_EQ(mode->Page(), 1);
    EXPECT_EQ(At(60, 20), Thumb(9));
    EXPECT_EQ(At(240, 20), kBack);  // one cell only
    EXPECT_EQ(At(545, 425), kBack);
    EXPECT_EQ(At(425, 425), kPrev0);
    EXPECT_EQ(surface.last.Pixel(60, 20) & 0xFFFFFF, Thumb(9));

    mode->Click(540, 420);  // the hidden next button does nothing
    EXPECT_EQ(mode->Page(), 1);
    mode->Click(500, 420);  // right edge excluded
    EXPECT_EQ(mode->Page(), 1);
    mode->Click(499, 459);  // last pixel of the previous button
    EXPECT_EQ(mode->Page(), 0);
}

TEST_F(CGModeTest, ClickOpensTheEntryUnderItAndTheNextClickReturns) {
    auto mode = Make(File("ImageCount=4,2\n", Entries(10)));
    SeeAll(*mode);
    mode->Enter();
    mode->Redraw();
    EXPECT_EQ(mode->LastPage(), 1);
    mode->Click(60 + 5, 20 + 130 + 5);  // row 1, column 0
    ASSERT_TRUE(mode->Viewing());
    EXPECT_EQ(At(0, 0), Full(4));
    EXPECT_EQ(At(639, 479), Full(4));
    EXPECT_EQ(screen.Width(), 640);
    mode->Click(545, 425);  // anywhere, even on a button: back to the same page
    EXPECT_FALSE(mode->Viewing());
    EXPECT_EQ(mode->Page(), 0);
    EXPECT_EQ(At(60, 20), Thumb(0));
    mode->Click(59, 20);  // left of every cell
    EXPECT_FALSE(mode->Viewing());
}

TEST_F(CGModeTest, CellsShowWhatTheirEntryAllows) {
    const std::string big = Picture("big.png", 320, 240, 0x445566);
    const std::string lines = big + "\n" +                                         // no thumbnail
                              Picture("u.png", 640, 480, 0x111111) + ",x.png\n" +  // unseen
                              folder.Str() + "gone.png\n" +                        // fails to load
                              Picture("lc.png", 640, 480, 0x777777) + ",\n";
    auto mode = Make(File("", lines));
    TStringList images = mode->Images();
    seen = {images[0], images[2], ""};
    // Only letter case differs.
    for (char& c : images[3]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    seen.push_back(images[3]);
    mode->Enter();
    mode->Redraw();
    EXPECT_TRUE(mode->Seen(0));
    EXPECT_FALSE(mode->Seen(1));
    EXPECT_TRUE(mode->Seen(3));
    EXPECT_EQ(At(60, 20), 0x445566u);  // scaled into the cell
    EXPECT_EQ(At(219, 139), 0x445566u);
    EXPECT_EQ(At(220, 139), kBack);
    EXPECT_EQ(At(240, 20), kNever);
    EXPECT_EQ(At(420 + 80, 20), kBack);  // unloadable: empty cell
    EXPECT_EQ(At(60, 150), 0x777777u);   // seen by another letter case; empty thumbnail item

    const int presents = surface.presents;
    mode->Click(250, 30);  // unseen
    mode->Click(430, 30);  // seen but unloadable
    EXPECT_FALSE(mode->Viewing());
    EXPECT_EQ(surface.presents, presents);
    mode->Click(70, 30);
    EXPECT_TRUE(mode->Viewing());
    EXPECT_EQ(At(0, 0), 0x445566u);
}

TEST_F(CGModeTest, ABlankLineIsAnEntryThatKeepsItsCellWithThePlaceholder) {
    // Blank lines after the first entry and at the end of the list: eleven entries.
    const std::string lines = Entries(9);
    const size_t firstEnd = lines.find('\n') + 1;
    auto mode = Make(File("", lines.substr(0, firstEnd) + "\n" + lines.substr(firstEnd) + "\n"));
    ASSERT_EQ(mode->EntryCount(), 11u);
    EXPECT_EQ(mode->Images()[1], "");
    EXPECT_EQ(mode->Thumbnails()[1], "");
    SeeAll(*mode);  // the seen list holds the empty names too
    mode->Enter();
    mode->Redraw();
    EXPECT_EQ(mode->LastPage(), 1);
    EXPECT_FALSE(mode->Seen(1));
    EXPECT_FALSE(mode->Seen(10));
    EXPECT_EQ(At(60, 20), Thumb(0));
    EXPECT_EQ(At(240, 20), kNever);  // the blank line's cell
    EXPECT_EQ(At(420, 20), Thumb(1));
    const int presents = surface.presents;
    mode->Click(250, 30);
    EXPECT_FALSE(mode->Viewing());
    EXPECT_EQ(surface.presents, presents);
    mode->Click(430, 30);
    ASSERT_TRUE(mode->Viewing());
    EXPECT_EQ(At(0, 0), Full(1));
    mode->Click(0, 0);
    mode->Click(540, 420);
    EXPECT_EQ(At(60, 20), Thumb(8));
    EXPECT_EQ(At(240, 20), kNever);  // the last line, blank
}

TEST_F(CGModeTest, AnEmptyListHasOnePageWhereOnlyExitReacts) {
    auto mode = Make(File("", ""));
    int left = 0;
    mode->OnLeave = [&] { ++left; };
    mode->Enter();
    mode->Redraw();
    EXPECT_EQ(mode->EntryCount(), 0u);
    EXPECT_EQ(mode->LastPage(), 0);
    for (auto [x, y] : {std::pair{425, 425}, {545, 425}, {65, 25}, {-1, -1}}) mode->Click(x, y);
    EXPECT_EQ(surface.presents, 0);
    EXPECT_EQ(left, 0);
    mode->Click(60, 420);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(surface.last.Pixel(65, 425) & 0xFFFFFF, kExit1);
}

TEST_F(CGModeTest, MissingButtonPicturesComeFromTheLibrary) {
    const std::string next = Picture("next.png", 90, 30, kNext0);
    auto mode =
        Make(File("", "", "NextButton=" + next + "\nExitButton=" + folder.Str() + "no.png\n"));
    mode->Enter();
    TSprite builtIn(7, true, nullptr, &library, nullptr);
    ASSERT_TRUE(builtIn.LoadResourceVpp("IDR_CGMODE_BUTTON_PREV0"));
    EXPECT_EQ(mode->Picture(P::kNext)->Width(), 90);
    EXPECT_EQ(mode->Picture(P::kPrev)->Width(), builtIn.Width());
    EXPECT_EQ(mode->Picture(P::kPrev)->Height(), builtIn.Height());
    for (int i = 0; i < P::kPictureCount; ++i)
        EXPECT_FALSE(mode->Picture(P::Picture(i))->Image().Empty()) << i;
    platform::Bitmap back;
    ASSERT_TRUE(library.LoadBitmap(back, "IDB_CGMODE_BACK"));
    EXPECT_EQ(mode->Picture(P::kBackground)->Width(), back.Width());
    mode->Leave();
    EXPECT_EQ(mode->Picture(P::kNext), nullptr);
}

TEST_F(CGModeTest, AVisitKeepsDecodedCellsAndAnEntryRecountsWhatWasSeen) {
    auto mode = Make(File("", Entries(10)));
    seen = {mode->Images()[0]};
    mode->Enter();
    mode->Redraw();
    EXPECT_EQ(At(240, 20), kNever);
    std::filesystem::remove(folder.Path() / "th0.png");
    mode->Click(540, 420);
    mode->Click(420, 420);
    EXPECT_EQ(At(60, 20), Thumb(0));  // not read again
    EXPECT_LE(mode->CachedCells(), 10u);

    seen.push_back(mode->Images()[1]);
    mode->Leave();
    mode->Enter();
    mode->Redraw();
    EXPECT_EQ(At(60, 20), kBack);  // read again, and gone
    EXPECT_EQ(At(240, 20), Thumb(1));
}

TEST_F(CGModeTest, AMissingFileIsTheConstructionError) {
    try {
        TCGMode mode(folder.Str() + "sub/missing.ini", seen, screen, Services());
        FAIL() << "no error";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("CGMode設定ファイル missing.ini が見つかりません"));
    }
}

TEST_F(CGModeTest, DescriptionsNoGameShouldHaveStayWithinTheirTables) {
    std::string longList;
    for (int i = 0; i < 100000; ++i) longList += "p" + std::to_string(i) + ".png,t.png\n";
    const struct {
        const char* grid;
        bool longList;
    } cases[] = {
        {"ImageCount=0,0\nThumbnailSize=0,0\n", false},
        {"ImageCount=-5,-3\nThumbnailSize=-160,-120\n", true},
        {"ImageCount=100000,100000\nThumbnailSize=100000,100000\n", false},
        {"ImageCount=2,2\nThumbnailSize=100000,100000\n", true},
        {"ImageCount=x\nThumbnailSize=,,,\n\x81\n<CGMode>\n=\n", false},
        {"ImageCount=2147483647,2147483647\nThumbnailSize=2147483647,-2147483648\n", true},
    };
    for (const auto& c : cases) {
        std::string entries = c.longList ? longList : Entries(3) + "\n,,,,\n\"\n";
        auto mode = Make(File(c.grid, entries));
        SeeAll(*mode);
        mode->Enter();
        EXPECT_GE(mode->PerPage(), 1) << c.grid;
        EXPECT_LE(mode->PerPage(), P::kMaxCells * P::kMaxCells);
        mode->Redraw();
        for (auto [x, y] : {std::pair{60, 20}, {545, 425}, {61, 21}, {0, 0}, {639, 479}}) {
            mode->Click(x, y);
            mode->Click(540, 420);
        }
        EXPECT_LE(mode->CachedCells(), 11u * size_t(mode->PerPage())) << c.grid;
    }
}
}  // namespace
