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
    // Not ended yet: it could still go out, or is being stopped.
    bool Active() const {
        return state == "pending" || state == "held" || state == "processing" || state == "stopped";
    }
};

// Every job the scheduler knows for the printer ("": for every printer), completed ones included,
// oldest first; jobs of earlier tests are left out once IgnoreEarlierJobs was called.
std::vector<SpoolerJob> ListSpoolerJobs(const std::string& printerName);

// Waits (a minute at most) until no job of the printer ("": of any printer) is active.
void AwaitNoActiveJobs(const std::string& printerName);

// Waits (a minute at most) until no job of an earlier test is still being stopped, then leaves
// every job the scheduler holds now out of ListSpoolerJobs: a job still being stopped when its
// queue was deleted outlives the deletion and is listed under a later queue of the same name.
void IgnoreEarlierJobs();

// A job "Printer Test" created and never given its data, as a run killed between creating a job
// and sending its document leaves it; its number, or 0.
int CreateIncompleteJob(const std::string& printerName);

}  // namespace bpconf::test
