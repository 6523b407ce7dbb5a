#include "resources/archive.h"

#include <filesystem>
#include <fstream>

#include "platform/file_system.h"
#include "resources/picture_decoder.h"
#include "resources/witch.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"

namespace {

std::string ExtensionToDecode(const std::string& realName) {
    return yx::LowerCaseAscii(TyxWitch::ExtensionOf(realName));
}

}  // namespace

bool TyxArchive::ReadDataRange(int64_t offset, int64_t size, std::vector<uint8_t>& bytes) const {
    if (m_DataFileName.empty() || offset < 0 || size < 0) return false;
    const std::string host = platform::FileSystem::ToHostPath(m_DataFileName);
    if (!platform::FileSystem::MayRead(m_DataFileName)) return false;
    // A folder or a device has no size to check reads against.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(host, ec)) return false;
    std::ifstream in(host, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff fileSize = in.tellg();
    if (fileSize < 0 || offset > fileSize || size > fileSize - offset) return false;
    bytes.assign(static_cast<size_t>(size), 0);
    in.seekg(offset, std::ios::beg);
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
    return true;
}

bool TyxArchive::Unscramble(std::vector<uint8_t>& bytes, const std::string& name,
                            std::string& realName) const {
    realName = name;
    if (m_Witch == nullptr) return true;
    return m_Witch->StripAndDecode(bytes.data(), bytes.size(), realName);
}

bool TyxArchive::LoadStrings(TStringList& list, const std::string& name) const {
    std::vector<uint8_t> bytes;
    std::string realName;
    if (!ReadMember(name, bytes, realName)) return false;
    list.clear();
    TXiniFile::SplitLines(std::string(bytes.begin(), bytes.end()), list);
    return true;
}

bool TyxArchive::LoadBitmap(TyxPictureDecoder& decoder, platform::Bitmap& bitmap,
                            const std::string& name) const {
    std::vector<uint8_t> bytes;
    std::string realName;
    if (!ReadMember(name, bytes, realName)) return false;
    const std::string ext = ExtensionToDecode(realName);
    if (ext == ".png") {
        bool hasAlpha = false;
        return decoder.DecodePng(bytes.data(), bytes.size(), bitmap, nullptr, hasAlpha);
    }
    if (ext == ".jpg") return decoder.DecodeJpeg(bytes.data(), bytes.size(), bitmap);
    if (ext == ".bmp") return decoder.DecodeBmp(bytes.data(), bytes.size(), bitmap);
    return UnknownBitmapLoads();
}

bool TyxArchive::LoadMaskedImage(TyxPictureDecoder& decoder, platform::Bitmap& bitmap,
                                 platform::Bitmap& maskBitmap, const std::string& name) const {
    std::vector<uint8_t> bytes;
    std::string realName;
    if (!ReadMember(name, bytes, realName)) return false;
    return decoder.DecodeVpp(bytes.data(), bytes.size(), bitmap, maskBitmap);
}

bool TyxArchive::LoadPng(TyxPictureDecoder& decoder, platform::Bitmap& bitmap,
                         platform::Bitmap* alphaBitmap, const std::string& name,
                         bool& hasAlpha) const {
    std::vector<uint8_t> bytes;
    std::string realName;
    if (!ReadMember(name, bytes, realName)) return false;
    return decoder.DecodePng(bytes.data(), bytes.size(), bitmap, alphaBitmap, hasAlpha);
}

bool TyxArchive::LoadStream(TMemoryStream& stream, const std::string& name) const {
    std::vector<uint8_t> bytes;
    std::string realName;
    if (!ReadMember(name, bytes, realName)) return false;
    // Unscrambled before writing, so a stream that already holds data gets the right bytes
    // wherever they land.
    if (!bytes.empty()) stream.Write(bytes.data(), bytes.size());
    stream.SetPosition(0);
    return true;
}
