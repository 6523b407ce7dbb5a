#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/memory_stream.h"

// The content scrambler: names ending in the scramble extension hold bytes combined with the
// key by exclusive or. The same routine scrambles, since exclusive or is its own inverse.
class TyxWitch {
public:
    explicit TyxWitch(int32_t kind = 0);

    void SetKey(const std::string& key) { m_Key = key; }
    const std::string& Key() const { return m_Key; }
    const std::string& Extension() const { return m_Extension; }
    int32_t Kind() const { return m_Kind; }
    bool HasRoutine() const { return m_HasRoutine; }

    // Unscrambles in place; every call starts at the first key byte. Without the routine
    // (kinds other than 0) nothing happens and the result is true. With the routine but no
    // key the bytes cannot be unscrambled: they stay as they are and the result is false.
    bool Decode(uint8_t* buffer, size_t size) const;
    // The whole content, then the position goes back to 0. Same result as Decode.
    bool DecodeStream(TMemoryStream& stream) const;
    // Once per trailing scramble extension: unscrambles the whole buffer and strips that
    // extension from name. False (name partly stripped) when an unscramble failed.
    bool StripAndDecode(uint8_t* buffer, size_t size, std::string& name) const;

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
