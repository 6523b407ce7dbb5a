#include "engine/velmor_choices.h"

#include <algorithm>

#include "graphics/message_text.h"
#include "resources/sjis_text.h"

namespace {
bool Contains(const TRect& r, int x, int y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}
}  // namespace

bool TVelmorChoices::Add(const TStringList& tokens, std::string& error) {
    if (m_Count >= kMax) {
        error = SJ("scriptCommandExecute : 選択肢は最大4つまでです");
        return false;
    }
    if (tokens.size() < 3) {
        error = SJ("scriptCommandExecute : select コマンドの引数が足りません");
        return false;
    }
    TVelmorSelector& s = m_Selectors[m_Count++];
    s.Caption = tokens[1];
    s.Paragraph = tokens[2];
    s.Script = tokens.size() > 3 ? tokens[3] : std::string();
    return true;
}

void TVelmorChoices::Restore(int count, const TVelmorSelector* selectors, int given) {
    m_Count = std::clamp(count, 0, kMax);
    for (int i = 0; i < given && i < kMax; ++i) m_Selectors[i] = selectors[i];
}

void TVelmorChoices::SetAreas(const TRect* areas) {
    for (int i = 0; i < kMax; ++i) m_Rows[i] = areas[i];
}

void TVelmorChoices::Offer(const TRect* areas, TSprite& screen) {
    m_Highlighted = -1;
    SetAreas(areas);
    for (int i = 0; i < m_Count; ++i)
        m_Rows[i].Right = areas[i].Left + screen.TextWidth(m_Selectors[i].Caption) + 1;
}

bool TVelmorChoices::Hover(int x, int y) {
    int hit = -1;
    for (int i = 0; i < m_Count; ++i)
        if (Contains(m_Rows[i], x, y)) hit = i;
    if (hit == m_Highlighted) return false;
    m_Highlighted = hit;
    m_KeyboardSelection = false;
    return true;
}

bool TVelmorChoices::Key(TInputCode code) {
    using C = TInputCode;
    if (code != C::Up && code != C::Down && code != C::First && code != C::Last) return false;
    m_KeyboardSelection = true;
    const int last = m_Count - 1;
    // With no choices there is nothing to highlight.
    if (last >= 0) {
        if (code == C::Up) m_Highlighted = std::max(m_Highlighted - 1, 0);
        if (code == C::Down) m_Highlighted = std::min(m_Highlighted + 1, last);
        if (code == C::First) m_Highlighted = 0;
        if (code == C::Last) m_Highlighted = last;
    }
    return true;
}

int TVelmorChoices::Taken(TInputCode code, int x, int y) {
    if (m_KeyboardSelection) {
        if (code != TInputCode::Confirm || m_Highlighted < 0 || m_Highlighted >= m_Count) return -1;
        m_KeyboardSelection = false;
        return m_Highlighted;
    }
    for (int i = 0; i < m_Count; ++i)
        if (Contains(m_Rows[i], x, y)) return i;
    return -1;
}

void TVelmorChoices::Draw(TSprite& screen, int linePitch, uint32_t colour, uint32_t selectColour,
                          bool smooth) const {
    std::string captions[kMax];
    const int count = std::min<int>(m_Count, kMax);
    for (int i = 0; i < count; ++i) captions[i] = m_Selectors[i].Caption;
    TMessageText::DrawChoices(screen, m_Rows, captions, count, m_Highlighted, linePitch, colour,
                              selectColour, smooth);
}
