#pragma once
#include <functional>
#include <memory>
#include <string>

#include "engine/velmor_codes.h"

class TyxApplication;
class TyxCDAudio;
struct TVelmorSystemData;
namespace platform {
class Clock;
}

// The game's CD: the drive (or the ripped tracks standing in for one) found at start-up, the
// device that plays it, and the requests the script and the window send to the main window's
// CD control.
class TVelmorCD {
public:
    using TControl = std::function<void(TCDRequest)>;
    // Locates the drive now, so the player hears at start-up when the disc is missing.
    TVelmorCD(const TVelmorSystemData& data, const std::string& scriptConfigPath,
              TyxApplication& app, platform::Clock& clock, const TControl& control);
    ~TVelmorCD();
    TVelmorCD(const TVelmorCD&) = delete;
    TVelmorCD& operator=(const TVelmorCD&) = delete;

    // Hands a request to the window's CD control; nothing when none is installed.
    void Request(TCDRequest request) const;
    // The drive, or the ripped-track folder; empty when the game has no CD.
    const std::string& Drive() const { return m_Drive; }
    // The game's ripped tracks (a "CD" folder beside the project file, any letter case) that
    // stand in for a drive; empty when the project names no CD or has no such folder.
    const std::string& TrackFolder() const { return m_TrackFolder; }
    // The device; null when no drive was found and no ripped tracks stand in for one.
    TyxCDAudio* Audio() const { return m_Audio.get(); }
    // Locates the game's CD from a project value; empty when none (messages shown unless
    // quiet).
    static std::string Locate(const std::string& value, TyxApplication& app, bool quiet = false);

private:
    const TControl& m_Control;
    std::string m_Drive;
    std::string m_TrackFolder;
    std::unique_ptr<TyxCDAudio> m_Audio;
};
