// The state the parts of the operator window share: the interface language, the two start-up
// switches, and whether a run is under way or the window is to close.
#pragma once

#include <string>

#include "operator/LanguageTables.h"

namespace bpconf::op {

struct WindowState {
    std::string interfaceLanguage = kEnglish;
    bool specialMode = false;
    bool productionMode = false;
    bool running = false;
    bool closeRequested = false;
};

}  // namespace bpconf::op
