#include "engine/velmor_effect_parser.h"

#include "resources/yxstringlib.h"

namespace {
enum Slot { kAction, kKind, kModifier };

enum Word {
    kNone = 0,
    kIn = 1,
    kOut,
    kScroll,
    kTumble,
    kEffect,
    kFade,
    kWave,
    kSand,
    kGamma,
    kSepia,
    kContrast,
    kLeft,
    kRight,
    kVertical,
    kHorizon,
    kWhite,
    kBlack,
    kUp,
    kDown
};

struct Keyword {
    const char* text;
    Slot slot;
    Word word;
};

// Within a slot the keyword further down wins when several are present, so "black" after
// "white" turns a white fade back to black.
constexpr Keyword kKeywords[] = {
    {"in", kAction, kIn},           {"out", kAction, kOut},         {"scroll", kAction, kScroll},
    {"tumble", kAction, kTumble},   {"effect", kAction, kEffect},   {"fade", kKind, kFade},
    {"wave", kKind, kWave},         {"sand", kKind, kSand},         {"gamma", kKind, kGamma},
    {"left", kKind, kLeft},         {"right", kKind, kRight},       {"sepia", kKind, kSepia},
    {"contrast", kKind, kContrast}, {"vertical", kKind, kVertical}, {"horizon", kKind, kHorizon},
    {"white", kModifier, kWhite},   {"black", kModifier, kBlack},   {"up", kModifier, kUp},
    {"down", kModifier, kDown}};

bool Present(const TStringList& words, const char* keyword) {
    for (const auto& w : words)
        if (yx::SameText(w, keyword)) return true;
    return false;
}
}  // namespace

int speffectParse(const TStringList& words) {
    Word slots[3] = {kNone, kNone, kNone};
    for (const Keyword& k : kKeywords)
        if (Present(words, k.text)) slots[k.slot] = k.word;
    const Word kind = slots[kKind], mod = slots[kModifier];
    const bool white = mod == kWhite;
    switch (slots[kAction]) {
        case kIn:
            if (kind == kFade) return white ? 1 : 2;
            if (kind == kWave) return white ? 5 : 6;
            if (kind == kSand) return 9;
            if (kind == kGamma) return 11;
            return 0;
        case kOut:
            if (kind == kFade) return white ? 3 : 4;
            if (kind == kWave) return white ? 7 : 8;
            if (kind == kSand) return 10;
            if (kind == kGamma) return 12;
            return 0;
        case kScroll:
            if (kind == kLeft) return mod == kUp ? 17 : mod == kDown ? 18 : 13;
            if (kind == kRight) return mod == kUp ? 19 : mod == kDown ? 20 : 14;
            return mod == kUp ? 15 : mod == kDown ? 16 : 0;
        case kTumble:
            if (kind == kVertical) return 21;
            if (kind == kHorizon) return 22;
            return 0;
        case kEffect:
            if (kind == kSepia) return 23;
            if (kind == kContrast) return mod == kUp ? 24 : mod == kDown ? 25 : 0;
            return 0;
        default:
            return 0;
    }
}
