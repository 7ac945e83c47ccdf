#pragma once
#include <cstdint>

#include "model/enum_names.h"

namespace model {

// Logical commands; the names are also the receipt script's command names. Ordinals matter.
enum class TFpCommand : std::uint8_t {
  None,
  DateTimeGet,
  DateTimeSet,
  DiagnosticInfoGet,
  FpNumberGet,
  FiscalBonStart,
  FiscalBonStorno,
  FiscalBonEnd,
  FiscalBonCancel,
  FiscalBonItem,
  FiscalBonTotal,
  FiscalBonTextLine,
  FiscalBonNumberGet,
  QrCodeDataGet,
  XReport,
  ZReport,
  CashInOut,
  ReportPeriodShort,
  PaymentMethodCash,
  PaymentMethodCard,
  PaymentMethodDelayed,
  StornoReasonError,
  StornoReasonReturn,
  StornoReasonDecrease,
};

template <>
struct TEnumNames<TFpCommand> {
  static constexpr std::array<std::string_view, 24> Names = {
      "None",           "DateTimeGet",       "DateTimeSet",        "DiagnosticInfoGet", "FpNumberGet",
      "FiscalBonStart", "FiscalBonStorno",   "FiscalBonEnd",       "FiscalBonCancel",   "FiscalBonItem",
      "FiscalBonTotal", "FiscalBonTextLine", "FiscalBonNumberGet", "QrCodeDataGet",     "XReport",
      "ZReport",        "CashInOut",         "ReportPeriodShort",  "PaymentMethodCash", "PaymentMethodCard",
      "PaymentMethodDelayed", "StornoReasonError", "StornoReasonReturn", "StornoReasonDecrease"};
};

}  // namespace model
