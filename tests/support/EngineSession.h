#pragma once
// One engine with its own variable store, as the main window holds them.

#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <string>

namespace vexmo::test {

struct EngineSession {
    EngineSession() {
        SetDecimalSeparator('.');
        engine.SetVariables(&store);
    }
    // Calculates one line and gives its value.
    DComplex Run(const std::string& line) {
        engine.SetExpression(line);
        return engine.ResultValue();
    }

    Variables store;
    TCompTinyParser engine;
};

} // namespace vexmo::test
