// One contract for the message boxes of every window (the Qt window, the Win32 window): each kind
// of box shows its caption, and Enter presses its default button: OK, or No for a question that
// could stamp or send. Each window's test binary instantiates it with a factory type that has
// `op::IBoxPresenter& Presenter()` and `template <class F> Seen PressEnterWhileShown(F present)`:
// it presents a box through `present`, presses Enter in it, and returns what was seen.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operator/WindowBoxes.h"

namespace bpconf::test {

// A box as the operator saw it.
struct SeenBox {
    std::string caption;
    std::string defaultButton;  // "ok", "yes", "no"
};

template <typename Factory>
class BoxContract : public ::testing::Test {
  protected:
    Factory factory_;
};

TYPED_TEST_SUITE_P(BoxContract);

TYPED_TEST_P(BoxContract, EnterPressesTheHarmlessAnswer) {
    using Answer = op::BoxRequest::Answer;
    const struct {
        op::BoxRequest box;
        const char* caption;
        const char* defaultButton;
    } cases[] = {
        {op::WarningBox("更新文件有问题！！"), "警告", "ok"},
        {op::ErrorBox("error"), "错误", "ok"},
        {op::PlainBox("error 1801"), "打印机监控升级工具", "ok"},
        {op::UncaughtBox("'abc' is not a valid integer value"), "打印机监控升级工具", "ok"},
        {op::QuestionBox("Stamp it on this unit as well?"), "打印机监控升级工具", "no"},
    };
    for (const auto& c : cases) {
        Answer answer = Answer::Yes;
        const SeenBox seen = this->factory_.PressEnterWhileShown(
            [&] { answer = this->factory_.Presenter().Present(c.box); });
        EXPECT_EQ(seen.caption, c.caption) << c.box.text;
        EXPECT_EQ(seen.defaultButton, c.defaultButton) << c.box.text;
        EXPECT_EQ(answer, c.box.buttons == op::BoxRequest::Buttons::YesNo ? Answer::No : Answer::Ok)
            << c.box.text;
    }
}

REGISTER_TYPED_TEST_SUITE_P(BoxContract, EnterPressesTheHarmlessAnswer);

}  // namespace bpconf::test
