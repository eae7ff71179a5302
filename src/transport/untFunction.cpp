#include "transport/untFunction.h"

#include "platform/AsciiText.h"

namespace bpconf {

std::string PortErrorText(const std::string& portName) {
    return "连接出错，端口" + portName + "不存在或已被其它程序占用";
}

Delivery TTransport::Failed(std::uint32_t error) {
    ShowDeliveryError(error);
    ++failed_;
    Delivery d;
    d.error = error;
    return d;
}

void TTransport::ShowDeliveryError(std::uint32_t error) {
    boxes_.Plain("error " + std::to_string(error));
}

Delivery TTransport::SendBytes(const THfByteList& list, const std::string& printerName,
                               const std::string& kind, const std::string& portName) {
    if (text::ToUpperAscii(kind) == "DRIVE") {
        return SendToPrinter(printerName, list);
    }
    return SendToPort(list, portName);
}

Delivery TTransport::SendString(const std::string& text, const std::string& printerName,
                                const std::string& kind, const std::string& portName) {
    return SendBytes(THfByteList::FromString(text), printerName, kind, portName);
}

Delivery TTransport::SendToPrinter(const std::string& printerName, const THfByteList& list) {
    return PrintRaw(printerName, list.ToString());
}

Delivery TTransport::PrintRaw(const std::string& printerName, const std::string& data) {
    std::uint32_t error = 0;
    auto job = spooler_.Open(printerName, error);
    if (!job) {
        return Failed(error != 0 ? error : platform::winerror::kGenFailure);
    }
    // Once the printer is open every stage runs, whatever the one before returned; the first
    // failure is the one reported, so a message that never reached the printer never looks sent.
    std::uint32_t first = job->StartDoc(kJobDocumentName, kJobDataType);
    // From a document begun on, the bytes may go out whatever a later stage says.
    const bool begun = first == 0;
    auto keep = [&first](std::uint32_t e) {
        if (first == 0)
            first = e;
    };
    keep(job->StartPage());
    keep(job->Write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
    keep(job->EndPage());
    keep(job->EndDoc());
    const int jobId = job->JobId();
    keep(job->Close());
    if (first != 0) {
        // A job the spooler took before a later stage failed would still go out, perhaps to the
        // next unit: it is cancelled.
        if (jobId != 0)
            spooler_.Cancel(printerName, jobId);
        Delivery failed = Failed(first);
        failed.bytesMayHaveLeft = begun;
        return failed;
    }
    Delivery d;
    d.handedOver = true;
    d.printer = printerName;
    d.jobId = jobId;
    return d;
}

Delivery TTransport::SendToPort(const THfByteList& list, const std::string& portName) {
    auto port = ports_.Open(portName);
    if (!port) {
        boxes_.Error(PortErrorText(portName));
        ++failed_;
        Delivery d;
        d.error = platform::winerror::kNotReady;
        return d;
    }
    bool written = false;
    for (std::uint8_t b : list.Bytes()) {
        if (const std::uint32_t error = port->WriteByte(b); error != 0) {
            // The rest of the message would only arrive torn: stop and say so once.
            Delivery failed = Failed(error);
            failed.bytesMayHaveLeft = written;
            return failed;
        }
        written = true;
    }
    Delivery d;
    d.handedOver = true;
    return d;
}

platform::JobState TTransport::Follow(const Delivery& delivery) {
    if (!delivery.handedOver) {
        platform::JobState never;
        never.kind = platform::JobState::Kind::Failed;
        never.error = delivery.error != 0 ? delivery.error : platform::winerror::kGenFailure;
        return never;
    }
    return delivery.jobId == 0 ? platform::JobState()
                               : spooler_.Job(delivery.printer, delivery.jobId);
}

void TTransport::Cancel(const Delivery& delivery) {
    if (delivery.handedOver && delivery.jobId != 0)
        spooler_.Cancel(delivery.printer, delivery.jobId);
}

platform::QueueState TTransport::Queue(const std::string& printerName) {
    return spooler_.Queue(printerName);
}

}  // namespace bpconf
