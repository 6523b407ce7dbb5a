#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/memory_stream.h"

// The content scrambler: names ending in the scramble extension hold bytes combined with the
// key by exclusive or.
class TyxWitch {
public:
    explicit TyxWitch(int32_t kind = 0);

    void SetKey(const std::string& key) { m_Key = key; }
    const std::string& Key() const { return m_Key; }
    const std::string& Extension() const { return m_Extension; }
    int32_t Kind() const { return m_Kind; }

    // Unscrambles in place; every call starts at the first key byte. Does nothing without
    // the routine (kinds other than 0) or without a key.
    void Decode(uint8_t* buffer, size_t size) const;
    void DecodeStream(TMemoryStream& stream) const;
    // Lower-cased extension beneath every trailing scramble extension.
    std::string RealExtension(const std::string& fileName) const;
    // The name without its trailing scramble extensions.
    std::string StripScrambleExtension(const std::string& fileName) const;
    bool IsScrambled(const std::string& fileName) const;

    // Extension of a name: from its last '.' when no '\' or ':' follows it; else empty.
    static std::string ExtensionOf(const std::string& fileName);

private:
    int32_t m_Kind;
    bool m_HasRoutine;
    std::string m_Extension;
    std::string m_Key;
};
