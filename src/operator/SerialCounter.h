// The production serial number: the year-month stamp, the counter box mirroring the counter
// store, the updated-units count. The store is the truth: a number is taken from it at the
// moment a unit is stamped, under its lock, and the next one is stored before the stamp leaves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operator/Form.h"
#include "operator/WindowState.h"
#include "platform/CounterStore.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"

namespace bpconf::op {

class SerialCounter {
  public:
    SerialCounter(IForm& form, platform::ICounterStore& store, platform::IClock& clock,
                  platform::IMessageBoxes& boxes, const WindowState& state)
        : form_(form), store_(store), clock_(clock), boxes_(boxes), state_(state) {}

    // Reads the stored counter (window creation, before the printer list). A usable value is
    // read without the lock; only a first start (no value at all) writes "0001", under the lock,
    // so it never overwrites a value another program has just written. A value that is there
    // but no counter is left for the operator to mend: nothing.
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

    // Takes the number of the unit from the store, under its lock: the box's number when the
    // operator set it since the box was last filled from the store, else the stored one (another
    // program may have moved it on). The next number is stored, flushed, and shown in the box
    // before this returns; the result is the counter text to stamp. A store with a ledger (the
    // line's database) reserves claim.serial (the stamp and the counter) in the same step.
    // Raises the conversion error for a box that holds no whole number, and RunFailure when the
    // store cannot give a number; the store is unchanged then.
    std::string Take(const std::string& stamp, platform::SerialClaim& claim);
    // The operator confirmed that this serial number (stamp and counter) may be stamped again;
    // the claim of the next Take says so if it gives that number. Taken or not, the next Take
    // ends the confirmation.
    void ConfirmReuse(const std::string& serial) { confirmedReuse_ = serial; }
    // The counter text the operator typed into the box (since it was last filled from the
    // store), as the next stamp will send it, if it is a number: the next stamp takes it.
    std::optional<std::string> OperatorCounter() const;
    void EndConfirmation() { confirmedReuse_.clear(); }
    // Adds one to the updated-units count.
    void CountUpdatedUnit();
    // Stores the box's number at closing when the operator set it; otherwise the store already
    // holds the truth and is left alone (another program may have moved it on).
    void Save();

  private:
    // Writes the store's counter into the box; an edit of the operator is what differs from it.
    void Fill(const std::string& text);
    bool SetByOperator() const;

    IForm& form_;
    platform::ICounterStore& store_;
    platform::IClock& clock_;
    platform::IMessageBoxes& boxes_;
    const WindowState& state_;
    std::string filled_;
    bool edited_ = false;
    std::string confirmedReuse_;
};

// The year and month a serial number starts with: "202612".
std::string YearMonthStamp(const platform::LocalDateTime& date);
// "%.4d": zero-filled to at least four digits.
std::string FormatCounter(long long value);
// A counter text as a number from 0 to 2147483647, the strict conversion, without raising.
std::optional<std::int32_t> ParseCounter(const std::string& text);

}  // namespace bpconf::op
