#include "modes/warp_map_move.h"

#include <algorithm>
#include <climits>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "modes/mode_files.h"
#include "platform/clock.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

int32_t Clamped(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The decimal digits of text, every other character skipped; false when there are none or
// they do not fit.
bool Digits(std::string_view text, int32_t& value) {
    int64_t v = 0;
    bool any = false;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        any = true;
        v = v * 10 + (c - '0');
        if (v > INT32_MAX) return false;
    }
    value = static_cast<int32_t>(v);
    return any;
}

}  // namespace

TWarpMapMove::TWarpMapMove(TDisplaySurface& window, TyxBCLManager* resourceManager, TSprite& screen)
    : m_Window(window), m_ResourceManager(resourceManager), m_Screen(screen) {}

TWarpMapMove::~TWarpMapMove() = default;

uint32_t TWarpMapMove::Now() const {
    return m_Window.Clock().TickCount();
}

bool TWarpMapMove::Refuse(const std::string& what) {
    m_Error = SJ("WarpMap設定ファイル ") + m_FileName + " " + what;
    return false;
}

bool TWarpMapMove::Load(const std::string& fileName, const TVariables& variables,
                        const std::string& placeVariable, const std::string& timeVariable,
                        const std::string& dayVariable) {
    TStringList lines;
    if (!modes::LoadDescription(fileName, m_ResourceManager, lines)) {
        m_FileName = fileName;
        return Refuse(SJ("が見つかりません"));
    }
    return LoadLines(lines, fileName, variables, placeVariable, timeVariable, dayVariable);
}

bool TWarpMapMove::LoadLines(const TStringList& lines, const std::string& fileName,
                             const TVariables& variables, const std::string& placeVariable,
                             const std::string& timeVariable, const std::string& dayVariable) {
    m_FileName = fileName;
    m_Error.clear();
    m_Variables = variables;
    m_PlaceVariable = placeVariable;
    m_TimeVariable = timeVariable;
    m_DayVariable = dayVariable;
    auto take = [this](const std::string& name, int& into) {
        int32_t value = 0;
        if (!name.empty() && m_Variables.find && m_Variables.find(name, value)) into = value;
    };
    take(m_PlaceVariable, m_Place);
    take(m_TimeVariable, m_Time);
    take(m_DayVariable, m_Day);
    if (!ReadDescription(lines)) return false;
    // The tables end at the places and days the file gives; a variable past them is refused
    // rather than read outside them.
    if (m_Place < 0 || m_Place >= m_PlaceCount)
        return Refuse(SJ("の場所の数が現在の場所 ") + yx::IntToStr(m_Place) + SJ(" に足りません"));
    if (m_Day < 0 || m_Day >= m_DayMax)
        return Refuse(SJ("の<game>のDayMaxが現在の日 ") + yx::IntToStr(m_Day) +
                      SJ(" に足りません"));
    if (m_Time < -1) return Refuse(SJ("の時間 ") + yx::IntToStr(m_Time) + SJ(" が不正です"));
    return true;
}

bool TWarpMapMove::ReadDescription(const TStringList& source) {
    TStringList copy = source;
    TXiniFile ini(copy);
    m_BackImageName = ini.ReadString("image", "BackImage", "");
    if (m_BackImageName.empty()) return Refuse(SJ("の<image>のBackImageが空です"));
    m_EntryX = ini.ReadInteger("image", "EntryX", 81);
    m_EntryY = ini.ReadInteger("image", "EntryY", 11);
    m_DayMax = ini.ReadInteger("game", "DayMax", 6);
    m_TimeMax = ini.ReadInteger("game", "TimeMax", 4);
    if (m_DayMax < 1) return Refuse(SJ("の<game>のDayMaxが不正です"));
    if (m_TimeMax < 1) return Refuse(SJ("の<game>のTimeMaxが不正です"));

    TStringList points, dayEnds, flags;
    auto section = [&](const char* name, TStringList& into) {
        into.clear();
        if (ini.ReadSectionLines(name, into)) return true;
        return Refuse(SJ("の<") + name + SJ(">がありません"));
    };
    if (!section("anime", m_MarkerFiles) || !section("mapchip", m_PlaceFiles) ||
        !section("drawpoint", points) || !section("dayend", dayEnds) || !section("flag", flags))
        return false;
    if (m_MarkerFiles.empty()) return Refuse(SJ("の<anime>に絵がありません"));
    if (m_PlaceFiles.empty()) return Refuse(SJ("の<mapchip>に場所がありません"));
    m_PlaceCount = static_cast<int>(std::min<size_t>(m_PlaceFiles.size(), INT32_MAX));
    const auto places = static_cast<size_t>(m_PlaceCount);
    if (points.size() < places) return Refuse(SJ("の<drawpoint>が場所の数より少ないです"));
    if (dayEnds.size() < static_cast<size_t>(m_DayMax))
        return Refuse(SJ("の<dayend>がDayMaxより少ないです"));
    const int64_t flagLines = int64_t{m_DayMax} * m_PlaceCount;
    if (static_cast<int64_t>(flags.size()) < flagLines)
        return Refuse(SJ("の<flag>がDayMax×場所の数より少ないです"));

    m_DrawPoints.assign(places, {});
    m_CentrePoints.assign(places, {});
    m_HitAreas.assign(places, {});
    for (size_t p = 0; p < places; ++p) {
        const std::string& line = points[p];
        const size_t comma = line.find(',');
        TPoint& d = m_DrawPoints[p];
        if (comma == std::string::npos || !Digits(std::string_view(line).substr(0, comma), d.x) ||
            !Digits(std::string_view(line).substr(comma + 1), d.y))
            return Refuse(SJ("の<drawpoint>の") + yx::IntToStr(static_cast<int64_t>(p)) +
                          SJ("行目が読めません"));
        m_CentrePoints[p] = {Clamped(int64_t{d.x} + m_EntryX), Clamped(int64_t{d.y} + m_EntryY)};
        m_HitAreas[p] = {d.x, d.y, Clamped(int64_t{d.x} + 2 * int64_t{m_EntryX}),
                         Clamped(int64_t{d.y} + 2 * int64_t{m_EntryY})};
    }

    m_DayEnds.assign(dayEnds.size(), {});
    for (size_t d = 0; d < dayEnds.size(); ++d)
        if (!yx::SplitAtComma(dayEnds[d], m_DayEnds[d].scriptFile, m_DayEnds[d].paragraph))
            return Refuse(SJ("の<dayend>の") + yx::IntToStr(static_cast<int64_t>(d)) +
                          SJ("行目にカンマがありません"));

    const auto times = static_cast<size_t>(m_TimeMax);
    m_Events.clear();
    for (int64_t line = 0; line < flagLines; ++line) {
        const std::string& text = flags[static_cast<size_t>(line)];
        TStringList items = yx::SplitCommaText(text);
        // Comma text drops the empty item after a last comma; a record of empty items at the
        // end of the line is written exactly that way.
        const size_t last = text.find_last_not_of(" \t");
        if (last != std::string::npos && text[last] == ',') items.emplace_back();
        auto where = [&] { return SJ("の<flag>の") + yx::IntToStr(line) + SJ("行目"); };
        if (items.size() / 4 < times)
            return Refuse(where() + SJ("の項目がTimeMax×4より少ないです"));
        for (size_t t = 0; t < times; ++t) {
            TEvent e{items[4 * t], items[4 * t + 1], items[4 * t + 2], items[4 * t + 3]};
            const int given =
                !e.flagVariable.empty() + !e.scriptFile.empty() + !e.paragraph.empty();
            if (given != 0 && given != 3)
                return Refuse(where() + SJ("の時間") + yx::IntToStr(static_cast<int64_t>(t)) +
                              SJ("のイベントが不完全です"));
            m_Events.push_back(std::move(e));
        }
    }
    return true;
}

const TWarpMapMove::TEvent& TWarpMapMove::Event(int day, int place, int time) const {
    const size_t index = (static_cast<size_t>(day) * static_cast<size_t>(m_PlaceCount) +
                          static_cast<size_t>(place)) *
                             static_cast<size_t>(m_TimeMax) +
                         static_cast<size_t>(time);
    return m_Events[index];
}

bool TWarpMapMove::Start() {
    m_Error.clear();
    auto load = [this](const std::string& name, platform::Bitmap& picture, bool transparent) {
        if (!modes::LoadPicture(name, m_ResourceManager, true, picture)) {
            Refuse(SJ("の絵 ") + name + SJ(" が読み込めません"));
            return false;
        }
        if (transparent) picture.SetTransparentColour(picture.Pixel(0, picture.Height() - 1));
        return true;
    };
    if (!load(m_BackImageName, m_BackImage, false)) return false;
    m_MarkerFrames.assign(m_MarkerFiles.size(), {});
    for (size_t i = 0; i < m_MarkerFiles.size(); ++i)
        if (!load(m_MarkerFiles[i], m_MarkerFrames[i], true)) return false;
    m_FrameCount = static_cast<int>(m_MarkerFrames.size());
    m_PlacePictures.assign(static_cast<size_t>(m_PlaceCount), {});
    for (size_t i = 0; i < m_PlacePictures.size(); ++i)
        if (!load(m_PlaceFiles[i], m_PlacePictures[i], true)) return false;

    const platform::Bitmap& first = m_MarkerFrames.front();
    m_MarkerPositions.assign(static_cast<size_t>(m_PlaceCount), {});
    for (size_t p = 0; p < m_MarkerPositions.size(); ++p)
        m_MarkerPositions[p] = {Clamped(int64_t{m_CentrePoints[p].x} - first.Width() / 2),
                                Clamped(int64_t{m_CentrePoints[p].y} - first.Height())};
    m_Frame = 0;
    Draw();
    if (RunEffect)
        RunEffect(9);
    else
        m_Screen.Present(m_Window);
    m_LastTick = Now();
    if (m_Time < m_TimeMax - 1)
        m_Active = true;
    else
        EndDay();
    return true;
}

void TWarpMapMove::Draw() {
    platform::Bitmap& target = m_Screen.Image();
    modes::DrawPicture(target, m_BackImage, 0, 0);
    if (m_Frame >= 0 && m_Frame < m_FrameCount) {
        const TPoint& at = m_MarkerPositions[static_cast<size_t>(m_Place)];
        modes::DrawPicture(target, m_MarkerFrames[static_cast<size_t>(m_Frame)], at.x, at.y);
    }
    for (int p = 0; p < m_PlaceCount; ++p) {
        if (p == m_Place) continue;
        const TPoint& at = m_DrawPoints[static_cast<size_t>(p)];
        modes::DrawPicture(target, m_PlacePictures[static_cast<size_t>(p)], at.x, at.y);
    }
    target.Changed();
}

void TWarpMapMove::Tick() {
    const uint32_t now = Now();
    if (now - m_LastTick < kFrameInterval) return;
    if (m_Active && m_FrameCount > 0) {
        Draw();
        m_Screen.Present(m_Window);
        m_Frame = (m_Frame + 1) % m_FrameCount;
    }
    m_LastTick = now;
}

bool TWarpMapMove::Click(TPoint point) {
    if (!m_Active) return false;
    int target = -1;
    for (int p = 0; p < m_PlaceCount && target < 0; ++p) {
        const TRect& r = m_HitAreas[static_cast<size_t>(p)];
        if (p != m_Place && point.x >= r.Left && point.y >= r.Top && point.x < r.Right &&
            point.y < r.Bottom)
            target = p;
    }
    if (target < 0) return false;
    m_Place = target;
    ++m_Time;
    Draw();
    m_Screen.Present(m_Window);

    const TEvent& e = Event(m_Day, m_Place, m_Time);
    int32_t value = 0;
    auto exists = [&](const std::string& name) {
        return m_Variables.find && m_Variables.find(name, value);
    };
    if (!e.flagVariable.empty() && !exists(e.flagVariable) &&
        (e.conditionVariable.empty() || exists(e.conditionVariable))) {
        m_Active = false;
        if (m_Variables.set) m_Variables.set(e.flagVariable, 1);
        WriteVariables();
        // The handler may end this map's life: nothing is touched after it.
        const TEvent fired = e;
        if (OnEnd) OnEnd(fired.scriptFile, fired.paragraph, m_Place, m_Day, m_Time);
        return true;
    }
    if (m_Time < m_TimeMax - 1) return true;
    EndDay();
    return true;
}

void TWarpMapMove::WriteVariables() {
    if (!m_Variables.set) return;
    if (!m_PlaceVariable.empty()) m_Variables.set(m_PlaceVariable, m_Place);
    if (!m_DayVariable.empty()) m_Variables.set(m_DayVariable, m_Day);
    if (!m_TimeVariable.empty()) m_Variables.set(m_TimeVariable, m_Time);
}

void TWarpMapMove::EndDay() {
    m_Active = false;
    WriteVariables();
    const TDayEnd end = m_DayEnds[static_cast<size_t>(m_Day)];
    if (OnEnd) OnEnd(end.scriptFile, end.paragraph, m_Place, m_Day, m_Time);
}
