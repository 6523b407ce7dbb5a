// Message text on a real font: where lines break (closing marks stay with the character before
// them), reveal pieces, pens, and the eight-position outline ring.
#include "graphics/message_text.h"

#include <gtest/gtest.h>

#include <memory>

#include "graphics/image.h"
#include "graphics/sprite.h"
#include "resources/sjis_text.h"

namespace {

constexpr uint32_t kGround = 0x336699;

class MessageTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen = std::make_unique<TSprite>(7, true, nullptr, nullptr, nullptr);
        screen->CreateBlank(400, 200, kGround);
        screen->SetFontName(SJ("ＭＳ ゴシック"));
        screen->SetFontHeight(20);
    }
    int Width(const char* utf8) { return screen->TextWidth(SJ(utf8)); }
    std::vector<size_t> Break(const char* utf8, int limit) {
        return TMessageText::BreakLines(*screen, SJ(utf8), limit);
    }
    std::unique_ptr<TSprite> screen;
};

TEST_F(MessageTextTest, AWidthEqualToTheLimitAlreadyBreaks) {
    const int w = Width("あいう");
    ASSERT_GT(w, 0);
    EXPECT_EQ(Break("あいう", w + 1), (std::vector<size_t>{6}));
    EXPECT_EQ(Break("あいう", w), (std::vector<size_t>{4, 2}));
    EXPECT_EQ(Break("", w), (std::vector<size_t>{0}));
}

TEST_F(MessageTextTest, AClosingMarkTakesTheCharacterBeforeItToTheNextLine) {
    const int limit = Width("あいう。") - 1;  // the full stop is what reaches the edge
    EXPECT_EQ(Break("あいう。えお", limit), (std::vector<size_t>{4, 6, 2}));
    // A plain kanji that reaches the edge moves alone.
    const int three = Width("漢字漢");
    EXPECT_EQ(Break("漢字漢字漢", three), (std::vector<size_t>{4, 4, 2}));
    // Every mark of the set: 、。，．？！（）「」『』.
    for (const char* mark :
         {"、", "。", "，", "．", "？", "！", "（", "）", "「", "」", "『", "』"}) {
        const std::string text = SJ("あい") + SJ(mark);
        EXPECT_EQ(TMessageText::BreakLines(*screen, text, screen->TextWidth(text)),
                  (std::vector<size_t>{2, 4}))
            << mark;
    }
    // Other punctuation is an ordinary character: ・ moves alone.
    EXPECT_EQ(Break("あい・", Width("あい・")), (std::vector<size_t>{4, 2}));
    // Half-width text and a mark after a single-byte character.
    EXPECT_EQ(Break("abc。", Width("abc。")), (std::vector<size_t>{2, 3}));
}

// Breaks found without measuring every prefix are those of measuring every prefix, on a
// proportional font, for every limit from below one character to past the whole text.
TEST_F(MessageTextTest, BreaksEqualMeasuringEveryPrefix) {
    auto reference = [&](const std::string& text, int limit) {
        std::vector<size_t> lines, starts;
        size_t start = 0, pos = 0;
        while (pos < text.size()) {
            const size_t length =
                (static_cast<unsigned char>(text[pos]) >= 0x81 && pos + 1 < text.size() &&
                 (static_cast<unsigned char>(text[pos]) <= 0x9F ||
                  static_cast<unsigned char>(text[pos]) >= 0xE0))
                    ? 2
                    : 1;
            starts.push_back(pos);
            pos += length;
            if (screen->TextWidth(text.substr(start, pos - start)) < limit) continue;
            const size_t last = starts.size() - 1;
            size_t cut = last;
            if (length == 2 && static_cast<unsigned char>(text[starts[last]]) == 0x81 &&
                TMessageText::IsJoinedPunctuation(static_cast<uint8_t>(text[starts[last] + 1])) &&
                last >= 1)
                cut = last - 1;
            if (cut == 0) cut = last >= 1 ? last : 1;
            const size_t lineEnd = cut < starts.size() ? starts[cut] : pos;
            lines.push_back(lineEnd - start);
            start = pos = lineEnd;
            starts.clear();
        }
        lines.push_back(pos - start);
        return lines;
    };
    screen->SetFontName(SJ("ＭＳ Ｐゴシック"));
    for (const char* utf8 : {"灯台守の朝は早い。夜明け前に長い階段を上って「レンズ」を磨き、油を足す。",
                             "Wait... AVAVAV, fiffle! Tom's 'quoted' text, then more words.",
                             "ｱｲｳｴｵ半角と全角、。混ぜた行（かっこ）？！『です』", "。、。、", "x"}) {
        const std::string text = SJ(utf8);
        const int whole = screen->TextWidth(text);
        for (int limit = 1; limit <= whole + 5; ++limit) {
            EXPECT_EQ(TMessageText::BreakLines(*screen, text, limit), reference(text, limit))
                << utf8 << " at " << limit;
            if (HasFailure()) return;
        }
    }
}

TEST_F(MessageTextTest, ARectangleNarrowerThanOneCharacterStillMakesProgress) {
    EXPECT_EQ(Break("あいう", 3), (std::vector<size_t>{2, 2, 2, 0}));
    EXPECT_EQ(Break("あ。", 3), (std::vector<size_t>{2, 2, 0}));
}

TEST_F(MessageTextTest, RevealPiecesAreWholeCharactersWithTheirMark) {
    const std::string a = SJ("あ。");
    EXPECT_EQ(TMessageText::PieceLength(a, 0), 4);
    const std::string b = SJ("あい");
    EXPECT_EQ(TMessageText::PieceLength(b, 0), 2);
    EXPECT_EQ(TMessageText::PieceLength(b, 2), 2);
    EXPECT_EQ(TMessageText::PieceLength(b, 4), 0);
    EXPECT_EQ(TMessageText::PieceLength("ab", 1), 1);
    EXPECT_EQ(TMessageText::PieceLength(SJ("a」"), 0), 3);
    // A lead byte with nothing after it is a piece of its own.
    EXPECT_EQ(TMessageText::PieceLength(std::string("a\x82"), 1), 1);
    // A trail byte that looks like a lead byte does not swallow the next character.
    const std::string so = SJ("ソあ");  // ソ is 0x83 0x5C
    EXPECT_EQ(TMessageText::PieceLength(so, 0), 2);
}

TEST_F(MessageTextTest, PiecesAdvanceThePenAndWrapBeforeTheEdge) {
    const int w = Width("あ");
    const TRect rect{10, 20, 10 + 2 * w + 1, 200};
    TPoint pen{10, 20};
    const uint64_t before = TMessageText::OutputCount();
    EXPECT_TRUE(TMessageText::DrawTextPiece(*screen, rect, pen, 24, 0xFFFFFF, SJ("あ"), false));
    EXPECT_EQ(pen, (TPoint{10 + w, 20}));
    EXPECT_TRUE(TMessageText::DrawTextPiece(*screen, rect, pen, 24, 0xFFFFFF, SJ("い"), false));
    EXPECT_EQ(pen, (TPoint{10 + 2 * w, 20}));
    // pen + width reaches the right edge: the next line.
    EXPECT_TRUE(TMessageText::DrawTextPiece(*screen, rect, pen, 24, 0xFFFFFF, SJ("う"), true));
    EXPECT_EQ(pen, (TPoint{10 + w, 44}));
    EXPECT_EQ(TMessageText::OutputCount() - before, 3u);
}

// Pixels where the text alone, drawn white on black, leaves anything.
std::vector<bool> Coverage(const std::string& text, int x, int y, int w, int h) {
    TSprite probe(7, true, nullptr, nullptr, nullptr);
    probe.CreateBlank(w, h, 0);
    probe.SetFontName(SJ("ＭＳ ゴシック"));
    probe.SetFontHeight(20);
    TMessageText::DrawWrappedText(probe, {x, y, w, h}, text, 24, 0xFFFFFF, false);
    std::vector<bool> on(size_t(w) * h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) on[size_t(j) * w + i] = probe.Image().Pixel(i, j) != 0;
    return on;
}

TEST_F(MessageTextTest, OutlineRingSurroundsTheTextOnePixelWide) {
    const std::string text = SJ("影と光");
    const TRect area{20, 30, 380, 200};
    const uint64_t before = TMessageText::OutputCount();
    static const int kRing[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                    {0, 1},   {1, -1}, {1, 0},  {1, 1}};
    for (const auto& d : kRing)
        TMessageText::DrawWrappedText(
            *screen, {area.Left + d[0], area.Top + d[1], area.Right + d[0], area.Bottom + d[1]},
            text, 24, 0x000000, false);
    TMessageText::DrawWrappedText(*screen, area, text, 24, 0xFFFFFF, false);
    EXPECT_EQ(TMessageText::OutputCount() - before, 9u);

    const int w = 400, h = 200;
    const std::vector<bool> on = Coverage(text, area.Left, area.Top, w, h);
    auto covered = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && on[size_t(y) * w + x];
    };
    int textPixels = 0, ringPixels = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t want = kGround;
            bool ring = false;
            for (const auto& d : kRing) ring = ring || covered(x - d[0], y - d[1]);
            if (covered(x, y)) {
                want = 0xFFFFFF;
                ++textPixels;
            } else if (ring) {
                want = 0;
                ++ringPixels;
            }
            ASSERT_EQ(screen->Image().Pixel(x, y), want) << x << "," << y;
        }
    EXPECT_GT(textPixels, 50);
    EXPECT_GT(ringPixels, textPixels / 2);
}

TEST_F(MessageTextTest, SmoothTextMixesEdgesAndStaysInItsBlock) {
    const std::string text = SJ("滑らか");
    TMessageText::DrawWrappedText(*screen, {0, 0, 400, 200}, text, 24, 0xFFFFFF, true);
    const platform::TextSize size = screen->GetCanvas().TextExtent(text);
    const int bw = (size.width + 3) & ~3, bh = (size.height + 3) & ~3;
    int mixed = 0, white = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) {
            const uint32_t p = screen->Image().Pixel(x, y);
            if (x >= bw || y >= bh) {
                ASSERT_EQ(p, kGround) << x << "," << y;
                continue;
            }
            if (p == 0xFFFFFF)
                ++white;
            else if (p != kGround)
                ++mixed;
        }
    EXPECT_GT(white, 0);
    EXPECT_GT(mixed, 0);  // averaged edge pixels between the ground and white
}

TEST_F(MessageTextTest, SmoothOutputMatchesDrawingLargeAndAveragingOverAnyGround) {
    // A ground where every pixel differs, and a second screen to draw the reference on.
    TSprite reference(7, true, nullptr, nullptr, nullptr);
    reference.CreateBlank(400, 200, 0);
    reference.SetFontName(SJ("ＭＳ ゴシック"));
    reference.SetFontHeight(20);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) {
            const uint32_t c =
                uint32_t(x * 7 % 256) | uint32_t(y * 13 % 256) << 8 | uint32_t((x + y) % 256) << 16;
            screen->Image().SetPixel(x, y, c);
            reference.Image().SetPixel(x, y, c);
        }
    const std::string text = SJ("灯台、朝。Ag");
    // Inside, and cut at the right and bottom edges.
    for (const TPoint at : {TPoint{13, 7}, TPoint{330, 185}}) {
        TMessageText::DrawWrappedText(*screen, {at.x, at.y, 1000, 1000}, text, 24, 0x20E0A0, true);
        platform::Canvas& canvas = reference.GetCanvas();
        canvas.SetBackgroundTransparent(true);
        canvas.SetFontColour(0x20E0A0);
        ASSERT_TRUE(
            reference.ImageObject().TextOutSmooth(canvas, at.x, at.y, text, int(text.size())));
    }
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ(screen->Image().Pixel(x, y), reference.Image().Pixel(x, y)) << x << "," << y;
}

TEST_F(MessageTextTest, ChoicesUseTheMessageColourOnlyForTheHighlightedRow) {
    const TRect rows[2] = {{0, 0, 400, 30}, {0, 30, 400, 60}};
    const std::string captions[2] = {SJ("はい"), SJ("いいえ")};
    TMessageText::DrawChoices(*screen, rows, captions, 2, 1, 24, 0xFFFFFF, 0x808080, false);
    bool grey = false, whiteTop = false, white = false;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) {
            const uint32_t p = screen->Image().Pixel(x, y);
            if (y < 30 && p == 0x808080) grey = true;
            if (y < 30 && p == 0xFFFFFF) whiteTop = true;
            if (y >= 30 && p == 0xFFFFFF) white = true;
        }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(whiteTop);
    EXPECT_TRUE(white);
}

}  // namespace
