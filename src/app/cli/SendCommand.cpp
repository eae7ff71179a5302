// bpconf-cli send: a package's bytes unchanged, as one job (the test print), followed until the
// printer has it.
#include <chrono>
#include <iostream>
#include <thread>

#include "app/cli/CliOptions.h"
#include "transport/Errors.h"
#include "transport/untFunction.h"

namespace bpconf::cli {

namespace {

// Waits, at most the timeout, until a job reached the printer; false (and the job cancelled)
// when it did not.
bool AwaitArrival(TTransport& transport, const Delivery& delivery, int timeoutMs,
                  std::uint32_t& error) {
    if (!delivery.handedOver)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const platform::JobState state = transport.Follow(delivery);
        if (state.Arrived() || timeoutMs == 0)
            return true;
        if (state.Lost() || std::chrono::steady_clock::now() >= deadline) {
            transport.Cancel(delivery);
            error = state.Lost() ? state.error : platform::winerror::kTimeout;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

int Send(const Options& o) {
    if (o.files.size() != 1)
        return Usage("send takes one FILE");
    if (o.targets.size() > 1)
        return Usage("send takes one target");
    const Target target = o.targets.empty() ? Target() : o.targets[0];
    auto backends = BackendsFor(target);
    auto boxes = platform::CreateConsoleMessageBoxes();
    TTransport transport(*backends.spooler, *backends.ports, *boxes);
    THfByteList package;
    try {
        package.LoadFromFile(o.files[0], kMaxPackageBytes);
    } catch (const Exception& e) {
        std::cerr << platform::kApplicationTitle << ": " << e.Message() << ".\n";
        return kExitUsage;
    }
    Delivery delivery;
    if (target.kind == Target::Kind::Port) {
        delivery = transport.SendBytes(package, "", kKindLpt, target.name);
    } else {
        std::string printer = PrinterNameOf(target);
        if (printer.empty())
            printer = backends.printers->List().defaultName.value_or("");
        delivery = transport.SendBytes(package, printer, kKindDrive, "");
    }
    std::uint32_t error = 0;
    if (AwaitArrival(transport, delivery, o.jobTimeoutMs, error))
        return kExitOk;
    if (error != 0) {
        boxes->Plain("error " + std::to_string(error));
        PrintLine(std::cerr, "bpconf-cli: not delivered: " + ErrorLine(error));
    }
    return kExitDeliveryFailed;
}

}  // namespace bpconf::cli
