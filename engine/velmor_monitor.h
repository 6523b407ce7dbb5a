#pragma once
#include <cstdint>
#include <string>

#include "engine/velmor_codes.h"
#include "resources/string_list.h"

// Watches what the engine does, for the headless runner and tests: each call happens at the
// moment the engine does it. Texts are Shift-JIS. The engine never depends on a monitor.
class TVelmorMonitor {
public:
    virtual ~TVelmorMonitor() = default;
    virtual void Message(const std::string& /*text*/) {}
    // A line of the present script is about to run (its index from 0, and its text).
    virtual void LineRun(const std::string& /*script*/, int32_t /*line*/,
                         const std::string& /*text*/) {}
    // The whole error record line, also when no error list exists.
    virtual void Record(const std::string& /*line*/) {}
    virtual void ModeChanged(TGameMode /*mode*/) {}
    virtual void Jumped(const std::string& /*script*/, const std::string& /*paragraph*/) {}
    virtual void Choices(const TStringList& /*captions*/) {}
    virtual void Sound(TSoundChannel /*channel*/, TSoundOperation /*op*/,
                       const std::string& /*file*/) {}
    virtual void CD(TCDRequest /*request*/, int32_t /*track*/) {}
    // A CD request the main window carried out on the CD device, with the engine's CD track,
    // and whether the device did it.
    virtual void CDPlayback(TCDRequest /*request*/, int32_t /*track*/, bool /*done*/) {}
    // The presentation changed: a window, or full screen, of that size (the shell reports it).
    virtual void Display(bool /*windowed*/, int /*width*/, int /*height*/) {}
    // Reported by the shell just before the fatal error's boxes, while the engine still lives.
    virtual void Fatal(const std::string& /*text*/, TEndReason /*reason*/) {}
    // A save made or loaded without the save dialog (slot name, and "saved", "loaded",
    // "refused", "declined" or "failed").
    virtual void Saves(const std::string& /*slot*/, const std::string& /*outcome*/) {}
};
