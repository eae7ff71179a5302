// One contract for every implementation of the window interface (the in-memory form, the Qt
// window, the Win32 window): the same calls, the same observable results. Each test binary
// instantiates it for the implementation it has: a factory type with `op::IForm& Form()`.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operator/Form.h"

namespace bpconf::test {

template <typename Factory>
class FormContract : public ::testing::Test {
  protected:
    op::IForm& form() { return factory_.Form(); }
    Factory factory_;
};

TYPED_TEST_SUITE_P(FormContract);

TYPED_TEST_P(FormContract, TextsOfEveryKindOfControl) {
    using namespace op::ctl;
    op::IForm& f = this->form();
    for (op::Control c : {Form, GroupBox1, Button3, CheckBox1, rdbDriver, Label4, TabSheet2,
                          StatusPanel1, Edit2, lblNoYearMonth}) {
        for (const std::string text : {"开始更新", "start update", ""}) {
            f.SetText(c, text);
            EXPECT_EQ(f.Text(c), text) << ObjectName(c);
        }
    }
    // The system's writes are kept whole, whatever an edit box lets the operator type.
    f.SetText(Edit1, "abcdefghijklmnopqrst");
    EXPECT_EQ(f.Text(Edit1), "abcdefghijklmnopqrst");
    f.SetText(txtUpdateNo, "10000");
    EXPECT_EQ(f.Text(txtUpdateNo), "10000");
}

TYPED_TEST_P(FormContract, DropDownListsSelectByIndexOrText) {
    using namespace op::ctl;
    op::IForm& f = this->form();
    f.SetItems(cboLevel, {"a", "b", "c"});
    EXPECT_EQ(f.ItemCount(cboLevel), 3);
    EXPECT_EQ(f.ItemIndex(cboLevel), -1);
    EXPECT_EQ(f.Text(cboLevel), "");
    f.SetItemIndex(cboLevel, 1);
    EXPECT_EQ(f.Text(cboLevel), "b");
    f.SetText(cboLevel, "c");
    EXPECT_EQ(f.ItemIndex(cboLevel), 2);
    f.SetText(cboLevel, "not an item");
    EXPECT_EQ(f.ItemIndex(cboLevel), -1);
    EXPECT_EQ(f.Text(cboLevel), "");
    f.SetItemIndex(cboLevel, 7);
    EXPECT_EQ(f.ItemIndex(cboLevel), -1);
    f.SetItemIndex(cboLevel, 0);
    f.SetItems(cboLevel, {});
    EXPECT_EQ(f.ItemCount(cboLevel), 0);
    EXPECT_EQ(f.ItemIndex(cboLevel), -1);
}

TYPED_TEST_P(FormContract, CheckBoxesAndRadioButtonGroups) {
    using namespace op::ctl;
    op::IForm& f = this->form();
    f.SetChecked(CheckBox1, true);
    EXPECT_TRUE(f.Checked(CheckBox1));
    f.SetChecked(CheckBox1, false);
    EXPECT_FALSE(f.Checked(CheckBox1));
    // Selecting a radio button unselects the others of its group.
    f.SetChecked(rdbDriver, true);
    f.SetChecked(rdbLpt, true);
    EXPECT_FALSE(f.Checked(rdbDriver));
    EXPECT_TRUE(f.Checked(rdbLpt));
    EXPECT_FALSE(f.Checked(rdbCom));
    f.SetChecked(RadioButton1, true);
    EXPECT_FALSE(f.Checked(RadioButton2));
    f.SetChecked(RadioButton2, true);
    EXPECT_FALSE(f.Checked(RadioButton1));
    EXPECT_TRUE(f.Checked(rdbLpt));
}

TYPED_TEST_P(FormContract, EnabledAndVisibleStates) {
    using namespace op::ctl;
    op::IForm& f = this->form();
    for (op::Control c : {Button2, cmbDriver, CheckBox7, Edit3}) {
        f.SetEnabled(c, false);
        EXPECT_FALSE(f.Enabled(c)) << ObjectName(c);
        f.SetEnabled(c, true);
        EXPECT_TRUE(f.Enabled(c)) << ObjectName(c);
    }
    for (op::Control c : {TabSheet3, rdbLpt, Label4, txtUpdateOverNum}) {
        f.SetVisible(c, false);
        EXPECT_FALSE(f.Visible(c)) << ObjectName(c);
        f.SetVisible(c, true);
        EXPECT_TRUE(f.Visible(c)) << ObjectName(c);
    }
}

TYPED_TEST_P(FormContract, ProgressStaysWithinItsRange) {
    op::IForm& f = this->form();
    f.SetProgressRange(0, 20, 1);
    f.SetProgressPosition(7);
    EXPECT_EQ(f.ProgressPosition(), 7);
    f.SetProgressPosition(25);
    EXPECT_EQ(f.ProgressPosition(), 20);
    f.SetProgressPosition(-3);
    EXPECT_EQ(f.ProgressPosition(), 0);
}

TYPED_TEST_P(FormContract, DateAndLogPane) {
    op::IForm& f = this->form();
    f.SetDate({2027, 3, 1, 0, 0, 0});
    EXPECT_EQ(f.Date().year, 2027);
    EXPECT_EQ(f.Date().month, 3);
    EXPECT_EQ(f.Date().day, 1);
    f.ClearMemo();
    EXPECT_EQ(f.MemoText(), "");
    f.AddMemoLine(" 1B");
    f.AddMemoLine(" 00 01\r\n 02");
    f.AddMemoLine("");
    EXPECT_EQ(f.MemoText(), " 1B\r\n 00 01\r\n 02\r\n\r\n");
    f.ClearMemo();
    EXPECT_EQ(f.MemoText(), "");
}

REGISTER_TYPED_TEST_SUITE_P(FormContract, TextsOfEveryKindOfControl,
                            DropDownListsSelectByIndexOrText, CheckBoxesAndRadioButtonGroups,
                            EnabledAndVisibleStates, ProgressStaysWithinItsRange, DateAndLogPane);

}  // namespace bpconf::test
