// What the two windows' main functions do alike: --version and --help answered without a window;
// the platform's back ends (the capture printer when BPCONF_CAPTURE_DIR names a folder; the line
// of BPCONF_STATION and BPCONF_DATABASE_URL) and the operator window's services over them, with
// the window's own boxes, file dialog and pacing; the boxes of the window's creation held until
// the window is on the screen.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operator/LineAddress.h"
#include "operator/OperatorTexts.h"
#include "operator/RunTimeouts.h"
#include "operator/Services.h"
#include "operator/WindowBoxes.h"
#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "transport/untFunction.h"

namespace bpconf::app {

// --version or --help: the text to print before any display is opened (exit 0); nothing: the
// window starts.
inline std::optional<std::string> AnswerWithoutWindow(const std::vector<std::string>& args) {
    if (args.size() > 1 && args[1] == "--version")
        return std::string("bpconf " BPCONF_VERSION "\n");
    if (args.size() > 1 && args[1] == "--help") {
        return std::string(
            "usage: bpconf [--version]\n"
            "The operator's window; bpconf-cli is the command line.\n");
    }
    // A first argument ("-client", "-KelvorServer") would change nothing: window creation
    // switches both modes on, so it is not read.
    return std::nullopt;
}

class WindowServices {
  public:
    // Boxes are held from here on: those of the window's creation come once it is shown.
    WindowServices(op::IBoxPresenter& presenter, platform::IFileDialog& fileDialog,
                   op::IPacer& pacer)
        : boxes_(presenter),
          capture_(platform::EnvironmentVariable("BPCONF_CAPTURE_DIR").value_or("")),
          backends_(
              platform::CreateSystemBackends(capture_, platform::LineSettingsFromEnvironment())),
          transport_(*backends_.spooler, *backends_.ports, boxes_),
          services_{*backends_.printers, transport_, *backends_.serials, *backends_.locale,
                    *backends_.clock,    boxes_,     fileDialog,         pacer,
                    platform::Utf8ToAnsi} {
        boxes_.Hold();
        // Every run is written to the record: the station's, or the line's database by way of
        // the station's own file.
        services_.record = backends_.record.get();
        std::optional<serials::StationLine::Line> line;
        if (backends_.directory) {
            line.emplace(serials::StationLine::Line{
                *backends_.directory, *backends_.serials, *backends_.record,
                op::ShownLineAddress(platform::LineSettingsFromEnvironment().databaseUrl)});
        }
        line_ = std::make_unique<serials::StationLine>(
            backends_.stationStore.get(), backends_.stationWhyNot, std::move(line),
            backends_.station, platform::HostName(), backends_.lineDatabaseIgnored);
        services_.line = line_.get();
        services_.station = backends_.station;
        services_.version = BPCONF_VERSION;
        services_.captureFolder = capture_;
        // How long a job may take to reach the printer (seconds); the default when unset or
        // unusable (below a second, 0 included: every job is followed).
        if (const auto timeout = platform::EnvironmentVariable("BPCONF_JOB_TIMEOUT"))
            op::ParseJobTimeout(*timeout, services_.jobTimeoutMs);
    }

    op::Services& Services() { return services_; }

    // Shows the window (show), then the boxes held since the start: a line database this build
    // cannot use is told first.
    void Show(const std::string& interfaceLanguage, const std::function<void()>& show) {
        // A mistyped line address: every run will stop before its first byte; said at once.
        const std::string address = platform::LineSettingsFromEnvironment().databaseUrl;
        if (const std::string problem =
                address.empty() ? "" : op::LineAddressProblem(interfaceLanguage, address);
            !problem.empty()) {
            boxes_.Error(problem);
        } else if (const serials::LineProblem p = line_->Check(); !p && address.empty()) {
            // A station of a line started without its address: said before the operator reads
            // the counter's number in the box, which is not the line's.
            boxes_.Error(op::LineProblemText(interfaceLanguage, p, true));
        }
        show();
        boxes_.Release();
    }

  private:
    op::WindowBoxes boxes_;
    std::string capture_;
    platform::SystemBackends backends_;
    TTransport transport_;
    op::Services services_;
    std::unique_ptr<serials::StationLine> line_;
};

}  // namespace bpconf::app
