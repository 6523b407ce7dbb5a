#pragma once
#include <bitset>
#include <cstdint>
#include <string>

#include "engine/velmor_codes.h"
#include "engine/velmor_idle_wait.h"
#include "platform/dynamic_library.h"
#define VELMOR_PLUGIN_HOST
#include "plugin/velmor_plugin.h"

class TVelmor;

// The plug-in host: loads a game's native library, hands it the engine's screen, files and
// variables through the C structures of plugin/velmor_plugin.h, and runs its exports while
// the engine is in the plug-in mode. After a release nothing of the library is called again.
// A plug-in built for an earlier interface version gets the structures of its version.
// An exception out of an export ends the plug-in (record, release, the script goes on).
class TVelmorPlugin {
public:
    explicit TVelmorPlugin(TVelmor& engine);
    ~TVelmorPlugin();
    TVelmorPlugin(const TVelmorPlugin&) = delete;
    TVelmorPlugin& operator=(const TVelmorPlugin&) = delete;

    // dllopen: releases any library first; fatal when it cannot be opened.
    void Open(const std::string& name);
    // dllattach: records its failures; enters the plug-in mode before calling Attach.
    void Attach(const std::string& argument);
    // dllclose, and the engine's destruction.
    void Close();
    bool Loaded() const { return m_Library.IsLoaded(); }

    // The plug-in mode's work; each does nothing without the export.
    void Clock();
    void Input(TInputCode code, int x, int y);
    void MouseMove(int x, int y);
    // A key (VELMOR_KEY_ code) pressed or released on the game window: kept for key_down in any
    // mode, passed to OnKey in the plug-in mode.
    void Key(int32_t key, bool down, bool repeat);
    // The window lost the keyboard: nothing is held any more.
    void ReleaseKeys() { m_HeldKeys.reset(); }
    // What key_down answers.
    bool KeyHeld(int32_t key) const {
        return key > 0 && static_cast<size_t>(key) < m_HeldKeys.size() &&
               m_HeldKeys[static_cast<size_t>(key)];
    }
    // The idle loop's pace while the plug-in runs (its Clock on every pass).
    TIdleWait NextWait() const;
    static constexpr uint32_t kClockIntervalMs = 16;

    // The host file a game's library name stands for: inside projectFolder (a game path, empty
    // for the current folder), ".dll" read as ".so", no extension given as ".so". False when
    // the name leaves the folder.
    static bool ResolveLibraryPath(const std::string& projectFolder, const std::string& name,
                                   std::string& hostPath);
    // Why the last open failed, for the error stream and the error list.
    const std::string& LastOpenError() const { return m_OpenError; }
    // The interface version the loaded plug-in was built for (0 when none is loaded).
    uint32_t Version() const { return m_Version; }

private:
    enum class TWayBack { kNone, kNextLine, kParagraph };
    void Forget();
    bool Refuse(const std::string& why);
    // Runs the way back the plug-in asked for during the call that just returned.
    void AfterCall();
    bool RequestWayBack(TWayBack kind, const char* paragraph, const char* script);
    uint32_t Ticks() const;
    // The structures as the plug-in's version knows them.
    void Offer(uint32_t version);
    // Runs a call into the plug-in; false when it threw, which has then ended the plug-in.
    template <class Call>
    bool Guard(const char* exportName, Call&& call);
    void EndAfterException(const char* exportName, const std::string& what);

    // The C side calls these through the structures; they never throw.
    static void DisplaySize(void* host, int32_t* width, int32_t* height);
    static void DisplayPresent(void* host);
    static uint32_t DisplayTicks(void* host);
    static int32_t ReadFile(void* host, const char* name, VelmorBuffer* out);
    static int32_t LoadPicture(void* host, const char* name, VelmorImage* out);
    static void Release(void* host, void* memory);
    static int32_t ScreenImage(void* host, VelmorImage* image);
    static int32_t GetVariable(void* host, const char* name, int32_t* value);
    static int32_t SetVariable(void* host, const char* name, int32_t value);
    static int32_t Resume(void* host);
    static int32_t Jump(void* host, const char* paragraph, const char* script);
    static int32_t KeyDown(void* host, int32_t key);
    static int32_t DrawText(void* host, const VelmorRect* area, const char* text, uint32_t colour,
                            uint32_t outline);
    static int32_t VariableCount(void* host);
    static int32_t VariableAt(void* host, int32_t index, char* name, uint32_t capacity,
                              int32_t* value);

    TVelmor& m_Engine;
    platform::DynamicLibrary m_Library;
    VelmorOnInputFn m_OnInput = nullptr;
    VelmorOnMouseMoveFn m_OnMouseMove = nullptr;
    VelmorClockFn m_Clock = nullptr;
    VelmorAttachFn m_Attach = nullptr;
    VelmorOnKeyFn m_OnKey = nullptr;
    uint32_t m_Version = 0;
    std::string m_Name;
    std::bitset<256> m_HeldKeys;
    VelmorDisplay m_DisplayApi{};
    VelmorResources m_ResourcesApi{};
    VelmorScreen m_ScreenApi{};
    VelmorScript m_ScriptApi{};
    TWayBack m_WayBack = TWayBack::kNone;
    std::string m_WayBackParagraph, m_WayBackScript;
    uint32_t m_LastClock = 0;
    std::string m_OpenError;
};
