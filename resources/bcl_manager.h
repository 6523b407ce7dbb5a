#pragma once
#include <string>

#include "platform/bitmap.h"
#include "resources/memory_stream.h"
#include "resources/string_list.h"

class TyxWitch;

// Finds game files inside BCX and BCL archives, newest first, BCX before BCL.
// Reading archive members arrives with the archive readers; until then the manager records
// the archives it was given and every load reports "not found".
class TyxBCLManager {
public:
    explicit TyxBCLManager(TyxWitch* witch) : m_Witch(witch) {}
    ~TyxBCLManager() { Clear(); }
    TyxBCLManager(const TyxBCLManager&) = delete;
    TyxBCLManager& operator=(const TyxBCLManager&) = delete;

    // False when the file does not exist; true otherwise, whatever its extension.
    bool AddArchive(const std::string& fileName);
    // False when the folder does not exist.
    bool AddFolder(const std::string& folder, int depth);
    void Clear();

    bool LoadStrings(TStringList& list, const std::string& name);
    bool LoadBitmap(platform::Bitmap& bitmap, const std::string& name);
    bool LoadStream(TMemoryStream& stream, const std::string& name);
    bool LoadIconFile(TMemoryStream& stream, const std::string& name);

    // Archive file names, in search order.
    const TStringList& Bcxs() const { return m_Bcxs; }
    const TStringList& Bcls() const { return m_Bcls; }
    TyxWitch* Witch() const { return m_Witch; }

private:
    void Open(const std::string& fileName);
    TyxWitch* m_Witch;
    TStringList m_Bcxs;
    TStringList m_Bcls;
};
