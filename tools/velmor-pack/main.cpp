// velmor-pack: makes, lists and unpacks the engine's BCL and BCX archives.
//   velmor-pack create --format bcl|bcx [--scramble] INDEX FILE...|FOLDER
//   velmor-pack list INDEX
//   velmor-pack extract INDEX FOLDER
// Host paths and names are UTF-8; inside archives names are Shift-JIS with '\' between folders.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/archive_writer.h"
#include "resources/bcl.h"
#include "resources/bcx.h"
#include "resources/engine_key.h"
#include "resources/witch.h"
#include "resources/yxstringlib.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::cerr << "usage: velmor-pack create --format bcl|bcx [--scramble] INDEX FILE...|FOLDER\n"
                 "       velmor-pack list INDEX\n"
                 "       velmor-pack extract INDEX FOLDER\n";
    return 2;
}

int Fail(const std::string& message) {
    std::cerr << "velmor-pack: " << message << "\n";
    return 1;
}

// An engine path for a host path given on the command line.
std::string EnginePath(const std::string& hostPath) {
    return platform::FileSystem::FromHostPath(fs::absolute(hostPath).lexically_normal().string());
}

bool ToSjis(const std::string& utf8, std::string& sjis) {
    sjis = platform::Utf8ToSjis(utf8);
    return platform::SjisToUtf8(sjis) == utf8;
}

bool ReadHostFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

std::unique_ptr<TyxWitch> EngineWitch() {
    auto witch = std::make_unique<TyxWitch>(0);
    witch->SetKey(EngineKeyText());
    return witch;
}

int Create(const std::vector<std::string>& args) {
    std::string format;
    bool scramble = false;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--format" && i + 1 < args.size())
            format = args[++i];
        else if (args[i] == "--scramble")
            scramble = true;
        else
            rest.push_back(args[i]);
    }
    if ((format != "bcl" && format != "bcx") || rest.size() < 2) return Usage();
    const std::string index = rest[0];
    const std::string wantExt = "." + format;
    if (!yx::SameTextAscii(fs::path(index).extension().string(), wantExt))
        return Fail("the index of a " + format + " archive must end in " + wantExt);

    // Host file and member name (UTF-8, '\' between folders).
    std::vector<std::pair<fs::path, std::string>> inputs;
    if (rest.size() == 2 && fs::is_directory(rest[1])) {
        const fs::path root = rest[1];
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            std::string name = entry.path().lexically_relative(root).generic_string();
            std::replace(name.begin(), name.end(), '/', '\\');
            inputs.emplace_back(entry.path(), name);
        }
        std::sort(inputs.begin(), inputs.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
    } else {
        for (size_t i = 1; i < rest.size(); ++i) {
            if (!fs::is_regular_file(rest[i])) return Fail("no such file: " + rest[i]);
            inputs.emplace_back(rest[i], fs::path(rest[i]).filename().string());
        }
    }
    // The index and data file must not pack themselves.
    const std::string dataHost = fs::path(index).replace_extension(".bcd").string();
    std::vector<TyxArchiveWriter::Member> members;
    for (const auto& [path, name] : inputs) {
        std::error_code ec;
        if (fs::equivalent(path, index, ec) || fs::equivalent(path, dataHost, ec)) continue;
        TyxArchiveWriter::Member m;
        if (!ToSjis(name, m.Name)) return Fail("name not representable in Shift-JIS: " + name);
        if (!ReadHostFile(path, m.Bytes)) return Fail("cannot read " + path.string());
        members.push_back(std::move(m));
    }
    auto witch = EngineWitch();
    std::string error;
    if (!TyxArchiveWriter::Write(
            format == "bcl" ? TyxArchiveWriter::Format::Bcl : TyxArchiveWriter::Format::Bcx,
            EnginePath(index), members, scramble ? witch.get() : nullptr, error))
        return Fail(platform::SjisToUtf8(error));
    std::cout << members.size() << " members written to " << index << "\n";
    return 0;
}

// Opens either kind by the index's extension.
std::unique_ptr<TyxArchive> OpenArchive(const std::string& index, TyxWitch* witch,
                                        std::string& error) {
    const std::string path = EnginePath(index);
    std::unique_ptr<TyxArchive> archive;
    const std::string ext = fs::path(index).extension().string();
    if (yx::SameTextAscii(ext, ".bcl"))
        archive = std::make_unique<TyxBCL>(witch);
    else if (yx::SameTextAscii(ext, ".bcx"))
        archive = std::make_unique<TyxBCX>(witch);
    else {
        error = "not a .bcl or .bcx index: " + index;
        return nullptr;
    }
    if (!archive->Open(path) || archive->DataFileName().empty()) {
        error = "cannot open " + index;
        if (!archive->LastError().empty())
            error += ": " + platform::SjisToUtf8(archive->LastError());
        return nullptr;
    }
    return archive;
}

struct Entry {
    std::string Name;
    int32_t Offset;
    int32_t Size;
};

std::vector<Entry> EntriesOf(const TyxArchive& archive) {
    std::vector<Entry> entries;
    if (auto* bcl = dynamic_cast<const TyxBCL*>(&archive))
        for (const auto& item : bcl->Items())
            entries.push_back({item->Name, item->Offset, item->Size});
    if (auto* bcx = dynamic_cast<const TyxBCX*>(&archive))
        for (const auto& item : bcx->Items())
            entries.push_back({item->Name, item->Address, item->Size});
    return entries;
}

int List(const std::string& index) {
    auto witch = EngineWitch();
    std::string error;
    auto archive = OpenArchive(index, witch.get(), error);
    if (!archive) return Fail(error);
    for (const Entry& e : EntriesOf(*archive))
        std::cout << platform::SjisToUtf8(e.Name) << "\t" << e.Offset << "\t" << e.Size << "\n";
    return 0;
}

int Extract(const std::string& index, const std::string& folder) {
    auto witch = EngineWitch();
    std::string error;
    auto archive = OpenArchive(index, witch.get(), error);
    if (!archive) return Fail(error);
    int failed = 0;
    std::set<std::string> done;
    const bool bcl = dynamic_cast<const TyxBCL*>(archive.get()) != nullptr;
    for (const Entry& e : EntriesOf(*archive)) {
        // Equal names deliver the same member: write it once.
        const std::string key = bcl ? TyxBCL::NameKey(e.Name) : yx::UpperCaseAscii(e.Name);
        if (!done.insert(key).second) continue;
        std::vector<uint8_t> bytes;
        std::string realName;
        if (!archive->ReadMember(e.Name, bytes, realName)) {
            std::cerr << "velmor-pack: cannot read " << platform::SjisToUtf8(e.Name) << "\n";
            ++failed;
            continue;
        }
        std::string relative = platform::SjisToUtf8(realName);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path rel = fs::path(relative).lexically_normal();
        if (rel.empty() || rel.is_absolute() || rel.has_root_name() || *rel.begin() == "..") {
            std::cerr << "velmor-pack: unsafe member name skipped: " << relative << "\n";
            ++failed;
            continue;
        }
        const fs::path target = fs::path(folder) / rel;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::ofstream out(target, std::ios::binary);
        if (!out.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()))) {
            std::cerr << "velmor-pack: cannot write " << target.string() << "\n";
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "create") return Create(args);
    if (command == "list" && args.size() == 1) return List(args[0]);
    if (command == "extract" && args.size() == 2) return Extract(args[0], args[1]);
    return Usage();
}
