#include "modes/image_select.h"

#include <algorithm>
#include <climits>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "modes/mode_files.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

const char kSection[] = "ImageSelector";

int32_t Clamped(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool Contains(const TRect& r, int x, int y) {
    return x >= r.Left && y >= r.Top && x < r.Right && y < r.Bottom;
}

}  // namespace

TImageSelect::TImageSelect(const std::string& fileName, TDisplaySurface& window, TSprite& screen,
                           uint8_t spriteOptions, TyxBCLManager* resourceManager)
    : m_Window(window),
      m_Screen(screen),
      m_SpriteOptions(spriteOptions),
      m_ResourceManager(resourceManager),
      m_FileName(fileName) {
    TStringList lines;
    if (!modes::LoadDescription(fileName, resourceManager, lines))
        throw EEngineError(SJ("ImageSelector設定ファイル ") + fileName + SJ(" が見つかりません"));
    Read(lines);
}

TImageSelect::TImageSelect(const TStringList& lines, const std::string& fileName,
                           TDisplaySurface& window, TSprite& screen, uint8_t spriteOptions,
                           TyxBCLManager* resourceManager)
    : m_Window(window),
      m_Screen(screen),
      m_SpriteOptions(spriteOptions),
      m_ResourceManager(resourceManager),
      m_FileName(fileName) {
    Read(lines);
}

TImageSelect::~TImageSelect() = default;

void TImageSelect::Fail(const std::string& what) const {
    throw EEngineError(SJ("ImageSelector設定ファイル ") + m_FileName + " " + what);
}

void TImageSelect::Read(const TStringList& source) {
    TStringList lines = source;
    TXiniFile ini(lines);
    m_Count = ini.ReadInteger(kSection, "Count", 0);
    if (m_Count < 1) Fail(SJ("のCount値が不正です"));
    m_BackImageName = ini.ReadString(kSection, "BackImage", "");
    if (m_BackImageName.empty()) Fail(SJ("のBackImageが空です"));
    m_OnMouseSound = ini.ReadString(kSection, "OnMouseSound", "");
    m_OnMouseChannel = ini.ReadInteger(kSection, "OnMouseSoundIndex", 2);
    m_ClickSound = ini.ReadString(kSection, "ClickSound", "");
    m_ClickChannel = ini.ReadInteger(kSection, "ClickSoundIndex", 2);

    // A section shorter than Count cannot give every button its line: it is as unreadable as
    // a missing one, and a huge Count fails here before anything is allocated for it.
    const auto count = static_cast<size_t>(m_Count);
    TStringList graphics, positions, paragraphs;
    if (!ini.ReadSectionLines("Graphics", graphics) || graphics.size() < count)
        Fail(SJ("のGraphicsを読めません"));
    if (!ini.ReadSectionLines("Position", positions)) Fail(SJ("のPositionを読めません"));
    std::vector<TPoint> points(count);
    for (size_t i = 0; i < count; ++i) {
        std::string x, y;
        int32_t px = 0, py = 0;
        if (i >= positions.size() || !yx::SplitAtComma(positions[i], x, y) ||
            !yx::TryStrToInt(x, px) || !yx::TryStrToInt(y, py))
            Fail(SJ("のPosition") + yx::IntToStr(static_cast<int64_t>(i)) +
                 SJ("行目で読み込みエラー"));
        points[i] = {px, py};
    }
    if (!ini.ReadSectionLines("Paragraph", paragraphs) || paragraphs.size() < count)
        Fail(SJ("のParagraphを読めません"));
    if (m_OnMouseSound.empty()) {
        m_OnMouseSounds.emplace();
        ini.ReadSectionLines("SoundOnMouse", *m_OnMouseSounds);
    }
    if (m_ClickSound.empty()) {
        m_ClickSounds.emplace();
        ini.ReadSectionLines("SoundClick", *m_ClickSounds);
    }

    auto load = [this](const std::string& name, platform::Bitmap& picture) {
        if (!modes::LoadPicture(name, m_ResourceManager, false, picture))
            throw EEngineError(name + SJ("が読み込めません"));
        const auto format = static_cast<platform::PixelFormat>(m_SpriteOptions);
        if (format > platform::PixelFormat::Device && format < platform::PixelFormat::Custom &&
            picture.GetPixelFormat() != format)
            picture.SetPixelFormat(format);
    };
    load(m_BackImageName, m_BackImage);
    m_Buttons.resize(count);
    for (size_t i = 0; i < count; ++i) {
        TImgButton& b = m_Buttons[i];
        TStringList items;
        yx::Split(graphics[i], ",", items);
        std::unique_ptr<platform::Bitmap>* slots[] = {&b.normal, &b.pressed, &b.lit};
        for (size_t s = 0; s < 3 && s < items.size(); ++s) {
            if (items[s].empty()) continue;
            auto picture = std::make_unique<platform::Bitmap>();
            load(items[s], *picture);
            *slots[s] = std::move(picture);
        }
        b.position = points[i];
        if (b.normal) b.size = {b.normal->Width(), b.normal->Height()};
        b.area = {b.position.x, b.position.y, Clamped(int64_t{b.position.x} + b.size.x),
                  Clamped(int64_t{b.position.y} + b.size.y)};
        b.paragraph = paragraphs[i];
    }
}

void TImageSelect::Draw() {
    platform::Bitmap& target = m_Screen.Image();
    modes::DrawPicture(target, m_BackImage, 0, 0);
    for (const TImgButton& b : m_Buttons)
        if (b.state == kNormal && b.normal)
            modes::DrawPicture(target, *b.normal, b.position.x, b.position.y);
    for (const TImgButton& b : m_Buttons) {
        if (b.state == kNormal) continue;
        // A button drawn without its picture for the state keeps its normal one, so it never
        // vanishes when lit or pressed.
        const platform::Bitmap* picture = b.state == kPressed ? b.pressed.get() : b.lit.get();
        if (!picture) picture = b.normal.get();
        if (picture) modes::DrawPicture(target, *picture, b.position.x, b.position.y);
    }
    target.Changed();
    m_Screen.Present(m_Window);
}

namespace {
bool SoundFor(const std::string& shared, const std::optional<TStringList>& perButton, int button,
              std::string& name) {
    if (!shared.empty()) {
        name = shared;
        return true;
    }
    if (!perButton || button < 0 || static_cast<size_t>(button) >= perButton->size() ||
        (*perButton)[static_cast<size_t>(button)].empty())
        return false;
    name = (*perButton)[static_cast<size_t>(button)];
    return true;
}
}  // namespace

bool TImageSelect::OnMouseSoundFor(int button, std::string& name) const {
    return SoundFor(m_OnMouseSound, m_OnMouseSounds, button, name);
}

bool TImageSelect::ClickSoundFor(int button, std::string& name) const {
    return SoundFor(m_ClickSound, m_ClickSounds, button, name);
}

int TImageSelect::ButtonAt(int x, int y) const {
    int found = -1;
    for (int i = 0; i < m_Count; ++i)
        if (Contains(m_Buttons[static_cast<size_t>(i)].area, x, y)) found = i;
    return found;
}

int TImageSelect::Input(TAction action, int x, int y, int& selection, bool& keyboardMode) {
    switch (action) {
        case kPrevious:
            keyboardMode = true;
            selection = std::max(selection - 1, 0);
            break;
        case kNext:
            keyboardMode = true;
            selection = std::min(selection + 1, m_Count - 1);
            break;
        case kFirst:
            keyboardMode = true;
            selection = 0;
            break;
        case kLast:
            keyboardMode = true;
            selection = m_Count - 1;
            break;
        default:
            break;
    }
    // A selection left over from the text choices may lie past this menu's buttons.
    const bool selected = selection >= 0 && selection < m_Count;
    for (int i = 0; i < m_Count; ++i)
        m_Buttons[static_cast<size_t>(i)].state = selected && i == selection ? kLit : kNormal;
    int chosen = -1;
    if (action == kConfirm) {
        if (keyboardMode) {
            if (selected) {
                m_Buttons[static_cast<size_t>(selection)].state = kPressed;
                chosen = selection;
            }
        } else if (x >= 0 && y >= 0) {
            // Keyboard and joystick confirms carry (-1, -1): they must not pick a button
            // that reaches past the top-left corner.
            chosen = ButtonAt(x, y);
        }
    }
    Draw();
    return chosen;
}

int TImageSelect::PointerMove(int x, int y) {
    bool changed = false;
    int lit = -1;
    for (int i = 0; i < m_Count; ++i) {
        TImgButton& b = m_Buttons[static_cast<size_t>(i)];
        if (Contains(b.area, x, y)) {
            if (b.state != kLit) {
                b.state = kLit;
                changed = true;
                lit = i;
            }
        } else if (b.state != kNormal) {
            b.state = kNormal;
            changed = true;
        }
    }
    if (changed) Draw();
    return lit;
}
