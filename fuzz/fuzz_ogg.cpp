// Ogg Vorbis streams come from disk and archives: any bytes must open or be refused, and the
// decoder must fill exactly the bytes asked for and never spin on damaged data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/memory_stream.h"
#include "sound/memory_sound_stream.h"
#include "sound/ogg_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream memory;
    memory.Write(data, size);
    memory.SetPosition(0);
    TyxMemorySoundStream stream(memory);
    TyxOggFormat ogg;
    if (!ogg.Open(&stream)) return 0;
    std::vector<uint8_t> buffer(8192 + 16, 0xA5);
    for (int pass = 0; pass < 8; ++pass) {
        uint32_t length = 1 + static_cast<uint32_t>(pass * 2039) % 8192;
        uint32_t n = ogg.Read(buffer.data() + 8, length, pass % 3 != 2);
        if (n > length) __builtin_trap();
        for (int i = 0; i < 8; ++i) {
            if (buffer[i] != 0xA5 || buffer[8 + length + i] != 0xA5) __builtin_trap();
        }
        std::fill(buffer.begin(), buffer.end(), uint8_t{0xA5});
        if (pass == 4) ogg.Rewind();
    }
    return 0;
}
