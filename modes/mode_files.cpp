#include "modes/mode_files.h"

#include <cstdint>
#include <vector>

#include "graphics/velmor_picture_decoder.h"
#include "platform/canvas.h"
#include "platform/file_system.h"
#include "resources/bcl_manager.h"
#include "resources/picture_decoder.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace modes {

bool LoadDescription(const std::string& fileName, TyxBCLManager* manager, TStringList& lines) {
    lines.clear();
    if (fileName.empty()) return false;
    if (platform::FileSystem::FileExists(fileName)) {
        std::vector<uint8_t> bytes;
        if (!platform::FileSystem::ReadFile(fileName, bytes)) return false;
        TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
        return true;
    }
    return manager != nullptr && manager->LoadStrings(lines, fileName);
}

bool LoadPicture(const std::string& fileName, TyxBCLManager* manager, bool byExtensionOnly,
                 platform::Bitmap& picture) {
    if (fileName.empty()) return false;
    const std::string ext = yx::LowerCaseAscii(yx::ExtractFileExt(fileName));
    const bool known = ext == ".png" || ext == ".jpg" || ext == ".bmp";
    platform::Bitmap decoded;
    bool ok = false;
    if ((known || !byExtensionOnly) && platform::FileSystem::FileExists(fileName)) {
        std::vector<uint8_t> bytes;
        if (!platform::FileSystem::ReadFile(fileName, bytes)) return false;
        TVelmorPictureDecoder decoder;
        if (ext == ".png") {
            bool hasAlpha = false;
            ok = decoder.DecodePng(bytes.data(), bytes.size(), decoded, nullptr, hasAlpha);
        } else if (ext == ".jpg") {
            ok = decoder.DecodeJpeg(bytes.data(), bytes.size(), decoded);
        } else {
            ok = decoder.DecodeBmp(bytes.data(), bytes.size(), decoded);
        }
    } else if (manager != nullptr) {
        ok = manager->LoadBitmap(decoded, fileName);
    }
    if (!ok || decoded.Empty()) return false;
    picture = decoded;
    return true;
}

void DrawPicture(platform::Bitmap& target, const platform::Bitmap& picture, int x, int y) {
    if (picture.Empty() || target.Empty()) return;
    const int64_t right = int64_t{x} + picture.Width(), bottom = int64_t{y} + picture.Height();
    if (x >= target.Width() || y >= target.Height() || right <= 0 || bottom <= 0) return;
    platform::Canvas& canvas = target.GetCanvas();
    const platform::CopyMode mode = canvas.GetCopyMode();
    canvas.SetCopyMode(platform::CopyMode::Copy);
    canvas.Draw(x, y, picture);
    canvas.SetCopyMode(mode);
}

}  // namespace modes
