#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "model/fp_command.h"
#include "model/fp_result.h"

namespace model {

// A vendor code: a byte (command and control codes) or a text (payment and storno codes), or null.
class TVendorCode {
public:
  TVendorCode() = default;
  TVendorCode(std::uint8_t value) : mValue(value) {}
  TVendorCode(int value) : mValue(static_cast<std::uint8_t>(value)) {}
  TVendorCode(std::string value) : mValue(std::move(value)) {}
  TVendorCode(const char* value) : mValue(std::string(value)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(mValue); }
  bool IsByte() const { return std::holds_alternative<std::uint8_t>(mValue); }
  bool IsText() const { return std::holds_alternative<std::string>(mValue); }
  // Numeric value; a text is converted (throws EConvertError when it is no number).
  long long AsInteger() const;
  // Text value; a byte is written in decimal.
  std::string AsText() const;
  // Numbers compare numerically, texts exactly; a number and a text compare as numbers.
  bool Equals(const TVendorCode& other) const;

private:
  std::variant<std::monostate, std::uint8_t, std::string> mValue;
};

template <class T>
class TFPVendorConst {
public:
  TFPVendorConst(T parCommand, TVendorCode parVendorCode) : Command(parCommand), VendorCode(std::move(parVendorCode)) {}
  T Command;
  TVendorCode VendorCode;
};

extern const char* const kUndefinedVendorCommand;  // "Недефинирана команда за вендора!"

// Ordered, owning, keys not unique (lookups see the first).
template <class T>
class TFPVendorConstList {
public:
  void Add(T parCommand, TVendorCode parVendorCode) {
    mList.push_back(std::make_unique<TFPVendorConst<T>>(parCommand, std::move(parVendorCode)));
  }
  void Clear() { mList.clear(); }
  std::size_t Count() const { return mList.size(); }
  // Throws std::runtime_error(kUndefinedVendorCommand) when nothing (or only null) is found.
  TVendorCode GetVendorCode(T parCommand) const;
  // Reverse lookup; ordinal 0 when no entry matches.
  T Get(const TVendorCode& parVendorCode) const;

private:
  std::vector<std::unique_ptr<TFPVendorConst<T>>> mList;
};

extern template class TFPVendorConstList<TFpCommand>;
extern template class TFPVendorConstList<TFpResultType>;

}  // namespace model
