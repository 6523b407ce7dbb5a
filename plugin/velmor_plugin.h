/* The interface between the velmor engine and a native plug-in library (a shared object).
 * C99, no other header of the engine needed. See plugin/README.md for a complete example.
 *
 * A plug-in exports, with C linkage and by exactly these names:
 *   VelmorPlugin   the VelmorPluginInfo below, read before anything is called
 *   DLLOpen        called once by the script's dllopen
 *   Attach         called once by dllattach, after the engine entered the plug-in mode
 *   Clock          called on every idle pass while the plug-in mode runs
 *   OnInput        a mouse click on the game screen
 *   OnMouseMove    pointer movement over the game screen
 * DLLOpen, Attach, Clock, OnInput and OnMouseMove must all exist for dllattach to succeed.
 *
 * Text is Shift-JIS bytes, as in the scripts. Every call happens on the engine's one thread.
 * The host structures stay valid from DLLOpen until the library is released; a VelmorImage
 * from VelmorScreen.image stays valid only until the export that asked for it returns.
 */
#ifndef VELMOR_PLUGIN_H
#define VELMOR_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raised whenever a structure below changes in a way old plug-ins would misread. */
#define VELMOR_PLUGIN_VERSION 1u

#if defined(__GNUC__)
#define VELMOR_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define VELMOR_PLUGIN_EXPORT
#endif

/* What the plug-in was built against; the engine refuses another version. */
typedef struct VelmorPluginInfo {
    uint32_t version; /* VELMOR_PLUGIN_VERSION */
    const char* name; /* for error messages; may be NULL */
} VelmorPluginInfo;

/* Defines the VelmorPlugin export; use it once in the plug-in. */
#define VELMOR_PLUGIN_DECLARE(plugin_name)                                          \
    VELMOR_PLUGIN_EXPORT const VelmorPluginInfo VelmorPlugin = {VELMOR_PLUGIN_VERSION, \
                                                                (plugin_name)}

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

#ifdef __cplusplus
}
#endif

#endif /* VELMOR_PLUGIN_H */
