// Checked integer conversions: values from files and options saturate at the
// bounds of the target type instead of wrapping, so an out-of-range number
// never turns into an unrelated small one.
#pragma once

#include <limits>
#include <type_traits>
#include <utility>

namespace zvk {

// The integer as To, clamped to To's range.
template <typename To, typename From>
constexpr To saturate_cast(From value) noexcept {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
    if (std::cmp_less(value, std::numeric_limits<To>::min())) return std::numeric_limits<To>::min();
    if (std::cmp_greater(value, std::numeric_limits<To>::max())) return std::numeric_limits<To>::max();
    return static_cast<To>(value);
}

// The float truncated toward zero into an unsigned type: NaN, zero and
// negative values give 0, values at or beyond 2^digits the maximum.
template <typename To>
constexpr To saturate_from_float(float value) noexcept {
    static_assert(std::is_unsigned_v<To>);
    // 2^digits, exact as a float for every unsigned type.
    constexpr float kBeyond = static_cast<float>(To{1} << (std::numeric_limits<To>::digits - 1)) * 2.0f;
    if (!(value > 0.0f)) return 0;
    if (value >= kBeyond) return std::numeric_limits<To>::max();
    return static_cast<To>(value);
}

// a + b and a × b, the maximum on overflow.
template <typename T>
constexpr T saturating_add(T a, T b) noexcept {
    static_assert(std::is_unsigned_v<T>);
    T r{};
    if (__builtin_add_overflow(a, b, &r)) return std::numeric_limits<T>::max();
    return r;
}

template <typename T>
constexpr T saturating_mul(T a, T b) noexcept {
    static_assert(std::is_unsigned_v<T>);
    T r{};
    if (__builtin_mul_overflow(a, b, &r)) return std::numeric_limits<T>::max();
    return r;
}

}  // namespace zvk
