#pragma once
// What a drawing did to a box of a 32-bit picture, kept so that the same drawing over the same
// ground costs a comparison and a copy: the ground before it, and per row the stretch of pixels
// the drawing changed with their values after it.
#include <cstdint>
#include <string>
#include <vector>

#include "resources/string_list.h"

namespace platform {
class Bitmap;
}

class TPaintMemo {
public:
    // The drawing named by key over box: when it was recorded over exactly this ground, its
    // result is copied in and true is returned; false leaves the picture untouched.
    bool Replay(platform::Bitmap& target, const TRect& box, const std::string& key);
    // Around a drawing the memo does not know: Begin keeps the ground, Finish the result.
    void Begin(platform::Bitmap& target, const TRect& box, const std::string& key);
    void Finish(const platform::Bitmap& target);
    void Clear();

    static uint64_t ReplayCount();
    // Off, every drawing is drawn (for comparing the two).
    static void SetEnabled(bool enabled);

private:
    bool Fits(const platform::Bitmap& target, const TRect& box) const;
    void Copy(const platform::Bitmap& target, std::vector<uint8_t>& out) const;

    std::string m_Key;
    TRect m_Box{};
    int m_Width = 0, m_Height = 0;  // of the picture the memo belongs to
    std::vector<uint8_t> m_Ground, m_Result;
    struct TSpan {
        int32_t begin, end;  // changed columns of a row, relative to the box
    };
    std::vector<TSpan> m_Spans;  // one a row; m_Result holds their pixels back to back
    bool m_Valid = false, m_Open = false;
};
