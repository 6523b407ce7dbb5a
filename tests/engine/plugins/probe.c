/* A plug-in that reports what the engine did to it: its calls go to "probe.log" in the current
 * folder and its counters into variables. Built in several variants by the test build:
 * NO_INFO, PROBE_VERSION, NO_DLLOPEN, OPEN_RESULT, ATTACH_RESULT, NO_MOUSE_MOVE, PROBE_NAME;
 * and as C++ (probe_cpp.cpp), where it throws out of the export "throw.txt" names. */
#include <stdio.h>
#include <string.h>

#include "plugin/velmor_plugin.h"

#ifndef PROBE_NAME
#define PROBE_NAME "probe"
#endif
#ifndef OPEN_RESULT
#define OPEN_RESULT 1
#endif
#ifndef ATTACH_RESULT
#define ATTACH_RESULT 1
#endif

#ifndef NO_INFO
#ifdef PROBE_VERSION
VELMOR_PLUGIN_EXPORT const VelmorPluginInfo VelmorPlugin = {PROBE_VERSION, PROBE_NAME};
#else
VELMOR_PLUGIN_DECLARE(PROBE_NAME);
#endif
#endif

static const VelmorDisplay* g_display;
static const VelmorResources* g_resources;
static const VelmorScreen* g_screen;
static const VelmorScript* g_script;
static char g_argument[256];
static int g_clocks;

static void Log(const char* text) {
    FILE* f = fopen("probe.log", "a");
    if (!f) return;
    fprintf(f, "%s %s\n", PROBE_NAME, text);
    fclose(f);
}

#ifdef __cplusplus
#include <stdexcept>
/* "Clock" throws a std::runtime_error out of Clock, "Clock!" an int. */
static void MaybeThrow(const char* name) {
    char line[64] = "";
    FILE* f = fopen("throw.txt", "r");
    if (!f) return;
    if (!fgets(line, sizeof line, f)) line[0] = 0;
    fclose(f);
    line[strcspn(line, "\n")] = 0;
    const size_t n = strlen(name);
    if (strncmp(line, name, n) != 0) return;
    if (line[n] == '!') throw 42;
    if (line[n] == 0) throw std::runtime_error(std::string(name) + " gave up");
}
#else
#define MaybeThrow(name) ((void)0)
#endif

__attribute__((destructor)) static void Released(void) {
    Log("release");
}

static void Set(const char* name, int32_t value) {
    if (g_script) g_script->set_variable(g_script->host, name, value);
}

/* Fills the screen with one colour (0xBBGGRR) and shows it. */
static void Paint(uint32_t colour) {
    VelmorImage image;
    if (!g_screen->image(g_screen->host, &image)) return;
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* row = image.pixels + (size_t)y * (size_t)image.stride;
        for (int32_t x = 0; x < image.width; ++x) {
            row[x * 4 + 0] = (uint8_t)(colour >> 16);
            row[x * 4 + 1] = (uint8_t)(colour >> 8);
            row[x * 4 + 2] = (uint8_t)colour;
        }
    }
    g_display->present(g_display->host);
}

/* The argument names the way back: "resume", "now" (resume inside Attach), or "#paragraph"
 * with "@script" after it, all taken on the first click. */
static void WayBack(void) {
    if (strcmp(g_argument, "resume") == 0 || strcmp(g_argument, "now") == 0) {
        Set("way_back", g_script->resume(g_script->host));
    } else if (g_argument[0] == '#') {
        char paragraph[256];
        strcpy(paragraph, g_argument);
        char* at = strchr(paragraph, '@');
        const char* script = NULL;
        if (at) {
            *at = 0;
            script = at + 1;
        }
        Set("way_back", g_script->jump(g_script->host, paragraph, script));
    }
}

#ifndef NO_DLLOPEN
static int g_opens;

VELMOR_PLUGIN_EXPORT unsigned char DLLOpen(const VelmorDisplay* display,
                                           const VelmorResources* resources,
                                           const VelmorScreen* screen) {
    g_display = display;
    g_resources = resources;
    g_screen = screen;
    ++g_opens;
    char text[64];
    snprintf(text, sizeof text, "open %d v%u", g_opens, (unsigned)display->version);
    Log(text);
    MaybeThrow("DLLOpen");
    return OPEN_RESULT;
}
#endif

/* Interface 2 only: the variables walked ("vars", then the first name cut to two bytes), and
 * the structures' sizes as variables. */
static void Walk(const VelmorScript* script) {
    Set("api_version", (int32_t)script->version);
    Set("api_display", (int32_t)g_display->size);
    Set("api_screen", (int32_t)g_screen->size);
    Set("api_script", (int32_t)script->size);
    if (script->version < 2) return;
    char text[512] = "vars";
    const int32_t count = script->variable_count(script->host);
    for (int32_t i = 0; i < count; ++i) {
        char name[64];
        int32_t value = 0;
        if (script->variable_at(script->host, i, name, sizeof name, &value) < 0) break;
        snprintf(text + strlen(text), sizeof text - strlen(text), " %s=%d", name, (int)value);
    }
    char cut[3] = "??";
    const int32_t length = script->variable_at(script->host, 0, cut, sizeof cut, NULL);
    snprintf(text + strlen(text), sizeof text - strlen(text), " | %s %d %d", cut, (int)length,
             (int)script->variable_at(script->host, count, cut, sizeof cut, NULL));
    Log(text);
}

VELMOR_PLUGIN_EXPORT unsigned char Attach(const char* argument, const VelmorScript* script) {
    MaybeThrow("Attach");
    g_script = script;
    snprintf(g_argument, sizeof g_argument, "%s", argument);
    char text[300];
    snprintf(text, sizeof text, "attach %s", argument);
    Log(text);
    int32_t width = 0, height = 0;
    g_display->get_size(g_display->host, &width, &height);
    Set("screen_w", width);
    Set("screen_h", height);
    int32_t seed = 0;
    if (script->get_variable(script->host, "seed", &seed)) Set("seed_seen", seed);
    VelmorBuffer file;
    if (g_resources->read_file(g_resources->host, "probe.txt", &file)) {
        Set("file_size", (int32_t)file.size);
        Set("file_first", file.size ? file.data[0] : -1);
        g_resources->release(g_resources->host, file.data);
    } else {
        Set("file_size", -1);
    }
    VelmorImage picture;
    if (g_resources->load_picture(g_resources->host, "pic.png", &picture)) {
        Set("pic_w", picture.width);
        Set("pic_h", picture.height);
        const uint8_t* p = picture.pixels;
        Set("pic_px", (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
                                (uint32_t)p[3] << 24));
        g_resources->release(g_resources->host, picture.pixels);
    } else {
        Set("pic_w", -1);
    }
    Walk(script);
    if (strcmp(g_argument, "now") == 0) WayBack();
    return ATTACH_RESULT;
}

VELMOR_PLUGIN_EXPORT void Clock(void) {
    MaybeThrow("Clock");
    Set("clocks", ++g_clocks);
    Set("tick", (int32_t)g_display->tick_count(g_display->host));
}

VELMOR_PLUGIN_EXPORT void OnInput(const VelmorPoint* point) {
    char text[64];
    snprintf(text, sizeof text, "input %d %d", (int)point->x, (int)point->y);
    Log(text);
    MaybeThrow("OnInput");
    Paint(0x0000FF);
    /* "text-..." draws the rest over the red screen, "outline-..." with a green outline. */
    const int outline = strncmp(g_argument, "outline-", 8) == 0;
    if ((outline || strncmp(g_argument, "text-", 5) == 0) && g_screen->version >= 2) {
        const VelmorRect area = {point->x, point->y, point->x + 60, point->y + 60};
        Set("drawn", g_screen->draw_text(g_screen->host, &area, g_argument + (outline ? 8 : 5),
                                         0xFFFFFF, outline ? 0x00FF00 : VELMOR_NO_OUTLINE));
        g_display->present(g_display->host);
        return;
    }
    WayBack();
}

#ifndef NO_MOUSE_MOVE
VELMOR_PLUGIN_EXPORT void OnMouseMove(const VelmorPoint* point) {
    char text[64];
    snprintf(text, sizeof text, "move %d %d", (int)point->x, (int)point->y);
    Log(text);
    MaybeThrow("OnMouseMove");
}
#endif

VELMOR_PLUGIN_EXPORT void OnKey(const VelmorKeyEvent* event) {
    char text[64];
    snprintf(text, sizeof text, "key %d %d %d held %d", (int)event->key, (int)event->down,
             (int)event->repeat, (int)g_display->key_down(g_display->host, event->key));
    Log(text);
    MaybeThrow("OnKey");
}
