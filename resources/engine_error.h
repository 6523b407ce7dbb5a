#pragma once
#include <exception>
#include <string>

// The engine's text exception: raised by TyxApplication::RaiseEngineError, caught by the idle
// loop and the dialogs' callers. The text is Shift-JIS.
class EEngineError : public std::exception {
public:
    explicit EEngineError(std::string text) : m_Text(std::move(text)) {}
    const char* what() const noexcept override { return m_Text.c_str(); }
    const std::string& Text() const { return m_Text; }

private:
    std::string m_Text;
};
