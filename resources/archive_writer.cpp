#include "resources/archive_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>

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

}  // namespace

std::string TyxArchiveWriter::DataFileNameFor(const std::string& indexFileName) {
    return yx::ChangeFileExt(indexFileName, ".bcd");
}

bool TyxArchiveWriter::Write(Format format, const std::string& indexFileName,
                             const std::vector<Member>& members, const TyxWitch* scrambleWith,
                             std::string& error) {
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

    std::vector<uint8_t> data(kHeader, kHeader + kHeaderSize);
    std::vector<int32_t> offsets;
    for (const Member& m : members) {
        if (data.size() + m.Bytes.size() >
            static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
            error = "archive larger than 2 GiB";
            return false;
        }
        offsets.push_back(static_cast<int32_t>(data.size()));
        const size_t at = data.size();
        data.insert(data.end(), m.Bytes.begin(), m.Bytes.end());
        if (scrambleWith != nullptr && !scrambleWith->Decode(data.data() + at, m.Bytes.size())) {
            error = "no scramble key";
            return false;
        }
    }

    const std::string dataFileName = DataFileNameFor(indexFileName);
    const std::string dataName = yx::ExtractFileName(dataFileName);
    std::string text;
    if (format == Format::Bcl) {
        Append(text, "[BinaryCombineData]");
        Append(text, dataName);
        Append(text, "");
        for (size_t i = 0; i < members.size(); ++i) {
            Append(text, "[" + names[i] + "]");
            Append(text, yx::IntToStr(offsets[i]));
            Append(text, yx::IntToStr(static_cast<int64_t>(members[i].Bytes.size())));
            Append(text, "");
        }
    } else {
        Append(text, "<?bcd?>");
        Append(text, "BCDFileName=" + dataName);
        Append(text, "</?bcd?>");
        for (size_t i = 0; i < members.size(); ++i) {
            Append(text, "<" + names[i] + ">");
            Append(text, "address=" + yx::IntToStr(offsets[i]));
            Append(text, "size=" + yx::IntToStr(static_cast<int64_t>(members[i].Bytes.size())));
            Append(text, "</" + names[i] + ">");
        }
    }
    if (!platform::FileSystem::WriteFileAtomic(dataFileName, data)) {
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
