#include "engine/velmor_plugin.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/velmor.h"
#include "graphics/message_text.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "resources/bcl_manager.h"
#include "resources/engine_error.h"
#include "resources/memory_stream.h"
#include "resources/sjis_text.h"
#include "resources/witch.h"
#include "resources/yxstringlib.h"

namespace {

TVelmorPlugin& Self(void* host) {
    return *static_cast<TVelmorPlugin*>(host);
}

bool IsAbsoluteGamePath(const std::string& name) {
    return (!name.empty() && (name[0] == '\\' || name[0] == '/')) ||
           (name.size() >= 2 && name[1] == ':');
}

// Lexically inside root once both have their links and dot parts resolved.
bool Inside(const std::string& hostPath, const std::string& hostRoot) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path = fs::weakly_canonical(fs::path(hostPath), error);
    if (error) return false;
    const fs::path root = fs::weakly_canonical(fs::path(hostRoot), error);
    if (error) return false;
    const fs::path relative = path.lexically_relative(root);
    if (relative.empty()) return false;
    const std::string first = relative.begin()->string();
    return first != ".." && first != ".";
}

// Memory a plug-in owns until it gives it back through release.
uint8_t* Allocate(size_t size) {
    return static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
}

}  // namespace

TVelmorPlugin::TVelmorPlugin(TVelmor& engine) : m_Engine(engine) {
    Offer(VELMOR_PLUGIN_VERSION);
}

void TVelmorPlugin::Offer(uint32_t version) {
    const bool v2 = version >= 2;
    m_DisplayApi = {
        version,
        static_cast<uint32_t>(v2 ? sizeof(VelmorDisplay) : offsetof(VelmorDisplay, key_down)),
        this,
        &DisplaySize,
        &DisplayPresent,
        &DisplayTicks,
        v2 ? &KeyDown : nullptr};
    m_ResourcesApi = {version, sizeof(VelmorResources), this, &ReadFile, &LoadPicture, &Release};
    m_ScreenApi = {
        version,
        static_cast<uint32_t>(v2 ? sizeof(VelmorScreen) : offsetof(VelmorScreen, draw_text)), this,
        &ScreenImage, v2 ? &DrawText : nullptr};
    m_ScriptApi = {
        version,
        static_cast<uint32_t>(v2 ? sizeof(VelmorScript) : offsetof(VelmorScript, variable_count)),
        this,
        &GetVariable,
        &SetVariable,
        &Resume,
        &Jump,
        v2 ? &VariableCount : nullptr,
        v2 ? &VariableAt : nullptr};
}

template <class Call>
bool TVelmorPlugin::Guard(const char* exportName, Call&& call) {
    std::string what;
    try {
        call();
        return true;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an exception of unknown type";
    }
    // Only now, with the exception object (whose code may be the library's) gone.
    EndAfterException(exportName, what);
    return false;
}

void TVelmorPlugin::EndAfterException(const char* exportName, const std::string& what) {
    std::fprintf(stderr, "velmor: plug-in %s: %s threw: %s\n", platform::SjisToUtf8(m_Name).c_str(),
                 exportName, what.c_str());
    m_Engine.AddErrorRecord(SJ("プラグインで例外が発生しました ") + m_Name + " (" + exportName +
                            ": " + what + ")");
    const bool attached = m_Engine.Mode() == TGameMode::Plugin;
    Close();
    // Its state is unknown now: the game goes on without it rather than wait in its mode.
    if (attached) m_Engine.EnterGameMode(TGameMode::Script);
}

TVelmorPlugin::~TVelmorPlugin() {
    Close();
}

uint32_t TVelmorPlugin::Ticks() const {
    return m_Engine.Services().clock->TickCount();
}

bool TVelmorPlugin::ResolveLibraryPath(const std::string& projectFolder, const std::string& name,
                                       std::string& hostPath) {
    if (name.empty()) return false;
    std::string file = name;
    const std::string ext = yx::LowerCaseAscii(TyxWitch::ExtensionOf(file));
    if (ext == ".dll")
        file.replace(file.size() - ext.size(), ext.size(), ".so");
    else if (ext.empty())
        file += ".so";
    const std::string folder =
        projectFolder.empty() ? platform::FileSystem::CurrentFolder() : projectFolder;
    const std::string path = IsAbsoluteGamePath(file) ? file : folder + file;
    const std::string host = platform::FileSystem::ToHostPath(path);
    if (!Inside(host, platform::FileSystem::ToHostPath(folder)) ||
        !platform::FileSystem::MayRead(path))
        return false;
    hostPath = host;
    return true;
}

void TVelmorPlugin::Forget() {
    m_OnInput = nullptr;
    m_OnMouseMove = nullptr;
    m_Clock = nullptr;
    m_Attach = nullptr;
    m_OnKey = nullptr;
    m_WayBack = TWayBack::kNone;
}

void TVelmorPlugin::Close() {
    Forget();
    m_Version = 0;
    m_Library.Free();
}

bool TVelmorPlugin::Refuse(const std::string& why) {
    m_OpenError = why;
    Close();
    return false;
}

void TVelmorPlugin::Open(const std::string& name) {
    Close();
    m_OpenError.clear();
    m_Name = name;
    auto open = [&]() -> bool {
        std::string host;
        if (!ResolveLibraryPath(yx::ExtractFilePath(m_Engine.ScriptConfigPath()), name, host))
            return Refuse("outside the game folder");
        if (!m_Library.Load(host)) return Refuse(m_Library.LastError());
        const auto* info =
            static_cast<const VelmorPluginInfo*>(m_Library.FindExport("VelmorPlugin"));
        if (info == nullptr) return Refuse(host + ": no VelmorPlugin export");
        if (info->version < 1 || info->version > VELMOR_PLUGIN_VERSION)
            return Refuse(host + ": built for plug-in interface " + std::to_string(info->version) +
                          ", this engine has 1 to " + std::to_string(VELMOR_PLUGIN_VERSION));
        auto dllOpen = reinterpret_cast<VelmorDLLOpenFn>(m_Library.FindExport("DLLOpen"));
        if (dllOpen == nullptr) return Refuse(host + ": no DLLOpen export");
        Offer(info->version);
        unsigned char opened = 0;
        std::string what = "an exception of unknown type";
        bool threw = true;
        try {
            opened = dllOpen(&m_DisplayApi, &m_ResourcesApi, &m_ScreenApi);
            threw = false;
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        if (threw) return Refuse(host + ": DLLOpen threw: " + what);
        if (opened == 0) return Refuse(host + ": DLLOpen failed");
        m_Version = info->version;
        // A way back asked for outside the plug-in mode means nothing.
        m_WayBack = TWayBack::kNone;
        return true;
    };
    if (open()) return;
    std::fprintf(stderr, "velmor: plug-in %s: %s\n", platform::SjisToUtf8(name).c_str(),
                 m_OpenError.c_str());
    // The fatal box names only the file; the list keeps why.
    m_Engine.AddErrorRecord(SJ("プラグインを使えません ") + name + " (" +
                            platform::Utf8ToSjis(m_OpenError) + ")");
    m_Engine.FatalScriptError(SJ("TVelmor : ") + name + SJ("がオープンできません"));
}

void TVelmorPlugin::Attach(const std::string& argument) {
    if (!m_Library.IsLoaded()) {
        m_Engine.AddErrorRecord(SJ("dllをopenせずにattachしようとしました"));
        return;
    }
    m_OnInput = reinterpret_cast<VelmorOnInputFn>(m_Library.FindExport("OnInput"));
    m_OnMouseMove = reinterpret_cast<VelmorOnMouseMoveFn>(m_Library.FindExport("OnMouseMove"));
    m_Clock = reinterpret_cast<VelmorClockFn>(m_Library.FindExport("Clock"));
    m_Attach = reinterpret_cast<VelmorAttachFn>(m_Library.FindExport("Attach"));
    if (!m_OnInput || !m_OnMouseMove || !m_Clock || !m_Attach) {
        m_Engine.AddErrorRecord(SJ("dllのattachに失敗しました"));
        return;
    }
    // Optional, and unknown to a plug-in of the first version.
    if (m_Version >= 2) m_OnKey = reinterpret_cast<VelmorOnKeyFn>(m_Library.FindExport("OnKey"));
    m_Engine.EnterGameMode(TGameMode::Plugin);
    m_WayBack = TWayBack::kNone;
    m_LastClock = Ticks();
    // The argument is copied so the plug-in may keep the pointer for the call only.
    const std::string text = argument;
    unsigned char attached = 0;
    if (!Guard("Attach", [&] { attached = m_Attach(text.c_str(), &m_ScriptApi); })) return;
    if (attached == 0) m_Engine.AddErrorRecord(SJ("dllのattachに失敗しました"));
    AfterCall();
}

void TVelmorPlugin::Clock() {
    m_LastClock = Ticks();
    if (!m_Clock) return;
    if (Guard("Clock", [&] { m_Clock(); })) AfterCall();
}

void TVelmorPlugin::Input(TInputCode code, int x, int y) {
    if (code != TInputCode::Confirm || x < 0 || y < 0 || !m_OnInput) return;
    const VelmorPoint point{x, y};
    if (Guard("OnInput", [&] { m_OnInput(&point); })) AfterCall();
}

void TVelmorPlugin::MouseMove(int x, int y) {
    if (!m_OnMouseMove) return;
    const VelmorPoint point{x, y};
    if (Guard("OnMouseMove", [&] { m_OnMouseMove(&point); })) AfterCall();
}

void TVelmorPlugin::Key(int32_t key, bool down, bool repeat) {
    if (key <= 0 || static_cast<size_t>(key) >= m_HeldKeys.size()) return;
    m_HeldKeys[static_cast<size_t>(key)] = down;
    if (!m_OnKey || m_Engine.Mode() != TGameMode::Plugin) return;
    const VelmorKeyEvent event{key, down ? 1 : 0, repeat ? 1 : 0};
    if (Guard("OnKey", [&] { m_OnKey(&event); })) AfterCall();
}

TIdleWait TVelmorPlugin::NextWait() const {
    if (!m_Clock) return {TIdleWait::kInput, 0};
    const uint32_t next = m_LastClock + kClockIntervalMs;
    // Wrapping tick counts compare by their difference.
    if (static_cast<int32_t>(next - Ticks()) <= 0) return {TIdleWait::kRun, 0};
    return {TIdleWait::kDeadline, next};
}

bool TVelmorPlugin::RequestWayBack(TWayBack kind, const char* paragraph, const char* script) {
    if (!m_Library.IsLoaded() || m_Engine.Mode() != TGameMode::Plugin) return false;
    if (kind == TWayBack::kParagraph && (paragraph == nullptr || paragraph[0] == 0)) return false;
    m_WayBack = kind;
    m_WayBackParagraph = paragraph != nullptr ? paragraph : "";
    m_WayBackScript = script != nullptr ? script : "";
    return true;
}

void TVelmorPlugin::AfterCall() {
    const TWayBack wayBack = m_WayBack;
    if (wayBack == TWayBack::kNone) return;
    m_WayBack = TWayBack::kNone;
    if (m_Engine.Mode() != TGameMode::Plugin) return;
    m_Engine.EnterGameMode(TGameMode::Script);
    if (wayBack == TWayBack::kParagraph)
        m_Engine.Interpreter().CommandJump(m_WayBackParagraph, m_WayBackScript);
}

// The C side.

void TVelmorPlugin::DisplaySize(void* host, int32_t* width, int32_t* height) {
    TVelmor& engine = Self(host).m_Engine;
    if (width) *width = engine.SystemData().Width;
    if (height) *height = engine.SystemData().Height;
}

void TVelmorPlugin::DisplayPresent(void* host) {
    try {
        TVelmor& engine = Self(host).m_Engine;
        engine.Scene().Screen().Image().Changed();
        // Straight onto the window: a cross-fade marked for the scene is not the plug-in's.
        engine.Scene().SetRedraw(false);
        engine.Presenter().PresentFrame();
    } catch (...) {
    }
}

uint32_t TVelmorPlugin::DisplayTicks(void* host) {
    return Self(host).Ticks();
}

int32_t TVelmorPlugin::ReadFile(void* host, const char* name, VelmorBuffer* out) {
    if (name == nullptr || name[0] == 0 || out == nullptr) return 0;
    try {
        const std::string file = name;
        TyxBCLManager* manager = Self(host).m_Engine.Services().manager;
        std::vector<uint8_t> bytes;
        if (platform::FileSystem::FileExists(file) && platform::FileSystem::ReadFile(file, bytes)) {
            if (manager && manager->Witch()) {
                std::string stripped = file;
                if (!manager->Witch()->StripAndDecode(bytes.data(), bytes.size(), stripped))
                    return 0;
            }
        } else {
            TMemoryStream stream;
            if (!manager || !manager->LoadStream(stream, file)) return 0;
            bytes.assign(stream.Data(), stream.Data() + stream.Size());
        }
        if (bytes.size() > UINT32_MAX) return 0;
        uint8_t* data = Allocate(bytes.size());
        if (data == nullptr) return 0;
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        out->data = data;
        out->size = static_cast<uint32_t>(bytes.size());
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t TVelmorPlugin::LoadPicture(void* host, const char* name, VelmorImage* out) {
    if (name == nullptr || name[0] == 0 || out == nullptr) return 0;
    try {
        const TVelmor::TServices& services = Self(host).m_Engine.Services();
        auto layer = std::make_unique<TSprite>(services.pixelFormat, true, services.witch,
                                               services.dllRes, services.manager);
        if (!layer->Load(name)) return 0;
        platform::Bitmap& image = layer->Image();
        image.SetPixelFormat(platform::PixelFormat::Bit32);
        const int w = image.Width(), h = image.Height();
        if (w <= 0 || h <= 0) return 0;
        const platform::Bitmap& mask = layer->Mask();
        const bool masked =
            (layer->GetKind() == TSprite::kAlpha || layer->GetKind() == TSprite::kMasked ||
             layer->GetKind() == TSprite::kMaskedOld) &&
            mask.Width() == w && mask.Height() == h;
        const size_t stride = static_cast<size_t>(w) * 4;
        uint8_t* pixels = Allocate(stride * static_cast<size_t>(h));
        if (pixels == nullptr) return 0;
        for (int y = 0; y < h; ++y) {
            const uint8_t* from = image.ScanLine(y);
            uint8_t* to = pixels + stride * static_cast<size_t>(y);
            for (int x = 0; x < w; ++x) {
                to[x * 4 + 0] = from[x * 4 + 0];
                to[x * 4 + 1] = from[x * 4 + 1];
                to[x * 4 + 2] = from[x * 4 + 2];
                // Maps and masks both hold 255 where the picture does not show.
                to[x * 4 + 3] =
                    masked ? static_cast<uint8_t>(255 - (mask.Pixel(x, y) & 0xFF)) : 255;
            }
        }
        out->width = w;
        out->height = h;
        out->stride = static_cast<int32_t>(stride);
        out->pixels = pixels;
        return 1;
    } catch (...) {
        return 0;
    }
}

void TVelmorPlugin::Release(void*, void* memory) {
    std::free(memory);
}

int32_t TVelmorPlugin::ScreenImage(void* host, VelmorImage* image) {
    if (image == nullptr) return 0;
    try {
        platform::Bitmap& screen = Self(host).m_Engine.Scene().Screen().Image();
        if (screen.Empty()) return 0;
        if (screen.BitsPerPixel() != 32) screen.SetPixelFormat(platform::PixelFormat::Bit32);
        image->width = screen.Width();
        image->height = screen.Height();
        image->stride = screen.BytesPerLine();
        image->pixels = screen.ScanLine(0);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t TVelmorPlugin::GetVariable(void* host, const char* name, int32_t* value) {
    if (name == nullptr || value == nullptr) return 0;
    try {
        return Self(host).m_Engine.Variables().Get(name, *value) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t TVelmorPlugin::SetVariable(void* host, const char* name, int32_t value) {
    if (name == nullptr) return 0;
    try {
        TVelmor& engine = Self(host).m_Engine;
        if (!engine.Variables().Set(name, value)) return 0;
        if (engine.Hooks().variablesChanged) engine.Hooks().variablesChanged();
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t TVelmorPlugin::KeyDown(void* host, int32_t key) {
    return Self(host).KeyHeld(key) ? 1 : 0;
}

int32_t TVelmorPlugin::DrawText(void* host, const VelmorRect* area, const char* text,
                                uint32_t colour, uint32_t outline) {
    if (area == nullptr || text == nullptr) return 0;
    try {
        TVelmor& engine = Self(host).m_Engine;
        TSprite& screen = engine.Scene().Screen();
        if (screen.Image().Empty()) return 0;
        const std::string bytes = text;
        const int pitch = engine.Scene().LinePitch();
        const bool smooth = engine.SystemState().AntiAliasText;
        const TRect rect{area->left, area->top, area->right, area->bottom};
        // The message window's outline: the text once at each of the eight neighbours.
        if (outline != VELMOR_NO_OUTLINE)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (dx != 0 || dy != 0)
                        TMessageText::DrawWrappedText(
                            screen,
                            {rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy},
                            bytes, pitch, outline & 0xFFFFFF, smooth);
        TMessageText::DrawWrappedText(screen, rect, bytes, pitch, colour & 0xFFFFFF, smooth);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t TVelmorPlugin::VariableCount(void* host) {
    const size_t n = Self(host).m_Engine.Variables().List().size();
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

int32_t TVelmorPlugin::VariableAt(void* host, int32_t index, char* name, uint32_t capacity,
                                  int32_t* value) {
    const auto& list = Self(host).m_Engine.Variables().List();
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return -1;
    const TVelmorIntVariable& variable = list[static_cast<size_t>(index)];
    if (name != nullptr && capacity > 0) {
        const size_t n = std::min<size_t>(variable.Name.size(), capacity - 1);
        std::memcpy(name, variable.Name.data(), n);
        name[n] = 0;
    }
    if (value != nullptr) *value = variable.Value;
    return variable.Name.size() > INT32_MAX ? INT32_MAX
                                            : static_cast<int32_t>(variable.Name.size());
}

int32_t TVelmorPlugin::Resume(void* host) {
    return Self(host).RequestWayBack(TWayBack::kNextLine, nullptr, nullptr) ? 1 : 0;
}

int32_t TVelmorPlugin::Jump(void* host, const char* paragraph, const char* script) {
    return Self(host).RequestWayBack(TWayBack::kParagraph, paragraph, script) ? 1 : 0;
}
