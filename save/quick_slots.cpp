#include "save/quick_slots.h"

#include <cstdio>

#include "engine/velmor.h"
#include "engine/velmor_galleries.h"
#include "engine/velmor_game_mode.h"
#include "engine/velmor_interpreter.h"
#include "engine/velmor_message.h"
#include "engine/velmor_monitor.h"
#include "engine/velmor_script.h"
#include "platform/sjis.h"
#include "resources/application.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"
#include "save/form_save.h"
#include "save/save_data.h"

namespace {
// Enough of the message to recognise the place in the list.
constexpr size_t kCommentBytes = 60;
}  // namespace

std::string TQuickSlots::NameOf(Slot slot) {
    return slot == Slot::Quick ? SJ("クイックセーブ") : SJ("オートセーブ");
}

bool TQuickSlots::CanLoad() const {
    if (m_Engine.Flow().Busy || m_Engine.Galleries().SceneReplayActive()) return false;
    return m_Engine.ModeObject().Menu().saveLoad;
}

bool TQuickSlots::CanSave() const {
    return CanLoad() && m_Engine.ModeObject().Menu().newSave;
}

bool TQuickSlots::Exists(Slot slot) const {
    const std::string name = NameOf(slot);
    for (const auto& entry : TSaveData(m_Engine).Entries())
        if (yx::SameText(entry.Name, name)) return true;
    return false;
}

// The message shown, on one line and without the list's separator, cut at a whole character.
std::string TQuickSlots::Comment() const {
    const std::string& text = m_Engine.Message().Text();
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < kCommentBytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (platform::IsSjisLeadByte(c) && i + 1 < text.size()) {
            if (out.size() + 2 > kCommentBytes) break;
            out += text.substr(i++, 2);
        } else {
            out += (c < 0x20 || c == ',') ? ' ' : static_cast<char>(c);
        }
    }
    return out;
}

const char* TQuickSlots::TextOf(Outcome outcome) {
    static const char* const kTexts[] = {"saved", "loaded", "refused", "declined", "failed"};
    return kTexts[static_cast<int>(outcome)];
}

TQuickSlots::Outcome TQuickSlots::Told(Slot slot, Outcome outcome) {
    if (TVelmorMonitor* monitor = m_Engine.Monitor()) monitor->Saves(NameOf(slot), TextOf(outcome));
    return outcome;
}

TQuickSlots::Outcome TQuickSlots::Save(Slot slot) {
    std::string date, time;
    TFormSave::NowTexts(date, time);
    TSaveData(m_Engine).dataWrite(NameOf(slot), date, time, Comment());
    return Outcome::Saved;
}

TQuickSlots::Outcome TQuickSlots::Load(Slot slot) {
    const TGameMode mode = m_Engine.Mode();
    const std::string script = m_Engine.Script().Position().Script;
    const TVelmorSnapshot before = m_Engine.Snapshot();
    try {
        if (!TSaveData(m_Engine).dataRead(NameOf(slot))) return Told(slot, Outcome::Failed);
        TSaveData::Resume(m_Engine, mode, script, before);
    } catch (const EEngineError& e) {
        m_Engine.Services().app->Warn(e.Text());
        return Told(slot, Outcome::Failed);
    }
    return Told(slot, Outcome::Loaded);
}

TQuickSlots::Outcome TQuickSlots::QuickSave() {
    if (!CanSave()) return Told(Slot::Quick, Outcome::Refused);
    try {
        return Told(Slot::Quick, Save(Slot::Quick));
    } catch (const EEngineError& e) {
        m_Engine.Services().app->Warn(e.Text());
        return Told(Slot::Quick, Outcome::Failed);
    }
}

TQuickSlots::Outcome TQuickSlots::QuickLoad() {
    if (!CanLoad() || !Exists(Slot::Quick)) return Told(Slot::Quick, Outcome::Refused);
    if (!m_Engine.Services().app->Confirm(SJ("クイックセーブをロードしますか？")))
        return Told(Slot::Quick, Outcome::Declined);
    return Load(Slot::Quick);
}

TQuickSlots::Outcome TQuickSlots::AutoSave() {
    if (!CanSave()) return Told(Slot::Auto, Outcome::Refused);
    try {
        Save(Slot::Auto);
    } catch (const EEngineError& e) {
        // The window is going: a box here would hold up a stop the system asked for.
        std::fprintf(stderr, "velmor: automatic save not written: %s\n",
                     platform::SjisToUtf8(e.Text()).c_str());
        return Told(Slot::Auto, Outcome::Failed);
    }
    m_Engine.SystemState().ResumePending = true;
    return Told(Slot::Auto, Outcome::Saved);
}

void TQuickSlots::Closing(bool ended, bool save) {
    if (ended)
        m_Engine.SystemState().ResumePending = false;
    else if (save && m_Engine.Interpreter().LinesRun() > 0)
        AutoSave();
}

TQuickSlots::Outcome TQuickSlots::OfferResume(bool resume) {
    TVelmorSystemState& state = m_Engine.SystemState();
    if (!state.ResumePending || !Exists(Slot::Auto)) {
        state.ResumePending = false;
        return Outcome::Refused;
    }
    Outcome outcome = Outcome::Declined;
    if (resume || (!state.NoResumeQuestion &&
                   m_Engine.Services().app->Confirm(SJ("前回の続きから再開しますか？"))))
        outcome = Load(Slot::Auto);
    else
        Told(Slot::Auto, outcome);
    if (outcome != Outcome::Loaded) state.ResumePending = false;
    return outcome;
}
