#include "transport/untFunction.h"

#include <cctype>

namespace bpconf {

namespace {

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

std::string PortErrorText(const std::string& portName) {
    return "连接出错，端口" + portName + "不存在或已被其它程序占用";
}

bool TTransport::Failed(std::uint32_t error) {
    boxes_.Plain("error " + std::to_string(error));
    ++failed_;
    return false;
}

bool TTransport::SendBytes(const THfByteList& list, const std::string& printerName,
                           const std::string& kind, const std::string& portName) {
    if (UpperAscii(kind) == "DRIVE") {
        return SendToPrinter(printerName, list);
    }
    return SendToPort(list, portName);
}

bool TTransport::SendString(const std::string& text, const std::string& printerName,
                            const std::string& kind, const std::string& portName) {
    return SendBytes(THfByteList::FromString(text), printerName, kind, portName);
}

bool TTransport::SendToPrinter(const std::string& printerName, const THfByteList& list) {
    return PrintRaw(printerName, list.ToString());
}

bool TTransport::PrintRaw(const std::string& printerName, const std::string& data) {
    std::uint32_t error = 0;
    auto job = spooler_.Open(printerName, error);
    if (!job) {
        return Failed(error != 0 ? error : platform::winerror::kGenFailure);
    }
    // Once the printer is open every stage runs, whatever the one before returned; the first
    // failure is the one reported, so a message that never reached the printer never looks sent.
    std::uint32_t first = job->StartDoc(kJobDocumentName, kJobDataType);
    auto keep = [&first](std::uint32_t e) {
        if (first == 0)
            first = e;
    };
    keep(job->StartPage());
    keep(job->Write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
    keep(job->EndPage());
    keep(job->EndDoc());
    keep(job->Close());
    return first == 0 ? true : Failed(first);
}

bool TTransport::SendToPort(const THfByteList& list, const std::string& portName) {
    auto port = ports_.Open(portName);
    if (!port) {
        boxes_.Error(PortErrorText(portName));
        ++failed_;
        return false;
    }
    for (std::uint8_t b : list.Bytes()) {
        if (const std::uint32_t error = port->WriteByte(b); error != 0) {
            // The rest of the message would only arrive torn: stop and say so once.
            return Failed(error);
        }
    }
    return true;
}

}  // namespace bpconf
