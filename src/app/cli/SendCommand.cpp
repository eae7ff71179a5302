// bpconf-cli send: a package's bytes unchanged, as one job (the test print), followed until the
// printer has it.
#include <iostream>

#include "app/cli/CliOptions.h"
#include "operator/Deliveries.h"
#include "transport/Errors.h"
#include "transport/untFunction.h"

namespace bpconf::cli {

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
        return Usage(e.Message());
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
    if (!delivery.handedOver)
        return kExitDeliveryFailed;  // the transport has told it
    // Followed as a run follows its messages: a job that never reaches the printer is cancelled.
    op::NoPacing pacer;
    op::Deliveries deliveries(transport, pacer, o.jobTimeoutMs);
    deliveries.Add("package", delivery);
    const std::uint32_t error = deliveries.AwaitAll(nullptr);
    if (error == 0)
        return kExitOk;
    deliveries.CancelWaiting();
    transport.ShowDeliveryError(error);
    PrintLine(std::cerr, "bpconf-cli: not delivered: " + ErrorLine(error));
    return kExitDeliveryFailed;
}

}  // namespace bpconf::cli
