/* The demo's mini game: in the storm the lighthouse's lit windows flicker; click the three of
 * them before the time bar runs out. The result goes into the variables "lamps" (windows
 * saved) and "lamp_win" (1 when all three were); a win goes on at the script's next line, a
 * loss jumps to the paragraph "#dark". The attach argument names the backdrop picture. */
#include <string.h>

#include "plugin/velmor_plugin.h"

VELMOR_PLUGIN_DECLARE("lighthouse");

enum { kWindows = 6, kLitCount = 3, kSegments = 24 };
static const uint32_t kTimeMs = 12000;

typedef struct Rect {
    int32_t left, top, right, bottom;
} Rect;

static const Rect kTower = {340, 120, 460, 560};
static const Rect kWindowRects[kWindows] = {
    {362, 170, 390, 210}, {410, 170, 438, 210}, {362, 290, 390, 330},
    {410, 290, 438, 330}, {362, 410, 390, 450}, {410, 410, 438, 450},
};
static const int kLit[kWindows] = {1, 0, 0, 1, 1, 0};
static const Rect kBar = {100, 570, 700, 586};

static const VelmorDisplay* g_display;
static const VelmorResources* g_resources;
static const VelmorScreen* g_screen;
static const VelmorScript* g_script;
static VelmorImage g_backdrop;
static int g_saved[kWindows];
static int g_hover = -1;
static uint32_t g_start;
static int g_shownSegments = -1;
static int g_flicker = -1;
static int g_over;

static int Inside(const Rect* r, int32_t x, int32_t y) {
    return x >= r->left && x < r->right && y >= r->top && y < r->bottom;
}

static void FillRect(const VelmorImage* s, Rect r, uint32_t colour) {
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > s->width) r.right = s->width;
    if (r.bottom > s->height) r.bottom = s->height;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint8_t* p = s->pixels + (size_t)y * (size_t)s->stride + (size_t)r.left * 4;
        for (int32_t x = r.left; x < r.right; ++x, p += 4) {
            p[0] = (uint8_t)(colour >> 16);
            p[1] = (uint8_t)(colour >> 8);
            p[2] = (uint8_t)colour;
        }
    }
}

static void Backdrop(const VelmorImage* s) {
    for (int32_t y = 0; y < s->height; ++y) {
        uint8_t* to = s->pixels + (size_t)y * (size_t)s->stride;
        for (int32_t x = 0; x < s->width; ++x, to += 4) {
            uint8_t b = 40, g = 30, r = 30;
            if (g_backdrop.pixels && x < g_backdrop.width && y < g_backdrop.height) {
                const uint8_t* from =
                    g_backdrop.pixels + (size_t)y * (size_t)g_backdrop.stride + (size_t)x * 4;
                /* A storm: the picture at a third of its light, tinted blue. */
                b = (uint8_t)(from[0] / 3 + 30);
                g = (uint8_t)(from[1] / 3 + 10);
                r = (uint8_t)(from[2] / 3);
            }
            to[0] = b;
            to[1] = g;
            to[2] = r;
        }
    }
}

static uint32_t Elapsed(void) {
    return g_display->tick_count(g_display->host) - g_start;
}

static int Saved(void) {
    int n = 0;
    for (int i = 0; i < kWindows; ++i) n += g_saved[i];
    return n;
}

/* Everything but the bar; flicker picks the dim or bright phase of the unsaved lit windows. */
static void DrawScene(const VelmorImage* s, int flicker) {
    Backdrop(s);
    FillRect(s, kTower, 0xD8D8E0);
    for (int band = 0; band < 3; ++band)
        FillRect(s, (Rect){kTower.left, 225 + band * 120, kTower.right, 265 + band * 120},
                 0x2020A0);
    FillRect(s, (Rect){kTower.left - 10, kTower.top - 30, kTower.right + 10, kTower.top},
             0x303050);
    for (int i = 0; i < kWindows; ++i) {
        const Rect w = kWindowRects[i];
        if (i == g_hover)
            FillRect(s, (Rect){w.left - 3, w.top - 3, w.right + 3, w.bottom + 3}, 0x40C0FF);
        uint32_t colour = 0x402020;
        if (g_saved[i])
            colour = 0xC0FFFF;
        else if (kLit[i])
            colour = flicker ? 0x00C0FF : 0x0060A0;
        FillRect(s, w, colour);
    }
}

static void DrawBar(const VelmorImage* s, int segments) {
    FillRect(s, (Rect){kBar.left - 2, kBar.top - 2, kBar.right + 2, kBar.bottom + 2}, 0x202020);
    const int32_t width = (kBar.right - kBar.left) * segments / kSegments;
    FillRect(s, (Rect){kBar.left, kBar.top, kBar.left + width, kBar.bottom}, 0x30D0F0);
}

/* Redraws what changed since the last call and shows it. */
static void Refresh(int whole) {
    VelmorImage s;
    if (!g_screen->image(g_screen->host, &s)) return;
    const uint32_t elapsed = Elapsed();
    const int flicker = (int)((elapsed / 250) & 1);
    int segments = kSegments - (int)(elapsed * kSegments / kTimeMs);
    if (segments < 0) segments = 0;
    if (!whole && flicker == g_flicker && segments == g_shownSegments) return;
    DrawScene(&s, flicker);
    DrawBar(&s, segments);
    g_flicker = flicker;
    g_shownSegments = segments;
    g_display->present(g_display->host);
}

static void FreeBackdrop(void) {
    if (g_backdrop.pixels) g_resources->release(g_resources->host, g_backdrop.pixels);
    memset(&g_backdrop, 0, sizeof g_backdrop);
}

static void Finish(void) {
    g_over = 1;
    FreeBackdrop();
    const int saved = Saved();
    g_script->set_variable(g_script->host, "lamps", saved);
    g_script->set_variable(g_script->host, "lamp_win", saved == kLitCount);
    if (saved == kLitCount)
        g_script->resume(g_script->host);
    else
        g_script->jump(g_script->host, "#dark", NULL);
}

VELMOR_PLUGIN_EXPORT unsigned char DLLOpen(const VelmorDisplay* display,
                                           const VelmorResources* resources,
                                           const VelmorScreen* screen) {
    if (display->version != VELMOR_PLUGIN_VERSION) return 0;
    g_display = display;
    g_resources = resources;
    g_screen = screen;
    return 1;
}

VELMOR_PLUGIN_EXPORT unsigned char Attach(const char* argument, const VelmorScript* script) {
    g_script = script;
    FreeBackdrop();
    /* Without its picture the game is played on a plain night sky. */
    if (argument && argument[0]) g_resources->load_picture(g_resources->host, argument, &g_backdrop);
    memset(g_saved, 0, sizeof g_saved);
    g_hover = -1;
    g_over = 0;
    g_start = g_display->tick_count(g_display->host);
    Refresh(1);
    return 1;
}

VELMOR_PLUGIN_EXPORT void Clock(void) {
    if (g_over) return;
    if (Elapsed() >= kTimeMs) {
        Refresh(1);
        Finish();
        return;
    }
    Refresh(0);
}

VELMOR_PLUGIN_EXPORT void OnInput(const VelmorPoint* point) {
    if (g_over) return;
    for (int i = 0; i < kWindows; ++i)
        if (kLit[i] && !g_saved[i] && Inside(&kWindowRects[i], point->x, point->y)) g_saved[i] = 1;
    Refresh(1);
    if (Saved() == kLitCount) Finish();
}

VELMOR_PLUGIN_EXPORT void OnMouseMove(const VelmorPoint* point) {
    if (g_over) return;
    int hover = -1;
    for (int i = 0; i < kWindows; ++i)
        if (Inside(&kWindowRects[i], point->x, point->y)) hover = i;
    if (hover == g_hover) return;
    g_hover = hover;
    Refresh(1);
}
