#include "model/status_bits.h"

#include "model/errors.h"
#include "model/text.h"

namespace model {

TFPStatusBit::TFPStatusBit(std::string parCode, bool parIsSet, bool parIsForError, std::string parText,
                           std::string parErrorResolveSuggestion)
    : Code(std::move(parCode)),
      IsSet(parIsSet),
      IsForError(parIsForError),
      Text(std::move(parText)),
      ErrorResolveSuggestion(std::move(parErrorResolveSuggestion)) {}

TFPStatusBit::TFPStatusBit(std::string parCode, bool parIsForError, std::string parText,
                           std::string parErrorResolveSuggestion)
    : TFPStatusBit(std::move(parCode), false, parIsForError, std::move(parText), std::move(parErrorResolveSuggestion)) {}

void TFPStatusList::Add(std::unique_ptr<TFPStatusBit> bit) {
  if (!bit || Find(bit->Code)) return;
  mBits.push_back(std::move(bit));
}

void TFPStatusList::Add(const std::string& code, bool isForError, const std::string& text,
                        const std::string& suggestion) {
  Add(std::make_unique<TFPStatusBit>(code, isForError, text, suggestion));
}

TFPStatusBit* TFPStatusList::Find(const std::string& code) {
  for (auto& bit : mBits)
    if (IEquals(bit->Code, code)) return bit.get();
  return nullptr;
}

void TFPStatusList::SetStatusBit(const std::string& parCode, bool parIsSet) {
  if (TFPStatusBit* bit = Find(parCode)) bit->IsSet = parIsSet;
}

void TFPStatusList::SetStatusBit(const std::string& parCode, bool parIsSet, const std::string& parErrorCode,
                                 const std::string& parErrorText, const std::string& parErrorResolveSuggestion) {
  TFPStatusBit* bit = Find(parCode);
  if (!bit) return;
  bit->IsSet = parIsSet;
  bit->ErrorCode = parErrorCode;
  bit->ErrorText = parErrorText;
  bit->ErrorResolveSuggestion = parErrorResolveSuggestion;
}

bool TFPStatusList::StatusBitIsSet(const std::string& parCode) const {
  for (const auto& bit : mBits)
    if (IEquals(bit->Code, parCode)) return bit->IsSet;
  throw ERuvexError("Не е намерен статус бит с код " + parCode);
}

std::string TFPStatusList::GetStatusTexts() const {
  std::string s;
  for (const auto& bit : mBits)
    if (bit->IsSet) s.append(" ").append(bit->Text).append("\r\n");
  return s;
}

std::string TFPStatusList::GetErrors() const {
  std::string s;
  for (const auto& bit : mBits) {
    if (!bit->IsForError || !bit->IsSet) continue;
    s.append(" ").append(bit->Text).append(" \r\n");
    if (!bit->ErrorCode.empty()) s.append(bit->ErrorCode).append(" ");
    if (!bit->ErrorText.empty()) s.append(bit->ErrorText).append(" ");
    s.append("\r\n");
  }
  return s;
}

std::string TFPStatusList::GetErrorResolveSuggestions() const {
  std::string s;
  for (const auto& bit : mBits)
    if (bit->IsForError && bit->IsSet && !bit->ErrorResolveSuggestion.empty())
      s.append(bit->ErrorResolveSuggestion).append("\r\n");
  return s;
}

}  // namespace model
