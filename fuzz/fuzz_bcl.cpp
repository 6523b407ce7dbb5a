// BCL indexes from game folders.
#include "fuzz/archive_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz_archive::Run<TyxBCL>(data, size, ".bcl");
}
