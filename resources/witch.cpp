#include "resources/witch.h"

#include "platform/sjis.h"
#include "resources/yxstringlib.h"

TyxWitch::TyxWitch(int32_t kind) : m_Kind(kind), m_HasRoutine(kind == 0) {
    if (kind == 0) m_Extension = ".`a0";
}

bool TyxWitch::Decode(uint8_t* buffer, size_t size) const {
    if (!m_HasRoutine) return true;
    // An empty key would leave the bytes scrambled while callers go on as if they were not.
    if (m_Key.empty()) return false;
    size_t k = 0;
    const size_t keySize = m_Key.size();
    for (size_t i = 0; i < size; ++i) {
        buffer[i] ^= static_cast<uint8_t>(m_Key[k]);
        if (++k == keySize) k = 0;
    }
    return true;
}

bool TyxWitch::DecodeStream(TMemoryStream& stream) const {
    if (!m_HasRoutine) return true;
    const bool done = Decode(stream.Bytes().data(), stream.Size());
    stream.SetPosition(0);
    return done;
}

bool TyxWitch::StripAndDecode(uint8_t* buffer, size_t size, std::string& name) const {
    while (IsScrambled(name)) {
        if (!Decode(buffer, size)) return false;
        name.resize(name.size() - m_Extension.size());
    }
    return true;
}

std::string TyxWitch::ExtensionOf(const std::string& fileName) {
    // Forward scan: a trail byte may equal '\', so only single-byte characters count.
    size_t dot = std::string::npos;
    for (size_t i = 0; i < fileName.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(fileName[i]);
        if (platform::IsSjisLeadByte(c)) {
            ++i;
            continue;
        }
        if (c == '.')
            dot = i;
        else if (c == '\\' || c == ':' || c == '/')
            dot = std::string::npos;
    }
    return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

bool TyxWitch::IsScrambled(const std::string& fileName) const {
    return !m_Extension.empty() && yx::SameTextAscii(ExtensionOf(fileName), m_Extension);
}

std::string TyxWitch::StripScrambleExtension(const std::string& fileName) const {
    std::string name = fileName;
    while (IsScrambled(name)) name.resize(name.size() - m_Extension.size());
    return name;
}

std::string TyxWitch::RealExtension(const std::string& fileName) const {
    return yx::LowerCaseAscii(ExtensionOf(StripScrambleExtension(fileName)));
}
