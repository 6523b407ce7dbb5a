#pragma once
// A borrowed memory stream seen as a sound stream; reads move the memory stream's position.
#include "resources/memory_stream.h"
#include "sound/sound_stream.h"

class TyxMemorySoundStream : public TyxSoundStream {
public:
    explicit TyxMemorySoundStream(TMemoryStream& stream) : m_Stream(stream) {}
    size_t Read(void* buffer, size_t size) override { return m_Stream.Read(buffer, size); }
    bool Seek(int64_t position) override;
    int64_t Position() const override { return static_cast<int64_t>(m_Stream.Position()); }
    int64_t Size() const override { return static_cast<int64_t>(m_Stream.Size()); }

private:
    TMemoryStream& m_Stream;
};
