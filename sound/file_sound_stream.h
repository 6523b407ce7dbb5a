#pragma once
// A sound file on disk, opened read-only; other readers and writers may share it.
#include <cstdio>
#include <string>

#include "sound/sound_stream.h"

class TyxFileSoundStream : public TyxSoundStream {
public:
    TyxFileSoundStream() = default;
    ~TyxFileSoundStream() override;
    TyxFileSoundStream(const TyxFileSoundStream&) = delete;
    TyxFileSoundStream& operator=(const TyxFileSoundStream&) = delete;

    // The engine path as games write it.
    bool Open(const std::string& path);
    size_t Read(void* buffer, size_t size) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return m_Position; }
    int64_t Size() const override { return m_Size; }

private:
    std::FILE* m_File = nullptr;
    int64_t m_Position = 0;
    int64_t m_Size = 0;
};
