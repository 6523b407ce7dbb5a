#pragma once
// Archive indexes and the members they describe come from game folders: any index must parse,
// and every member read must stay inside the data file. The input is both the index and the
// data file it names ("f.bcd"), so offsets in it point into itself.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/bcl.h"
#include "resources/bcx.h"
#include "resources/engine_key.h"
#include "resources/picture_decoder.h"
#include "resources/witch.h"

// The host's image readers, as a resource manager without a decoder of its own uses.
inline TyxPictureDecoder& HostDecoder() {
    static TyxPictureDecoder decoder;
    return decoder;
}

namespace fuzz_archive {

// A folder of this process, removed when it ends.
struct ScratchFolder {
    std::filesystem::path path;
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

inline std::string Folder() {
    static ScratchFolder scratch;
    static const std::string folder = [] {
        // Memory-backed when there is one: every run writes two files.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        auto path = base / ("velmor-fuzz-archive-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        scratch.path = path;
        return path.string() + "/";
    }();
    return folder;
}

inline void Write(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Opens the input as an index of the given extension and reads its first members every way.
template <class Archive>
int Run(const uint8_t* data, size_t size, const std::string& extension) {
    const std::string folder = Folder();
    Write(folder + "f" + extension, data, size);
    Write(folder + "f.bcd", data, size);
    TyxWitch witch(0);
    witch.SetKey(EngineKeyText());
    Archive archive(&witch);
    archive.Open(folder + "f" + extension);
    size_t tried = 0;
    const auto& items = archive.Items();
    for (const auto& member : items) {
        if (++tried > 16) break;
        const std::string& name = member.Name;
        if (archive.Contains(name) != !archive.DataFileName().empty()) __builtin_trap();
        std::vector<uint8_t> bytes;
        std::string realName;
        if (archive.ReadMember(name, bytes, realName) && bytes.size() > size)
            __builtin_trap();
        TStringList lines;
        archive.LoadStrings(lines, name);
        TMemoryStream stream;
        archive.LoadStream(stream, name);
        platform::Bitmap bitmap, mask;
        bool hasAlpha = false;
        archive.LoadBitmap(HostDecoder(), bitmap, name);
        archive.LoadPng(HostDecoder(), bitmap, &mask, name, hasAlpha);
        archive.LoadMaskedImage(HostDecoder(), bitmap, mask, name);
    }
    return 0;
}

}  // namespace fuzz_archive
