#include "engine/velmor_plugin_mode.h"

#include "engine/velmor.h"
#include "engine/velmor_plugin.h"

void TVelmorPluginMode::Input(TInputCode code, int x, int y) {
    m_Engine.Flow().Skip = false;
    m_Plugin.Input(code, x, y);
}

void TVelmorPluginMode::MouseMove(int x, int y) {
    m_Plugin.MouseMove(x, y);
}

bool TVelmorPluginMode::Idle() {
    m_Plugin.Clock();
    return true;
}

TIdleWait TVelmorPluginMode::NextWait() const {
    return m_Plugin.NextWait();
}
