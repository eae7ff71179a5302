// The jobs a scheduler keeps for a queue, for tests that check what was queued.
#pragma once

#include <string>
#include <vector>

namespace bpconf::test {

struct SpoolerJob {
    int id = 0;
    std::string title;
    std::string
        state;  // "pending", "held", "processing", "stopped", "canceled", "aborted", "completed"
};

// Every job the scheduler knows for the printer (completed ones included), oldest first.
std::vector<SpoolerJob> ListSpoolerJobs(const std::string& printerName);

// A job "Printer Test" created and never given its data, as a run killed between creating a job
// and sending its document leaves it; its number, or 0.
int CreateIncompleteJob(const std::string& printerName);

}  // namespace bpconf::test
