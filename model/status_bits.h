#pragma once
#include <memory>
#include <string>
#include <vector>

namespace model {

class TFPStatusBit {
public:
  TFPStatusBit(std::string parCode, bool parIsSet, bool parIsForError, std::string parText,
               std::string parErrorResolveSuggestion);
  TFPStatusBit(std::string parCode, bool parIsForError, std::string parText, std::string parErrorResolveSuggestion = {});

  std::string Code;
  bool IsSet = false;
  bool IsForError = false;
  std::string Text;
  std::string ErrorCode;
  std::string ErrorText;
  std::string ErrorResolveSuggestion;
};

// Status bits in the order the driver added them; codes compare without regard to case.
class TFPStatusList {
public:
  // Adds an entry; a code already present is not added again.
  void Add(std::unique_ptr<TFPStatusBit> bit);
  void Add(const std::string& code, bool isForError, const std::string& text, const std::string& suggestion = {});
  std::size_t Count() const { return mBits.size(); }
  const TFPStatusBit& At(std::size_t i) const { return *mBits[i]; }
  TFPStatusBit* Find(const std::string& code);

  void SetStatusBit(const std::string& parCode, bool parIsSet);
  void SetStatusBit(const std::string& parCode, bool parIsSet, const std::string& parErrorCode,
                    const std::string& parErrorText, const std::string& parErrorResolveSuggestion);
  // Throws std::runtime_error("Не е намерен статус бит с код " + code) for an unknown code.
  bool StatusBitIsSet(const std::string& parCode) const;

  std::string GetStatusTexts() const;
  std::string GetErrors() const;
  std::string GetErrorResolveSuggestions() const;

private:
  std::vector<std::unique_ptr<TFPStatusBit>> mBits;
};

}  // namespace model
