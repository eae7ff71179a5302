// Doubles of the services a window test must control: the locale, the clock, the file dialog,
// the spooler (a recorder with scripted job states), the pacing, the serial numbers and the
// record. Portable: the Qt window's tests and the Win32 window's tests share them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operator/Pacer.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/MemorySpooler.h"
#include "platform/SerialBook.h"
#include "platform/UnitRecord.h"
#include "protocol/Commands.h"
#include "protocol/Decoder.h"

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
    // Jobs of the run's own messages: the delivery check after the last one is not counted
    // (its own test follows it).
    std::size_t MessageJobs() const {
        const bool probe = !kept.empty() && kept.back().bytes == protocol::kProbeBytes;
        return kept.size() - (probe ? 1 : 0);
    }
    // Every message of the run's own jobs, decoded.
    std::vector<std::string> Decoded() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < MessageJobs(); ++i) {
            for (const auto& m : protocol::Decode(kept[i].bytes))
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
    // The error of the n-th opening of the printer (from 1), or 0: it opens.
    std::function<std::uint32_t(int opening)> openError;
    platform::QueueState queue;
    std::vector<int> cancelled;
    int opened = 0;

    std::unique_ptr<platform::IRawJob> Open(const std::string& name,
                                            std::uint32_t& error) override {
        if (openError) {
            error = openError(opened + 1);
            if (error != 0)
                return nullptr;
        }
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
    // Lets the window's own events run (the toolkit's or the system's).
    std::function<void()> pumpEvents;
    void Pump() override {
        ++pumps;
        if (pumpEvents)
            pumpEvents();
    }
    void Pause(int ms) override {
        pauses.push_back(ms);
        if (duringPause)
            duringPause(pauses.size());
    }
};

// The serial numbers in memory (counter and ledger), for tests that must not touch a real book;
// a failure of the counter or the ledger on demand.
class MemorySerialBook : public platform::ISerialBook, private platform::ILedgerReader {
  public:
    platform::StoredValue counter;  // Missing at first
    std::vector<platform::LedgerEntry> ledger;
    std::vector<platform::CounterSetting> notes;
    platform::BookResult failure;  // not None: every section and update fails so

    platform::StoredValue ReadCounter() override { return counter; }
    platform::BookResult Exclusive(
        const std::function<bool(platform::ISerialSection&)>& work) override {
        if (!failure)
            return failure;
        Section section(*this);
        if (!work(section))
            return {};
        for (const auto& row : section.added)
            ledger.push_back(row);
        notes.insert(notes.end(), section.noted.begin(), section.noted.end());
        if (section.next) {
            counter.kind = platform::StoredValue::Kind::Text;
            counter.text = *section.next;
        }
        return {};
    }
    platform::ILedgerReader& Ledger() override { return *this; }
    platform::BookResult Update(const std::string& serial, const std::string& runId,
                                const std::string& from, const std::string& to,
                                int& changed) override {
        changed = 0;
        if (!failure)
            return failure;
        for (auto& row : ledger) {
            if (row.serial == serial && row.runId == runId && row.state == from) {
                row.state = to;
                ++changed;
            }
        }
        return {};
    }
    std::string CounterLocation() const override { return "memory"; }
    std::string LedgerLocation() const override { return "memory ledger"; }

  private:
    platform::BookResult Find(const std::string& serial, platform::SerialFacts& facts) override {
        facts = platform::SerialFacts();
        for (const auto& row : ledger) {
            if (row.serial == serial)
                facts.rows.push_back(row);
        }
        return {};
    }
    platform::BookResult Highest(const std::string& prefix, std::string& serial) override {
        return HighestOf(ledger, prefix, serial);
    }
    // The longest, then the greatest serial number with the prefix.
    static platform::BookResult HighestOf(const std::vector<platform::LedgerEntry>& rows,
                                          const std::string& prefix, std::string& serial) {
        serial.clear();
        for (const auto& row : rows) {
            if (row.serial.rfind(prefix, 0) == 0 &&
                (row.serial.size() > serial.size() ||
                 (row.serial.size() == serial.size() && row.serial > serial)))
                serial = row.serial;
        }
        return {};
    }
    platform::BookResult LastSetting(platform::CounterSetting& setting, bool& found) override {
        found = !notes.empty();
        if (found)
            setting = notes.back();
        return {};
    }

    struct Section : platform::ISerialSection {
        explicit Section(MemorySerialBook& book) : book(book) {}
        MemorySerialBook& book;
        std::vector<platform::LedgerEntry> added;
        std::vector<platform::CounterSetting> noted;
        std::optional<std::string> next;
        const platform::StoredValue& Counter() const override { return book.counter; }
        platform::BookResult Find(const std::string& serial,
                                  platform::SerialFacts& facts) override {
            book.Find(serial, facts);
            for (const auto& row : added) {
                if (row.serial == serial)
                    facts.rows.push_back(row);
            }
            return {};
        }
        // What the section added counts, as a database's own transaction sees it.
        platform::BookResult Highest(const std::string& prefix, std::string& serial) override {
            std::vector<platform::LedgerEntry> all = book.ledger;
            all.insert(all.end(), added.begin(), added.end());
            return HighestOf(all, prefix, serial);
        }
        platform::BookResult LastSetting(platform::CounterSetting& setting, bool& found) override {
            return book.LastSetting(setting, found);
        }
        platform::BookResult Add(const platform::LedgerEntry& entry) override {
            added.push_back(entry);
            return {};
        }
        void SetCounter(const std::string& text) override { next = text; }
        platform::BookResult Note(const platform::CounterSetting& setting) override {
            noted.push_back(setting);
            return {};
        }
    };
};

// The record in memory: the entries written, and failures on demand.
class MemoryUnitRecord : public platform::IUnitRecord {
  public:
    std::vector<platform::UnitEntry> entries;
    std::string writeFailure, readFailure, probeFailure;  // not empty: the call fails so

    platform::RecordResult Write(const platform::UnitEntry& e) override {
        if (!writeFailure.empty())
            return {false, writeFailure};
        entries.push_back(e);
        return {};
    }
    platform::RecordResult Read(const platform::UnitQuery&,
                                std::vector<platform::UnitEntry>& out) override {
        out = entries;
        return {readFailure.empty(), readFailure};
    }
    platform::RecordResult Probe() override { return {probeFailure.empty(), probeFailure}; }
    std::string Location() const override { return "memory"; }
};

}  // namespace bpconf::test
