// Sound coming back after a saved game was taken over.
#include "engine/velmor.h"

void TVelmor::RestoreSound() {
    if (!m_CDDrive.empty()) {
        CDControlRequest(TCDRequest::Stop);
        if (m_Channels->CDTrack() > 0) CDControlRequest(TCDRequest::PlayNotify);
    }
    for (int channel = 0; channel < kSoundChannelCount; ++channel) {
        SoundPlayer(channel, TSoundOperation::Stop);
        if (m_Channels->File(channel).empty()) continue;
        SoundPlayer(channel, TSoundOperation::Load);
        // Music and ambient sound come back playing once; they loop again when the script
        // next starts them. The play is tried even when the load failed.
        if (channel < 2) SoundPlayer(channel, TSoundOperation::PlayOnce);
    }
}
