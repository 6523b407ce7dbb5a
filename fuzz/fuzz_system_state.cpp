// The system-state file may be edited or damaged: any bytes must read, and what was read
// must write back and read the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/velmor_system_state.h"
#include "resources/xini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    TXiniFile ini(lines);
    TVelmorSystemState state;
    state.Read(ini, true, true, "font");
    TStringList written;
    TXiniFile copy(written);
    state.Write(copy);
    TVelmorSystemState again;
    again.Read(copy, true, true, "font");
    if (again.MessageAnimationSpeed != state.MessageAnimationSpeed ||
        again.BGMVolume != state.BGMVolume || again.VoiceVolume != state.VoiceVolume ||
        again.WindowMode != state.WindowMode || again.Finished != state.Finished)
        __builtin_trap();
    return 0;
}
