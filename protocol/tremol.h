#pragma once
// Tremol fiscal printers: their own request/reply protocol over the serial line or TCP.
//   request          02 LEN SEQ CMD data CS CS 0A      (LEN = 0x20 + 3 + n)
//   acknowledgement  06 SEQ A B CS CS 0A               (A = device state, B = outcome of the command)
//   data reply       02 LEN SEQ CMD data CS CS 0A
// CS CS: exclusive-or of every byte from LEN (or SEQ) to the end of the data, as two nibbles + 0x30,
// high nibble first. While working the device sends 0x0E wait bytes; 0x15 refuses a request.
//
// CashInOut and ReportPeriodShort are not provided: the base raises the abstract-call error.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/fp_basic.h"

namespace protocol {

using driver::TFpResult;
using driver::TFpResultPtr;
using model::TDateTime;

class TFPTremol final : public driver::TFpSimple {
public:
  using driver::TFpBasic::SendCommand;
  using driver::TFpBasic::SetDateTime;

  static constexpr std::size_t kFrameBufferSize = 256;
  static constexpr std::size_t kReceiveBufferSize = 256;
  // The length byte 0x20 + 3 + n must stay within one byte.
  static constexpr std::size_t kMaxRequestData = 0xFF - 0x20 - 3;

  TFPTremol();

  void InitVendorData() override;  // 0
  TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                              const std::string& parUnp) override;
  TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                               const std::string& parUnp, const std::string& parStornoReason,
                               const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                               const std::string& parStornoFpMem) override;
  TFpResultPtr FiscalBonItem(const std::string& parText1, const std::string& parText2,
                             const std::string& parDepartment, long double parPrice,
                             long double parQuantity) override;
  TFpResultPtr FiscalBonTotal(const std::string& parText1, const std::string& parText2,
                              const std::string& parPaymentCode, long double parAmount) override;
  TFpResultPtr FiscalBonEnd() override;
  TFpResultPtr FiscalBonCancel() override;
  TFpResultPtr XReport() override;
  TFpResultPtr ZReport() override;

  // 12: the exchange. Device-side failures go into Result; transport errors propagate.
  void SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result, bool parFast) override;
  // 13: "FpNo;FpMem" from the number request.
  TFpResultPtr GetStatus(bool parFast) override;
  // 15: the device has no clock-setting command here, so this ends in the vendor-command error.
  void SetDateTime(TDateTime parDateTime, TFpResult& parResult) override;
  // 17: the frame in [parStart, parCount): an acknowledgement's status or a data frame's text.
  void ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                     TFpResult& Result) override;

  // ---- protocol pieces, public for tests ----
  // Exclusive-or of the bytes, as two characters 0x30 + nibble, high nibble first.
  static std::array<std::uint8_t, 2> CalcChecksum(const std::uint8_t* parBytes, std::size_t parCount);
  // Writes the request frame into a zero-filled kFrameBufferSize buffer and returns its length (n + 7).
  // parData is already in the ANSI code page. Throws std::length_error beyond kMaxRequestData bytes.
  static std::size_t BuildFrame(std::uint8_t* parBuffer, int parSequenceNo, std::uint8_t parCommand,
                                const std::string& parData);
  // Judges the c bytes read for the request with that sequence number.
  void ParseAnswer(const std::uint8_t* parBuffer, std::size_t parCount, int parSequenceNo, TFpResult& Result);
  // Status characters a (device state) and b (outcome of the command) of an acknowledgement.
  static void DecodeAnswerStatus(std::uint8_t parStatusA, std::uint8_t parStatusB, TFpResult& Result);

private:
  std::uint8_t ResultByte(model::TFpResultType parType) const;
  // Whether the r bytes from the frame start form one frame answering that sequence number.
  bool FrameIsValid(const std::uint8_t* parFrame, std::size_t parLength, int parSequenceNo) const;
  // Whether the bytes read so far hold everything the frame at their start announces.
  bool ReplyIsComplete(const std::uint8_t* parBuffer, std::size_t parCount) const;
  // One reply loop: reads until a complete answer, the wait bytes run out of passes, or silence.
  void ReceiveAnswer(int parSequenceNo, TFpResult& Result);
  TFpResultPtr SendNew(model::TFpCommand parCommand, const std::string& parData);

  static const char* StateText(std::uint8_t parStatusA);
  static const char* OutcomeText(std::uint8_t parStatusB);
};

}  // namespace protocol
