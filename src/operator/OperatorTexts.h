// Texts of the tool's own (not of the window's design) that the operator reads, each in the two
// interface languages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Printers.h"
#include "serials/SerialPolicy.h"
#include "serials/StationLine.h"

namespace bpconf::op {

// Why a run got no serial number. beforeFirstByte: the run stopped before it sent anything;
// else at its serial-number step, where the serial number was not sent.
std::string SerialProblemText(const std::string& interfaceLanguage,
                              const serials::SerialProblem& problem,
                              const std::string& counterLocation, const std::string& ledgerLocation,
                              bool beforeFirstByte);

// Closing: the operator's counter was not stored.
std::string CounterNotSavedText(const std::string& interfaceLanguage, const std::string& counter,
                                const serials::SerialProblem& problem,
                                const std::string& counterLocation,
                                const std::string& ledgerLocation);

// Closing: the operator's counter box holds no whole number, so it is not stored.
std::string CounterNotANumberText(const std::string& interfaceLanguage, const std::string& counter);

// Start: the first counter value could not be stored.
std::string CounterNotStartedText(const std::string& interfaceLanguage,
                                  const serials::SerialProblem& problem,
                                  const std::string& counterLocation,
                                  const std::string& ledgerLocation);

// After a run: the ledger could not be told what became of the run's serial number.
std::string SerialNotSettledText(const std::string& interfaceLanguage,
                                 const serials::SerialProblem& problem,
                                 const std::string& ledgerLocation);

// A byte below 0x20 or 0x7F (DEL) inside the text.
bool HasControlCharacter(const std::string& text);

// The text with each control character shown as <1B>, so that quoting it never sends an escape
// sequence to a terminal or cuts a message short.
std::string VisibleControls(const std::string& text);

// The printer name holds a control character: it is not sent. The character is shown as <1B>.
std::string PrinterNameRefusedText(const std::string& interfaceLanguage, const std::string& name);

// The status text of a run that ended because a message did not reach the printer. A serial
// number taken in the run is named with what the ledger says of it: on this unit (stamped), on
// none (void), or perhaps on this one (reserved: never given again).
std::string DeliveryFailedText(const std::string& interfaceLanguage, std::uint32_t error,
                               const std::string& serial, serials::SerialState serialState);

// The status text of a run refused before anything was sent: "更新未开始：打印机队列不能打印（error
// 1906）", with the jobs still waiting in the queue named, and how to cancel them, when they are
// the reason.
std::string QueueRefusedText(const std::string& interfaceLanguage, std::uint32_t error,
                             const std::vector<platform::WaitingJob>& waiting = {});

// Every message was handed over, but the last could not be confirmed whole at the printer; the
// serial number as in DeliveryFailedText.
std::string UnconfirmedText(const std::string& interfaceLanguage, std::uint32_t error,
                            const std::string& serial, serials::SerialState serialState);

// The question before a serial number the record shows on a unit already is stamped again.
std::string SerialReuseQuestion(const std::string& interfaceLanguage, const std::string& serial,
                                const std::string& location, const std::string& nextFree);
// The status text after the operator answered No: nothing was sent.
std::string SerialReuseDeclinedText(const std::string& interfaceLanguage,
                                    const std::string& serial);
// The record cannot be written: the run stops before its first byte.
std::string RecordUnusableText(const std::string& interfaceLanguage, const std::string& location,
                               const std::string& reason);
// The run's entry could not be written to the record.
std::string RecordNotWrittenText(const std::string& interfaceLanguage, const std::string& location,
                                 const std::string& reason);
// Why the station may not run on its line now (nothing was sent).
// atStart: said when the window starts, before any run.
std::string LineProblemText(const std::string& interfaceLanguage,
                            const serials::LineProblem& problem, bool atStart = false);
// After a run: how many entries (and settlings) wait on the station for the line's database.
std::string LineWaitingText(const std::string& interfaceLanguage, int waiting);
// After a run: the serial number's state waits on the station for the line's ledger.
std::string SettleWaitingText(const std::string& interfaceLanguage, const std::string& serial,
                              serials::SerialState state);

}  // namespace bpconf::op
