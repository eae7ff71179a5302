// What the two windows' main functions set up alike: the platform's back ends (the capture
// printer when BPCONF_CAPTURE_DIR names a folder; the line of BPCONF_STATION and
// BPCONF_DATABASE_URL) and the operator window's services over them, with the window's own
// boxes, file dialog and pacing.
#pragma once

#include <memory>
#include <string>

#include "operator/RunTimeouts.h"
#include "operator/Services.h"
#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "transport/untFunction.h"

namespace bpconf::app {

class WindowServices {
  public:
    WindowServices(platform::IMessageBoxes& boxes, platform::IFileDialog& fileDialog,
                   op::IPacer& pacer)
        : capture_(platform::EnvironmentVariable("BPCONF_CAPTURE_DIR").value_or("")),
          backends_(
              platform::CreateSystemBackends(capture_, platform::LineSettingsFromEnvironment())),
          transport_(*backends_.spooler, *backends_.ports, boxes),
          services_{*backends_.printers, transport_, *backends_.counter, *backends_.locale,
                    *backends_.clock,    boxes,      fileDialog,         pacer,
                    platform::Utf8ToAnsi} {
        // Every run is written to the record: the station's, or the line's database.
        services_.record = backends_.record.get();
        services_.station = backends_.station;
        services_.version = BPCONF_VERSION;
        services_.captureFolder = capture_;
        // How long a job may take to reach the printer (seconds); the default when unset or
        // unusable.
        if (const auto timeout = platform::EnvironmentVariable("BPCONF_JOB_TIMEOUT"))
            op::ParseJobTimeout(*timeout, services_.jobTimeoutMs);
    }

    op::Services& Services() { return services_; }
    // A line database is named but this build cannot use it: the operator is to be told.
    bool LineDatabaseIgnored() const { return backends_.lineDatabaseIgnored; }

  private:
    std::string capture_;
    platform::SystemBackends backends_;
    TTransport transport_;
    op::Services services_;
};

}  // namespace bpconf::app
