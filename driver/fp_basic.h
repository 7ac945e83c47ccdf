#pragma once
// The abstract fiscal-device driver: transport (serial or TCP), vendor tables, status bits and the
// virtual operations that the script interpreter, the run flow and discovery call.
//
// Concrete drivers are `final` and call InitVendorData() first in their constructor body (a virtual
// call from the base constructor would not reach them).
//
// A class that overrides one overload of SendCommand or SetDateTime must bring the others back into
// scope with `using TFpBasic::SendCommand;` / `using TFpBasic::SetDateTime;`.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "model/baud_rate.h"
#include "model/date_time.h"
#include "model/device_info.h"
#include "model/fp_command.h"
#include "model/fp_result.h"
#include "model/status_bits.h"
#include "model/vendor_const.h"
#include "platform/serial_port.h"
#include "platform/tcp_client.h"

namespace driver {

using model::TDateTime;
using model::TFpResult;
using TFpResultPtr = std::unique_ptr<TFpResult>;

class TFpBasic {
public:
  TFpBasic();
  virtual ~TFpBasic();
  TFpBasic(const TFpBasic&) = delete;
  TFpBasic& operator=(const TFpBasic&) = delete;

  // ---- virtual operations, in slot order ----
  virtual void InitVendorData() = 0;                                                    // 0
  virtual TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                      const std::string& parUnp);                       // 1
  virtual TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                       const std::string& parUnp, const std::string& parStornoReason,
                                       const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                                       const std::string& parStornoFpMem);              // 2
  virtual TFpResultPtr FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                     const std::string& parDepartment, long double parPrice,
                                     long double parQuantity);                          // 3
  virtual TFpResultPtr FiscalBonTextLine(const std::string& parText);                   // 4
  virtual TFpResultPtr FiscalBonTotal(const std::string& parText1, const std::string& parText2,
                                      const std::string& parPaymentCode, long double parAmount);  // 5
  virtual TFpResultPtr FiscalBonEnd();                                                  // 6
  virtual TFpResultPtr FiscalBonCancel();                                               // 7
  virtual TFpResultPtr CashInOut(long double parAmount);                                // 8
  virtual TFpResultPtr XReport();                                                       // 9
  virtual TFpResultPtr ZReport();                                                       // 10
  virtual TFpResultPtr ReportPeriodShort(TDateTime parFrom, TDateTime parTo);           // 11
  // 12: base body records RequestRaw ("0x" + 4 hex digits + ": " + data); engines call it first.
  virtual void SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result, bool parFast);
  virtual TFpResultPtr GetStatus(bool parFast) = 0;                                     // 13
  virtual TDateTime GetDateTime();                                                      // 14
  virtual void SetDateTime(TDateTime parDateTime, TFpResult& parResult);                // 15
  virtual bool CheckModel(const TFpResult& parFpResult);                                // 16

  // ---- command dispatch and clock ----
  // Looks the vendor byte up in the command table (throws "Недефинирана команда за вендора!").
  void SendCommand(model::TFpCommand parCommand, const std::string& parData, TFpResult& Result, bool parFast);
  // Fixed positions YYYY-MM-DD HH:MM[:SS]; empty = now. Throws on malformed text.
  TFpResultPtr SetDateTime(const std::string& parDateTime);

  // ---- receipt script ----
  // Runs the script text line by line; never throws.
  TFpResultPtr SendFile(const std::string& parFile, TDateTime parFpDateTime);

  // ---- configuration and transport ----
  void Init(const std::string& parComPort, const std::string& parBaudRate);
  // Lends an (open or closed) port; it stays the caller's.
  void Init(platform::ISerialPort* parCom);
  void Init(const std::string& parIpAddress, int parIpPort);
  void FreeCom();

  static std::unique_ptr<platform::ISerialPort> CreatePort(const std::string& parComPort, model::TBaudRate parBaudRate);
  static model::TBaudRate GetBaudRateFromString(const std::string& parBaudRate);

  bool OpenPort();  // never throws
  void ClosePort();
  void ClearBuffers();
  // Open first when closed; throw model::EInOutError when no transport can be opened.
  void Write(const std::uint8_t* Buffer, std::size_t Count);
  std::size_t Read(std::uint8_t* Buffer, std::size_t Count);

  // ---- read access for discovery, the interpreter and tests ----
  bool IsConnected() const { return mIsConnected; }
  bool IsIpComm() const { return mIsIpComm; }
  const std::string& ComPort() const { return mComPort; }
  model::TBaudRate ComBaudRate() const { return mComBaudRate; }
  const std::string& VendorLetters() const { return mFpVendorLetters; }
  const std::string& DefaultOperatorCode() const { return mDefaultOperatorCode; }
  const std::string& DefaultPassword() const { return mDefaultPassword; }
  const std::string& DefaultOperatorStornoCode() const { return mDefaultOperatorStornoCode; }
  const std::string& DefaultStornoPassword() const { return mDefaultStornoPassword; }
  const model::TFPVendorConstList<model::TFpCommand>& CommandTable() const { return mCommandTable; }
  const model::TFPVendorConstList<model::TFpResultType>& ResultTable() const { return mResultTable; }
  const model::TFPStatusList& StatusList() const { return mStatusList; }

  model::TFpDeviceType FpType = model::TFpDeviceType::fpdtNone;

protected:
  // Raises the abstract-call error for an operation this family does not provide.
  [[noreturn]] static void Abstract(const char* operation);
  // Sends one logical command with full retries into a new result, which the caller owns.
  TFpResultPtr Send(model::TFpCommand parCommand, const std::string& parData);
  // New result with fprError, the message and the computer name in FpNo (GetStatus's exception path).
  static void FillExceptionResult(TFpResult& result, const std::string& message);

  bool mIsIpComm = false;
  bool mFreeCommOnDestroy = false;
  std::unique_ptr<platform::ITcpClient> TcpClient;
  platform::ISerialPort* Com = nullptr;        // owned through mOwnedCom when mFreeCommOnDestroy
  std::unique_ptr<platform::ISerialPort> mOwnedCom;
  std::string mComPort;
  model::TBaudRate mComBaudRate = model::br9600;
  std::string mIpAddress;
  int mIpPort = 0;
  bool mIsConnected = false;
  std::string mFpNo;
  std::string mFpVendorLetters;
  std::string mDefaultOperatorCode;
  std::string mDefaultPassword;
  std::string mDefaultOperatorStornoCode;
  std::string mDefaultStornoPassword;
  model::TFPVendorConstList<model::TFpCommand> mCommandTable;
  model::TFPVendorConstList<model::TFpResultType> mResultTable;
  model::TFPStatusList mStatusList;
};

// Adds the frame sequence number shared by both protocol engines.
class TFpSimple : public TFpBasic {
public:
  using TFpBasic::SendCommand;
  int SequenceNo() const { return mSequenceNo; }

  // Fills the result from a received frame.
  virtual void ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                             TFpResult& Result) = 0;  // 17

protected:
  // 2, 3, ..., 200, 1, 2, ...
  void NextSequenceNo() { mSequenceNo = mSequenceNo + 1 > 200 ? 1 : mSequenceNo + 1; }
  int mSequenceNo = 1;
};

}  // namespace driver
