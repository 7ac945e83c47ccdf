#pragma once
// What the Datecs families A and B have in common: the command table apart from the storno reason
// codes, the status request with the model name, the model check against a "|model|" list, the sale
// item layout and the receipt-open flag read from the previous reply's bits.
#include <initializer_list>
#include <string>
#include <vector>

#include "protocol/framed_engine.h"

namespace devices {

using driver::TFpResultPtr;
using model::TDateTime;

// Fills FpModel, FpNo and FpMem from a Datecs diagnostic-info reply of exactly six ","-separated
// fields (model, ..., device number, fiscal-memory number); any other reply leaves them unset.
void ApplyDatecsDiagnosticInfo(model::TFpResult& Result);

// The storno document date-time as the Datecs devices take it: DDMMYYYYHHMM.
std::string DatecsStornoDateTime(model::TDateTime parDateTime);

class TFpDatecsAB : public protocol::TFPBaisicDaisyDatecs {
public:
  TFpResultPtr FiscalBonItem(const std::string& parText1, const std::string& parText2,
                             const std::string& parDepartment, long double parPrice,
                             long double parQuantity) override;
  TFpResultPtr GetStatus(bool parFast) override;
  // Case-sensitive: the model, enclosed in "|", must occur in the model list; an empty model never does.
  bool CheckModel(const model::TFpResult& parFpResult) override;
  void DecodeStatusBytes(model::TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) override;

  const std::string& ModelList() const { return mModelList; }

protected:
  // parBonOpenBits: the status bits that mean a receipt of some kind is open.
  TFpDatecsAB(std::string parModelList, std::initializer_list<const char*> parBonOpenBits);
  // Vendor letters, default operator, command and result tables; the storno reason codes differ per family.
  void InitDatecsTables(const std::string& parDefaultPassword, const char* parStornoError,
                        const char* parStornoReturn, const char* parStornoDecrease);
  // A receipt-open flag for a new reply reflects the bits as the previous reply left them.
  bool PreviousReplyHadBonOpen() const;

  std::string mModelList;

private:
  std::vector<std::string> mBonOpenBits;
};

}  // namespace devices
