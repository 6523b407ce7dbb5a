#include "engine/velmor_image_select_mode.h"

#include "engine/velmor.h"
#include "modes/image_select.h"
#include "resources/engine_error.h"

TVelmorImageSelectMode::TVelmorImageSelectMode(TVelmor& engine) : m_Engine(engine) {}

TVelmorImageSelectMode::~TVelmorImageSelectMode() = default;

TDisplaySurface& TVelmorImageSelectMode::Window() {
    if (m_Engine.Services().display) return *m_Engine.Services().display;
    if (!m_Offscreen)
        m_Offscreen = std::make_unique<TVelmorOffscreenSurface>(
            *m_Engine.Services().clock, m_Engine.SystemData().Width, m_Engine.SystemData().Height);
    return *m_Offscreen;
}

void TVelmorImageSelectMode::Open(const std::string& fileName) {
    // The menu is drawn over the frame the script reached, never under a frame held back.
    m_Engine.Presenter().FlushFrame();
    m_Selector.reset();
    try {
        m_Selector = std::make_unique<TImageSelect>(fileName, Window(), m_Engine.Scene().Screen(),
                                                    m_Engine.Services().pixelFormat,
                                                    m_Engine.Services().manager);
    } catch (const EEngineError& e) {
        // Through the engine's raise, so the text is cut as every fatal error's is.
        m_Engine.FatalScriptError(e.Text());
    }
    m_Engine.Choices().SetSelection(-1, false);
    m_Selector->Draw();
    m_Engine.EnterGameMode(TGameMode::ImageSelect);
}

void TVelmorImageSelectMode::Enter() {
    m_Engine.Choices().ClearKeyboardSelection();
}

void TVelmorImageSelectMode::Input(TInputCode code, int x, int y) {
    m_Engine.Flow().Skip = false;
    if (!m_Selector) return;
    TImageSelect::TAction action = TImageSelect::kOther;
    switch (code) {
        case TInputCode::Confirm:
            action = TImageSelect::kConfirm;
            break;
        case TInputCode::Up:
            action = TImageSelect::kPrevious;
            break;
        case TInputCode::Down:
            action = TImageSelect::kNext;
            break;
        case TInputCode::First:
            action = TImageSelect::kFirst;
            break;
        case TInputCode::Last:
            action = TImageSelect::kLast;
            break;
        default:
            break;
    }
    int selection = m_Engine.Choices().Highlighted();
    bool keyboard = m_Engine.Choices().KeyboardSelection();
    const int chosen = m_Selector->Input(action, x, y, selection, keyboard);
    m_Engine.Choices().SetSelection(selection, keyboard);
    if (chosen < 0) return;
    std::string sound;
    if (m_Selector->ClickSoundFor(chosen, sound))
        PlayButtonSound(m_Selector->ClickChannel(), sound);
    const std::string paragraph = m_Selector->Paragraph(chosen);
    m_Selector.reset();
    m_Engine.EnterGameMode(TGameMode::Script);
    m_Engine.Interpreter().CommandJump(paragraph, "");
}

void TVelmorImageSelectMode::MouseMove(int x, int y) {
    if (!m_Selector) return;
    const int lit = m_Selector->PointerMove(x, y);
    std::string sound;
    if (lit >= 0 && m_Selector->OnMouseSoundFor(lit, sound))
        PlayButtonSound(m_Selector->OnMouseChannel(), sound);
}

void TVelmorImageSelectMode::PlayButtonSound(int channel, const std::string& name) {
    if (channel < 0 || channel > 3) return;
    const bool wasEmpty = m_Engine.Channels().File(channel).empty();
    m_Engine.Channels().SetFile(channel, name);
    if (!wasEmpty) m_Engine.Channels().Play(channel, TSoundOperation::Stop);
    m_Engine.Channels().Play(channel, TSoundOperation::Load);
    m_Engine.Channels().Play(channel, TSoundOperation::PlayOnce);
}
