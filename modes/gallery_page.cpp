#include "modes/gallery_page.h"

#include <algorithm>
#include <unordered_set>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "resources/yxstringlib.h"

namespace {
using P = TGalleryDescription;

const char* const kBuiltIn[P::kPictureCount] = {
    "IDB_CGMODE_BACK",         "IDB_CGMODE_NEVERSEEN",    "IDR_CGMODE_BUTTON_EXIT0",
    "IDR_CGMODE_BUTTON_EXIT1", "IDR_CGMODE_BUTTON_PREV0", "IDR_CGMODE_BUTTON_PREV1",
    "IDR_CGMODE_BUTTON_NEXT0", "IDR_CGMODE_BUTTON_NEXT1"};

bool Intersect(int64_t left, int64_t top, int64_t right, int64_t bottom, int width, int height,
               platform::Rect& out) {
    const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(right, width), y1 = std::min<int64_t>(bottom, height);
    if (x0 >= x1 || y0 >= y1) return false;
    out = {int(x0), int(y0), int(x1), int(y1)};
    return true;
}
}  // namespace

TGalleryPage::TGalleryPage(const TStringList& seenList, TSprite& screen, const TServices& services)
    : m_Screen(screen), m_Services(services), m_SeenList(seenList) {}

TGalleryPage::~TGalleryPage() = default;

void TGalleryPage::Enter() {
    Leave();
    for (int i = 0; i < P::kPictureCount; ++i) {
        auto sprite =
            std::make_unique<TSprite>(m_Services.pixelFormat, true, m_Services.witch,
                                      m_Services.resourceLibrary, m_Services.resourceManager);
        if (!m_Description.pictures[i].empty()) sprite->Load(m_Description.pictures[i]);
        if (sprite->Image().Empty()) {
            if (i == P::kBackground || i == P::kNeverSeen) {
                if (sprite->LoadResourceBitmap(kBuiltIn[i])) sprite->SetKind(TSprite::kOpaque);
            } else {
                sprite->LoadResourceVpp(kBuiltIn[i]);
            }
        }
        m_Sprites[i] = std::move(sprite);
    }
    const TGalleryDescription& d = m_Description;
    m_Sprites[P::kBackground]->SetAnchor(-1, -1, 0, 0);
    m_Sprites[P::kNeverSeen]->SetAnchor(-1, -1, 0, 0);
    for (int i : {P::kExit, P::kExitPressed})
        m_Sprites[i]->SetAnchor(-1, -1, d.exitPosition.x, d.exitPosition.y);
    for (int i : {P::kPrev, P::kPrevPressed})
        m_Sprites[i]->SetAnchor(-1, -1, d.prevPosition.x, d.prevPosition.y);
    for (int i : {P::kNext, P::kNextPressed})
        m_Sprites[i]->SetAnchor(-1, -1, d.nextPosition.x, d.nextPosition.y);

    m_PerPage = d.imageCount.x * d.imageCount.y;
    m_Page = 0;
    const size_t count = EntryCount();
    m_LastPage = count == 0 ? 0 : static_cast<int>((count - 1) / static_cast<size_t>(m_PerPage));

    // Folded once, looked up per entry: both lists can be long.
    std::unordered_set<std::string> seen;
    seen.reserve(m_SeenList.size());
    for (const std::string& name : m_SeenList) seen.insert(yx::FoldText(name));
    m_Seen.assign(count, 0);
    for (size_t k = 0; k < count; ++k)
        m_Seen[k] = CanBeSeen(k) && seen.count(yx::FoldText(SeenName(k))) != 0;

    m_PrevPressed = m_NextPressed = m_ExitPressed = false;
    m_ExitRect = ButtonRect(P::kExit);
    m_PrevRect = ButtonRect(P::kPrev);
    m_NextRect = ButtonRect(P::kNext);
    m_Viewing = 0;
}

void TGalleryPage::Leave() {
    for (auto& sprite : m_Sprites) sprite.reset();
    m_Cells.clear();
}

TGalleryPage::TCellRect TGalleryPage::ButtonRect(TGalleryDescription::Picture normal) const {
    const TSprite& s = *m_Sprites[normal];
    const int64_t left = s.Left(), top = s.Top();
    return {left, top, left + s.Width(), top + s.Height()};
}

TGalleryPage::TCellRect TGalleryPage::Cell(int column, int row) const {
    const TGalleryDescription& d = m_Description;
    const int64_t w = d.thumbnailSize.x, h = d.thumbnailSize.y;
    const int64_t left = d.origin.x + column * (w + d.gap.x);
    const int64_t top = d.origin.y + row * (h + d.gap.y);
    return {left, top, left + w, top + h};
}

void TGalleryPage::Redraw() {
    if (!Entered()) return;
    m_Sprites[P::kBackground]->DrawTo(m_Screen);
    DrawButtons();
    const size_t count = EntryCount();
    const size_t first = static_cast<size_t>(m_Page) * static_cast<size_t>(m_PerPage);
    const size_t end = std::min(first + static_cast<size_t>(m_PerPage), count);
    const int columns = m_Description.imageCount.x;
    for (size_t k = first; k < end; ++k) {
        const int at = static_cast<int>(k - first);
        DrawCell(k, Cell(at % columns, at / columns));
    }
}

void TGalleryPage::DrawButtons() {
    if (!Entered()) return;
    if (m_Page > 0) m_Sprites[m_PrevPressed ? P::kPrevPressed : P::kPrev]->DrawTo(m_Screen);
    if (m_Page < m_LastPage)
        m_Sprites[m_NextPressed ? P::kNextPressed : P::kNext]->DrawTo(m_Screen);
    m_Sprites[m_ExitPressed ? P::kExitPressed : P::kExit]->DrawTo(m_Screen);
}

void TGalleryPage::DrawCell(size_t entry, const TCellRect& cell) {
    // Only what can show: a cell wholly off the screen costs nothing.
    if (cell.left >= m_Screen.Width() || cell.top >= m_Screen.Height()) return;
    if (!m_Seen[entry]) {
        TSprite& placeholder = *m_Sprites[P::kNeverSeen];
        if (cell.left < -placeholder.Width() || cell.top < -placeholder.Height()) return;
        placeholder.SetAnchor(-1, -1, int(cell.left), int(cell.top));
        placeholder.DrawTo(m_Screen);
        return;
    }
    if (TSprite* picture = CellPicture(entry, cell)) picture->DrawTo(m_Screen);
}

TSprite* TGalleryPage::CellPicture(size_t entry, const TCellRect& cell) {
    auto found = m_Cells.find(entry);
    if (found != m_Cells.end()) return found->second.get();
    std::string ownSize, scaled;
    CellPictures(entry, ownSize, scaled);
    auto make = [this] {
        return std::make_unique<TSprite>(m_Services.pixelFormat, true, m_Services.witch,
                                         m_Services.resourceLibrary, m_Services.resourceManager);
    };
    std::unique_ptr<TSprite> result;
    if (!ownSize.empty()) {
        auto picture = make();
        if (picture->Load(ownSize) && cell.left > -picture->Width() &&
            cell.top > -picture->Height()) {
            picture->SetAnchor(-1, -1, int(cell.left), int(cell.top));
            result = std::move(picture);
        }
    } else if (!scaled.empty()) {
        // Kept as the part of the scaled picture the screen shows, never as the whole picture.
        platform::Rect visible;
        auto picture = make();
        if (Intersect(cell.left, cell.top, cell.right, cell.bottom, m_Screen.Width(),
                      m_Screen.Height(), visible) &&
            picture->Load(scaled)) {
            auto shown = make();
            shown->CreateBlank(visible.right - visible.left, visible.bottom - visible.top, 0);
            const platform::Rect into{int(cell.left - visible.left), int(cell.top - visible.top),
                                      int(cell.right - visible.left),
                                      int(cell.bottom - visible.top)};
            shown->StretchDrawSprite(*picture, into);
            shown->SetAnchor(-1, -1, visible.left, visible.top);
            result = std::move(shown);
        }
    }
    TSprite* raw = result.get();
    m_Cells.emplace(entry, std::move(result));
    return raw;
}

void TGalleryPage::Present() {
    if (m_Services.window) m_Screen.Present(*m_Services.window);
}

void TGalleryPage::PressAndShow(bool& flag) {
    // The pressed picture is on screen before whatever the click starts.
    flag = true;
    DrawButtons();
    Present();
}

void TGalleryPage::Click(int x, int y) {
    if (!Entered()) return;
    if (m_Viewing == 1) {
        m_Viewing = 0;
        Redraw();
        Present();
        return;
    }
    if (m_Page > 0 && m_PrevRect.Holds(x, y)) {
        PressAndShow(m_PrevPressed);
        --m_Page;
        m_PrevPressed = false;
        Redraw();
        Present();
        return;
    }
    if (m_Page < m_LastPage && m_NextRect.Holds(x, y)) {
        PressAndShow(m_NextPressed);
        ++m_Page;
        m_NextPressed = false;
        Redraw();
        Present();
        return;
    }
    if (m_ExitRect.Holds(x, y)) {
        if (OnLeave) {
            PressAndShow(m_ExitPressed);
            // The handler may leave the mode and free the pictures.
            auto handler = OnLeave;
            handler();
        }
        return;
    }
    // Cells are scanned in entry order, so the scan ends at the last entry of the page.
    const size_t count = EntryCount();
    const size_t first = static_cast<size_t>(m_Page) * static_cast<size_t>(m_PerPage);
    const int columns = m_Description.imageCount.x, rows = m_Description.imageCount.y;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const size_t entry = first + static_cast<size_t>(r * columns + c);
            if (entry >= count) return;
            if (!Cell(c, r).Holds(x, y)) continue;
            if (m_Seen[entry]) Open(entry);
            return;
        }
}
