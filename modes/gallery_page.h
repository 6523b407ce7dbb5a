#pragma once
// The paged thumbnail grid both galleries share: the eight button and background pictures,
// cell geometry, paging with the pressed-button display, and the cells of the present page.
// What a cell shows and what a click on a reached cell does are the gallery's own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "modes/gallery_description.h"
#include "resources/string_list.h"

class TDisplaySurface;
class TSprite;
class TyxDllRes;
class TyxBCLManager;
class TyxWitch;

class TGalleryPage {
public:
    // Everything is borrowed; window, library, manager and witch may be null.
    struct TServices {
        TDisplaySurface* window = nullptr;
        uint8_t pixelFormat = 7;
        TyxDllRes* resourceLibrary = nullptr;
        TyxBCLManager* resourceManager = nullptr;
        TyxWitch* witch = nullptr;
    };

    TGalleryPage(const TStringList& seenList, TSprite& screen, const TServices& services);
    virtual ~TGalleryPage();
    TGalleryPage(const TGalleryPage&) = delete;
    TGalleryPage& operator=(const TGalleryPage&) = delete;

    void Enter();
    // Background, buttons and the present page into the screen picture.
    void Redraw();
    void Present();
    void Click(int x, int y);
    void Leave();

    // Where Present shows the screen; the window may come after construction.
    void SetWindow(TDisplaySurface* window) { m_Services.window = window; }

    // The exit button.
    std::function<void()> OnLeave;

    bool Entered() const { return m_Sprites[0] != nullptr; }
    int Page() const { return m_Page; }
    int LastPage() const { return m_LastPage; }
    int PerPage() const { return m_PerPage; }
    virtual size_t EntryCount() const = 0;
    bool Seen(size_t entry) const { return entry < m_Seen.size() && m_Seen[entry]; }
    const TGalleryDescription& Description() const { return m_Description; }
    // The picture a button or the background was drawn from (for checks and tools).
    const TSprite* Picture(TGalleryDescription::Picture which) const {
        return m_Sprites[which].get();
    }
    // Cells decoded during this visit.
    size_t CachedCells() const { return m_Cells.size(); }

protected:
    // The name looked up in the seen list; an entry that cannot be seen is never looked up.
    virtual const std::string& SeenName(size_t entry) const = 0;
    virtual bool CanBeSeen(size_t entry) const {
        (void)entry;
        return true;
    }
    // A reached entry's cell: a picture drawn at its own size, or else one scaled into it.
    virtual void CellPictures(size_t entry, std::string& ownSize, std::string& scaled) const = 0;
    // A click on a reached entry's cell.
    virtual void Open(size_t entry) = 0;

    TGalleryDescription m_Description;
    TSprite& m_Screen;
    TServices m_Services;
    // 1 while a picture fills the screen; the next click returns to the page.
    int m_Viewing = 0;

private:
    struct TCellRect {
        int64_t left, top, right, bottom;
        bool Holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    };
    TCellRect Cell(int column, int row) const;
    TCellRect ButtonRect(TGalleryDescription::Picture normal) const;
    void DrawButtons();
    void DrawCell(size_t entry, const TCellRect& cell);
    // The decoded cell, made once per visit; null when its picture does not load.
    TSprite* CellPicture(size_t entry, const TCellRect& cell);
    void PressAndShow(bool& flag);

    const TStringList& m_SeenList;
    std::unique_ptr<TSprite> m_Sprites[TGalleryDescription::kPictureCount];
    std::unordered_map<size_t, std::unique_ptr<TSprite>> m_Cells;
    std::vector<uint8_t> m_Seen;
    int m_PerPage = 9;
    int m_Page = 0;
    int m_LastPage = 0;
    bool m_PrevPressed = false, m_NextPressed = false, m_ExitPressed = false;
    TCellRect m_PrevRect{}, m_NextRect{}, m_ExitRect{};
};
