#include "operator/UpdatePackage.h"

#include "operator/Deliveries.h"
#include "operator/LanguageTables.h"
#include "platform/AsciiText.h"

namespace bpconf::op {

void UpdatePackage::Button1Click() {
    if (form_.ItemCount(ctl::cmbDriver) == 0) {
        s_.transport.ShowWarning(Pick(state_.interfaceLanguage, "请安排打印机驱动程序",
                                      "Please arrange the printer driver"));
        return;
    }
    if (const auto file = s_.fileDialog.OpenFile("*.bin", ".")) {
        package_.Release();
        form_.ClearMemo();
        auto package = std::make_unique<THfByteList>();
        package->LoadFromFile(*file, kMaxPackageBytes);
        package_.Set(std::move(package), *file);
        for (const auto& list : package_.List())
            form_.AddMemoLine(list->HexDump());
    }
    form_.SetEnabled(ctl::Button2, true);
}

void UpdatePackage::Button2Click() {
    s_.transport.ShowWarning(Pick(state_.interfaceLanguage,
                                  "测试所打印的内容为打印机升级后的打印自检效果",
                                  "Test print content to print a self-test result printer after "
                                  "the upgrade"));
    for (const auto& list : package_.List()) {
        const bool driver = form_.Checked(ctl::rdbDriver);
        const Delivery d = s_.transport.SendBytes(
            *list, form_.Text(ctl::cmbDriver), driver ? kKindDrive : kKindLpt,
            driver ? "" : text::Trim(form_.Text(ctl::cmbLpt)));
        // A test print the printer never got is told as well, once; a failed delivery does not
        // stop the loop.
        Deliveries print(s_.transport, s_.pacer, s_.jobTimeoutMs);
        print.Add("", d);
        if (!d.handedOver)
            continue;
        if (const std::uint32_t error = print.AwaitAll(nullptr); error != 0) {
            print.CancelWaiting();
            s_.transport.ShowDeliveryError(error);
        }
    }
}

}  // namespace bpconf::op
