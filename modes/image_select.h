#pragma once
// The picture menu a scenario shows instead of a text choice: a background and picture
// buttons that light under the pointer or the keyboard selection, each leading to a paragraph.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "resources/string_list.h"

class TDisplaySurface;
class TSprite;
class TyxBCLManager;

class TImageSelect {
public:
    struct TImgButton {
        std::unique_ptr<platform::Bitmap> normal, pressed, lit;
        TPoint position;
        TPoint size;  // of the normal picture; 0,0 without one
        TRect area;
        std::string paragraph;
        uint8_t state = 0;  // 0 normal, 1 pressed, 2 lit
    };
    enum TState : uint8_t { kNormal = 0, kPressed = 1, kLit = 2 };
    // What reaches the menu: a confirmation (with a pointer position or (-1, -1)) or one of
    // the keys that move the keyboard selection.
    enum TAction { kConfirm, kPrevious, kNext, kFirst, kLast, kOther };

    // Reads the description file and loads every picture; a fault raises EEngineError with
    // the text the player sees.
    TImageSelect(const std::string& fileName, TDisplaySurface& window, TSprite& screen,
                 uint8_t spriteOptions, TyxBCLManager* resourceManager);
    // The same from lines already read (fileName only names them in the errors).
    TImageSelect(const TStringList& lines, const std::string& fileName, TDisplaySurface& window,
                 TSprite& screen, uint8_t spriteOptions, TyxBCLManager* resourceManager);
    ~TImageSelect();
    TImageSelect(const TImageSelect&) = delete;
    TImageSelect& operator=(const TImageSelect&) = delete;

    // Background, then every button's picture for its state, then the screen is presented.
    void Draw();
    bool OnMouseSoundFor(int button, std::string& name) const;
    bool ClickSoundFor(int button, std::string& name) const;

    // One input: moves the keyboard selection (shared with the text choices, so the caller
    // keeps it), lights the selected button, draws, and gives the button chosen, or -1.
    int Input(TAction action, int x, int y, int& selection, bool& keyboardMode);
    // Pointer movement: lights the buttons under the pointer, draws when a state changed and
    // gives the last newly lit button (whose sound plays), or -1.
    int PointerMove(int x, int y);
    // The last button, in button order, whose area holds the point; -1 when none.
    int ButtonAt(int x, int y) const;

    int Count() const { return m_Count; }
    const TImgButton& Button(int index) const { return m_Buttons[index]; }
    const std::string& Paragraph(int index) const { return m_Buttons[index].paragraph; }
    int OnMouseChannel() const { return m_OnMouseChannel; }
    int ClickChannel() const { return m_ClickChannel; }
    const std::string& FileName() const { return m_FileName; }

private:
    void Read(const TStringList& lines);
    [[noreturn]] void Fail(const std::string& what) const;

    TDisplaySurface& m_Window;
    TSprite& m_Screen;
    uint8_t m_SpriteOptions;
    TyxBCLManager* m_ResourceManager;
    std::string m_FileName;
    std::string m_BackImageName;
    platform::Bitmap m_BackImage;
    std::string m_OnMouseSound;
    std::string m_ClickSound;
    std::vector<TImgButton> m_Buttons;
    int m_Count = 0;
    std::optional<TStringList> m_OnMouseSounds;
    int m_OnMouseChannel = 2;
    std::optional<TStringList> m_ClickSounds;
    int m_ClickChannel = 2;
};
