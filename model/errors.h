#pragma once
// Error kinds raised by the system. The run flow prints the kind's name when an error escapes the entry.
#include <stdexcept>
#include <string>

namespace model {

class ERuvexError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  virtual const char* KindName() const { return "Exception"; }
};
// Bad number, integer or date text.
class EConvertError : public ERuvexError {
public:
  using ERuvexError::ERuvexError;
  const char* KindName() const override { return "EConvertError"; }
};
// A field index beyond the fields present: "List index out of bounds (%d)".
class EListError : public ERuvexError {
public:
  using ERuvexError::ERuvexError;
  const char* KindName() const override { return "EListError"; }
};
// A driver operation the device family does not provide.
class EAbstractError : public ERuvexError {
public:
  using ERuvexError::ERuvexError;
  const char* KindName() const override { return "EAbstractError"; }
};
// Files, ports, sockets.
class EInOutError : public ERuvexError {
public:
  using ERuvexError::ERuvexError;
  const char* KindName() const override { return "EInOutError"; }
};

// "List index out of bounds (n)"
[[noreturn]] void ThrowListIndex(int index);

}  // namespace model
