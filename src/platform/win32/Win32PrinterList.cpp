// The installed printers and the default one, as the Windows spooler lists them.
#include <windows.h>

#include <winspool.h>

#include <cwchar>
#include <vector>

#include "platform/Backends.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

namespace {

using win32::Narrow;

class Win32PrinterList : public IPrinterList {
  public:
    PrinterListing List() override {
        PrinterListing listing;
        DWORD needed = 0, count = 0;
        const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
        ::EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
        const DWORD sizing = ::GetLastError();
        if (needed == 0 && sizing != ERROR_SUCCESS && sizing != ERROR_INSUFFICIENT_BUFFER) {
            listing.error = sizing == RPC_S_SERVER_UNAVAILABLE ? winerror::kServerUnavailable
                                                               : static_cast<std::uint32_t>(sizing);
            return listing;
        }
        std::vector<BYTE> buffer(needed);
        if (needed > 0 &&
            ::EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) {
            const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
            for (DWORD i = 0; i < count; ++i)
                listing.names.push_back(Narrow(info[i].pPrinterName));
        }
        DWORD size = 0;
        ::GetDefaultPrinterW(nullptr, &size);
        if (size > 0) {
            std::wstring name(size, L'\0');
            if (::GetDefaultPrinterW(name.data(), &size)) {
                name.resize(wcsnlen(name.c_str(), name.size()));
                listing.defaultName = Narrow(name);
            }
        }
        return listing;
    }
};

}  // namespace

std::unique_ptr<IPrinterList> CreateSystemPrinterList() {
    return std::make_unique<Win32PrinterList>();
}

}  // namespace bpconf::platform
