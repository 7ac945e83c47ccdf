#pragma once
// Declared names of the enumerations, for StrToEnum/EnumToStr.
#include <array>
#include <cstdint>
#include <string_view>

namespace model {

template <class T>
struct TEnumNames;  // specialised beside each enumeration: static constexpr std::array<std::string_view, N> Names

}  // namespace model
