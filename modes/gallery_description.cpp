#include "modes/gallery_description.h"

#include <algorithm>

#include "platform/file_system.h"
#include "resources/bcl_manager.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {
const char* const kPictureKeys[TGalleryDescription::kPictureCount] = {
    "Background", "NeverSeen",         "ExitButton", "ExitButtonPressed",
    "PrevButton", "PrevButtonPressed", "NextButton", "NextButtonPressed"};
}  // namespace

void TGalleryDescription::Read(const TStringList& lines, const std::string& gridSection,
                               const std::string& listSection, size_t maxItems) {
    // The reader only wraps the lines; it never writes them.
    TStringList copy = lines;
    TXiniFile file(copy);
    imageCount = file.ReadPoint(gridSection, "ImageCount", 3, 3);
    imageCount.x = std::clamp(imageCount.x, 1, kMaxCells);
    imageCount.y = std::clamp(imageCount.y, 1, kMaxCells);
    thumbnailSize = file.ReadPoint(gridSection, "ThumbnailSize", 160, 120);
    for (int i = 0; i < kPictureCount; ++i)
        pictures[i] = file.ReadString("Image", kPictureKeys[i], "");
    gap = file.ReadPoint("Size", "Gap", 20, 10);
    origin = file.ReadPoint("Position", "Thumbnail", 60, 20);
    nextPosition = file.ReadPoint("Position", "NextButton", 540, 420);
    prevPosition = file.ReadPoint("Position", "PrevButton", 420, 420);
    exitPosition = file.ReadPoint("Position", "ExitButton", 60, 420);

    TStringList body;
    file.ReadSectionLines(listSection, body);
    entries.clear();
    entries.reserve(body.size());
    // Every line is an entry, a blank one too: it keeps its cell in the grid.
    for (const std::string& line : body) {
        TStringList items;
        yx::Split(line, ",", items);
        if (items.size() > maxItems) items.resize(maxItems);
        entries.push_back(std::move(items));
    }
}

bool TGalleryDescription::LoadLines(const std::string& fileName, const TyxBCLManager* manager,
                                    TStringList& lines) {
    lines.clear();
    std::vector<uint8_t> bytes;
    if (!fileName.empty() && platform::FileSystem::FileExists(fileName) &&
        platform::FileSystem::ReadFile(fileName, bytes)) {
        TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), lines);
        return true;
    }
    return manager && manager->LoadStrings(lines, yx::ExtractFileName(fileName));
}
