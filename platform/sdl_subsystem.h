#pragma once

#include <cstdint>

namespace platform {

// Starts an SDL subsystem without SDL's own SIGINT/SIGTERM handlers: they would turn a
// request to stop into an SDL event nobody reads, and the program would never end.
bool StartSdlSubsystem(uint32_t flags);

}  // namespace platform
