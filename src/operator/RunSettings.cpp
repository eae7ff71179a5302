#include "operator/RunSettings.h"

namespace bpconf::op {

RunSettings Snapshot(const IRunSettings& settings) {
    RunSettings s;
    s.driverPath = settings.DriverPath();
    s.printerName = settings.PrinterName();
    s.portName = settings.PortName();
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        const auto setting = static_cast<Setting>(i);
        s.values[i] = {settings.Ticked(setting), settings.Text(setting), settings.Item(setting)};
    }
    s.oldSelfTestHeader = settings.OldSelfTestHeader();
    s.serialStamp = settings.SerialStamp();
    return s;
}

}  // namespace bpconf::op
