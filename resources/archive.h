#pragma once
// What the two archive kinds share: the typed loads over a member's unscrambled bytes, and
// bounds-checked reads of the data file.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "resources/memory_stream.h"
#include "resources/string_list.h"

class TyxWitch;
class TyxPictureDecoder;

class TyxArchive {
public:
    explicit TyxArchive(TyxWitch* witch) : m_Witch(witch) {}
    virtual ~TyxArchive() = default;
    TyxArchive(const TyxArchive&) = delete;
    TyxArchive& operator=(const TyxArchive&) = delete;

    virtual bool Open(const std::string& indexFileName) = 0;
    virtual bool Contains(const std::string& name) const = 0;

    // Each load returns false, its output untouched, when no member of that name can be read
    // or its bytes do not decode.
    bool LoadStrings(TStringList& list, const std::string& name) const;
    bool LoadBitmap(TyxPictureDecoder& decoder, platform::Bitmap& bitmap,
                    const std::string& name) const;
    bool LoadMaskedImage(TyxPictureDecoder& decoder, platform::Bitmap& bitmap,
                         platform::Bitmap& maskBitmap, const std::string& name) const;
    bool LoadPng(TyxPictureDecoder& decoder, platform::Bitmap& bitmap,
                 platform::Bitmap* alphaBitmap, const std::string& name, bool& hasAlpha) const;
    // Writes the bytes at the stream's position, then sets the position to 0.
    bool LoadStream(TMemoryStream& stream, const std::string& name) const;
    // The member's unscrambled bytes; realName gets its name without scramble extensions.
    virtual bool ReadMember(const std::string& name, std::vector<uint8_t>& bytes,
                            std::string& realName) const = 0;

    TyxWitch* Witch() const { return m_Witch; }
    const std::string& IndexFileName() const { return m_IndexFileName; }
    const std::string& DataFileName() const { return m_DataFileName; }
    // Why the last Open failed, when the index was there but unusable.
    const std::string& LastError() const { return m_LastError; }

protected:
    // What LoadBitmap reports for a member that is no picture it knows.
    virtual bool UnknownBitmapLoads() const = 0;
    // size bytes from offset of the data file; false when the file cannot be read or any of
    // them lies outside it, so nothing larger than the file is ever allocated.
    bool ReadDataRange(int64_t offset, int64_t size, std::vector<uint8_t>& bytes) const;
    // Strip and decode with the scrambler; without one the bytes stay as stored.
    bool Unscramble(std::vector<uint8_t>& bytes, const std::string& name,
                    std::string& realName) const;

    TyxWitch* m_Witch;
    std::string m_IndexFileName;
    std::string m_DataFileName;
    std::string m_LastError;
};
