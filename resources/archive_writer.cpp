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

}  // namespace

std::string TyxArchiveWriter::DataFileNameFor(const std::string& indexFileName) {
    return yx::ChangeFileExt(indexFileName, ".bcd");
}

bool TyxArchiveWriter::Write(Format format, const std::string& indexFileName,
                             const std::vector<Member>& members, const TyxWitch* scrambleWith,
                             std::string& error, const Progress& progress) {
    std::vector<std::string> names;
    names.reserve(members.size());
    for (const Member& m : members) {
        std::string name = m.Name;
        if (scrambleWith != nullptr) name += scrambleWith->Extension();
        if (std::string why = NameProblem(format, name); !why.empty()) {
            error = why + ": " + m.Name;
            return false;
        }
        names.push_back(std::move(name));
    }
    // Only one of two equal names could ever be found.
    std::vector<std::pair<std::string, size_t>> keys;
    for (size_t i = 0; i < names.size(); ++i)
        keys.emplace_back(
            format == Format::Bcl ? TyxBCL::NameKey(names[i]) : yx::UpperCaseAscii(names[i]), i);
    std::sort(keys.begin(), keys.end());
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i].first == keys[i - 1].first) {
            error = "duplicate member name: " + members[keys[i].second].Name;
            return false;
        }

    // Offsets and sizes first: the index fields are 32-bit.
    std::vector<int32_t> offsets, sizes;
    uint64_t total = 0;
    int64_t at = kHeaderSize;
    for (const Member& m : members) {
        const int64_t size = MemberSize(m);
        if (size < 0) {
            error = "cannot read " + m.HostPath;
            return false;
        }
        if (at + size > std::numeric_limits<int32_t>::max()) {
            error = "archive larger than 2 GiB";
            return false;
        }
        offsets.push_back(static_cast<int32_t>(at));
        sizes.push_back(static_cast<int32_t>(size));
        at += size;
        total += static_cast<uint64_t>(size);
    }
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
    if (dataHost.empty() || !data.Ok()) {
        error = "cannot write " + dataFileName;
        return false;
    }
    if (!data.Put(reinterpret_cast<const uint8_t*>(kHeader), kHeaderSize)) {
        error = "cannot write " + dataFileName;
        return false;
    }
    uint64_t done = 0;
    std::vector<uint8_t> buffer;
    for (size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        auto put = [&](const uint8_t* bytes, size_t size) {
            buffer.assign(bytes, bytes + size);
            if (scrambleWith != nullptr) scrambleWith->Decode(buffer.data(), buffer.size());
            if (!data.Put(buffer.data(), buffer.size())) {
                error = "cannot write " + dataFileName;
                return false;
            }
            done += size;
            if (progress) progress(done, total);
            return true;
        };
        if (m.HostPath.empty()) {
            // Restart the key for every member; pieces keep it aligned within one.
            for (size_t from = 0; from < m.Bytes.size(); from += piece)
                if (!put(m.Bytes.data() + from, std::min(piece, m.Bytes.size() - from)))
                    return false;
            if (m.Bytes.empty() && progress) progress(done, total);
            continue;
        }
        std::ifstream in(m.HostPath, std::ios::binary);
        std::vector<uint8_t> chunk(std::min<size_t>(piece, static_cast<size_t>(sizes[i])));
        int64_t left = sizes[i];
        while (in && left > 0) {
            const auto want = static_cast<std::streamsize>(std::min<int64_t>(left, piece));
            in.read(reinterpret_cast<char*>(chunk.data()), want);
            if (in.gcount() != want) break;
            if (!put(chunk.data(), static_cast<size_t>(want))) return false;
            left -= want;
        }
        if (!in || left != 0) {
            error = "cannot read " + m.HostPath + " (changed while packing?)";
            return false;
        }
        if (sizes[i] == 0 && progress) progress(done, total);
    }

    const std::string dataName = yx::ExtractFileName(dataFileName);
    std::string text;
    if (format == Format::Bcl) {
        Append(text, "[BinaryCombineData]");
        Append(text, dataName);
        Append(text, "");
        for (size_t i = 0; i < members.size(); ++i) {
            Append(text, "[" + names[i] + "]");
            Append(text, yx::IntToStr(offsets[i]));
            Append(text, yx::IntToStr(sizes[i]));
            Append(text, "");
        }
    } else {
        Append(text, "<?bcd?>");
        Append(text, "BCDFileName=" + dataName);
        Append(text, "</?bcd?>");
        for (size_t i = 0; i < members.size(); ++i) {
            Append(text, "<" + names[i] + ">");
            Append(text, "address=" + yx::IntToStr(offsets[i]));
            Append(text, "size=" + yx::IntToStr(sizes[i]));
            Append(text, "</" + names[i] + ">");
        }
    }
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
