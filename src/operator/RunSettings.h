// The settings an update run sends, read through one interface: the window reads its controls
// at the moment each step comes (a change during the run is seen by the later steps), the
// command line gives the values it checked before the run began.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace bpconf::op {

// The settings of the run, in the order of its steps.
enum class Setting {
    CodePage,
    Density,
    AgingTime,
    LineFeed,
    Encryption,
    BlackMark,
    StandbyTime,
    FontType,
    SerialNumber,
    SensorValue,
    ForcedConnection,
    SelfTest,
    BaudRate,
    PrinterName,
};
inline constexpr std::size_t kSettingCount = 14;

class IRunSettings {
  public:
    virtual ~IRunSettings() = default;
    // The printer-driver path (else the port path).
    virtual bool DriverPath() const = 0;
    virtual std::string PrinterName() const = 0;
    // The port's name without blanks and control characters around it.
    virtual std::string PortName() const = 0;
    // The setting's box: whether its step sends (an on/off setting: the value it sends).
    virtual bool Ticked(Setting setting) const = 0;
    // The setting's value as the window shows it: a list's item text, an edit box's text.
    virtual std::string Text(Setting setting) const = 0;
    // The selected item of a list (LineFeed, FontType); -1 for none.
    virtual int Item(Setting setting) const = 0;
    // The older header of the self-test information message.
    virtual bool OldSelfTestHeader() const = 0;
    // The year-month stamp of the serial number.
    virtual std::string SerialStamp() const = 0;
};

// Settings as values: what the command line checked, or a snapshot of the window.
struct RunSettings {
    struct Value {
        bool ticked = false;
        std::string text;
        int item = -1;
    };
    bool driverPath = true;
    std::string printerName, portName;
    std::array<Value, kSettingCount> values{};
    bool oldSelfTestHeader = false;
    std::string serialStamp;
    // The number the operator set for the next stamp (serial.counter); nothing: the counter's.
    std::optional<std::int32_t> serialCounter;

    Value& operator[](Setting s) { return values[static_cast<std::size_t>(s)]; }
    const Value& operator[](Setting s) const { return values[static_cast<std::size_t>(s)]; }
};

// The values of the settings taken at one moment.
RunSettings Snapshot(const IRunSettings& settings);

// A run's settings from values.
class CheckedRunSettings : public IRunSettings {
  public:
    explicit CheckedRunSettings(RunSettings settings) : s_(std::move(settings)) {}
    bool DriverPath() const override { return s_.driverPath; }
    std::string PrinterName() const override { return s_.printerName; }
    std::string PortName() const override { return s_.portName; }
    bool Ticked(Setting setting) const override { return s_[setting].ticked; }
    std::string Text(Setting setting) const override { return s_[setting].text; }
    int Item(Setting setting) const override { return s_[setting].item; }
    bool OldSelfTestHeader() const override { return s_.oldSelfTestHeader; }
    std::string SerialStamp() const override { return s_.serialStamp; }

  private:
    RunSettings s_;
};

}  // namespace bpconf::op
