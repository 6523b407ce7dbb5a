#include "platform/sdl_subsystem.h"

#include <SDL.h>

namespace platform {

bool StartSdlSubsystem(uint32_t flags) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(flags) == 0;
}

}  // namespace platform
