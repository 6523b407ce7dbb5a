#pragma once
// How the image selector and the warp map find their files: a loose file on disk first, else
// the resource manager's archives.
#include <string>

#include "platform/bitmap.h"
#include "resources/string_list.h"

class TyxBCLManager;

namespace modes {

// The lines of a description file; false when neither disk nor archives hold it.
bool LoadDescription(const std::string& fileName, TyxBCLManager* manager, TStringList& lines);
// A picture decoded by its extension (".png", ".jpg", anything else as a bitmap file) from
// disk; a file not on disk, or of another extension when byExtensionOnly, comes from the
// archives as a bitmap. False, and picture unchanged, when missing or damaged.
bool LoadPicture(const std::string& fileName, TyxBCLManager* manager, bool byExtensionOnly,
                 platform::Bitmap& picture);
// A picture onto the target at (x, y), skipped when it cannot meet the target, so positions
// near the integer limits never overflow the blit.
void DrawPicture(platform::Bitmap& target, const platform::Bitmap& picture, int x, int y);

}  // namespace modes
