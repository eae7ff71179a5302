// The operator window as the logic sees it: controls addressed by their design names. The Qt
// window and the in-memory form of the command line both implement it, so both drive the very
// same handlers.
#pragma once

#include <string>
#include <vector>

#include "platform/Environment.h"

namespace bpconf::op {

// Names of the controls, as in the window's design. "Form" is the window itself (its caption);
// the two panels of the status bar are "StatusBar1.Panel0" and "StatusBar1.Panel1".
namespace ctl {
inline constexpr const char* Form = "Form";
inline constexpr const char* GroupBox1 = "GroupBox1";
inline constexpr const char* rdbDriver = "rdbDriver";
inline constexpr const char* cmbDriver = "cmbDriver";
inline constexpr const char* Button1 = "Button1";
inline constexpr const char* Button2 = "Button2";
inline constexpr const char* Button3 = "Button3";
inline constexpr const char* Button4 = "Button4";
inline constexpr const char* Button5 = "Button5";
inline constexpr const char* PageControl1 = "PageControl1";
inline constexpr const char* TabSheet1 = "TabSheet1";
inline constexpr const char* TabSheet2 = "TabSheet2";
inline constexpr const char* TabSheet3 = "TabSheet3";
inline constexpr const char* CheckBox1 = "CheckBox1";
inline constexpr const char* CheckBox2 = "CheckBox2";
inline constexpr const char* CheckBox3 = "CheckBox3";
inline constexpr const char* CheckBox4 = "CheckBox4";
inline constexpr const char* CheckBox5 = "CheckBox5";
inline constexpr const char* CheckBox6 = "CheckBox6";
inline constexpr const char* CheckBox7 = "CheckBox7";
inline constexpr const char* CheckBox8 = "CheckBox8";
inline constexpr const char* CheckBox9 = "CheckBox9";
inline constexpr const char* CheckBox10 = "CheckBox10";
inline constexpr const char* CheckBox11 = "CheckBox11";
inline constexpr const char* CheckBox12 = "CheckBox12";
inline constexpr const char* CheckBox13 = "CheckBox13";
inline constexpr const char* cboLanage = "cboLanage";
inline constexpr const char* cboLevel = "cboLevel";
inline constexpr const char* Edit1 = "Edit1";
inline constexpr const char* Edit2 = "Edit2";
inline constexpr const char* Edit3 = "Edit3";
inline constexpr const char* Edit4 = "Edit4";
inline constexpr const char* ComboBox2 = "ComboBox2";
inline constexpr const char* ComboBox3 = "ComboBox3";
inline constexpr const char* cboNewCom = "cboNewCom";
inline constexpr const char* Label4 = "Label4";
inline constexpr const char* Label5 = "Label5";
inline constexpr const char* chkUpdateNo = "chkUpdateNo";
inline constexpr const char* DTPUpdateNo = "DTPUpdateNo";
inline constexpr const char* txtUpdateNo = "txtUpdateNo";
inline constexpr const char* txtUpdateOverNum = "txtUpdateOverNum";
inline constexpr const char* lblNoYearMonth = "lblNoYearMonth";
inline constexpr const char* Memo1 = "Memo1";
inline constexpr const char* ProgressBar1 = "ProgressBar1";
inline constexpr const char* StatusPanel0 = "StatusBar1.Panel0";
inline constexpr const char* StatusPanel1 = "StatusBar1.Panel1";
inline constexpr const char* rdbLpt = "rdbLpt";
inline constexpr const char* cmbLpt = "cmbLpt";
inline constexpr const char* rdbCom = "rdbCom";
inline constexpr const char* cmbCom = "cmbCom";
inline constexpr const char* Panel5 = "Panel5";
inline constexpr const char* cmbBaudRate = "cmbBaudRate";
inline constexpr const char* cmbShareHand = "cmbShareHand";
inline constexpr const char* RadioButton1 = "RadioButton1";
inline constexpr const char* RadioButton2 = "RadioButton2";
}  // namespace ctl

class IForm {
  public:
    virtual ~IForm() = default;

    // Caption of a button, check box, label, tab page or the window; text of an edit box; text
    // of the selected item of a drop-down list ("" without a selection).
    virtual std::string Text(const std::string& control) const = 0;
    virtual void SetText(const std::string& control, const std::string& text) = 0;
    // Check boxes and radio buttons.
    virtual bool Checked(const std::string& control) const = 0;
    virtual void SetChecked(const std::string& control, bool checked) = 0;
    // Drop-down lists: the selected index (-1 for none), the items.
    virtual int ItemIndex(const std::string& control) const = 0;
    virtual void SetItemIndex(const std::string& control, int index) = 0;
    virtual int ItemCount(const std::string& control) const = 0;
    // Replaces the items; nothing is selected afterwards.
    virtual void SetItems(const std::string& control, const std::vector<std::string>& items) = 0;
    virtual bool Enabled(const std::string& control) const = 0;
    virtual void SetEnabled(const std::string& control, bool enabled) = 0;
    virtual void SetVisible(const std::string& control, bool visible) = 0;
    // ProgressBar1.
    virtual void SetProgressRange(int minimum, int maximum, int step) = 0;
    virtual int ProgressPosition() const = 0;
    virtual void SetProgressPosition(int position) = 0;
    // DTPUpdateNo.
    virtual platform::LocalDateTime Date() const = 0;
    virtual void SetDate(const platform::LocalDateTime& date) = 0;
    // Memo1: cleared, or one more line added (line breaks inside start further lines).
    virtual void ClearMemo() = 0;
    virtual void AddMemoLine(const std::string& text) = 0;
};

}  // namespace bpconf::op
