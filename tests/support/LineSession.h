#pragma once
// An engine session with the line calculator of the window and the settings its answers are
// written with.

#include "EngineSession.h"

#include "document/core/AnswerFormat.h"
#include "document/core/CalcLine.h"

namespace vexmo::test {

struct LineSession : EngineSession {
    NumberFormatSettings settings;
    LineCalculator calc{engine, store, settings};
};

} // namespace vexmo::test
