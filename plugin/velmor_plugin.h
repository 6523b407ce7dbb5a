/* The interface between the velmor engine and a native plug-in library (a shared object).
 * C99 or C++, no other header of the engine needed. See plugin/README.md for complete examples.
 *
 * A plug-in exports, with C linkage and by exactly these names (the prototypes are below, so
 * a definition with another signature does not compile):
 *   VelmorPlugin   the VelmorPluginInfo below, read before anything is called
 *   DLLOpen        called once by the script's dllopen
 *   Attach         called once by dllattach, after the engine entered the plug-in mode
 *   Clock          called on every idle pass while the plug-in mode runs
 *   OnInput        a mouse click on the game screen
 *   OnMouseMove    pointer movement over the game screen
 *   OnKey          (optional, interface 2) a key pressed or released in the plug-in mode
 * DLLOpen, Attach, Clock, OnInput and OnMouseMove must all exist for dllattach to succeed.
 * Mark each definition with VELMOR_PLUGIN_EXPORT (in C++ it also gives C linkage).
 *
 * Versions: VelmorPlugin.version says which interface the plug-in was built for, 1 or 2. The
 * engine hands a plug-in of version 1 exactly the structures of version 1 (version 1, the
 * sizes of version 1, no OnKey); the fields marked "interface 2" exist only when the
 * structure's version is 2 or more.
 *
 * Who owns what:
 * - The host structures and their functions belong to the engine; they stay valid from
 *   DLLOpen until the library is released. Do not write to them.
 * - What an export receives (Attach's argument, the points of OnInput and OnMouseMove,
 *   OnKey's event) belongs to the engine and is valid only during that call: copy what you
 *   keep.
 * - Strings the plug-in passes to the engine (names, text) are only read during the call.
 * - A VelmorImage from VelmorScreen.image is the engine's screen: draw into it, but it is valid
 *   only until the export that asked for it returns.
 * - VelmorBuffer data from read_file and VelmorImage pixels from load_picture belong to the
 *   plug-in until it hands them back with VelmorResources.release (never free() them).
 * - A name buffer given to variable_at belongs to the plug-in; the engine only writes into it.
 * - Do not let a C++ exception leave an export: the engine catches it, records it, releases
 *   the library and goes on with the script at the line after dllattach.
 *
 * Text is Shift-JIS bytes, as in the scripts. Every call happens on the engine's one thread.
 */
#ifndef VELMOR_PLUGIN_H
#define VELMOR_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface this header describes. The engine also loads plug-ins of every earlier
 * version, each seeing only what its version had. */
#define VELMOR_PLUGIN_VERSION 2u

#if defined(__GNUC__)
#define VELMOR_PLUGIN_VISIBLE __attribute__((visibility("default")))
#else
#define VELMOR_PLUGIN_VISIBLE
#endif
/* A C++ definition needs C linkage to be found by its name, and to meet its prototype. */
#ifdef __cplusplus
#define VELMOR_PLUGIN_EXPORT extern "C" VELMOR_PLUGIN_VISIBLE
#else
#define VELMOR_PLUGIN_EXPORT VELMOR_PLUGIN_VISIBLE
#endif

/* What the plug-in was built against; the engine refuses another version. */
typedef struct VelmorPluginInfo {
    uint32_t version; /* VELMOR_PLUGIN_VERSION, or an earlier version the plug-in keeps to */
    const char* name; /* for error messages; may be NULL; the plug-in's own constant */
} VelmorPluginInfo;

/* Defines the VelmorPlugin export; use it once in the plug-in. */
#define VELMOR_PLUGIN_DECLARE(plugin_name)                                          \
    VELMOR_PLUGIN_EXPORT const VelmorPluginInfo VelmorPlugin = {VELMOR_PLUGIN_VERSION, \
                                                                (plugin_name)}

typedef struct VelmorRect {
    int32_t left;
    int32_t top;
    int32_t right; /* exclusive */
    int32_t bottom;
} VelmorRect;

typedef struct VelmorPoint {
    int32_t x;
    int32_t y;
} VelmorPoint;

/* A picture of 32 bits per pixel: bytes blue, green, red, then alpha (255 opaque; on the
 * screen the fourth byte is unused). Rows top first, stride bytes apart. */
typedef struct VelmorImage {
    int32_t width;
    int32_t height;
    int32_t stride;
    uint8_t* pixels;
} VelmorImage;

/* Bytes the engine allocated for the plug-in; give them back with VelmorResources.release. */
typedef struct VelmorBuffer {
    uint8_t* data;
    uint32_t size;
} VelmorBuffer;

/* A key, by the virtual key codes of the original's platform: letters 'A' to 'Z' and digits
 * '0' to '9' by their capital ASCII code, and these. */
#define VELMOR_KEY_BACKSPACE 0x08
#define VELMOR_KEY_TAB 0x09
#define VELMOR_KEY_RETURN 0x0D
#define VELMOR_KEY_SHIFT 0x10
#define VELMOR_KEY_CONTROL 0x11
#define VELMOR_KEY_ALT 0x12
#define VELMOR_KEY_ESCAPE 0x1B
#define VELMOR_KEY_SPACE 0x20
#define VELMOR_KEY_PAGEUP 0x21
#define VELMOR_KEY_PAGEDOWN 0x22
#define VELMOR_KEY_END 0x23
#define VELMOR_KEY_HOME 0x24
#define VELMOR_KEY_LEFT 0x25
#define VELMOR_KEY_UP 0x26
#define VELMOR_KEY_RIGHT 0x27
#define VELMOR_KEY_DOWN 0x28
#define VELMOR_KEY_INSERT 0x2D
#define VELMOR_KEY_DELETE 0x2E
#define VELMOR_KEY_F1 0x70 /* F2 to F12 follow: 0x71 to 0x7B */

/* Interface 2: what OnKey receives. */
typedef struct VelmorKeyEvent {
    int32_t key;    /* a VELMOR_KEY_ code */
    int32_t down;   /* 1 pressed, 0 released */
    int32_t repeat; /* 1 for a press the keyboard repeats while the key is held */
} VelmorKeyEvent;

/* A colour: 0x00BBGGRR (red in the low byte). */
#define VELMOR_NO_OUTLINE 0xFFFFFFFFu

/* Functions return 1 for success and 0 for failure unless said otherwise. Each takes the
 * host pointer of its own structure first. */

/* The game window. */
typedef struct VelmorDisplay {
    uint32_t version; /* the engine's VELMOR_PLUGIN_VERSION */
    uint32_t size;    /* sizeof(VelmorDisplay) in the engine: fields past it do not exist */
    void* host;
    /* Size of the window's game image, in pixels. */
    void (*get_size)(void* host, int32_t* width, int32_t* height);
    /* Shows the screen picture (VelmorScreen) in the window now. */
    void (*present)(void* host);
    /* The engine's millisecond tick count (wraps at 2^32). Time in tests and in the headless
     * runner is virtual: measure time only with this. */
    uint32_t (*tick_count)(void* host);
    /* Interface 2: 1 while the key (a VELMOR_KEY_ code) is held down on the game window. */
    int32_t (*key_down)(void* host, int32_t key);
} VelmorDisplay;

/* Game files, loose in the game's folder or inside its archives, unscrambled. */
typedef struct VelmorResources {
    uint32_t version;
    uint32_t size;
    void* host;
    /* The whole file. On success out holds bytes the plug-in owns until release. */
    int32_t (*read_file)(void* host, const char* name, VelmorBuffer* out);
    /* A picture (PNG, JPEG, BMP, the masked .vpp) decoded by the engine into a 32-bit image
     * with alpha; out->pixels is owned by the plug-in until release. */
    int32_t (*load_picture)(void* host, const char* name, VelmorImage* out);
    /* Frees what read_file or load_picture handed out (data or pixels); NULL does nothing. */
    void (*release)(void* host, void* memory);
} VelmorResources;

/* The engine's screen picture, which the plug-in draws into. */
typedef struct VelmorScreen {
    uint32_t version;
    uint32_t size;
    void* host;
    /* Fills image with the screen picture; valid until the present export returns. */
    int32_t (*image)(void* host, VelmorImage* image);
    /* Interface 2: draws text into the screen picture as the message window draws it: in the
     * game's font, from area's top left, a new line (the game's line pitch) where a character
     * would reach area's right edge, smooth when the player chose smooth text; with a one-pixel
     * outline in the outline colour unless it is VELMOR_NO_OUTLINE. Call present to show it. */
    int32_t (*draw_text)(void* host, const VelmorRect* area, const char* text, uint32_t colour,
                         uint32_t outline);
} VelmorScreen;

/* The script: its variables and the way back to it. */
typedef struct VelmorScript {
    uint32_t version;
    uint32_t size;
    void* host;
    /* 0 when no variable has that name (letter case does not matter). */
    int32_t (*get_variable)(void* host, const char* name, int32_t* value);
    /* Creates the variable when it is missing; 0 only for an empty name. */
    int32_t (*set_variable)(void* host, const char* name, int32_t value);
    /* Ends the plug-in mode; the script goes on at the line after dllattach. Takes effect
     * when the present export returns; Clock and input are not called again until the next
     * dllattach. 0 when the plug-in mode is not running. */
    int32_t (*resume)(void* host);
    /* The same, but the script goes on at paragraph ("#name") of script (NULL or "" for the
     * present script). A paragraph that does not exist ends the game with the engine's error. */
    int32_t (*jump)(void* host, const char* paragraph, const char* script);
    /* Interface 2: the number of variables; they are numbered from 0 in the order they were
     * first set. */
    int32_t (*variable_count)(void* host);
    /* Interface 2: variable number index. Copies its name, cut to capacity - 1 bytes and
     * zero-terminated, into name (when capacity > 0) and stores its value. Returns the whole
     * name's length in bytes (a cut may split a two-byte character: ask again with that length
     * + 1), or -1 when there is no such variable. */
    int32_t (*variable_at)(void* host, int32_t index, char* name, uint32_t capacity,
                           int32_t* value);
} VelmorScript;

/* The exports, as the engine calls them. Results of DLLOpen and Attach: non-zero for
 * success; on 0 the open fails (the game ends) or the attach is recorded as failed. */
typedef unsigned char (*VelmorDLLOpenFn)(const VelmorDisplay* display,
                                         const VelmorResources* resources,
                                         const VelmorScreen* screen);
typedef unsigned char (*VelmorAttachFn)(const char* argument, const VelmorScript* script);
typedef void (*VelmorClockFn)(void);
typedef void (*VelmorOnInputFn)(const VelmorPoint* point);
typedef void (*VelmorOnMouseMoveFn)(const VelmorPoint* point);
typedef void (*VelmorOnKeyFn)(const VelmorKeyEvent* event);

/* The plug-in side: the exports' prototypes (the engine, which defines VELMOR_PLUGIN_HOST, has
 * no use for them). */
#ifndef VELMOR_PLUGIN_HOST
VELMOR_PLUGIN_EXPORT unsigned char DLLOpen(const VelmorDisplay* display,
                                           const VelmorResources* resources,
                                           const VelmorScreen* screen);
VELMOR_PLUGIN_EXPORT unsigned char Attach(const char* argument, const VelmorScript* script);
VELMOR_PLUGIN_EXPORT void Clock(void);
VELMOR_PLUGIN_EXPORT void OnInput(const VelmorPoint* point);
VELMOR_PLUGIN_EXPORT void OnMouseMove(const VelmorPoint* point);
VELMOR_PLUGIN_EXPORT void OnKey(const VelmorKeyEvent* event);
#endif

#ifdef __cplusplus
}
#endif

#endif /* VELMOR_PLUGIN_H */
