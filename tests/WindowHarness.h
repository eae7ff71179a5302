// The real window, offscreen, with test doubles for the services a test must control: the
// printers, the boxes, the file dialog, the clock, the locale and the pacing. The counter store
// is the real file store in a temporary folder.
#pragma once

#include <QCoreApplication>
#include <QProgressBar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Doubles.h"
#include "operator/OperatorWindow.h"
#include "platform/Backends.h"
#include "platform/MemoryPrinter.h"
#include "platform/RegFileCounterStore.h"
#include "protocol/Decoder.h"
#include "transport/untFunction.h"
#include "ui/Unit1.h"

namespace bpconf::test {

class FixedLocale : public platform::ILocale {
  public:
    std::string id = "0804";
    std::string UserLanguageId() override { return id; }
};

class FixedClock : public platform::IClock {
  public:
    platform::LocalDateTime now{2026, 12, 7, 10, 30, 0};
    platform::LocalDateTime Now() override { return now; }
};

class ScriptedFileDialog : public platform::IFileDialog {
  public:
    std::optional<std::string> next;  // the file the operator picks; nothing: cancel
    std::vector<std::string> asked;
    std::optional<std::string> OpenFile(const std::string& pattern,
                                        const std::string& folder) override {
        asked.push_back(pattern + " in " + folder);
        return next;
    }
};

// Every raw job, as its printer and bytes; a printer not in `known` fails with 1801.
class JobRecorder : public platform::MemorySpooler {
  public:
    JobRecorder() { known = {"Line1", "Line2"}; }
    // Every message of every job, decoded.
    std::vector<std::string> Decoded() const {
        std::vector<std::string> out;
        for (const auto& j : kept) {
            for (const auto& m : protocol::Decode(j.bytes))
                out.push_back(protocol::Describe(m));
        }
        return out;
    }
};

// Jobs that reach the printer as the test says: jobState(n) for the n-th job of the test (from 1),
// asked each time the run looks; the bytes are kept by the spooler inside.
class ScriptedDelivery : public platform::ISpooler {
  public:
    explicit ScriptedDelivery(platform::ISpooler& inner) : inner_(inner) {}
    std::function<platform::JobState(int job)> jobState;
    platform::QueueState queue;
    std::vector<int> cancelled;
    int opened = 0;

    std::unique_ptr<platform::IRawJob> Open(const std::string& name,
                                            std::uint32_t& error) override {
        auto job = inner_.Open(name, error);
        if (!job)
            return nullptr;
        return std::make_unique<NumberedJob>(std::move(job), ++opened);
    }
    platform::QueueState Queue(const std::string& name) override {
        return queue.Ready() ? inner_.Queue(name) : queue;
    }
    platform::JobState Job(const std::string&, int id) override {
        return jobState ? jobState(id) : platform::JobState();
    }
    void Cancel(const std::string&, int id) override { cancelled.push_back(id); }

  private:
    class NumberedJob : public platform::IRawJob {
      public:
        NumberedJob(std::unique_ptr<platform::IRawJob> job, int id)
            : job_(std::move(job)), id_(id) {}
        std::uint32_t StartDoc(const std::string& d, const std::string& t) override {
            return job_->StartDoc(d, t);
        }
        std::uint32_t StartPage() override { return job_->StartPage(); }
        std::uint32_t Write(const std::uint8_t* data, std::size_t n) override {
            return job_->Write(data, n);
        }
        std::uint32_t EndPage() override { return job_->EndPage(); }
        std::uint32_t EndDoc() override { return job_->EndDoc(); }
        std::uint32_t Close() override { return job_->Close(); }
        int JobId() const override { return id_; }

      private:
        std::unique_ptr<platform::IRawJob> job_;
        int id_;
    };
    platform::ISpooler& inner_;
};

// Returns at once; records each pump and pause and lets the test act during a pause.
class RecordingPacer : public op::IPacer {
  public:
    std::vector<int> pauses;
    int pumps = 0;
    std::function<void(std::size_t pauseNumber)> duringPause;  // 1-based
    void Pump() override {
        ++pumps;
        QCoreApplication::processEvents();
    }
    void Pause(int ms) override {
        pauses.push_back(ms);
        if (duringPause)
            duringPause(pauses.size());
    }
};

class WindowHarness {
  public:
    explicit WindowHarness(const std::string& languageId = "0804",
                           std::vector<std::string> printers = {"Line1", "Line2"},
                           std::optional<std::string> defaultPrinter = "Line1")
        : dir_("window"), store_(dir_ / "kelvor/PrinterTest.reg", 300) {
        printers_.names = std::move(printers);
        printers_.defaultName = std::move(defaultPrinter);
        locale_.id = languageId;
    }

    // The window is created on first use, so a test can prepare the counter file first.
    ui::TForm1& Form() {
        if (!form_) {
            platform::IPrinterList& printers = realPrinters ? *realPrinters : printers_;
            op::Services services{printers, transport(), store_, locale_, clock_,
                                  boxes_,   dialog_,     pacer_, toAnsi,  jobTimeoutMs};
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
    platform::RegFileCounterStore store_;
    TTransport transport_{delivery_, ports_, boxes_};
    int jobTimeoutMs = op::kDefaultJobTimeoutMs;
    std::vector<int> progress_;
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
