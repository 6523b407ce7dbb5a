#pragma once
#include "resources/engine_error.h"

// The scenario's end signal: ends the game through the same path as a fatal script error,
// but callers that care (the runner) can tell a finished game from a broken one.
class EScenarioEnd : public EEngineError {
public:
    using EEngineError::EEngineError;
};
