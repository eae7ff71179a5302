// The platform's services the operator window works with.
#pragma once

#include <functional>
#include <string>

#include "operator/Pacer.h"
#include "operator/RunTimeouts.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Printers.h"
#include "platform/SerialBook.h"
#include "platform/UnitRecord.h"
#include "serials/StationLine.h"
#include "transport/untFunction.h"

namespace bpconf::op {

struct Services {
    platform::IPrinterList& printers;
    TTransport& transport;
    platform::ISerialBook& serials;
    platform::ILocale& locale;
    platform::IClock& clock;
    platform::IMessageBoxes& boxes;
    platform::IFileDialog& fileDialog;
    IPacer& pacer;
    // Converts the operator's UTF-8 text to the system's ANSI code page (printer name).
    std::function<std::string(const std::string&)> toAnsi;
    // How long the run waits for a job to reach the printer before it gives up on it; 0: jobs
    // are not followed (a job the spooler took counts as sent).
    int jobTimeoutMs = kDefaultJobTimeoutMs;
    // The record every run is written to when it ends (nullptr: none, as for a dry run), and
    // what the record names a run by.
    platform::IUnitRecord* record = nullptr;
    // The station's place on its line: checked before the first byte, and the way every entry
    // goes to the record (nullptr: straight to `record`).
    serials::StationLine* line = nullptr;
    std::string station{};
    std::string version{};
    std::string captureFolder{};  // where the capture printer's jobs land
    // The operator's number is on a unit already: the window asks; the command line was told
    // beforehand (--reuse-serial: Yes) or refuses (No).
    enum class Reuse { Ask, Yes, No };
    Reuse reuse = Reuse::Ask;
};

}  // namespace bpconf::op
