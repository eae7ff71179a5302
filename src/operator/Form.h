// The operator window as the logic sees it: one typed name per control, one function per kind
// of control. The Qt window, the Win32 window and the in-memory form of the command line all
// implement it, so all of them drive the very same handlers, and a misspelt control does not
// compile.
#pragma once

#include <string>
#include <vector>

#include "platform/Environment.h"

namespace bpconf::op {

// Every control of the window's design, with its design name (the object name the windows give
// it). Form is the window itself (its caption); StatusPanel0 and StatusPanel1 are the two panels
// of StatusBar1.
// clang-format off
#define BPCONF_CONTROLS(X) \
    X(Form, "Form") \
    X(GroupBox1, "GroupBox1") \
    X(rdbDriver, "rdbDriver") \
    X(cmbDriver, "cmbDriver") \
    X(Button1, "Button1") \
    X(Button2, "Button2") \
    X(Button3, "Button3") \
    X(Button4, "Button4") \
    X(Button5, "Button5") \
    X(PageControl1, "PageControl1") \
    X(TabSheet1, "TabSheet1") \
    X(TabSheet2, "TabSheet2") \
    X(TabSheet3, "TabSheet3") \
    X(CheckBox1, "CheckBox1") \
    X(CheckBox2, "CheckBox2") \
    X(CheckBox3, "CheckBox3") \
    X(CheckBox4, "CheckBox4") \
    X(CheckBox5, "CheckBox5") \
    X(CheckBox6, "CheckBox6") \
    X(CheckBox7, "CheckBox7") \
    X(CheckBox8, "CheckBox8") \
    X(CheckBox9, "CheckBox9") \
    X(CheckBox10, "CheckBox10") \
    X(CheckBox11, "CheckBox11") \
    X(CheckBox12, "CheckBox12") \
    X(CheckBox13, "CheckBox13") \
    X(cboLanage, "cboLanage") \
    X(cboLevel, "cboLevel") \
    X(Edit1, "Edit1") \
    X(Edit2, "Edit2") \
    X(Edit3, "Edit3") \
    X(Edit4, "Edit4") \
    X(ComboBox2, "ComboBox2") \
    X(ComboBox3, "ComboBox3") \
    X(cboNewCom, "cboNewCom") \
    X(Label4, "Label4") \
    X(Label5, "Label5") \
    X(chkUpdateNo, "chkUpdateNo") \
    X(DTPUpdateNo, "DTPUpdateNo") \
    X(txtUpdateNo, "txtUpdateNo") \
    X(txtUpdateOverNum, "txtUpdateOverNum") \
    X(lblNoYearMonth, "lblNoYearMonth") \
    X(Memo1, "Memo1") \
    X(ProgressBar1, "ProgressBar1") \
    X(StatusPanel0, "StatusBar1.Panel0") \
    X(StatusPanel1, "StatusBar1.Panel1") \
    X(rdbLpt, "rdbLpt") \
    X(cmbLpt, "cmbLpt") \
    X(rdbCom, "rdbCom") \
    X(cmbCom, "cmbCom") \
    X(Panel5, "Panel5") \
    X(cmbBaudRate, "cmbBaudRate") \
    X(cmbShareHand, "cmbShareHand") \
    X(RadioButton1, "RadioButton1") \
    X(RadioButton2, "RadioButton2")
// clang-format on

namespace ctl {
#define BPCONF_CONTROL_ENUM(name, objectName) name,
enum Control : int { BPCONF_CONTROLS(BPCONF_CONTROL_ENUM) kCount };
#undef BPCONF_CONTROL_ENUM

// The design name of a control ("cboLanage", "StatusBar1.Panel0").
const char* ObjectName(Control control);
}  // namespace ctl

using Control = ctl::Control;

class IForm {
  public:
    virtual ~IForm() = default;

    // Caption of a button, check box, label, group box, tab page, status panel or the window;
    // text of an edit box; text of the selected item of a drop-down list ("" without one).
    virtual std::string Text(Control control) const = 0;
    // A drop-down list takes a text by selecting the item that reads so (none when no item does).
    virtual void SetText(Control control, const std::string& text) = 0;
    // Check boxes and radio buttons.
    virtual bool Checked(Control control) const = 0;
    virtual void SetChecked(Control control, bool checked) = 0;
    // Drop-down lists: the selected index (-1 for none), the items.
    virtual int ItemIndex(Control control) const = 0;
    virtual void SetItemIndex(Control control, int index) = 0;
    virtual int ItemCount(Control control) const = 0;
    // Replaces the items; nothing is selected afterwards.
    virtual void SetItems(Control control, const std::vector<std::string>& items) = 0;
    virtual bool Enabled(Control control) const = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    // Whether the control is to be shown (a tab page: its tab), whatever the window's own state.
    virtual bool Visible(Control control) const = 0;
    virtual void SetVisible(Control control, bool visible) = 0;
    // ProgressBar1; the position stays within the range.
    virtual void SetProgressRange(int minimum, int maximum, int step) = 0;
    virtual int ProgressPosition() const = 0;
    virtual void SetProgressPosition(int position) = 0;
    // DTPUpdateNo.
    virtual platform::LocalDateTime Date() const = 0;
    virtual void SetDate(const platform::LocalDateTime& date) = 0;
    // Memo1: cleared, or one more line added (line breaks inside start further lines); its text
    // with "\r\n" after every line.
    virtual void ClearMemo() = 0;
    virtual void AddMemoLine(const std::string& text) = 0;
    virtual std::string MemoText() const = 0;
};

}  // namespace bpconf::op
