#pragma once
// The extended INI file: <Name> ... </Name> tag-line sections, key=value lines and free lines.
// The whole file lives in memory; it is written back only when something was written.
#include <cstdint>
#include <string>

#include "resources/string_list.h"

class TXiniFile {
public:
    // Loads the file when it exists; a missing file reads as empty.
    TXiniFile(const std::string& fileName, bool readOnly);
    // Wraps the caller's lines: read-only, never saved or freed; writes still change them.
    explicit TXiniFile(TStringList& lines);
    // Writes back when needed (UpdateFile); a failure there is logged, never thrown.
    ~TXiniFile();
    TXiniFile(const TXiniFile&) = delete;
    TXiniFile& operator=(const TXiniFile&) = delete;

    // The destructor's write, for callers that must see its failure: creates missing
    // folders, then replaces the file atomically. Throws EEngineError
    // ("ディレクトリを作成できません:" + quoted folder, or a write error).
    void UpdateFile();

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    TPoint ReadPoint(const std::string& section, const std::string& key, int32_t defX,
                     int32_t defY) const;
    int ReadList(const std::string& section, const std::string& key, TStringList& list) const;
    void ReadBoolArray(const std::string& section, const std::string& key, bool def, int count,
                       bool* out) const;
    void ReadIntegerArray(const std::string& section, const std::string& key, int32_t def,
                          int count, int32_t* out) const;
    void ReadPointArray(const std::string& section, const std::string& key, int32_t def,
                        int count, bool y, TPoint* out) const;

    void ReadSections(TStringList& list) const;
    bool ReadSectionLines(const std::string& section, TStringList& list) const;
    void WriteSectionLines(const std::string& section, const TStringList& list);

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    const TStringList& Lines() const { return *m_Lines; }
    bool Modified() const { return m_Modified; }
    bool ReadOnly() const { return m_ReadOnly; }
    const std::string& FileName() const { return m_FileName; }

    // Splits file bytes into lines (CR LF, CR, LF; NUL ends the text).
    static void SplitLines(const std::string& bytes, TStringList& lines);

private:
    TStringList m_OwnLines;
    TStringList* m_Lines;
    bool m_Modified = false;
    // Written since the last successful UpdateFile: an explicit update followed by the
    // destructor must not write a second, possibly stale, copy.
    bool m_Unsaved = false;
    bool m_ReadOnly;
    std::string m_FileName;
};
