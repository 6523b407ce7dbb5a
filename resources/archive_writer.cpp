#include "resources/archive_writer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "platform/file_system.h"
#include "resources/bcl.h"
#include "resources/witch.h"
#include "resources/yxstringlib.h"
namespace {

const char kHeader[TyxArchiveWriter::kHeaderSize] = "velmor archive\x1A";

// Why the index could not hold this name, or empty.
std::string NameProblem(TyxArchiveWriter::Format format, const std::string& name) {
    if (name.empty()) return "empty member name";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32) return "control character in member name";
    if (format == TyxArchiveWriter::Format::Bcl) {
        if (yx::SameText(name, "BinaryCombineData")) return "reserved member name";
    } else {
        if (name.find('<') != std::string::npos || name.find('>') != std::string::npos)
            return "'<' or '>' in member name";
        if (name[0] == '/') return "member name starts with '/'";
        if (yx::SameTextAscii(name, "?bcd?")) return "reserved member name";
    }
    return {};
}

void Append(std::string& text, const std::string& line) {
    text += line;
    text += "\r\n";
}

// The data file, written beside its final name and renamed over it only when complete.
class DataFileOut {
public:
    explicit DataFileOut(const std::string& hostPath)
        : m_Final(hostPath), m_Temp(hostPath + ".velmor-tmp") {
        m_Out.open(m_Temp, std::ios::binary | std::ios::trunc);
    }
    ~DataFileOut() {
        if (!m_Done) {
            m_Out.close();
            std::error_code ec;
            std::filesystem::remove(m_Temp, ec);
        }
    }
    bool Ok() const { return m_Out.good(); }
    bool Put(const uint8_t* bytes, size_t size) {
        m_Out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        return m_Out.good();
    }
    bool Commit() {
        m_Out.close();
        if (m_Out.fail()) return false;
        std::error_code ec;
        std::filesystem::rename(m_Temp, m_Final, ec);
        m_Done = !ec;
        return m_Done;
    }

private:
    std::string m_Final, m_Temp;
    std::ofstream m_Out;
    bool m_Done = false;
};

int64_t MemberSize(const TyxArchiveWriter::Member& m) {
    if (m.HostPath.empty()) return static_cast<int64_t>(m.Bytes.size());
    std::error_code ec;
    const auto size = std::filesystem::file_size(m.HostPath, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

using Members = std::vector<TyxArchiveWriter::Member>;

// The names as the index stores them; false when one cannot be stored or two would meet
// (only one of two equal names could ever be found).
bool StoredNames(TyxArchiveWriter::Format format, const Members& members,
                 const TyxWitch* scrambleWith, std::vector<std::string>& names,
                 std::string& error) {
    names.reserve(members.size());
    for (const TyxArchiveWriter::Member& m : members) {
        std::string name = m.Name;
        if (scrambleWith != nullptr) name += scrambleWith->Extension();
        if (std::string why = NameProblem(format, name); !why.empty()) {
            error = why + ": " + m.Name;
            return false;
        }
        names.push_back(std::move(name));
    }
    std::vector<std::pair<std::string, size_t>> keys;
    for (size_t i = 0; i < names.size(); ++i)
        keys.emplace_back(format == TyxArchiveWriter::Format::Bcl ? TyxBCL::NameKey(names[i])
                                                                  : yx::UpperCaseAscii(names[i]),
                          i);
    std::sort(keys.begin(), keys.end());
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i].first == keys[i - 1].first) {
            error = "duplicate member name: " + members[keys[i].second].Name;
            return false;
        }
    return true;
}

// Where each member goes: the index fields are 32-bit.
struct Layout {
    std::vector<int32_t> offsets, sizes;
    uint64_t total = 0;
};

bool LayOut(const Members& members, Layout& layout, std::string& error) {
    int64_t at = TyxArchiveWriter::kHeaderSize;
    for (const TyxArchiveWriter::Member& m : members) {
        const int64_t size = MemberSize(m);
        if (size < 0) {
            error = "cannot read " + m.HostPath;
            return false;
        }
        if (at + size > std::numeric_limits<int32_t>::max()) {
            error = "archive larger than 2 GiB";
            return false;
        }
        layout.offsets.push_back(static_cast<int32_t>(at));
        layout.sizes.push_back(static_cast<int32_t>(size));
        at += size;
        layout.total += static_cast<uint64_t>(size);
    }
    return true;
}

// Member bytes into the data file, scrambled when asked, piece by piece.
class MemberWriter {
public:
    MemberWriter(DataFileOut& data, const std::string& dataFileName, const TyxWitch* scrambleWith,
                 size_t piece, uint64_t total, const TyxArchiveWriter::Progress& progress,
                 std::string& error)
        : m_Data(data),
          m_DataFileName(dataFileName),
          m_Witch(scrambleWith),
          m_Piece(piece),
          m_Total(total),
          m_Progress(progress),
          m_Error(error) {}

    bool Write(const TyxArchiveWriter::Member& m, int32_t size) {
        const bool ok = m.HostPath.empty() ? WriteBytes(m.Bytes) : CopyHostFile(m.HostPath, size);
        if (ok && size == 0 && m_Progress) m_Progress(m_Done, m_Total);
        return ok;
    }

private:
    bool Put(const uint8_t* bytes, size_t size) {
        m_Buffer.assign(bytes, bytes + size);
        if (m_Witch != nullptr) m_Witch->Decode(m_Buffer.data(), m_Buffer.size());
        if (!m_Data.Put(m_Buffer.data(), m_Buffer.size())) {
            m_Error = "cannot write " + m_DataFileName;
            return false;
        }
        m_Done += size;
        if (m_Progress) m_Progress(m_Done, m_Total);
        return true;
    }
    // Restart the key for every member; pieces keep it aligned within one.
    bool WriteBytes(const std::vector<uint8_t>& bytes) {
        for (size_t from = 0; from < bytes.size(); from += m_Piece)
            if (!Put(bytes.data() + from, std::min(m_Piece, bytes.size() - from))) return false;
        return true;
    }
    bool CopyHostFile(const std::string& hostPath, int32_t size) {
        std::ifstream in(hostPath, std::ios::binary);
        std::vector<uint8_t> chunk(std::min<size_t>(m_Piece, static_cast<size_t>(size)));
        int64_t left = size;
        while (in && left > 0) {
            const auto want = static_cast<std::streamsize>(
                std::min<int64_t>(left, static_cast<int64_t>(m_Piece)));
            in.read(reinterpret_cast<char*>(chunk.data()), want);
            if (in.gcount() != want) break;
            if (!Put(chunk.data(), static_cast<size_t>(want))) return false;
            left -= want;
        }
        if (!in || left != 0) {
            m_Error = "cannot read " + hostPath + " (changed while packing?)";
            return false;
        }
        return true;
    }

    DataFileOut& m_Data;
    const std::string& m_DataFileName;
    const TyxWitch* m_Witch;
    size_t m_Piece;
    uint64_t m_Total;
    uint64_t m_Done = 0;
    const TyxArchiveWriter::Progress& m_Progress;
    std::string& m_Error;
    std::vector<uint8_t> m_Buffer;
};

std::string IndexText(TyxArchiveWriter::Format format, const std::string& dataName,
                      const std::vector<std::string>& names, const Layout& layout) {
    std::string text;
    if (format == TyxArchiveWriter::Format::Bcl) {
        Append(text, "[BinaryCombineData]");
        Append(text, dataName);
        Append(text, "");
        for (size_t i = 0; i < names.size(); ++i) {
            Append(text, "[" + names[i] + "]");
            Append(text, yx::IntToStr(layout.offsets[i]));
            Append(text, yx::IntToStr(layout.sizes[i]));
            Append(text, "");
        }
    } else {
        Append(text, "<?bcd?>");
        Append(text, "BCDFileName=" + dataName);
        Append(text, "</?bcd?>");
        for (size_t i = 0; i < names.size(); ++i) {
            Append(text, "<" + names[i] + ">");
            Append(text, "address=" + yx::IntToStr(layout.offsets[i]));
            Append(text, "size=" + yx::IntToStr(layout.sizes[i]));
            Append(text, "</" + names[i] + ">");
        }
    }
    return text;
}

}  // namespace

std::string TyxArchiveWriter::DataFileNameFor(const std::string& indexFileName) {
    return yx::ChangeFileExt(indexFileName, ".bcd");
}

bool TyxArchiveWriter::Write(Format format, const std::string& indexFileName,
                             const std::vector<Member>& members, const TyxWitch* scrambleWith,
                             std::string& error, const Progress& progress) {
    std::vector<std::string> names;
    if (!StoredNames(format, members, scrambleWith, names, error)) return false;
    Layout layout;
    if (!LayOut(members, layout, error)) return false;
    if (scrambleWith != nullptr && scrambleWith->HasRoutine() && scrambleWith->Key().empty()) {
        error = "no scramble key";
        return false;
    }
    // A piece boundary must fall on a key boundary for piecewise scrambling to be exact.
    size_t piece = kPieceSize;
    if (scrambleWith != nullptr && !scrambleWith->Key().empty())
        piece -= piece % scrambleWith->Key().size();

    const std::string dataFileName = DataFileNameFor(indexFileName);
    const std::string dataHost = platform::FileSystem::ToHostPath(dataFileName);
    DataFileOut data(dataHost);
    if (dataHost.empty() || !data.Ok() ||
        !data.Put(reinterpret_cast<const uint8_t*>(kHeader), kHeaderSize)) {
        error = "cannot write " + dataFileName;
        return false;
    }
    MemberWriter writer(data, dataFileName, scrambleWith, piece, layout.total, progress, error);
    for (size_t i = 0; i < members.size(); ++i)
        if (!writer.Write(members[i], layout.sizes[i])) return false;

    const std::string text = IndexText(format, yx::ExtractFileName(dataFileName), names, layout);
    if (!data.Commit()) {
        error = "cannot write " + dataFileName;
        return false;
    }
    if (!platform::FileSystem::WriteFileAtomic(indexFileName,
                                               std::vector<uint8_t>(text.begin(), text.end()))) {
        error = "cannot write " + indexFileName;
        return false;
    }
    return true;
}
