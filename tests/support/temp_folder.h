#pragma once
// A fresh folder per test, removed afterwards, and small helpers to fill it.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/sjis.h"

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        m_Path = std::filesystem::temp_directory_path() /
                 ("velmor-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(m_Path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    const std::filesystem::path& Path() const { return m_Path; }
    std::string Str() const { return m_Path.string() + "/"; }
    // Writes UTF-8 text as Shift-JIS with CR LF line ends, as game files are.
    void WriteSjis(const std::string& name, const std::string& utf8) const {
        std::string crlf;
        for (char c : utf8) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        WriteBytes(name, platform::Utf8ToSjis(crlf));
    }
    void WriteBytes(const std::string& name, const std::string& bytes) const {
        const auto p = m_Path / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string ReadUtf8(const std::filesystem::path& p) const {
        std::ifstream in(p, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        return platform::SjisToUtf8(bytes);
    }

private:
    std::filesystem::path m_Path;
};

// Points the per-user data folder at a test folder for the life of the object.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::string& path) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) m_Old = old, m_Had = true;
        setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~ScopedDataHome() {
        if (m_Had) setenv("XDG_DATA_HOME", m_Old.c_str(), 1);
        else unsetenv("XDG_DATA_HOME");
    }

private:
    std::string m_Old;
    bool m_Had = false;
};
