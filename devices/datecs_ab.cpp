#include "devices/datecs_ab.h"
#include "devices/status_rows.h"

#include <exception>
#include <utility>

#include "model/date_time.h"
#include "model/fp_util.h"
#include "model/text.h"

namespace devices {

using model::TFpCommand;
using model::TFpResult;
using model::TFpUtil;

namespace {

// In device order; the storno reason codes follow, per family.
const TCommandRow kCommonCommands[] = {
    {TFpCommand::DateTimeGet, 0x3E},
    {TFpCommand::DateTimeSet, 0x3D},
    {TFpCommand::FiscalBonStart, 0x30},
    {TFpCommand::FiscalBonStorno, 0x2E},
    {TFpCommand::FiscalBonItem, 0x31},
    {TFpCommand::FiscalBonTotal, 0x35},
    {TFpCommand::FiscalBonTextLine, 0x36},
    {TFpCommand::FiscalBonEnd, 0x38},
    {TFpCommand::FiscalBonCancel, 0x3C},
    {TFpCommand::DiagnosticInfoGet, 0x5A},
    {TFpCommand::FiscalBonNumberGet, 0x71},
    {TFpCommand::XReport, 0x45},
    {TFpCommand::ZReport, 0x45},
    {TFpCommand::CashInOut, 0x46},
    {TFpCommand::PaymentMethodCash, "P"},
    {TFpCommand::PaymentMethodCard, "C"},
    {TFpCommand::PaymentMethodDelayed, "N"},
};

}  // namespace

void ApplyDatecsDiagnosticInfo(TFpResult& Result) {
  if (Result.ResponseRaw.empty()) return;
  auto fields = model::SplitAll(Result.ResponseRaw, ",");
  if (fields.size() != 6) return;
  Result.FpModel = model::Trim(fields[0]);
  Result.FpNo = model::Trim(fields[4]);
  Result.FpMem = model::Trim(fields[5]);
}

std::string DatecsStornoDateTime(model::TDateTime parDateTime) {
  return model::FormatDateTime(parDateTime, "DDMMYYYYHHNN");
}

TFpDatecsAB::TFpDatecsAB(std::string parModelList, std::initializer_list<const char*> parBonOpenBits)
    : mModelList(std::move(parModelList)), mBonOpenBits(parBonOpenBits.begin(), parBonOpenBits.end()) {}

void TFpDatecsAB::InitDatecsTables(const std::string& parDefaultPassword, const char* parStornoError,
                                   const char* parStornoReturn, const char* parStornoDecrease) {
  mFpVendorLetters = "DT";
  mDefaultOperatorCode = "1";
  mDefaultPassword = parDefaultPassword;
  AddCommandRows(mCommandTable, kCommonCommands);
  mCommandTable.Add(TFpCommand::StornoReasonError, parStornoError);
  mCommandTable.Add(TFpCommand::StornoReasonReturn, parStornoReturn);
  mCommandTable.Add(TFpCommand::StornoReasonDecrease, parStornoDecrease);
  mResultTable.Add(model::fprCommandError, 0x15);
  mResultTable.Add(model::fprWait, 0x16);
}

TFpResultPtr TFpDatecsAB::FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                        const std::string& parDepartment, long double parPrice,
                                        long double parQuantity) {
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::FiscalBonItem,
              parText1 + "\n" + parText2 + "\t" + parDepartment + TFpUtil::FloatToStr(parPrice) + "*" +
                  TFpUtil::FloatToStr(parQuantity),
              *result, false);
  return result;
}

TFpResultPtr TFpDatecsAB::GetStatus(bool parFast) {
  auto result = std::make_unique<TFpResult>();
  try {
    SendCommand(TFpCommand::DiagnosticInfoGet, "", *result, parFast);
  } catch (const std::exception& e) {
    FillExceptionResult(*result, e.what());
  }
  ApplyDatecsDiagnosticInfo(*result);
  return result;
}

bool TFpDatecsAB::CheckModel(const TFpResult& parFpResult) {
  if (parFpResult.FpModel.empty()) return false;
  return mModelList.find("|" + parFpResult.FpModel + "|") != std::string::npos;
}

bool TFpDatecsAB::PreviousReplyHadBonOpen() const {
  for (const auto& code : mBonOpenBits)
    if (mStatusList.StatusBitIsSet(code)) return true;
  return false;
}

void TFpDatecsAB::DecodeStatusBytes(TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) {
  Result.FpIsBonOpen = PreviousReplyHadBonOpen();
  TFPBaisicDaisyDatecs::DecodeStatusBytes(Result, parStatus, parCount);
}

}  // namespace devices
