#include "operator/FormRunSettings.h"

#include "platform/AsciiText.h"

namespace bpconf::op {

namespace {

// Each setting's check box and the control that holds its value (kCount: none).
struct SettingControls {
    Control box;
    Control value;
};

constexpr SettingControls kControls[kSettingCount] = {
    {ctl::CheckBox1, ctl::cboLanage},      // CodePage
    {ctl::CheckBox2, ctl::cboLevel},       // Density
    {ctl::CheckBox12, ctl::Edit4},         // AgingTime
    {ctl::CheckBox9, ctl::ComboBox2},      // LineFeed
    {ctl::CheckBox3, ctl::kCount},         // Encryption
    {ctl::CheckBox4, ctl::kCount},         // BlackMark
    {ctl::CheckBox11, ctl::Edit3},         // StandbyTime
    {ctl::CheckBox13, ctl::ComboBox3},     // FontType
    {ctl::chkUpdateNo, ctl::txtUpdateNo},  // SerialNumber
    {ctl::CheckBox7, ctl::Edit2},          // SensorValue
    {ctl::CheckBox6, ctl::kCount},         // ForcedConnection
    {ctl::CheckBox8, ctl::kCount},         // SelfTest
    {ctl::CheckBox10, ctl::cboNewCom},     // BaudRate
    {ctl::CheckBox5, ctl::Edit1},          // PrinterName
};

const SettingControls& Of(Setting s) {
    return kControls[static_cast<std::size_t>(s)];
}

}  // namespace

bool FormRunSettings::DriverPath() const {
    return form_.Checked(ctl::rdbDriver);
}

std::string FormRunSettings::PrinterName() const {
    return form_.Text(ctl::cmbDriver);
}

std::string FormRunSettings::PortName() const {
    return text::Trim(form_.Text(ctl::cmbLpt));
}

bool FormRunSettings::Ticked(Setting setting) const {
    return form_.Checked(Of(setting).box);
}

std::string FormRunSettings::Text(Setting setting) const {
    const Control value = Of(setting).value;
    return value == ctl::kCount ? std::string() : form_.Text(value);
}

int FormRunSettings::Item(Setting setting) const {
    const Control value = Of(setting).value;
    return value == ctl::kCount ? -1 : form_.ItemIndex(value);
}

bool FormRunSettings::OldSelfTestHeader() const {
    return form_.Checked(ctl::RadioButton1);
}

std::string FormRunSettings::SerialStamp() const {
    return form_.Text(ctl::lblNoYearMonth);
}

}  // namespace bpconf::op
