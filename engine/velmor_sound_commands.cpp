// Sound coming back after a saved game was taken over.
#include "engine/velmor.h"

void TVelmor::RestoreSound() {
    if (!m_CD->Drive().empty()) {
        m_CD->Request(TCDRequest::Stop);
        if (m_Channels->CDTrack() > 0) m_CD->Request(TCDRequest::PlayNotify);
    }
    for (int channel = 0; channel < kSoundChannelCount; ++channel) {
        m_Channels->Play(channel, TSoundOperation::Stop);
        if (m_Channels->File(channel).empty()) continue;
        m_Channels->Play(channel, TSoundOperation::Load);
        // Music and ambient sound come back playing once; they loop again when the script
        // next starts them. The play is tried even when the load failed.
        if (channel < 2) m_Channels->Play(channel, TSoundOperation::PlayOnce);
    }
}
