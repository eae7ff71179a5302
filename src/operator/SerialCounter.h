// The production serial number in the window: the year-month stamp, the counter box mirroring
// the counter, the updated-units count. The counter is the truth: the box shows it, and what
// the operator types into the box is the number of the next stamp (the serial-number policy
// decides whether it may be stamped and where the counter goes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operator/Form.h"
#include "operator/SerialInput.h"
#include "operator/WindowState.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/SerialBook.h"
#include "serials/SerialPolicy.h"

namespace bpconf::op {

class SerialCounter : public ISerialInput {
  public:
    SerialCounter(IForm& form, platform::ISerialBook& book, platform::IClock& clock,
                  platform::IMessageBoxes& boxes, const WindowState& state, std::string station)
        : form_(form),
          book_(book),
          policy_(book),
          clock_(clock),
          boxes_(boxes),
          state_(state),
          station_(std::move(station)) {}

    // Reads the stored counter (window creation, before the printer list). A first start (no
    // value at all) stores "0001", under the lock, so it never overwrites a value another
    // program has just written; a store that cannot take it is told. A value that is there but
    // no counter is left for the operator to mend: nothing.
    std::optional<int> LoadStored();
    // Shows the counter in the box ("%.4d"; empty without one), sets the count to 0 and the date
    // picker and the stamp to today (window creation, after the printer list).
    void Show(std::optional<int> counter);

    void DTPUpdateNoChange();
    void UpdateYearMonthStamp(const platform::LocalDateTime& date);
    // A character typed into txtUpdateNo passes when it is a digit or backspace.
    static bool KeyPasses(char32_t typed);
    // Text pasted into txtUpdateNo, keeping only what typing would let through.
    static std::string FilterPasted(const std::string& text);
    // The operator changed the text of txtUpdateNo: the next stamp takes that number.
    void txtUpdateNoChange() { edited_ = true; }

    // ISerialInput: the box's text when the operator set it since the box was last filled.
    std::optional<std::string> OperatorText() const override;
    std::optional<std::int32_t> Claim() override;
    void Taken(const serials::TakenSerial& taken) override;
    void Declined(const std::string& nextFreeCounter) override;
    // Adds one to the updated-units count.
    void CountUpdatedUnit() override;

    // Closing: stores the box's number when the operator set it (and the policy lets it set the
    // counter); otherwise the counter already holds the truth and is left alone.
    void Save();

  private:
    // Writes a counter the operator did not type into the box; an edit of the operator is what
    // differs from it.
    void Fill(const std::string& text);
    bool SetByOperator() const;
    // The counter as the box shows it ("%.4d"), "" for none usable.
    std::string StoredCounterText();

    IForm& form_;
    platform::ISerialBook& book_;
    serials::SerialPolicy policy_;
    platform::IClock& clock_;
    platform::IMessageBoxes& boxes_;
    const WindowState& state_;
    std::string station_;
    std::string filled_;
    // A number the box offers for the next stamp that the operator did not type (the next free
    // one, after a No): the next stamp takes it, closing does not store it.
    std::string offered_;
    bool edited_ = false;
};

}  // namespace bpconf::op
