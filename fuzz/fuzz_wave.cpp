// WAVE files come from disk and archives: any bytes must open or be refused, and reads,
// looped or not, must fill exactly what was asked and nothing more.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "resources/memory_stream.h"
#include "sound/memory_sound_stream.h"
#include "sound/wave_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream memory;
    memory.Write(data, size);
    memory.SetPosition(size > 0 ? data[0] % 4 % (size + 1) : 0);
    TyxMemorySoundStream stream(memory);
    TyxWaveFormat wave;
    if (!wave.Open(&stream)) return 0;
    // Guard bytes around the request catch any write outside it.
    std::vector<uint8_t> buffer(4096 + 16, 0xA5);
    for (int pass = 0; pass < 6; ++pass) {
        uint32_t length = 1 + (pass * 997) % 4096;
        uint32_t n = wave.Read(buffer.data() + 8, length, pass % 2 == 0);
        if (n > length) __builtin_trap();
        for (int i = 0; i < 8; ++i) {
            if (buffer[i] != 0xA5 || buffer[8 + length + i] != 0xA5) __builtin_trap();
        }
        std::fill(buffer.begin(), buffer.end(), uint8_t{0xA5});
    }
    return 0;
}
