// The engine's side of saved games: what a save holds, taking it back over, and play going on
// from it.
#include <algorithm>

#include "engine/velmor.h"
#include "resources/yxstringlib.h"

namespace {
constexpr int kMaxMiniFaces = 8;
}  // namespace

TVelmorSnapshot TVelmor::Snapshot() const {
    TVelmorSnapshot g;
    const TVelmorScene& scene = *m_Scene;
    g.GameMode = CodeOf(m_GameMode);
    g.SelectorCount = m_Choices.Count();
    g.Present = m_Script.Position();
    g.JumpBuffer = m_Script.JumpBuffer();
    g.BackFileName = scene.Background().FileName();
    g.BackVisible = scene.Background().Visible();
    g.BackBaseColor = scene.Background().FillColour();
    g.FaceFileName = scene.Face().FileName();
    g.FaceVisible = scene.Face().Visible();
    const int faces = std::min(scene.MiniFaceCount(), kMaxMiniFaces);
    TStringList pictures, keys;
    std::vector<bool> visible;
    for (int i = 0; i < faces; ++i) {
        pictures.push_back(scene.MiniFace(i).FileName());
        keys.push_back(scene.MiniFaceKey(i));
        visible.push_back(scene.MiniFace(i).Visible());
    }
    g.MiniFacePictures = pictures;
    g.MiniFaceKeys = keys;
    g.MiniVisible = visible;
    g.MiniFaceDrawIndex = scene.MiniFaceSlot();
    g.Variables = m_Variables.List();
    std::vector<TVelmorSelector> choices;
    for (int i = 0; i < g.SelectorCount; ++i) choices.push_back(m_Choices.At(i));
    g.Selectors = choices;
    const TVelmorSoundChannels& channels = *m_Channels;
    g.CDTrack = channels.CDTrack();
    for (int c = 0; c < kSoundChannelCount; ++c) g.ChannelFiles[c] = channels.File(c);
    g.SoundPlayedScript = channels.SoundPlayedPosition().Script;
    g.SoundPlayedLine = channels.SoundPlayedPosition().Line;
    g.VoicePlayedScript = channels.VoicePlayedPosition().Script;
    g.VoicePlayedLine = channels.VoicePlayedPosition().Line;
    g.TitleExist = m_Script.InTitle();
    g.Title = m_Script.TitlePosition();
    return g;
}

void TVelmor::Restore(const TVelmorSnapshot& g) {
    if (IsGameMode(g.GameMode)) m_GameMode = static_cast<TGameMode>(g.GameMode);
    m_Script.Position() = g.Present;
    m_Script.JumpBuffer() = g.JumpBuffer;

    TVelmorScene& scene = *m_Scene;
    TSprite& back = scene.Background();
    back.Fill(g.BackBaseColor);
    back.Load(g.BackFileName);
    back.SetVisible(g.BackVisible);
    TSprite& face = scene.Face();
    face.Load(g.FaceFileName);
    face.SetVisible(g.FaceVisible);

    const int faces = std::min(scene.MiniFaceCount(), kMaxMiniFaces);
    if (g.MiniFacePictures)
        for (int i = 0; i < faces && static_cast<size_t>(i) < g.MiniFacePictures->size(); ++i)
            scene.MiniFace(i).Load((*g.MiniFacePictures)[static_cast<size_t>(i)]);
    scene.SetMiniFaceSlot(g.MiniFaceDrawIndex);
    if (g.MiniFaceKeys)
        for (size_t i = 0; i < g.MiniFaceKeys->size() && i < kMaxMiniFaces; ++i)
            scene.SetMiniFaceKey(static_cast<int>(i), (*g.MiniFaceKeys)[i]);
    if (g.MiniVisible)
        for (int i = 0; i < faces && static_cast<size_t>(i) < g.MiniVisible->size(); ++i)
            scene.MiniFace(i).SetVisible((*g.MiniVisible)[static_cast<size_t>(i)]);

    m_Variables.Replace(g.Variables);
    if (g.Selectors)
        m_Choices.Restore(g.SelectorCount, g.Selectors->data(),
                          static_cast<int>(g.Selectors->size()));
    else
        m_Choices.Restore(g.SelectorCount, nullptr, 0);

    TVelmorSoundChannels& channels = *m_Channels;
    for (int c = 0; c < kSoundChannelCount; ++c) channels.SetFile(c, g.ChannelFiles[c]);
    channels.SetCDTrack(g.CDTrack);
    channels.RestorePlayedPositions(g.SoundPlayedScript, g.SoundPlayedLine, g.VoicePlayedScript,
                                    g.VoicePlayedLine);
    m_Script.SetTitle(g.TitleExist, g.Title);
}

bool TVelmor::SnapshotFits(const TVelmorSnapshot& g) const {
    auto fits = [&](const TVelmorScriptPosition& p, bool scriptNeeded) {
        if (p.Script.empty()) return !scriptNeeded && p.Line >= -1;
        TStringList lines;
        if (yx::SameText(p.Script, m_Script.Position().Script))
            lines = m_Script.Lines();
        else if (!TVelmorScript::ReadLines(m_Services.manager, p.Script, lines))
            return true;  // resuming reports a script that is gone, by its name
        // -1 is before the first line; one past the last is the scenario's end.
        return p.Line >= -1 && p.Line <= static_cast<int64_t>(lines.size());
    };
    return fits(g.Present, true) && fits(g.JumpBuffer, false) && (!g.TitleExist || fits(g.Title, false));
}

bool TVelmor::ResumeLoaded(TGameMode rememberedMode, const std::string& rememberedScript) {
    TVelmorScriptPosition position = m_Script.Position();
    // Checked first, so a save whose script is gone can be undone before anything moved.
    if (!yx::SameText(position.Script, rememberedScript) && !m_Script.Load(position.Script))
        return false;
    // The saved line runs again, so a saved message shows again and waits.
    m_Flow.ClickWait = false;
    position.Line -= 1;
    m_Script.Position() = position;
    if (m_GameMode != rememberedMode) EnterGameMode(m_GameMode);
    if (!position.Paragraph.empty()) m_Script.MarkParagraph(position.Paragraph);
    RestoreSound();
    m_Flow.PopupEnabled = true;
    ModeObject().Resume();
    return true;
}
