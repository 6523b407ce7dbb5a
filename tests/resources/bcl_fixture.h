#pragma once
// Archives and pictures made in code for the archive and resource manager tests.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "../support/temp_folder.h"
#include "resources/archive_writer.h"
#include "resources/engine_key.h"
#include "resources/witch.h"

namespace archive_fixture {

inline std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::string Text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// An encoded picture: 4 x 3, red with opacity `alpha` where x is even, else blue and opaque.
inline std::vector<uint8_t> Picture(const char* format, bool withAlpha, int alpha = 128) {
    QImage image(4, 3, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(
                x, y,
                x % 2 == 0 ? qRgba(255, 0, 0, withAlpha ? alpha : 255) : qRgba(0, 0, 255, 255));
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return std::vector<uint8_t>(out.begin(), out.end());
}

// A masked container: "vpp", flag, offset of the picture PNG, mask PNG, picture PNG.
inline std::vector<uint8_t> Vpp(const std::vector<uint8_t>& mask,
                                const std::vector<uint8_t>& picture) {
    std::vector<uint8_t> out = {'v', 'p', 'p', 7};
    const uint32_t second = static_cast<uint32_t>(8 + mask.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(second >> (8 * i)));
    out.insert(out.end(), mask.begin(), mask.end());
    out.insert(out.end(), picture.begin(), picture.end());
    return out;
}

class ArchiveTest : public ::testing::Test {
protected:
    ArchiveTest() { m_Witch.SetKey(EngineKeyText()); }

    // Writes an archive with the packer's code; returns the index's full name.
    std::string Pack(TyxArchiveWriter::Format format, const std::string& index,
                     const std::vector<TyxArchiveWriter::Member>& members, bool scramble = false) {
        std::string error;
        const std::string path = m_Dir.Str() + index;
        EXPECT_TRUE(
            TyxArchiveWriter::Write(format, path, members, scramble ? &m_Witch : nullptr, error))
            << error;
        return path;
    }
    std::string PackBcl(const std::string& index,
                        const std::vector<TyxArchiveWriter::Member>& members,
                        bool scramble = false) {
        return Pack(TyxArchiveWriter::Format::Bcl, index, members, scramble);
    }
    std::string PackBcx(const std::string& index,
                        const std::vector<TyxArchiveWriter::Member>& members,
                        bool scramble = false) {
        return Pack(TyxArchiveWriter::Format::Bcx, index, members, scramble);
    }
    // A hand-written index (lines joined with CR LF) beside a data file of the given bytes.
    std::string WriteIndex(const std::string& index, const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        m_Dir.WriteBytes(index, text);
        return m_Dir.Str() + index;
    }
    void WriteData(const std::string& name, const std::string& bytes) {
        m_Dir.WriteBytes(name, bytes);
    }

    TempFolder m_Dir;
    TyxWitch m_Witch{0};
};

}  // namespace archive_fixture
