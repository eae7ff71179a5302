// Delivery of bytes to a printer (a raw spooler job) or a port device, and the message boxes
// through which the tool tells the operator of warnings and errors.
#pragma once

#include <string>

#include "platform/Dialogs.h"
#include "platform/Ports.h"
#include "platform/Printers.h"
#include "transport/untByteList.h"

namespace bpconf {

// Every raw job carries this document name.
inline constexpr const char* kJobDocumentName = "Printer Test";
inline constexpr const char* kJobDataType = "RAW";
// Connection kinds the callers pass.
inline constexpr const char* kKindDrive = "drive";
inline constexpr const char* kKindLpt = "lpt";

// "连接出错，端口" + port name + "不存在或已被其它程序占用", in Chinese whatever the language.
std::string PortErrorText(const std::string& portName);

// One message handed to the transport: where it went, and the spooler's job that carries it.
struct Delivery {
    bool handedOver = false;  // false: it failed at once, and the operator was told
    // Some of the bytes may have reached the printer or port although the delivery failed (a job
    // begun and written, then a later stage failed; a port that failed partway).
    bool bytesMayHaveLeft = false;
    std::string printer;      // the printer of a spooler job ("" for a port)
    int jobId = 0;            // 0: the bytes have arrived already (port, file, memory)
    std::uint32_t error = 0;  // why it failed at once (the number of its box)
    explicit operator bool() const { return handedOver; }
    // Whether the message may be at the printer, whole or in part.
    bool MayHaveLeft() const { return handedOver || bytesMayHaveLeft; }
};

// Each delivery is complete and self-contained: the printer or port is opened, written and
// closed within the call. A failure at that point is reported to the operator here, once per
// message. A job the spooler took is not yet a job that reached the printer: Follow asks the
// spooler what became of it.
class TTransport {
  public:
    TTransport(platform::ISpooler& spooler, platform::IPortDevices& ports,
               platform::IMessageBoxes& boxes)
        : spooler_(spooler), ports_(ports), boxes_(boxes) {}

    // Kind upper-cased equal to "DRIVE": a raw job to the printer; anything else: the port.
    Delivery SendBytes(const THfByteList& list, const std::string& printerName,
                       const std::string& kind, const std::string& portName);
    // The bytes of a counted string (0x00 included) through SendBytes.
    Delivery SendString(const std::string& text, const std::string& printerName,
                        const std::string& kind, const std::string& portName);
    Delivery SendToPrinter(const std::string& printerName, const THfByteList& list);
    // One raw job "Printer Test" holding the whole data in one write.
    Delivery PrintRaw(const std::string& printerName, const std::string& data);
    // The bytes written to the port one at a time; they have arrived when this returns.
    Delivery SendToPort(const THfByteList& list, const std::string& portName);

    // What became of a delivery handed over.
    platform::JobState Follow(const Delivery& delivery);
    // Takes a delivery's job out of the queue, so it can never reach a printer later.
    void Cancel(const Delivery& delivery);
    // Whether the printer's queue takes and prints jobs now.
    platform::QueueState Queue(const std::string& printerName);

    // The plain box of a failed delivery: "error N".
    void ShowDeliveryError(std::uint32_t error);

    void ShowWarning(const std::string& text) { boxes_.Warning(text); }
    void ShowError(const std::string& text) { boxes_.Error(text); }

    // Deliveries that failed since this transport was made.
    int FailedDeliveries() const { return failed_; }

  private:
    Delivery Failed(std::uint32_t error);

    platform::ISpooler& spooler_;
    platform::IPortDevices& ports_;
    platform::IMessageBoxes& boxes_;
    int failed_ = 0;
};

}  // namespace bpconf
