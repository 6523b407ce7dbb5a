#pragma once
// The bytes of a sound file as the sources read them: a file on disk or a memory block
// filled from an archive.
#include <cstddef>
#include <cstdint>

class TyxSoundStream {
public:
    virtual ~TyxSoundStream() = default;
    // Up to size bytes from the position on; the number read (0 at the end).
    virtual size_t Read(void* buffer, size_t size) = 0;
    // False (position unchanged) for a place outside 0..Size().
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
};
