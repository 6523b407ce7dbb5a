#include "sound/memory_sound_stream.h"

bool TyxMemorySoundStream::Seek(int64_t position) {
    if (position < 0 || position > Size()) return false;
    m_Stream.SetPosition(static_cast<size_t>(position));
    return true;
}
