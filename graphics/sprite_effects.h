#pragma once
// Transitions and colour filters of a layer. Each animates straight onto the display surface,
// shows every frame at once and paces itself on the tick count, running to completion inside
// the call. The sand and cross-fade effects take their brush patterns from the resource
// library (null: the library the engine was given is not at hand, and the patterns are missing).
#include <cstdint>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"

class TyxDllRes;

// Effects 1 to 22 with their standard durations; other numbers do nothing.
void speffectRun(TSprite& sprite, TDisplaySurface& control, int number, TyxDllRes* library);

void speffectFadeIn(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration);
// Ends with the picture filled white or black.
void speffectFadeOut(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration);
void speffectWaveIn(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration);
void speffectWaveOut(TSprite& sprite, TDisplaySurface& control, bool toWhite, uint32_t duration);
// Raise "リソースロードエラー\n<name>が見つかりません" for a pattern the library lacks.
void speffectSandIn(TSprite& sprite, TDisplaySurface& control, uint32_t duration,
                    TyxDllRes* library);
// Leaves the masked picture (black after the last step).
void speffectSandOut(TSprite& sprite, TDisplaySurface& control, uint32_t duration,
                     TyxDllRes* library);
void speffectGammaIn(TSprite& sprite, TDisplaySurface& control, uint32_t duration);
// Ends with the picture filled white.
void speffectGammaOut(TSprite& sprite, TDisplaySurface& control, uint32_t duration);
// Pans to the edges named by dx and dy (each -1, 0 or 1) and anchors the layer there; an axis
// with 0 keeps its anchor and position.
void speffectScroll(TSprite& sprite, TDisplaySurface& control, int dx, int dy, uint32_t duration);
// Shakes the picture in five frames and leaves it where it was; no events are let through.
void speffectTumble(TSprite& sprite, TDisplaySurface& control, bool vertical, uint32_t duration);
// 23 sepia, 24 contrast 2.0, 25 contrast 0.5; anything else, or no picture, does nothing.
void speffectFilter(TSprite& sprite, int number);
// Dissolves from the sprite's picture to the other's, which the sprite's picture becomes.
// Any failure raises "メモリ不足エラー\nTSprite::speffectCrossFade".
void speffectCrossFade(TSprite& sprite, TDisplaySurface& control, const TSprite& other,
                       uint32_t duration, TyxDllRes* library);
// Dissolves from what the surface shows to the sprite's picture, which is left unchanged.
void speffectCrossFade(TSprite& sprite, TDisplaySurface& control, uint32_t duration,
                       TyxDllRes* library);
