#include "engine/velmor_system_data.h"

#include "platform/game_folders.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {
const char* const kSection = "velmor";
}

void TVelmorSystemData::Read(const TXiniFile& ini, const std::string& projectFileName) {
    Title.clear();
    StartScript.clear();
    for (bool& r : Reverse) r = false;

    // These name where the player's state is written: one folder level each, and a file below
    // the project folder (or the per-user folder).
    Company = platform::GameFolders::FolderLevel(ini.ReadString(kSection, "Company", ""));
    Product = platform::GameFolders::FolderLevel(ini.ReadString(kSection, "Product", ""));
    const std::string vss = ini.ReadString(kSection, "VssFileName", "");
    VssFileName = platform::GameFolders::PathBelow(vss);
    VssFileNameRefused = VssFileName.empty() ? vss : std::string();
    if (VssFileName.empty())
        VssFileName = yx::ExtractFileName(yx::ChangeFileExt(projectFileName, ".vss"));
    Title = ini.ReadString(kSection, "Title", "");
    StartScript = ini.ReadString(kSection, "StartScript", "");
    CGModeProject = ini.ReadString(kSection, "CGModeProject", "");
    EventModeProject = ini.ReadString(kSection, "EventModeProject", "");
    Icon = ini.ReadString(kSection, "Icon", "");

    Width = ini.ReadInteger("Screen", "Width", 800);
    Height = ini.ReadInteger("Screen", "Height", 600);
    const int32_t w = Width, h = Height;

    MessageWindowImage = ini.ReadString("MessageWindow", "Image", "");
    MessageWindowBasePoint = ini.ReadInteger("MessageWindow", "BasePoint", 2);
    MessageWindowPoint.x = ini.ReadInteger("MessageWindow", "X", w / 2);
    // Wide enough that a hostile height cannot overflow.
    MessageWindowPoint.y =
        ini.ReadInteger("MessageWindow", "Y", static_cast<int32_t>(int64_t{h} * 31 / 32));
    BorderSize = ini.ReadInteger("MessageWindow", "BorderSize", 10);
    MessageShadowDraw = ini.ReadBool("MessageWindow", "MessageShadowDraw", true);
    MessageColor = ini.ReadInteger("MessageWindow", "MessageColor", 0xFFFFFF);
    MessageShadowColor = ini.ReadInteger("MessageWindow", "MessageShadowColor", 0);
    MessageSelectColor = ini.ReadInteger("MessageWindow", "MessageSelectColor", 0x808080);

    AAFontMode = ini.ReadBool("Font", "AAFontMode", true);
    FontHeightPercent = ini.ReadInteger("Font", "FontHeightPercent", 32);
    LineBetweenHeight = ini.ReadInteger("Font", "LineBetweenHeight", 2);

    DistLength = ini.ReadInteger("MiniFace", "DistLength", 3);
    Count = ini.ReadInteger("MiniFace", "Count", 0);
    ini.ReadBoolArray("MiniFace", "Reverse", false, 8, Reverse);
    ini.ReadIntegerArray("MiniFace", "BasePoint", 5, 8, MiniFaceBasePoint);
    ini.ReadPointArray("MiniFace", "X", w / 6, 8, false, MiniFacePoint);
    ini.ReadPointArray("MiniFace", "Y", h / 2, 8, true, MiniFacePoint);

    FaceBasePoint = ini.ReadInteger("Face", "BasePoint", 2);
    FacePoint.x = ini.ReadInteger("Face", "X", w / 2);
    FacePoint.y = ini.ReadInteger("Face", "Y", h);

    CDRomDrive = ini.ReadString("Sound", "CDRomDrive", "");
    DefaultWindowMode = ini.ReadBool("DefaultState", "WindowMode", true);
}
