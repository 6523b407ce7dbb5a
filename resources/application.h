#pragma once
// Application services: the standard message boxes, the engine error and file versions.
#include <string>

namespace platform {
class MessageBox;
}

// One per program, made by the program entry (or a test) over its message boxes.
class TyxApplication {
public:
    explicit TyxApplication(platform::MessageBox& boxes) : m_Boxes(&boxes) {}

    // Yes/no box titled "確認" with a question icon; true for yes.
    bool Confirm(const std::string& text);
    // Box with the application title, an exclamation icon and OK.
    void Warn(const std::string& text);
    // Box with the given caption and the information icon.
    void Inform(const std::string& text, const std::string& caption);
    // Box with the application title and the stop icon.
    void Stop(const std::string& text);
    // The platform's plain message display (application title, no icon).
    void ShowMessage(const std::string& text);

    // Throws EEngineError; texts of 256 bytes or more are cut to their first 254.
    [[noreturn]] static void RaiseEngineError(const std::string& text);
    static std::string CutEngineErrorText(const std::string& text);

    // Our own version stamp for our own program; empty for any other file.
    static std::string FileVersion(const std::string& fileName);

    // The boxes it shows through, for the few questions with other buttons.
    platform::MessageBox& Boxes() const { return *m_Boxes; }
    const std::string& Title() const { return m_Title; }
    void SetTitle(const std::string& title) { m_Title = title; }
    // The program's file name without folder, without extension, and its folder.
    static std::string ExeName();
    static std::string ExeBaseName();
    static std::string ExeFolder();

private:
    platform::MessageBox* m_Boxes;
    std::string m_Title = "velmor";
};
