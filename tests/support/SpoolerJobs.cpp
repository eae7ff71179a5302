#include "SpoolerJobs.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace bpconf::test {

namespace {

int jobFloor = 0;  // jobs up to this number belong to earlier tests

}  // namespace

void AwaitNoActiveJobs(const std::string& printerName) {
    for (int i = 0; i < 600; ++i) {
        const auto jobs = ListSpoolerJobs(printerName);
        if (std::none_of(jobs.begin(), jobs.end(), [](const SpoolerJob& j) { return j.Active(); }))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void IgnoreEarlierJobs() {
    AwaitNoActiveJobs(std::string());
    jobFloor = 0;
    for (const auto& job : ListSpoolerJobs(std::string()))
        jobFloor = std::max(jobFloor, job.id);
}

std::vector<SpoolerJob> ListSpoolerJobs(const std::string& printerName) {
    cups_job_t* jobs = nullptr;
    const int n =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printerName.empty() ? nullptr : printerName.c_str(),
                     0, CUPS_WHICHJOBS_ALL);
    std::vector<SpoolerJob> list;
    for (int i = 0; i < n; ++i) {
        if (jobs[i].id <= jobFloor)
            continue;
        SpoolerJob job;
        job.id = jobs[i].id;
        job.title = jobs[i].title != nullptr ? jobs[i].title : "";
        switch (jobs[i].state) {
            case IPP_JSTATE_PENDING:
                job.state = "pending";
                break;
            case IPP_JSTATE_HELD:
                job.state = "held";
                break;
            case IPP_JSTATE_PROCESSING:
                job.state = "processing";
                break;
            case IPP_JSTATE_STOPPED:
                job.state = "stopped";
                break;
            case IPP_JSTATE_CANCELED:
                job.state = "canceled";
                break;
            case IPP_JSTATE_ABORTED:
                job.state = "aborted";
                break;
            case IPP_JSTATE_COMPLETED:
                job.state = "completed";
                break;
        }
        list.push_back(job);
    }
    cupsFreeJobs(n, jobs);
    std::sort(list.begin(), list.end(),
              [](const SpoolerJob& a, const SpoolerJob& b) { return a.id < b.id; });
    return list;
}

int CreateIncompleteJob(const std::string& printerName) {
    const int id =
        cupsCreateJob(CUPS_HTTP_DEFAULT, printerName.c_str(), "Printer Test", 0, nullptr);
    return id > 0 ? id : 0;
}

}  // namespace bpconf::test
