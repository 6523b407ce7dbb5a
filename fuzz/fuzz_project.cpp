// Project files come with a downloaded game: any bytes must read into settings whose names
// of the player's files stay one file name and one folder level each.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/velmor_system_data.h"
#include "platform/game_folders.h"
#include "resources/xini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    TXiniFile::SplitLines(std::string(reinterpret_cast<const char*>(data), size), lines);
    TXiniFile ini(lines);
    TVelmorSystemData settings;
    settings.Read(ini, "C:\\game\\story.vsc");
    using platform::GameFolders;
    if (GameFolders::PathBelow(settings.VssFileName) != settings.VssFileName) __builtin_trap();
    if (GameFolders::FolderLevel(settings.Company) != settings.Company ||
        GameFolders::FolderLevel(settings.Product) != settings.Product)
        __builtin_trap();
    return 0;
}
