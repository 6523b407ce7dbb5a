#include "resources/witch.h"

#include "platform/sjis.h"
#include "resources/yxstringlib.h"

TyxWitch::TyxWitch(int32_t kind) : m_Kind(kind), m_HasRoutine(kind == 0) {
    if (kind == 0) m_Extension = ".`a0";
}

void TyxWitch::Decode(uint8_t* buffer, size_t size) const {
    if (!m_HasRoutine || m_Key.empty()) return;
    size_t k = 0;
    for (size_t i = 0; i < size; ++i) {
        buffer[i] ^= static_cast<uint8_t>(m_Key[k]);
        if (++k == m_Key.size()) k = 0;
    }
}

void TyxWitch::DecodeStream(TMemoryStream& stream) const {
    if (!m_HasRoutine) return;
    Decode(stream.Bytes().data(), stream.Size());
    stream.SetPosition(0);
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
        if (c == '.') dot = i;
        else if (c == '\\' || c == ':' || c == '/') dot = std::string::npos;
    }
    return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

bool TyxWitch::IsScrambled(const std::string& fileName) const {
    return !m_Extension.empty() && yx::SameTextAscii(ExtensionOf(fileName), m_Extension);
}

std::string TyxWitch::StripScrambleExtension(const std::string& fileName) const {
    std::string name = fileName;
    while (IsScrambled(name)) name.resize(name.size() - ExtensionOf(name).size());
    return name;
}

std::string TyxWitch::RealExtension(const std::string& fileName) const {
    return yx::LowerCaseAscii(ExtensionOf(StripScrambleExtension(fileName)));
}
