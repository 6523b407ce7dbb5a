#include "graphics/sprite_effects.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "graphics/image.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "resources/application.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"

using platform::Bitmap;
using platform::Canvas;
using platform::CopyMode;
using platform::PixelFormat;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;
constexpr int kSteps = 8;
// Longest sleep between two looks at the window's events while an effect waits.
constexpr uint32_t kPumpSlice = 10;

using Patterns = std::array<Bitmap, kSteps>;

uint32_t Now(const TDisplaySurface& control) {
    return control.Clock().TickCount();
}

// Holds until ms have passed since start. With pump the window's events get through at least
// once, so a long effect never freezes the window even when its frames have no time to spare.
void WaitFrom(TDisplaySurface& control, uint32_t start, uint32_t ms, bool pump) {
    platform::Clock& clock = control.Clock();
    if (pump) control.Pump();
    for (;;) {
        const uint32_t elapsed = clock.TickCount() - start;
        if (elapsed >= ms) return;
        const uint32_t left = ms - elapsed;
        clock.Sleep(pump ? std::min(left, kPumpSlice) : left);
        if (pump) control.Pump();
    }
}

void Show(TSprite& sprite, TDisplaySurface& control) {
    control.Present(sprite.Image(), sprite.Left(), sprite.Top());
}

// The surface lets go of a moving frame however the effect ends.
class MovingScope {
public:
    explicit MovingScope(TDisplaySurface& control) : m_Control(control) {}
    ~MovingScope() { m_Control.EndMoving(); }
    MovingScope(const MovingScope&) = delete;
    MovingScope& operator=(const MovingScope&) = delete;

private:
    TDisplaySurface& m_Control;
};

// The colour filters work on 3-byte pixels; the picture goes back afterwards, to the sprite's
// own format if it came in a custom one.
class TwentyFourBits {
public:
    explicit TwentyFourBits(TSprite& sprite)
        : m_Sprite(sprite), m_Previous(sprite.Image().GetPixelFormat()) {
        if (m_Previous != PixelFormat::Bit24) sprite.Image().SetPixelFormat(PixelFormat::Bit24);
    }
    ~TwentyFourBits() { Restore(m_Sprite, m_Previous); }
    TwentyFourBits(const TwentyFourBits&) = delete;
    TwentyFourBits& operator=(const TwentyFourBits&) = delete;

    static void Restore(TSprite& sprite, PixelFormat previous) {
        const PixelFormat format = previous == PixelFormat::Custom
                                       ? static_cast<PixelFormat>(sprite.PixelFormatCode())
                                       : previous;
        Bitmap& image = sprite.Image();
        if (!image.Empty() && image.GetPixelFormat() != format) image.SetPixelFormat(format);
    }

private:
    TSprite& m_Sprite;
    PixelFormat m_Previous;
};

// The brush and copy mode go back to a plain surface however the effect ends.
class BrushReset {
public:
    explicit BrushReset(Canvas& canvas) : m_Canvas(canvas) {}
    ~BrushReset() {
        m_Canvas.ResetBrush();
        m_Canvas.SetCopyMode(CopyMode::Copy);
    }
    BrushReset(const BrushReset&) = delete;
    BrushReset& operator=(const BrushReset&) = delete;

private:
    Canvas& m_Canvas;
};

std::string PatternName(char kind, int step) {
    return std::string("IDB_SANDSTORM_") + kind + std::to_string(step);
}

// The name of the first pattern nobody delivers, empty when all eight are loaded. The program
// carries no pictures of its own, so the library is the only source.
std::string LoadPatterns(TyxDllRes* library, char kind, Patterns& out) {
    for (int i = 0; i < kSteps; ++i) {
        const std::string name = PatternName(kind, i);
        bool ok = false;
        if (library) {
            try {
                ok = library->LoadBitmap(out[static_cast<size_t>(i)], name);
            } catch (const EEngineError&) {
                ok = false;
            }
        }
        if (!ok || out[static_cast<size_t>(i)].Empty()) return name;
    }
    return {};
}

void LoadSandPatterns(TyxDllRes* library, Patterns& out) {
    const std::string missing = LoadPatterns(library, 'B', out);
    if (!missing.empty())
        TyxApplication::RaiseEngineError(SJ("リソースロードエラー\n") + missing +
                                         SJ("が見つかりません"));
}

// Keeps of the bitmap only what the pattern keeps (tiled from the bitmap's own corner).
void AndPattern(Bitmap& bitmap, const Bitmap& pattern) {
    Canvas& canvas = bitmap.GetCanvas();
    canvas.SetBrushPattern(pattern);
    canvas.SetCopyMode(CopyMode::PatternAnd);
    canvas.Draw(0, 0, bitmap);
}

// The bitmap becomes the source drawn at (x, y) through the pattern.
void SourceAndPattern(Bitmap& bitmap, const Bitmap& source, int x, int y, const Bitmap& pattern) {
    Canvas& canvas = bitmap.GetCanvas();
    canvas.SetBrushPattern(pattern);
    // A source that covers the whole bitmap (and has no colour key to skip) goes in one pass.
    if (!source.Transparent() && x <= 0 && y <= 0 && x + source.Width() >= bitmap.Width() &&
        y + source.Height() >= bitmap.Height()) {
        canvas.SetCopyMode(CopyMode::SourceAndPattern);
        canvas.Draw(x, y, source);
        return;
    }
    canvas.SetCopyMode(CopyMode::Copy);
    canvas.Draw(x, y, source);
    canvas.SetCopyMode(CopyMode::SourceAndPattern);
    canvas.Draw(0, 0, bitmap);
}

void OrInto(Bitmap& bitmap, const Bitmap& source, int x, int y) {
    Canvas& canvas = bitmap.GetCanvas();
    canvas.SetCopyMode(CopyMode::Or);
    canvas.Draw(x, y, source);
}

void PlainCopy(Bitmap& bitmap, const Bitmap& source, int x, int y) {
    Canvas& canvas = bitmap.GetCanvas();
    canvas.SetCopyMode(CopyMode::Copy);
    canvas.Draw(x, y, source);
}

// One step toward the target without passing it.
int StepToward(int value, int step, int target) {
    const int next = value + step;
    return step > 0 ? std::min(next, target) : std::max(next, target);
}

int ScrollStep(int delta, int frames) {
    if (frames == 0) return 0;
    const int step = delta / frames;
    if (step == 0 && delta != 0) return delta > 0 ? 1 : -1;
    return step;
}

}  // namespace

void speffectFadeOut(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    {
        TwentyFourBits bits(sprite);
        for (int i = 0; i < kSteps; ++i) {
            const uint32_t start = Now(control);
            // The changes pile up, so the last steps reach the end colour.
            sprite.ImageObject().Brightness(sprite.Image(), (toWhite ? 32 : -32) * i);
            Show(sprite, control);
            WaitFrom(control, start, duration / kSteps, true);
        }
    }
    sprite.Fill(toWhite ? kWhite : kBlack);
}

void speffectFadeIn(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    TwentyFourBits bits(sprite);
    const Bitmap copy = sprite.Image();
    for (int n = kSteps - 1; n >= 0; --n) {
        const uint32_t start = Now(control);
        sprite.Image() = copy;
        sprite.ImageObject().Brightness(sprite.Image(), (toWhite ? 32 : -32) * n);
        Show(sprite, control);
        WaitFrom(control, start, duration / kSteps, true);
    }
}

void speffectWaveOut(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    sprite.Image().GetCanvas().SetPenColour(toWhite ? kWhite : kBlack);
    for (int i = 0; i < kSteps; ++i) {
        const uint32_t start = Now(control);
        sprite.ImageObject().DiagonalLinesStep(sprite.Image(), i, kSteps);
        Show(sprite, control);
        WaitFrom(control, start, duration / kSteps, true);
    }
}

void speffectWaveIn(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    const Bitmap copy = sprite.Image();
    sprite.Image().GetCanvas().SetPenColour(toWhite ? kWhite : kBlack);
    for (int i = 0; i < kSteps; ++i) {
        const uint32_t start = Now(control);
        sprite.ImageObject().DiagonalLinesOverStep(sprite.Image(), copy, i, kSteps);
        Show(sprite, control);
        WaitFrom(control, start, duration / kSteps, true);
    }
}

void speffectSandOut(TSprite& sprite, TDisplaySurface& control, uint32_t duration,
                     TyxDllRes* library) {
    if (sprite.Image().Empty()) return;
    Patterns patterns;
    LoadSandPatterns(library, patterns);
    Bitmap& picture = sprite.Image();
    BrushReset reset(picture.GetCanvas());
    for (int i = 0; i < kSteps; ++i) {
        const uint32_t start = Now(control);
        AndPattern(picture, patterns[static_cast<size_t>(i)]);
        control.Present(picture, 0, 0);
        WaitFrom(control, start, duration / kSteps, true);
    }
}

void speffectSandIn(TSprite& sprite, TDisplaySurface& control, uint32_t duration,
                    TyxDllRes* library) {
    if (sprite.Image().Empty()) return;
    Patterns patterns;
    LoadSandPatterns(library, patterns);
    Bitmap& picture = sprite.Image();
    const Bitmap copy = picture;
    {
        BrushReset reset(picture.GetCanvas());
        for (int n = kSteps - 1; n >= 0; --n) {
            const uint32_t start = Now(control);
            picture = copy;
            AndPattern(picture, patterns[static_cast<size_t>(n)]);
            control.Present(picture, 0, 0);
            WaitFrom(control, start, duration / kSteps, true);
        }
    }
    picture = copy;
}

void speffectGammaOut(TSprite& sprite, TDisplaySurface& control, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    {
        TwentyFourBits bits(sprite);
        for (int k = 1; k <= kSteps; ++k) {
            const uint32_t start = Now(control);
            // Reckoned from the start each time so the last step lands on 0.75 exactly.
            const double g = k == kSteps ? 0.75 : 2.2 + (0.75 - 2.2) * k / kSteps;
            sprite.ImageObject().Gamma(sprite.Image(), g);
            Show(sprite, control);
            WaitFrom(control, start, duration / kSteps, true);
        }
    }
    sprite.Fill(kWhite);
    Show(sprite, control);
}

void speffectGammaIn(TSprite& sprite, TDisplaySurface& control, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    TwentyFourBits bits(sprite);
    const Bitmap copy = sprite.Image();
    sprite.ImageObject().Gamma(sprite.Image(), 0.75);
    Show(sprite, control);
    for (int k = 1; k <= kSteps; ++k) {
        const uint32_t start = Now(control);
        sprite.Image() = copy;
        // 2.2 leaves the picture as it is: the last step shows it unchanged.
        const double g = k == kSteps ? 2.2 : 0.75 + (2.2 - 0.75) * k / kSteps;
        sprite.ImageObject().Gamma(sprite.Image(), g);
        Show(sprite, control);
        WaitFrom(control, start, duration / kSteps, true);
    }
}

void speffectScroll(TSprite& sprite, TDisplaySurface& control, int dx, int dy, uint32_t duration) {
    const int W = control.Width(), H = control.Height();
    if (!sprite.Image().Empty()) {
        int x = sprite.Left(), y = sprite.Top();
        const int tx = dx > 0 ? W - sprite.Width() : dx < 0 ? 0 : x;
        const int ty = dy > 0 ? H - sprite.Height() : dy < 0 ? 0 : y;
        const int frames = std::max(std::abs(tx - x), std::abs(ty - y));
        const int sx = ScrollStep(tx - x, frames), sy = ScrollStep(ty - y, frames);
        // Frames are drawn over the last one: the picture covers what it leaves behind.
        MovingScope moving(control);
        for (int f = 0; f < frames; ++f) {
            const uint32_t start = Now(control);
            control.PresentMoving(sprite.Image(), x, y);
            if (f == frames - 1) control.EndMoving();
            x = StepToward(x, sx, tx);
            y = StepToward(y, sy, ty);
            WaitFrom(control, start, duration / static_cast<uint32_t>(frames), true);
        }
    }
    int h = sprite.AnchorH(), v = sprite.AnchorV(), px = sprite.PositionX(),
        py = sprite.PositionY();
    if (dx != 0) {
        h = dx < 0 ? -1 : 1;
        px = dx < 0 ? 0 : W;
    }
    if (dy != 0) {
        v = dy < 0 ? -1 : 1;
        py = dy < 0 ? 0 : H;
    }
    sprite.SetAnchor(h, v, px, py);
}

void speffectTumble(TSprite& sprite, TDisplaySurface& control, bool vertical, uint32_t duration) {
    if (sprite.Image().Empty()) return;
    const int size = vertical ? sprite.Height() : sprite.Width();
    // Each swing a quarter of the last, to the other side, then at rest.
    int offset = -(size / 8);
    MovingScope moving(control);
    for (int frame = 0; frame < 5; ++frame) {
        const uint32_t start = Now(control);
        const int shift = frame < 4 ? offset : 0;
        control.PresentMoving(sprite.Image(), sprite.Left() + (vertical ? 0 : shift),
                              sprite.Top() + (vertical ? shift : 0));
        if (frame == 4) control.EndMoving();
        offset = -offset / 4;
        // A shake is short and must not be interrupted by the window.
        WaitFrom(control, start, duration / 5, false);
    }
}

void speffectFilter(TSprite& sprite, int number) {
    if (number < 23 || number > 25 || sprite.Image().Empty()) return;
    TwentyFourBits bits(sprite);
    if (number == 23)
        sprite.ImageObject().Sepia(sprite.Image());
    else
        sprite.ImageObject().Contrast(sprite.Image(), number == 24 ? 2.0 : 0.5);
}

void speffectCrossFade(TSprite& sprite, TDisplaySurface& control, const TSprite& other,
                       uint32_t duration, TyxDllRes* library) {
    Bitmap& picture = sprite.Image();
    const PixelFormat previous = picture.GetPixelFormat();
    // The other picture lands where it lies relative to this one (at (0, 0) for two layers
    // of the screen's size at the origin).
    const int ox = other.Left() - sprite.Left(), oy = other.Top() - sprite.Top();
    try {
        if (picture.Empty()) picture.SetFormat(other.Width(), other.Height(), 32);
        Patterns black, white;
        if (!LoadPatterns(library, 'B', black).empty() ||
            !LoadPatterns(library, 'W', white).empty())
            throw EEngineError("pattern");
        Bitmap outgoing = picture;
        BrushReset resetOut(outgoing.GetCanvas());
        BrushReset reset(picture.GetCanvas());
        control.Present(outgoing, sprite.Left(), sprite.Top());
        for (int i = 0; i < kSteps; ++i) {
            const uint32_t start = Now(control);
            AndPattern(outgoing, black[static_cast<size_t>(i)]);
            SourceAndPattern(picture, other.Image(), ox, oy, white[static_cast<size_t>(i)]);
            OrInto(picture, outgoing, 0, 0);
            control.Present(picture, sprite.Left(), sprite.Top());
            WaitFrom(control, start, duration / kSteps, true);
        }
        PlainCopy(picture, other.Image(), ox, oy);
        TwentyFourBits::Restore(sprite, previous);
    } catch (...) {
        TwentyFourBits::Restore(sprite, previous);
        TyxApplication::RaiseEngineError(SJ("メモリ不足エラー\n") + "TSprite::speffectCrossFade");
    }
}

void speffectCrossFade(TSprite& sprite, TDisplaySurface& control, uint32_t duration,
                       TyxDllRes* library) {
    if (sprite.Image().Empty()) return;
    try {
        Patterns black, white;
        if (!LoadPatterns(library, 'B', black).empty() ||
            !LoadPatterns(library, 'W', white).empty())
            throw EEngineError("pattern");
        Bitmap screen;
        // A surface that cannot be read back dissolves from the picture itself.
        if (!control.CopyImage(screen)) {
            screen.SetFormat(control.Width(), control.Height(), 32);
            PlainCopy(screen, sprite.Image(), sprite.Left(), sprite.Top());
        }
        Bitmap frame;
        frame.SetFormat(sprite.Width(), sprite.Height(), 32);
        BrushReset resetScreen(screen.GetCanvas());
        BrushReset resetFrame(frame.GetCanvas());
        for (int i = 0; i < kSteps; ++i) {
            const uint32_t start = Now(control);
            AndPattern(screen, black[static_cast<size_t>(i)]);
            SourceAndPattern(frame, sprite.Image(), 0, 0, white[static_cast<size_t>(i)]);
            OrInto(frame, screen, -sprite.Left(), -sprite.Top());
            control.Present(frame, sprite.Left(), sprite.Top());
            WaitFrom(control, start, duration / kSteps, true);
        }
    } catch (...) {
        TyxApplication::RaiseEngineError(SJ("メモリ不足エラー\n") + "TSprite::speffectCrossFade");
    }
}

void speffectRun(TSprite& sprite, TDisplaySurface& control, int number, TyxDllRes* library) {
    constexpr uint32_t kStepped = 1000, kShake = 500;
    switch (number) {
        case 1:
        case 2:
            return speffectFadeIn(sprite, control, number == 1, kStepped);
        case 3:
        case 4:
            return speffectFadeOut(sprite, control, number == 3, kStepped);
        case 5:
        case 6:
            return speffectWaveIn(sprite, control, number == 5, kStepped);
        case 7:
        case 8:
            return speffectWaveOut(sprite, control, number == 7, kStepped);
        case 9:
            return speffectSandIn(sprite, control, kStepped, library);
        case 10:
            return speffectSandOut(sprite, control, kStepped, library);
        case 11:
            return speffectGammaIn(sprite, control, kStepped);
        case 12:
            return speffectGammaOut(sprite, control, kStepped);
        case 13:
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
        case 20: {
            static const int kDx[] = {-1, 1, 0, 0, -1, -1, 1, 1};
            static const int kDy[] = {0, 0, -1, 1, -1, 1, -1, 1};
            return speffectScroll(sprite, control, kDx[number - 13], kDy[number - 13], kStepped);
        }
        case 21:
        case 22:
            return speffectTumble(sprite, control, number == 21, kShake);
        default:
            return;
    }
}
