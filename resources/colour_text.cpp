#include "resources/colour_text.h"

#include <cstdio>

#include "resources/yxstringlib.h"

namespace yx {
namespace {

struct NamedColour {
    const char* name;
    uint32_t value;
};

constexpr NamedColour kStandard[] = {
    {"clBlack", 0x000000},  {"clMaroon", 0x000080}, {"clGreen", 0x008000},
    {"clOlive", 0x008080},  {"clNavy", 0x800000},   {"clPurple", 0x800080},
    {"clTeal", 0x808000},   {"clGray", 0x808080},   {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},    {"clLime", 0x00FF00},   {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
};

constexpr uint32_t kSystem = 0x80000000u;
constexpr NamedColour kOther[] = {
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", kSystem | 0},
    {"clBackground", kSystem | 1},
    {"clActiveCaption", kSystem | 2},
    {"clInactiveCaption", kSystem | 3},
    {"clMenu", kSystem | 4},
    {"clWindow", kSystem | 5},
    {"clWindowFrame", kSystem | 6},
    {"clMenuText", kSystem | 7},
    {"clWindowText", kSystem | 8},
    {"clCaptionText", kSystem | 9},
    {"clActiveBorder", kSystem | 10},
    {"clInactiveBorder", kSystem | 11},
    {"clAppWorkSpace", kSystem | 12},
    {"clHighlight", kSystem | 13},
    {"clHighlightText", kSystem | 14},
    {"clBtnFace", kSystem | 15},
    {"clBtnShadow", kSystem | 16},
    {"clGrayText", kSystem | 17},
    {"clBtnText", kSystem | 18},
    {"clInactiveCaptionText", kSystem | 19},
    {"clBtnHighlight", kSystem | 20},
    {"cl3DDkShadow", kSystem | 21},
    {"cl3DLight", kSystem | 22},
    {"clInfoText", kSystem | 23},
    {"clInfoBk", kSystem | 24},
    {"clHotLight", kSystem | 26},
    {"clGradientActiveCaption", kSystem | 27},
    {"clGradientInactiveCaption", kSystem | 28},
    {"clMenuHighlight", kSystem | 29},
    {"clMenuBar", kSystem | 30},
};

}  // namespace

std::string ColorToString(uint32_t colour) {
    for (const auto& c : kStandard)
        if (c.value == colour) return c.name;
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", colour);
    return text;
}

bool TryStringToColor(std::string_view text, uint32_t& colour) {
    for (const auto& c : kStandard)
        if (SameTextAscii(text, c.name)) return colour = c.value, true;
    for (const auto& c : kOther)
        if (SameTextAscii(text, c.name)) return colour = c.value, true;
    int32_t value = 0;
    if (!TryStrToInt(text, value)) return false;
    colour = static_cast<uint32_t>(value);
    return true;
}

}  // namespace yx
