#pragma once
#include <cstdint>
#include <string>

#include "resources/string_list.h"

class TXiniFile;

// The project settings, read once from the project file.
struct TVelmorSystemData {
    int32_t Width = 800;
    int32_t Height = 600;
    std::string Company;
    std::string Product;
    std::string VssFileName;
    std::string Title;
    std::string StartScript;
    std::string CGModeProject;
    std::string EventModeProject;
    int32_t DistLength = 3;
    int32_t Count = 0;
    bool Reverse[8] = {};
    std::string MessageWindowImage;
    int32_t BorderSize = 10;
    bool MessageShadowDraw = true;
    TPoint MessageWindowPoint;
    int32_t MessageWindowBasePoint = 2;
    TPoint MiniFacePoint[8];
    int32_t MiniFaceBasePoint[8] = {};
    TPoint FacePoint;
    int32_t FaceBasePoint = 2;
    int32_t MessageColor = 0xFFFFFF;
    int32_t MessageShadowColor = 0;
    int32_t MessageSelectColor = 0x808080;
    bool AAFontMode = true;
    int32_t FontHeightPercent = 32;
    int32_t LineBetweenHeight = 2;
    std::string CDRomDrive;
    // Not part of the record's stored order, but read with it.
    std::string Icon;
    bool DefaultWindowMode = true;
    // A VssFileName given but refused (it names no file below the project folder), else empty.
    std::string VssFileNameRefused;

    // Every key with its default; projectFileName gives the default VssFileName.
    void Read(const TXiniFile& ini, const std::string& projectFileName);
};
