#pragma once
#include <string>

#include "resources/string_list.h"

// Folders of a tree down to a depth (0: the folder and its direct subfolders; negative: all).
class TDirList {
public:
    TDirList(const std::string& folder, int depth);
    // Appends folder + name of every entry matching "*" + pattern, folder by folder.
    void FindFiles(TStringList& list, const std::string& pattern) const;
    const TStringList& Folders() const { return m_Folders; }
    int Depth() const { return m_Depth; }
    const std::string& BaseFolder() const { return m_BaseFolder; }

private:
    void Walk(const std::string& folder, int depth);
    TStringList m_Folders;
    int m_Depth;
    std::string m_BaseFolder;
};
