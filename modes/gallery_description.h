#pragma once
// What a gallery or scene list description file says: grid, cell size, button pictures and
// positions, and the entry lines cut into their items. Both galleries read the same keys;
// only the section of the grid and the section of the entries differ.
#include <string>
#include <vector>

#include "resources/string_list.h"

class TyxBCLManager;

class TGalleryDescription {
public:
    // The eight pictures in the order the file's Image section names them.
    enum Picture {
        kBackground,
        kNeverSeen,
        kExit,
        kExitPressed,
        kPrev,
        kPrevPressed,
        kNext,
        kNextPressed,
        kPictureCount
    };

    // Columns and rows are kept within 1..kMaxCells so that a page and its hit scan stay
    // bounded whatever the file says.
    static constexpr int kMaxCells = 64;

    TPoint imageCount{3, 3};
    TPoint thumbnailSize{160, 120};
    std::string pictures[kPictureCount];
    TPoint gap{20, 10};
    TPoint origin{60, 20};
    TPoint nextPosition{540, 420};
    TPoint prevPosition{420, 420};
    TPoint exitPosition{60, 420};
    // Items of each entry line, blank lines included, at most maxItems of them, in the file's
    // order.
    std::vector<TStringList> entries;

    // Reads the keys from lines in the extended INI syntax.
    void Read(const TStringList& lines, const std::string& gridSection,
              const std::string& listSection, size_t maxItems);

    // The file from disk when it exists, else its name without folder through the resource
    // manager (which may be null). False when neither has it.
    static bool LoadLines(const std::string& fileName, const TyxBCLManager* manager,
                          TStringList& lines);
};
