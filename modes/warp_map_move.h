#pragma once
// The map-movement mini game: places on a map picture, a marker on the player's place, one
// time slot used per move, events by day, place and time, and the day's end when the slots
// are used up. Place, day and time live in game variables so the scenario can call it again.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "resources/string_list.h"

class TDisplaySurface;
class TSprite;
class TyxBCLManager;

class TWarpMapMove {
public:
    struct TEvent {
        std::string flagVariable, scriptFile, conditionVariable, paragraph;
    };
    struct TDayEnd {
        std::string scriptFile, paragraph;
    };
    // The engine's game variables, borrowed: find gives a variable's value (names without
    // regard to case), set writes one and appends it when missing.
    struct TVariables {
        std::function<bool(const std::string& name, int32_t& value)> find;
        std::function<void(const std::string& name, int32_t value)> set;
    };
    using TEndHandler = std::function<void(const std::string& scriptFile,
                                           const std::string& paragraph, int place, int day,
                                           int time)>;

    static constexpr uint32_t kFrameInterval = 500;

    TWarpMapMove(TDisplaySurface& window, TyxBCLManager* resourceManager, TSprite& screen);
    ~TWarpMapMove();
    TWarpMapMove(const TWarpMapMove&) = delete;
    TWarpMapMove& operator=(const TWarpMapMove&) = delete;

    // Takes place, time and day from the named variables, then reads the description. False,
    // with Error() naming the file and what is wrong, when it cannot be used.
    bool Load(const std::string& fileName, const TVariables& variables,
              const std::string& placeVariable, const std::string& timeVariable,
              const std::string& dayVariable);
    // The same on lines already read.
    bool LoadLines(const TStringList& lines, const std::string& fileName,
                   const TVariables& variables, const std::string& placeVariable,
                   const std::string& timeVariable, const std::string& dayVariable);
    // Loads the pictures, shows the map with the sand-in effect and becomes active, or ends
    // the day at once when no time slot is left. False when a picture fails to load.
    bool Start();
    // One idle pass: the marker steps every kFrameInterval ms while active.
    void Tick();
    // A click on the map; true when it moved the player.
    bool Click(TPoint point);
    // The tick count at which Tick next has work.
    uint32_t NextStep() const { return m_LastTick + kFrameInterval; }

    // Called when an event or the day's end hands control back.
    TEndHandler OnEnd;
    // Runs a screen effect on the screen (9: sand in); without it the map is only presented.
    std::function<void(int number)> RunEffect;

    const std::string& Error() const { return m_Error; }
    bool Active() const { return m_Active; }
    int Place() const { return m_Place; }
    int Day() const { return m_Day; }
    int Time() const { return m_Time; }
    int Frame() const { return m_Frame; }
    int PlaceCount() const { return m_PlaceCount; }
    int DayMax() const { return m_DayMax; }
    int TimeMax() const { return m_TimeMax; }
    const TRect& HitArea(int place) const { return m_HitAreas[static_cast<size_t>(place)]; }
    const TPoint& DrawPoint(int place) const { return m_DrawPoints[static_cast<size_t>(place)]; }
    const TPoint& MarkerPosition(int place) const {
        return m_MarkerPositions[static_cast<size_t>(place)];
    }
    const TEvent& Event(int day, int place, int time) const;
    const TDayEnd& DayEnd(int day) const { return m_DayEnds[static_cast<size_t>(day)]; }

private:
    bool Refuse(const std::string& what);
    bool ReadDescription(const TStringList& lines);
    void Draw();
    void WriteVariables();
    void EndDay();
    uint32_t Now() const;

    TDisplaySurface& m_Window;
    TyxBCLManager* m_ResourceManager;
    TSprite& m_Screen;
    std::string m_BackImageName;
    int m_EntryX = 81, m_EntryY = 11;
    int m_DayMax = 6, m_TimeMax = 4;
    TStringList m_MarkerFiles;
    TStringList m_PlaceFiles;
    std::vector<TPoint> m_DrawPoints;
    std::vector<TDayEnd> m_DayEnds;
    std::vector<TEvent> m_Events;  // [day][place][time], flattened
    platform::Bitmap m_BackImage;
    std::vector<platform::Bitmap> m_MarkerFrames;
    int m_FrameCount = 0;
    std::vector<platform::Bitmap> m_PlacePictures;
    int m_PlaceCount = 0;
    int m_Frame = 0;
    std::vector<TPoint> m_CentrePoints;
    int m_Place = 0;
    std::vector<TPoint> m_MarkerPositions;
    std::vector<TRect> m_HitAreas;
    bool m_Active = false;
    uint32_t m_LastTick = 0;
    int m_Day = 0;
    int m_Time = -1;
    std::string m_PlaceVariable, m_DayVariable, m_TimeVariable;
    TVariables m_Variables;
    std::string m_FileName;
    std::string m_Error;
};
