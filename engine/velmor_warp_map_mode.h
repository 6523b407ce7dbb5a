#pragma once
#include <memory>
#include <optional>
#include <string>

#include "engine/velmor_game_mode.h"
#include "engine/velmor_offscreen_surface.h"
#include "resources/string_list.h"

class TVelmor;
class TWarpMapMove;

// Game mode 7: the map of the `warpmap` command. Mouse clicks move the player, every idle pass
// animates the marker, and the loop rests until the marker's next step.
class TVelmorWarpMapMode : public TVelmorGameMode {
public:
    explicit TVelmorWarpMapMode(TVelmor& engine);
    ~TVelmorWarpMapMode() override;

    // The command's tokens: warpmap file [place variable [day variable [time variable]]].
    void Open(const TStringList& tokens);
    void Input(TInputCode code, int x, int y) override;
    bool Idle() override;
    TIdleWait NextWait() const override;
    TMenu Menu() const override { return {false, true, false}; }

    const TWarpMapMove* Map() const { return m_Map.get(); }

private:
    struct TEnd {
        std::string script, paragraph;
    };
    // The map handed back (an event or the day's end): effect 10, the map goes, the jump.
    void FinishIfEnded();
    TDisplaySurface& Window();

    TVelmor& m_Engine;
    std::unique_ptr<TWarpMapMove> m_Map;
    std::optional<TEnd> m_End;
    std::unique_ptr<TVelmorOffscreenSurface> m_Offscreen;
};
