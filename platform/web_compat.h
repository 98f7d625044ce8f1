// What the web compiler's C++ library (Emscripten 3.1.6) still lacks of
// C++20, given to every source of the web build ahead of its own includes.
#pragma once

#include <bit>
#include <cstring>
#include <type_traits>

#if !defined(__cpp_lib_bit_cast)
namespace std {
// Copies the bytes of from into a To of the same size.
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
