#pragma once
// The engine's services in tests: the clock and the message boxes the test installed.
#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "resources/application.h"

// Shows through whatever responder the running test installed.
class TInstalledBoxes : public platform::MessageBox {
public:
    platform::MessageAnswer Show(const std::string& caption, const std::string& text,
                                 platform::MessageIcon icon,
                                 platform::MessageButtons buttons) override {
        return platform::MessageBox::Current().Show(caption, text, icon, buttons);
    }
};

inline TyxApplication& TestApplication() {
    static TInstalledBoxes boxes;
    static TyxApplication app(boxes);
    return app;
}

inline TVelmor::TServices EngineServices(TyxDllRes* dllRes, TyxBCLManager* manager,
                                         TStringList* errors) {
    TVelmor::TServices s;
    s.clock = &platform::Clock::Current();
    s.app = &TestApplication();
    s.dllRes = dllRes;
    s.manager = manager;
    s.errorList = errors;
    return s;
}
