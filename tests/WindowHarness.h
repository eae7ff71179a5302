// The real window, offscreen, with test doubles for the services a test must control: the
// printers, the boxes, the file dialog, the clock, the locale, the pacing and the record. The
// serial numbers are the station's real book (the counter file and the ledger's SQLite file) in
// a temporary folder.
#pragma once

#include <QCoreApplication>
#include <QProgressBar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Doubles.h"
#include "WindowDoubles.h"
#include "operator/OperatorWindow.h"
#include "platform/Backends.h"
#include "platform/MemorySpooler.h"
#include "platform/RegFileCounterStore.h"
#include "platform/SqliteDatabase.h"
#include "platform/StationSerialBook.h"
#include "protocol/Decoder.h"
#include "transport/untFunction.h"
#include "ui/QtBoxPresenter.h"
#include "ui/Unit1.h"

namespace bpconf::test {

class WindowHarness {
  public:
    explicit WindowHarness(const std::string& languageId = "0804",
                           std::vector<std::string> printers = {"Line1", "Line2"},
                           std::optional<std::string> defaultPrinter = "Line1")
        : dir_("window"),
          book_(
              std::make_unique<platform::RegFileCounterStore>(dir_ / "kelvor/PrinterTest.reg", 300),
              std::make_shared<platform::SqliteDatabase>(dir_ / "bpconf/units.sqlite")),
          store_(static_cast<platform::RegFileCounterStore&>(book_.Counter())) {
        printers_.names = std::move(printers);
        printers_.defaultName = std::move(defaultPrinter);
        locale_.id = languageId;
        pacer_.pumpEvents = [] { QCoreApplication::processEvents(); };
    }

    // The window is created on first use, so a test can prepare the counter file first.
    ui::TForm1& Form() {
        if (!form_) {
            platform::IPrinterList& printers = realPrinters ? *realPrinters : printers_;
            platform::IMessageBoxes& boxes =
                systemBoxes ? static_cast<platform::IMessageBoxes&>(windowBoxes_) : boxes_;
            op::Services services{printers, transport(), book_,  locale_, clock_,
                                  boxes,    dialog_,     pacer_, toAnsi,  jobTimeoutMs};
            services.record = &record_;
            services.station = "S1";
            services.version = "9.9";
            form_ = std::make_unique<ui::TForm1>(services);
            auto* bar = form_->findChild<QProgressBar*>("ProgressBar1");
            QObject::connect(bar, &QProgressBar::valueChanged,
                             [this](int v) { progress_.push_back(v); });
        }
        return *form_;
    }
    op::OperatorWindow& Logic() { return Form().Logic(); }

    FixedPrinters printers_;
    JobRecorder spooler_;
    ScriptedDelivery delivery_{spooler_};
    ScriptedPorts ports_;
    RecordingBoxes boxes_;
    ScriptedFileDialog dialog_;
    FixedClock clock_;
    FixedLocale locale_;
    RecordingPacer pacer_;
    TempDir dir_;
    platform::StationSerialBook book_;
    platform::RegFileCounterStore& store_;
    // Set before the window is created: the window's own boxes (drawn by Qt) instead of the
    // recording double.
    bool systemBoxes = false;
    ui::QtBoxPresenter presenter_;
    op::WindowBoxes windowBoxes_{presenter_};
    TTransport transport_{delivery_, ports_, boxes_};
    int jobTimeoutMs = op::kDefaultJobTimeoutMs;
    std::vector<int> progress_;
    MemoryUnitRecord record_;
    std::function<std::string(const std::string&)> toAnsi = [](const std::string& s) { return s; };

    // Set before the window is created to use the system's printers and spooler instead.
    std::unique_ptr<platform::IPrinterList> realPrinters;
    std::unique_ptr<platform::ISpooler> realSpooler;
    std::unique_ptr<TTransport> realTransport;
    TTransport& transport() {
        if (realSpooler && !realTransport) {
            realTransport = std::make_unique<TTransport>(*realSpooler, ports_, boxes_);
        }
        return realTransport ? *realTransport : transport_;
    }

  private:
    std::unique_ptr<ui::TForm1> form_;
};

}  // namespace bpconf::test
