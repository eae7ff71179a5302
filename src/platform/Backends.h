// The back ends of this platform, and the one place that picks them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CounterStore.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Ports.h"
#include "platform/Printers.h"

namespace bpconf::platform {

// The name of the capture printer, whose jobs land as numbered files.
inline constexpr const char* kCapturePrinterName = "bpconf-capture";

// The system's printers and spooler (CUPS on Linux, the Windows spooler on Windows).
std::unique_ptr<IPrinterList> CreateSystemPrinterList();
std::unique_ptr<ISpooler> CreateSystemSpooler();

// Adds the capture printer after the system's printers; it is the default only when the system
// names none. Its jobs are written to captureDir as job-0001.bin, job-0002.bin, …
std::unique_ptr<IPrinterList> CreateCapturePrinterList(std::unique_ptr<IPrinterList> system);
std::unique_ptr<ISpooler> CreateCaptureSpooler(std::unique_ptr<ISpooler> system,
                                               std::string captureDir);

// Port devices: "LPT1" … "LPT3" name the parallel ports; any other name is a device path.
std::unique_ptr<IPortDevices> CreateSystemPortDevices();
// The device path a port name stands for.
std::string PortDevicePath(const std::string& portName);

// The counter store: the registry on Windows; elsewhere a registry-export text file,
// $XDG_CONFIG_HOME/kelvor/PrinterTest.reg (~/.config when XDG_CONFIG_HOME is unset). Without an
// absolute folder to keep it in, the store is one that says why on every read and change, never
// a file in whatever folder the tool was started from.
std::unique_ptr<ICounterStore> CreateSystemCounterStore();
std::unique_ptr<ICounterStore> CreateFileCounterStore(std::string path);
std::optional<std::string> DefaultCounterFilePath(std::string& whyNot);

std::unique_ptr<ILocale> CreateSystemLocale();
// The Windows language ID ("0804") of a POSIX locale name ("zh_CN.UTF-8").
std::string LanguageIdForLocale(const std::string& localeName);

std::unique_ptr<IClock> CreateSystemClock();

// Message boxes written to standard error as "CAPTION: TEXT" after the prefix, one line each,
// for the command line.
std::unique_ptr<IMessageBoxes> CreateConsoleMessageBoxes(const std::string& prefix = "");

// The platform's services for the tool, the capture printer added when captureDir is not empty.
struct SystemBackends {
    std::unique_ptr<IPrinterList> printers;
    std::unique_ptr<ISpooler> spooler;
    std::unique_ptr<IPortDevices> ports;
    std::unique_ptr<ICounterStore> counter;
    std::unique_ptr<ILocale> locale;
    std::unique_ptr<IClock> clock;
};
SystemBackends CreateSystemBackends(const std::string& captureDir);

}  // namespace bpconf::platform
