#include "platform/xrandr_display_modes.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace platform {

namespace {
DisplayModes* g_Current = nullptr;
// An X error of a refused change must not end the program.
int IgnoreXError(::Display*, XErrorEvent*) {
    return 0;
}
// The desktop as the window system reports it, where XRandR cannot tell.
DisplayMode ScreenMode() {
    DisplayMode mode{32, 0, 0, 60};
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        mode.pelsWidth = screen->geometry().width();
        mode.pelsHeight = screen->geometry().height();
        mode.bitsPerPel = screen->depth() == 24 ? 32 : screen->depth();
        if (screen->refreshRate() > 0) mode.displayFrequency = static_cast<int>(std::lround(screen->refreshRate()));
    }
    return mode;
}
}  // namespace

DisplayModes& DisplayModes::Current() {
    if (g_Current) return *g_Current;
    static XrandrDisplayModes host;
    return host;
}

void DisplayModes::SetCurrent(DisplayModes* modes) {
    g_Current = modes;
}

struct XrandrDisplayModes::State {
    ::Display* display = nullptr;
    XRRScreenResources* resources = nullptr;
    RRCrtc crtc = 0;
    RROutput output = 0;
    RRMode desktopMode = 0;
    Rotation rotation = RR_Rotate_0;
    int x = 0, y = 0;
    int screenWidth = 0, screenHeight = 0, screenWidthMm = 0, screenHeightMm = 0;
    bool changed = false;
    std::vector<std::pair<DisplayMode, RRMode>> modes;
    DisplayMode desktop;

    ~State() {
        if (resources) XRRFreeScreenResources(resources);
        if (display) XCloseDisplay(display);
    }
    bool Open() {
        // Only an X11 session has XRandR; elsewhere the window system changes no mode.
        const char* platformName = std::getenv("QT_QPA_PLATFORM");
        if (platformName && std::string(platformName).rfind("xcb", 0) != 0) return false;
        if (!std::getenv("DISPLAY")) return false;
        display = XOpenDisplay(nullptr);
        if (!display) return false;
        int event = 0, error = 0;
        if (!XRRQueryExtension(display, &event, &error)) return false;
        const Window root = DefaultRootWindow(display);
        resources = XRRGetScreenResourcesCurrent(display, root);
        if (!resources) return false;
        output = XRRGetOutputPrimary(display, root);
        if (!output) {
            for (int i = 0; i < resources->noutput && !output; ++i) {
                XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
                if (info && info->connection == RR_Connected && info->crtc) output = resources->outputs[i];
                if (info) XRRFreeOutputInfo(info);
            }
        }
        if (!output) return false;
        XRROutputInfo* info = XRRGetOutputInfo(display, resources, output);
        if (!info || !info->crtc) {
            if (info) XRRFreeOutputInfo(info);
            return false;
        }
        crtc = info->crtc;
        XRRCrtcInfo* crtcInfo = XRRGetCrtcInfo(display, resources, crtc);
        if (!crtcInfo) {
            XRRFreeOutputInfo(info);
            return false;
        }
        desktopMode = crtcInfo->mode;
        rotation = crtcInfo->rotation;
        x = crtcInfo->x;
        y = crtcInfo->y;
        const int screen = DefaultScreen(display);
        screenWidth = DisplayWidth(display, screen);
        screenHeight = DisplayHeight(display, screen);
        screenWidthMm = DisplayWidthMM(display, screen);
        screenHeightMm = DisplayHeightMM(display, screen);
        const int depth = DefaultDepth(display, screen) == 24 ? 32 : DefaultDepth(display, screen);
        for (int i = 0; i < info->nmode; ++i)
            for (int j = 0; j < resources->nmode; ++j) {
                const XRRModeInfo& m = resources->modes[j];
                if (m.id != info->modes[i]) continue;
                const double pixels = static_cast<double>(m.hTotal) * m.vTotal;
                const int refresh = pixels > 0 ? static_cast<int>(std::lround(m.dotClock / pixels)) : 0;
                DisplayMode mode{depth, static_cast<int>(m.width), static_cast<int>(m.height), refresh};
                modes.push_back({mode, m.id});
                if (m.id == desktopMode) desktop = mode;
            }
        XRRFreeCrtcInfo(crtcInfo);
        XRRFreeOutputInfo(info);
        return !modes.empty();
    }
    bool Set(RRMode mode, int width, int height) {
        auto* old = XSetErrorHandler(IgnoreXError);
        XGrabServer(display);
        // Growing needs the screen first, shrinking the CRTC first.
        const bool grow = width > DisplayWidth(display, DefaultScreen(display)) ||
                          height > DisplayHeight(display, DefaultScreen(display));
        const Window root = DefaultRootWindow(display);
        auto screenSize = [&] {
            const int mmW = screenWidth > 0 ? screenWidthMm * width / screenWidth : screenWidthMm;
            const int mmH = screenHeight > 0 ? screenHeightMm * height / screenHeight : screenHeightMm;
            XRRSetScreenSize(display, root, width, height, mmW, mmH);
        };
        if (grow) screenSize();
        const Status status = XRRSetCrtcConfig(display, resources, crtc, CurrentTime, x, y, mode,
                                               rotation, &output, 1);
        if (!grow && status == RRSetConfigSuccess) screenSize();
        XUngrabServer(display);
        XSync(display, False);
        XSetErrorHandler(old);
        return status == RRSetConfigSuccess;
    }
};

XrandrDisplayModes::XrandrDisplayModes() : m(std::make_unique<State>()) {
    if (!m->Open()) m.reset();
}

XrandrDisplayModes::~XrandrDisplayModes() {
    Restore();
}

std::vector<DisplayMode> XrandrDisplayModes::Enumerate() {
    if (!m) return {ScreenMode()};
    std::vector<DisplayMode> out;
    for (const auto& [mode, id] : m->modes) out.push_back(mode);
    return out;
}

DisplayMode XrandrDisplayModes::Desktop() {
    return m ? m->desktop : ScreenMode();
}

bool XrandrDisplayModes::CanChange() {
    return m != nullptr;
}

bool XrandrDisplayModes::Change(const DisplayMode& mode) {
    if (!m) return false;
    for (const auto& [listed, id] : m->modes)
        if (listed == mode && m->Set(id, mode.pelsWidth, mode.pelsHeight)) {
            m->changed = true;
            return true;
        }
    return false;
}

void XrandrDisplayModes::Restore() {
    if (!m || !m->changed) return;
    m->Set(m->desktopMode, m->desktop.pelsWidth, m->desktop.pelsHeight);
    m->changed = false;
}

}  // namespace platform
