#pragma once
// Finds game files inside BCX and BCL archives: every BCX archive, newest first, then every
// BCL archive, newest first. Loose files are the callers' business.
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "resources/memory_stream.h"
#include "resources/string_list.h"

class TyxWitch;
class TyxArchive;
class TyxBCL;
class TyxBCX;
class TyxPictureDecoder;

class TyxBCLManager {
public:
    // Pictures in archives decode through decoder (not owned); without one, through the host's
    // image readers.
    explicit TyxBCLManager(TyxWitch* witch, TyxPictureDecoder* decoder = nullptr);
    ~TyxBCLManager();
    TyxBCLManager(const TyxBCLManager&) = delete;
    TyxBCLManager& operator=(const TyxBCLManager&) = delete;

    // False when the file does not exist; true otherwise, whatever its extension (only
    // ".bcx" and ".bcl" open anything).
    bool AddArchive(const std::string& fileName);
    // Every archive in the folder and the subfolders listed for depth (0: direct
    // subfolders). False when the folder does not exist.
    bool AddFolder(const std::string& folder, int depth);
    void Clear();

    // The archive that answers for name, or nullptr.
    const TyxArchive* Find(const std::string& name) const;
    // When no archive holds name but one holds it with the scramble extension: that
    // spelling, which is the only one a scrambled member is found under. Else empty.
    std::string ScrambledSpelling(const std::string& name) const;
    // Each is true when an archive delivered the member; the first archive holding the name
    // answers, success or not.
    bool LoadStrings(TStringList& list, const std::string& name) const;
    bool LoadBitmap(platform::Bitmap& bitmap, const std::string& name) const;
    // decoder: the caller's container decoder; nullptr takes the manager's.
    bool LoadMaskedImage(TyxPictureDecoder* decoder, platform::Bitmap& bitmap,
                         platform::Bitmap& maskBitmap, const std::string& name) const;
    bool LoadPng(platform::Bitmap& bitmap, platform::Bitmap* alphaBitmap, const std::string& name,
                 bool& hasAlpha) const;
    bool LoadStream(TMemoryStream& stream, const std::string& name) const;
    // The raw bytes of an icon file: unlike the other loads, an archive that holds the name
    // but cannot read it hands over to the next one that holds it.
    bool LoadIconFile(TMemoryStream& stream, const std::string& name) const;
    // The same, decoded.
    bool LoadIcon(platform::Bitmap& icon, const std::string& name) const;

    // In search order.
    const std::vector<std::unique_ptr<TyxBCX>>& Bcxs() const { return m_Bcxs; }
    const std::vector<std::unique_ptr<TyxBCL>>& Bcls() const { return m_Bcls; }
    TyxWitch* Witch() const { return m_Witch; }
    // One line per index that was there but could not be read whole: file, then why.
    const TStringList& OpenErrors() const { return m_OpenErrors; }

private:
    void OpenBcx(const std::string& fileName);
    void OpenBcl(const std::string& fileName);
    void NoteError(const TyxArchive& archive);

    TyxWitch* m_Witch;
    std::unique_ptr<TyxPictureDecoder> m_HostDecoder;
    TyxPictureDecoder* m_Decoder;
    std::vector<std::unique_ptr<TyxBCX>> m_Bcxs;
    std::vector<std::unique_ptr<TyxBCL>> m_Bcls;
    TStringList m_OpenErrors;
};
