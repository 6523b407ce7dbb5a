// The engine's single entry for sampled sound on its four channels.
#include "engine/velmor.h"

// The streaming player is wired in with the sound layer; until then every operation is
// reported to the monitor and succeeds, so scripts and transcripts run their whole course.
bool TVelmor::SoundPlayer(int channel, int operation) {
    if (channel < 0 || channel > 3) return false;
    if (operation == 0 || operation == 4) return true;
    if (m_Monitor) m_Monitor->Sound(channel, operation, m_ChannelFiles[channel]);
    return true;
}
