#include "resources/application.h"

#include <cstring>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"

namespace {

constexpr char kVersionStamp[] = "0.1.0.0";
constexpr size_t kErrorBufferSize = 256;

// Position after the last folder separator of an engine or host path.
size_t NameStart(const std::string& path) {
    const size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? 0 : sep + 1;
}

std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool EqualsAsciiNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

bool TyxApplication::Confirm(const std::string& text) {
    return m_Boxes->Show(SJ("確認"), text, platform::MessageIcon::Question,
                         platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes;
}

void TyxApplication::Warn(const std::string& text) {
    m_Boxes->Show(m_Title, text, platform::MessageIcon::Warning, platform::MessageButtons::Ok);
}

void TyxApplication::Inform(const std::string& text, const std::string& caption) {
    m_Boxes->Show(caption, text, platform::MessageIcon::Information, platform::MessageButtons::Ok);
}

void TyxApplication::Stop(const std::string& text) {
    m_Boxes->Show(m_Title, text, platform::MessageIcon::Stop, platform::MessageButtons::Ok);
}

void TyxApplication::ShowMessage(const std::string& text) {
    m_Boxes->Show(m_Title, text, platform::MessageIcon::None, platform::MessageButtons::Ok);
}

std::string TyxApplication::CutEngineErrorText(const std::string& text) {
    return text.size() < kErrorBufferSize ? text : text.substr(0, kErrorBufferSize - 2);
}

void TyxApplication::RaiseEngineError(const std::string& text) {
    throw EEngineError(CutEngineErrorText(text));
}

std::string TyxApplication::FileVersion(const std::string& fileName) {
    if (fileName.empty()) return {};
    const std::string program = platform::FileSystem::ProgramFileName();
    if (!program.empty() && fileName == program) return kVersionStamp;
    const std::string name = fileName.substr(NameStart(fileName));
    if (EqualsAsciiNoCase(WithoutExtension(name), "velmor")) return kVersionStamp;
    return {};
}

std::string TyxApplication::ExeName() {
    const std::string program = platform::FileSystem::ProgramFileName();
    return program.substr(NameStart(program));
}

std::string TyxApplication::ExeBaseName() {
    return WithoutExtension(ExeName());
}

std::string TyxApplication::ExeFolder() {
    const std::string program = platform::FileSystem::ProgramFileName();
    return program.substr(0, NameStart(program));
}
