// The game's CD: where it is and the device that plays it.
#include "engine/velmor_cd.h"

#include <cstring>

#include "engine/velmor_system_data.h"
#include "platform/file_system.h"
#include "platform/game_folders.h"
#include "resources/application.h"
#include "resources/file_services.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"
#include "sound/cd_audio.h"

TVelmorCD::TVelmorCD(const TVelmorSystemData& data, const std::string& scriptConfigPath,
                     TyxApplication& app, platform::Clock& clock, const TControl& control)
    : m_Control(control) {
    // Ripped tracks beside the project stand in for a missing drive without a word.
    if (!data.CDRomDrive.empty()) {
        const std::string folder = yx::ExtractFilePath(scriptConfigPath) + "CD";
        if (platform::FileSystem::DirectoryExists(folder)) m_TrackFolder = folder;
    }
    // The game's disc may be read, and only it among the drives.
    if (platform::GameFolders::Confined())
        for (const platform::DriveInfo& d : platform::FileSystem::Drives())
            if (d.type == platform::DriveType::CdRom)
                platform::GameFolders::AllowRead(std::string(1, d.letter) + ":\\");
    m_Drive = Locate(data.CDRomDrive, app, !m_TrackFolder.empty());
    if (m_Drive.empty()) m_Drive = m_TrackFolder;
    if (!m_Drive.empty()) m_Audio = std::make_unique<TyxCDAudio>(clock);
}

TVelmorCD::~TVelmorCD() = default;

void TVelmorCD::Request(TCDRequest request) const {
    if (m_Control) m_Control(request);
}

std::string TVelmorCD::Locate(const std::string& value, TyxApplication& app, bool quiet) {
    if (value.empty()) return {};
    const std::string lower = yx::LowerCaseAscii(value);
    auto after = [&](const char* prefix) -> const char* {
        const size_t n = std::char_traits<char>::length(prefix);
        return lower.compare(0, n, prefix) == 0 ? prefix : nullptr;
    };
    std::string drive;
    if (const char* p = after("registry:") ? "registry:" : after("reg:")) {
        const std::string expanded = yx::ExpandRegistryRefs(value.substr(std::strlen(p)));
        if (expanded.size() >= 2 && expanded[1] == ':') drive = expanded.substr(0, 2) + "\\";
    } else if (const char* p = after("volume:") ? "volume:" : after("vol:")) {
        drive = yx::FindCdDrive(value.substr(std::strlen(p)));
    } else if (after("file:")) {
        drive = yx::FindDriveWithFile(value.substr(5));
    }
    if (quiet && (drive.empty() || !platform::FileSystem::DirectoryExists(drive))) return {};
    if (drive.empty()) {
        app.ShowMessage(
            SJ("ゲームのCDが見つかりません。\n音楽ありでゲームを楽しむには、\n"
               "正しいCDをドライブに挿入してからプログラムを再起動してください。"));
        return {};
    }
    if (!platform::FileSystem::DirectoryExists(drive)) {
        app.ShowMessage(SJ("指定されたCD-Romドライブ\"") + drive + SJ("\"は存在しません。"));
        return {};
    }
    return drive;
}
