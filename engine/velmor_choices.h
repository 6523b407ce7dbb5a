#pragma once
#include <cstdint>
#include <string>

#include "engine/velmor_codes.h"
#include "engine/velmor_selector.h"
#include "graphics/sprite.h"
#include "resources/string_list.h"

// Up to four choices the script offers, the rows they are shown in and the player's pick.
class TVelmorChoices {
public:
    static constexpr int kMax = 4;

    int Count() const { return m_Count; }
    const TVelmorSelector& At(int i) const { return m_Selectors[i & 3]; }
    void Clear() { m_Count = 0; }
    // The addsel command's tokens; false, with the record's text, when full or too short.
    bool Add(const TStringList& tokens, std::string& error);
    // A saved game's choices, taken over as they were.
    void Restore(int count, const TVelmorSelector* selectors, int given);

    // Where the rows stand until choices are offered.
    void SetAreas(const TRect* areas);
    // The rows of the choices: as the scene places them, each as wide as its caption.
    void Offer(const TRect* areas, TSprite& screen);
    const TRect& Row(int i) const { return m_Rows[i & 3]; }
    int Highlighted() const { return m_Highlighted; }
    bool KeyboardSelection() const { return m_KeyboardSelection; }
    void ClearKeyboardSelection() { m_KeyboardSelection = false; }
    // The picture menu moves the same light and keyboard selection.
    void SetSelection(int32_t highlighted, bool keyboard) {
        m_Highlighted = highlighted;
        m_KeyboardSelection = keyboard;
    }

    // The row under the pointer lights; true when the light moved.
    bool Hover(int x, int y);
    // Up, Down, First or Last moves the light; true when code was one of them.
    bool Key(TInputCode code);
    // The choice the input takes, or -1: by keyboard the lit one on a confirm, else the row
    // under the position.
    int Taken(TInputCode code, int x, int y);

    void Draw(TSprite& screen, int linePitch, uint32_t colour, uint32_t selectColour,
              bool smooth) const;

private:
    TVelmorSelector m_Selectors[kMax];
    int32_t m_Count = 0;
    TRect m_Rows[kMax];
    int32_t m_Highlighted = -1;
    bool m_KeyboardSelection = false;
};
