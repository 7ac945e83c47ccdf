#pragma once
// What the device prints, as plain UTF-8 text 40 characters wide: receipts, service cash slips and
// reports. Each printout ends with a blank line so a roll file reads like the paper.
#include <string>

#include "emulator/receipt_book.h"

namespace emulator {

constexpr int kRollWidth = 40;

std::string RenderReceipt(const TReceipt& receipt, const TIdentity& device);
std::string RenderCashSlip(TCents amount, TCents cashAfter, const TCivilTime& at, const TIdentity& device);
std::string RenderDayReport(bool zeroing, long zNumber, const TDayTotals& day, TCents cash, const TCivilTime& at,
                            const TIdentity& device);
std::string RenderPeriodReport(const TCivilTime& from, const TCivilTime& to, long zReports, const TCivilTime& at,
                               const TIdentity& device);

// "05.03.2024 14:07:09"
std::string RollDateTime(const TCivilTime& t);

}  // namespace emulator
