// velmor-pack: makes, lists and unpacks the engine's BCL and BCX archives.
//   velmor-pack create --format bcl|bcx [--scramble [--rewrite-scripts FOLDER]] [--base FOLDER]
//                      [--exclude PATTERN]... INDEX FILE...|FOLDER
//   velmor-pack list INDEX
//   velmor-pack extract INDEX FOLDER
// Host paths are UTF-8 or, as the engine reads them too, raw Shift-JIS; inside archives names
// are Shift-JIS with '\' between folders.
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
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
    std::cerr << "usage: velmor-pack create --format bcl|bcx [--scramble [--rewrite-scripts "
                 "FOLDER]]\n"
                 "                          [--base FOLDER] [--exclude PATTERN]... INDEX "
                 "FILE...|FOLDER\n"
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

// Host names for the terminal: raw Shift-JIS ones shown converted.
std::string Shown(const std::string& host) {
    return platform::IsValidUtf8(host) ? host : platform::SjisToUtf8(host);
}

// The member name of a relative host path, as the engine's lookup of a loose file would spell
// it: UTF-8 components converted, raw Shift-JIS components kept. False when a UTF-8 name has
// characters Shift-JIS cannot hold.
bool MemberName(const fs::path& relative, std::string& name) {
    name.clear();
    for (const fs::path& part : relative) {
        const std::string host = part.string();
        std::string sjis = host;
        if (platform::IsValidUtf8(host)) {
            sjis = platform::Utf8ToSjis(host);
            if (platform::SjisToUtf8(sjis) != host) return false;
        }
        if (!name.empty()) name += '\\';
        name += sjis;
    }
    return !name.empty();
}

std::unique_ptr<TyxWitch> EngineWitch() {
    auto witch = std::make_unique<TyxWitch>(0);
    witch->SetKey(EngineKeyText());
    return witch;
}

// What a game folder holds besides its data: the project file, the system-state file and its
// save folder, the developer marker file. These stay out unless named on purpose.
class Exclusions {
public:
    explicit Exclusions(std::vector<std::string> patterns) : m_Patterns(std::move(patterns)) {}
    // relative: the path under the folder being packed; saveFolders: the state files found
    // there, without their extension.
    static bool ByDefault(const fs::path& relative, const std::set<fs::path>& saveFolders) {
        const fs::path name = relative.filename();
        const std::string ext = yx::LowerCaseAscii(name.extension().string());
        if (ext == ".vsc" || ext == ".vss") return true;
        if (platform::FileSystem::FromHostPath(name.string()) == EngineKeyText()) return true;
        for (fs::path folder = relative.parent_path(); !folder.empty();
             folder = folder.parent_path())
            if (saveFolders.count(folder)) return true;
        return false;
    }
    bool ByPattern(const fs::path& relative) const {
        const std::string path = relative.generic_string();
        for (const std::string& pattern : m_Patterns) {
            if (fnmatch(pattern.c_str(), path.c_str(), 0) == 0) return true;
            // A pattern that names a folder or a file name leaves out what lies under it.
            fs::path prefix;
            for (const fs::path& part : relative) {
                prefix /= part;
                if (fnmatch(pattern.c_str(), part.string().c_str(), 0) == 0 ||
                    fnmatch(pattern.c_str(), prefix.generic_string().c_str(), 0) == 0)
                    return true;
            }
        }
        return false;
    }

private:
    std::vector<std::string> m_Patterns;
};

struct Input {
    fs::path Host;
    fs::path Relative;
    bool PackIt = true;  // false: only read for rewriting (a project file)
};

// A bar on standard error while a terminal watches; nothing otherwise.
class ProgressBar {
public:
    ProgressBar() : m_Shown(isatty(2) != 0) {}
    ~ProgressBar() {
        if (m_Drawn) std::cerr << "\n";
    }
    void Update(uint64_t done, uint64_t total) {
        if (!m_Shown || total == 0) return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == m_Percent) return;
        m_Percent = percent;
        m_Drawn = true;
        const int filled = percent * 40 / 100;
        std::cerr << "\r[" << std::string(static_cast<size_t>(filled), '#')
                  << std::string(static_cast<size_t>(40 - filled), ' ') << "] " << percent << "% "
                  << done / (1024 * 1024) << "/" << total / (1024 * 1024) << " MiB" << std::flush;
    }

private:
    bool m_Shown;
    bool m_Drawn = false;
    int m_Percent = -1;
};

bool IsScriptText(const std::string& memberName) {
    const std::string ext = yx::LowerCaseAscii(yx::ExtractFileExt(memberName));
    return ext == ".txt" || ext == ".ini" || ext == ".vsc";
}

// Member names in a script, project or description file followed by the scramble extension.
// A name counts where it stands whole between the separators of script tokens, INI keys and
// comma lists, or inside double quotes; letter case and '/' for '\' as the engine's lookup.
std::string RewriteNames(const std::string& text, const std::set<std::string>& keys,
                         const std::string& extension, int& replaced) {
    auto separator = [](unsigned char c) {
        return c == ' ' || c == '\t' || c == ',' || c == '*' || c == ':' || c == '=' ||
               c == '?' || c == '\r' || c == '\n' || c == '<' || c == '>' || c == '"';
    };
    auto key = [](std::string name) {
        std::replace(name.begin(), name.end(), '/', '\\');
        return TyxBCL::NameKey(name);
    };
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (separator(c)) {
            out += text[i++];
            if (c == '"') {
                // A quoted run is one token, blanks included.
                const size_t close = text.find('"', i);
                if (close != std::string::npos) {
                    const std::string run = text.substr(i, close - i);
                    out += run;
                    if (keys.count(key(run))) {
                        out += extension;
                        ++replaced;
                    }
                    out += '"';
                    i = close + 1;
                }
            }
            continue;
        }
        size_t end = i;
        while (end < text.size() && !separator(static_cast<unsigned char>(text[end])))
            end += platform::IsSjisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        end = std::min(end, text.size());
        const std::string run = text.substr(i, end - i);
        out += run;
        if (keys.count(key(run))) {
            out += extension;
            ++replaced;
        }
        i = end;
    }
    return out;
}

bool ReadHostFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

// What "create" was asked for.
struct CreateOptions {
    std::string format, base, rewriteFolder;
    bool scramble = false;
    std::vector<std::string> rest, patterns;  // rest: the index, then what to pack
};

// The options, or the exit status of a bad command line.
std::optional<int> ParseCreate(const std::vector<std::string>& args, CreateOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--format" && i + 1 < args.size())
            o.format = args[++i];
        else if (args[i] == "--scramble")
            o.scramble = true;
        else if (args[i] == "--base" && i + 1 < args.size())
            o.base = args[++i];
        else if (args[i] == "--exclude" && i + 1 < args.size())
            o.patterns.push_back(args[++i]);
        else if (args[i] == "--rewrite-scripts" && i + 1 < args.size())
            o.rewriteFolder = args[++i];
        else if (args[i].starts_with("--"))
            return Usage();
        else
            o.rest.push_back(args[i]);
    }
    if ((o.format != "bcl" && o.format != "bcx") || o.rest.size() < 2) return Usage();
    if (!o.rewriteFolder.empty() && !o.scramble)
        return Fail("--rewrite-scripts only makes sense with --scramble");
    const std::string wantExt = "." + o.format;
    if (!yx::SameTextAscii(fs::path(o.rest[0]).extension().string(), wantExt))
        return Fail("the index of a " + o.format + " archive must end in " + wantExt);
    return std::nullopt;
}

// Every file under a folder, in name order, without what a game folder holds besides data.
void AddFolder(const fs::path& root, const fs::path& under, const Exclusions& exclusions,
               std::vector<Input>& inputs) {
    std::vector<fs::path> files;
    std::set<fs::path> saveFolders;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        files.push_back(entry.path().lexically_relative(root));
        if (yx::SameTextAscii(files.back().extension().string(), ".vss"))
            saveFolders.insert(fs::path(files.back()).replace_extension());
    }
    std::vector<Input> found;
    for (const fs::path& inRoot : files) {
        const fs::path host = root / inRoot;
        if (exclusions.ByPattern(under / inRoot)) continue;
        const bool project =
            yx::SameTextAscii(inRoot.extension().string(), ".vsc") && !inRoot.has_parent_path();
        if (Exclusions::ByDefault(inRoot, saveFolders)) {
            // The project file is still read, to rewrite its names.
            if (project) found.push_back({host, under / inRoot, false});
            continue;
        }
        found.push_back({host, under / inRoot, true});
    }
    std::sort(found.begin(), found.end(),
              [](const Input& a, const Input& b) { return a.Relative < b.Relative; });
    inputs.insert(inputs.end(), found.begin(), found.end());
}

// The files named on the command line, each with its name below the base; or the exit status.
std::optional<int> CollectInputs(const CreateOptions& o, const Exclusions& exclusions,
                                 std::vector<Input>& inputs) {
    if (o.rest.size() == 2 && fs::is_directory(o.rest[1]) && o.base.empty()) {
        AddFolder(o.rest[1], {}, exclusions, inputs);
        return std::nullopt;
    }
    std::vector<fs::path> paths;
    for (size_t i = 1; i < o.rest.size(); ++i) {
        if (!fs::exists(o.rest[i])) return Fail("no such file: " + Shown(o.rest[i]));
        paths.push_back(fs::absolute(o.rest[i]).lexically_normal());
    }
    // Folder names are kept below the base: given, or the files' common parent.
    fs::path root;
    if (!o.base.empty()) {
        root = fs::absolute(o.base).lexically_normal();
    } else {
        root = fs::is_directory(paths[0]) ? paths[0] : paths[0].parent_path();
        for (const fs::path& p : paths) {
            const fs::path folder = fs::is_directory(p) ? p : p.parent_path();
            while (!root.empty() && folder.lexically_relative(root).string().starts_with(".."))
                root = root.parent_path();
        }
    }
    for (const fs::path& p : paths) {
        const fs::path relative = p.lexically_relative(root);
        if (relative.empty() || relative.string().starts_with(".."))
            return Fail(Shown(p.string()) + " is not inside " + Shown(root.string()));
        if (fs::is_directory(p)) {
            AddFolder(p, relative == "." ? fs::path() : relative, exclusions, inputs);
        } else if (!exclusions.ByPattern(relative)) {
            inputs.push_back({p, relative, true});
        }
    }
    return std::nullopt;
}

// The members to pack, and the texts that may name them; or the exit status.
std::optional<int> MembersOf(const std::vector<Input>& inputs, const std::string& index,
                             std::vector<TyxArchiveWriter::Member>& members,
                             std::vector<const Input*>& texts) {
    // The index and data file must not pack themselves.
    const fs::path indexHost = fs::absolute(index);
    const fs::path dataHost = fs::path(indexHost).replace_extension(".bcd");
    for (const Input& in : inputs) {
        std::error_code ec;
        if (fs::equivalent(in.Host, indexHost, ec) || fs::equivalent(in.Host, dataHost, ec))
            continue;
        std::string name;
        if (!MemberName(in.Relative, name))
            return Fail("name not representable in Shift-JIS: " + in.Relative.string());
        if (IsScriptText(name)) texts.push_back(&in);
        if (!in.PackIt) continue;
        TyxArchiveWriter::Member m;
        m.Name = name;
        m.HostPath = in.Host.string();
        members.push_back(std::move(m));
    }
    return std::nullopt;
}

// Copies of the texts into folder, naming the members as they are stored scrambled; the packed
// copies of those texts change alike. rewritten: host path -> new text. Or the exit status.
std::optional<int> RewriteScripts(const std::string& folder, const std::vector<const Input*>& texts,
                                  const std::string& extension,
                                  std::vector<TyxArchiveWriter::Member>& members,
                                  std::map<std::string, std::string>& rewritten) {
    std::set<std::string> keys;
    for (const auto& m : members) keys.insert(TyxBCL::NameKey(m.Name));
    for (const Input* in : texts) {
        std::string text;
        if (!ReadHostFile(in->Host, text)) return Fail("cannot read " + Shown(in->Host));
        int replaced = 0;
        std::string changed = RewriteNames(text, keys, extension, replaced);
        const fs::path target = fs::path(folder) / in->Relative;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out.write(changed.data(), static_cast<std::streamsize>(changed.size())))
            return Fail("cannot write " + Shown(target.string()));
        rewritten[in->Host.string()] = std::move(changed);
    }
    // Packed scripts must name the members as they are now stored.
    for (auto& m : members)
        if (auto it = rewritten.find(m.HostPath); it != rewritten.end()) {
            m.Bytes.assign(it->second.begin(), it->second.end());
            m.HostPath.clear();
        }
    return std::nullopt;
}

void ReportCreated(const CreateOptions& o, const std::vector<TyxArchiveWriter::Member>& members,
                   const TyxWitch& witch, size_t rewritten) {
    std::cout << members.size() << " members written to " << Shown(o.rest[0]) << "\n";
    if (o.scramble && o.rewriteFolder.empty()) {
        std::cout << "Scrambled members are found only under their new names; scripts, the "
                     "project file and description files must now name them so:\n";
        for (const auto& m : members)
            std::cout << "  " << platform::SjisToUtf8(m.Name) << " -> "
                      << platform::SjisToUtf8(m.Name + witch.Extension()) << "\n";
        std::cout << "(--rewrite-scripts FOLDER writes copies of the scripts that do.)\n";
    } else if (!o.rewriteFolder.empty()) {
        std::cout << rewritten << " scripts and project files rewritten into "
                  << Shown(o.rewriteFolder) << " to name the scrambled members\n";
    }
}

int Create(const std::vector<std::string>& args) {
    CreateOptions o;
    if (auto status = ParseCreate(args, o)) return *status;
    const std::string& index = o.rest[0];
    std::vector<Input> inputs;
    if (auto status = CollectInputs(o, Exclusions(o.patterns), inputs)) return *status;
    std::vector<TyxArchiveWriter::Member> members;
    std::vector<const Input*> texts;  // candidates for rewriting, in input order
    if (auto status = MembersOf(inputs, index, members, texts)) return *status;
    auto witch = EngineWitch();
    std::map<std::string, std::string> rewritten;  // host path -> new text
    if (!o.rewriteFolder.empty())
        if (auto status =
                RewriteScripts(o.rewriteFolder, texts, witch->Extension(), members, rewritten))
            return *status;

    ProgressBar bar;
    std::string error;
    if (!TyxArchiveWriter::Write(
            o.format == "bcl" ? TyxArchiveWriter::Format::Bcl : TyxArchiveWriter::Format::Bcx,
            EnginePath(index), members, o.scramble ? witch.get() : nullptr, error,
            [&](uint64_t done, uint64_t total) { bar.Update(done, total); }))
        return Fail(platform::SjisToUtf8(error));
    ReportCreated(o, members, *witch, rewritten.size());
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
        for (const auto& item : bcl->Items()) entries.push_back({item.Name, item.Offset, item.Size});
    if (auto* bcx = dynamic_cast<const TyxBCX*>(&archive))
        for (const auto& item : bcx->Items()) entries.push_back({item.Name, item.Address, item.Size});
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

// Creates the member's folders and file below folder without following any link already
// there: a link in the target folder could otherwise carry the write anywhere.
bool WriteNoFollow(const std::string& folder, const fs::path& rel,
                   const std::vector<uint8_t>& bytes) {
    fs::path at = folder;
    std::error_code ec;
    fs::create_directories(at, ec);
    const fs::path parent = rel.parent_path();
    for (const fs::path& part : parent) {
        at /= part;
        const fs::file_status st = fs::symlink_status(at, ec);
        if (fs::is_symlink(st)) return false;
        if (!fs::exists(st) && !fs::create_directory(at, ec)) return false;
        if (!fs::is_directory(fs::symlink_status(at, ec))) return false;
    }
    at /= rel.filename();
    const int fd = open(at.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return close(fd) == 0 && done == bytes.size();
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
        if (!WriteNoFollow(folder, rel, bytes)) {
            std::cerr << "velmor-pack: cannot write " << target.string()
                      << " (or a link is in the way)\n";
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
