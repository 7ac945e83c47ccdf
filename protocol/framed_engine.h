#pragma once
// The framed request/response protocol of the Daisy, Datecs and Eltrade devices:
//   request  01 LEN SEQ CMD data 05 CS CS CS CS 03        (LEN = 0x20 + 4 + n)
//   response 01 LEN SEQ CMD data 04 S0..S5 05 CS CS CS CS 03 (LEN = 0x20 + 11 + n)
// Checksum: 16-bit sum from LEN through 05, sent as four nibbles + 0x30, most significant first.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/fp_basic.h"

namespace protocol {

using driver::TFpResult;
using driver::TFpResultPtr;
using model::TDateTime;

class TFPBaisicDaisyDatecs : public driver::TFpSimple {
public:
  using driver::TFpBasic::SendCommand;

  static constexpr std::size_t kFrameBufferSize = 256;
  static constexpr std::size_t kReplyBufferSize = 1001;

  // 5 to 10: the receipt operations common to the family.
  TFpResultPtr FiscalBonTotal(const std::string& parText1, const std::string& parText2,
                              const std::string& parPaymentCode, long double parAmount) override;
  TFpResultPtr FiscalBonEnd() override;
  TFpResultPtr FiscalBonCancel() override;
  TFpResultPtr CashInOut(long double parAmount) override;
  TFpResultPtr XReport() override;
  TFpResultPtr ZReport() override;

  // 12: the exchange.
  void SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result, bool parFast) override;
  // 17
  void ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                     TFpResult& Result) override;
  // 18: base version sets every "byte.bit" status bit and fills StatusCode/StatusText/StatusErrors.
  virtual void DecodeStatusBytes(TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount);
  // 19: writes the request frame into a zero-filled kFrameBufferSize buffer; returns its length.
  //     parData is already in the ANSI code page. Throws when the data cannot be framed.
  virtual std::size_t BuildRequestFrame(std::uint8_t* parBuffer, int parSequenceNo, std::uint8_t parCommand,
                                        const std::string& parData);
  // 20: whether bytes [parStart, parCount) are exactly one reply frame for that sequence number;
  //     sets fprErrorInResponse when not.
  virtual bool ValidateResponseFrame(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                                     int parSequenceNo, TFpResult& Result);

  // Checksum helpers (also used by the family-C frame).
  static std::uint32_t EncodeChecksum(std::uint16_t parSum, std::uint8_t parBase);
  static std::uint16_t DecodeChecksum(std::uint32_t parValue, std::uint8_t parBase);
  static std::uint32_t RangeChecksum(const std::uint8_t* parBuffer, std::size_t parFrom, std::ptrdiff_t parTo);
  // Largest data length BuildRequestFrame accepts.
  virtual std::size_t MaxRequestData() const { return 219; }

protected:
  // Classifies the accumulated reply; validates and parses a frame.
  void InterpretResponse(int parSequenceNo, const std::uint8_t* parBuffer, std::size_t parCount, TFpResult& Result);
  std::uint8_t WaitCode() const;
  std::uint8_t CommandErrorCode() const;
};

}  // namespace protocol
