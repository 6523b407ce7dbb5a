#include "sound/ds_player.h"

#include <cmath>

#include "sound/memory_sound_stream.h"

TyxDSPlayer::TyxDSPlayer(int slotCount)
    : m_Slots(slotCount > 0 ? static_cast<size_t>(slotCount) : 0),
      m_MemoryStreams(m_Slots.size()) {}

TyxDSPlayer::~TyxDSPlayer() {
    CloseAll();
}

bool TyxDSPlayer::Initialize(EndOfSound onEnd, int channels, int bitsPerSample,
                             int samplesPerSecond) {
    CloseAll();
    m_OnEnd = std::move(onEnd);
    m_Device = platform::Mixer::Create();
    if (channels <= 0 || bitsPerSample <= 0 || samplesPerSecond <= 0 || channels > 0xFFFF) {
        CloseAll();
        return false;
    }
    platform::WaveFormatEx format;
    format.wFormatTag = platform::WAVE_FORMAT_PCM;
    format.nChannels = static_cast<uint16_t>(channels);
    format.nSamplesPerSec = static_cast<uint32_t>(samplesPerSecond);
    format.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    format.nBlockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    if (!m_Device || !m_Device->SetPrimaryFormat(format)) {
        CloseAll();
        return false;
    }
    for (auto& slot : m_Slots) slot.reset();
    return true;
}

TyxDSPlayThread* TyxDSPlayer::Slot(int slot) const {
    if (slot < 0 || slot >= SlotCount()) return nullptr;
    return m_Slots[static_cast<size_t>(slot)].get();
}

TyxDSPlayThread* TyxDSPlayer::NewThread(int slot) {
    if (slot < 0 || slot >= SlotCount()) return nullptr;
    auto& entry = m_Slots[static_cast<size_t>(slot)];
    // The old sound stops and its worker ends before anything of it is released.
    if (entry) entry->Close();
    entry.reset();
    m_MemoryStreams[static_cast<size_t>(slot)].reset();
    entry = std::make_unique<TyxDSPlayThread>(slot, m_Device.get(), m_OnEnd);
    return entry.get();
}

bool TyxDSPlayer::OpenFile(const std::string& path, int slot) {
    TyxDSPlayThread* thread = NewThread(slot);
    return thread && thread->OpenFile(path);
}

bool TyxDSPlayer::OpenStream(TyxSoundStream* stream, int slot) {
    TyxDSPlayThread* thread = NewThread(slot);
    return thread && thread->OpenStream(stream);
}

bool TyxDSPlayer::OpenStream(TMemoryStream& stream, int slot) {
    TyxDSPlayThread* thread = NewThread(slot);
    if (!thread) return false;
    auto& adapter = m_MemoryStreams[static_cast<size_t>(slot)];
    adapter = std::make_unique<TyxMemorySoundStream>(stream);
    return thread->OpenStream(adapter.get());
}

bool TyxDSPlayer::Play(int slot, bool loop) {
    TyxDSPlayThread* thread = Slot(slot);
    if (!thread) return false;
    thread->SetLoop(loop);
    return thread->Play();
}

bool TyxDSPlayer::Stop(int slot) {
    if (TyxDSPlayThread* thread = Slot(slot)) thread->Stop();
    return true;
}

bool TyxDSPlayer::SetVolume(int slot, int volume) {
    TyxDSPlayThread* thread = Slot(slot);
    return thread && thread->SetVolume(VolumeToAttenuation(volume));
}

int32_t TyxDSPlayer::VolumeToAttenuation(int volume) {
    if (volume <= 0) return platform::DSBVOLUME_MIN;
    if (volume >= 100) return platform::DSBVOLUME_MAX;
    // log10(v) - 2 keeps round volumes exact (10 gives -2000, not -1999).
    return static_cast<int32_t>(2000.0 * (std::log10(static_cast<double>(volume)) - 2.0));
}

void TyxDSPlayer::CloseAll() {
    for (size_t i = 0; i < m_Slots.size(); ++i) {
        if (m_Slots[i]) m_Slots[i]->Close();
        m_Slots[i].reset();
        m_MemoryStreams[i].reset();
    }
    m_Device.reset();
}
