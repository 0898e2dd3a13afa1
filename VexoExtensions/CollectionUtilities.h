#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <iterator>
#include <optional>
#include <ranges>
#include <type_traits>
#include <utility>
#include <vector>

// Safe and ordered access to sequences (std::vector, QList, std::array, ...): every function takes
// the container as its first argument and signed indices, so that negative indices are simply
// out of range.
namespace brisquel::vexo {

// --- safe access and index checks --------------------------------------------------------------

// The element at index, or none when index is negative or not less than the count (the safe
// subscript).
template <std::ranges::random_access_range C>
auto safeAt(const C& container, std::ptrdiff_t index) -> std::optional<std::ranges::range_value_t<C>> {
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(std::ranges::size(container)))
        return std::nullopt;
    return *(std::ranges::begin(container) + index);
}

// true when 0 <= index < count.
template <std::ranges::sized_range C> bool isValidIndex(const C& container, std::ptrdiff_t index) {
    return index >= 0 && index < static_cast<std::ptrdiff_t>(std::ranges::size(container));
}

// With orGreater: true when index + 1 >= count; without: true only when index + 1 == count.
// (Computed without index + 1, so the largest index does not overflow.)
template <std::ranges::sized_range C>
bool isLastIndex(const C& container, std::ptrdiff_t index, bool orGreater) {
    const auto last = static_cast<std::ptrdiff_t>(std::ranges::size(container)) - 1;
    return orGreater ? index >= last : index == last;
}

// With orLess: true when index < 1; without: true only when index == 0.
template <std::ranges::sized_range C> bool isFirstIndex(const C&, std::ptrdiff_t index, bool orLess) {
    return orLess ? index < 1 : index == 0;
}

// --- ordered sort ------------------------------------------------------------------------------

// Sorts elements by where they first appear in order (compared with ==). Elements missing from
// order sort first when unknownToStart is true; otherwise their key is the number of elements
// being sorted, so they land after those found at smaller positions of order. Stable: equal keys
// keep their relative order.
//     sortedBy({c, x, a}, {a, b, c}, false) == {a, c, x}
template <typename C, typename Order>
requires std::equality_comparable_with<std::ranges::range_value_t<C>, std::ranges::range_value_t<Order>>
void sortBy(C& container, const Order& order, bool unknownToStart) {
    using Value = std::ranges::range_value_t<C>;
    const auto count = static_cast<std::ptrdiff_t>(std::ranges::size(container));
    std::vector<std::pair<std::ptrdiff_t, Value>> keyed;
    keyed.reserve(static_cast<std::size_t>(count));
    for (auto& element : container) {
        std::ptrdiff_t key = unknownToStart ? 0 : count;
        std::ptrdiff_t position = 0;
        for (const auto& candidate : order) {
            if (element == candidate) {
                key = position;
                break;
            }
            ++position;
        }
        keyed.emplace_back(key, std::move(element));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    auto out = std::ranges::begin(container);
    for (auto& [key, value] : keyed)
        *out++ = std::move(value);
}

template <typename C, typename Order>
requires std::equality_comparable_with<std::ranges::range_value_t<C>, std::ranges::range_value_t<Order>>
    C sortedBy(C container, const Order& order, bool unknownToStart) {
    sortBy(container, order, unknownToStart);
    return container;
}

// Brace-list forms: sortedBy(names, {"a", "b"}, false).
template <typename C>
C sortedBy(C container, std::initializer_list<std::ranges::range_value_t<C>> order, bool unknownToStart) {
    sortBy(container, order, unknownToStart);
    return container;
}

// --- smallest and largest ----------------------------------------------------------------------

template <typename T> struct MinMax {
    T min;
    T max;
    friend bool operator==(const MinMax&, const MinMax&) = default;
};

// The smallest and the largest element (by <), or none for an empty sequence.
template <std::ranges::input_range C>
requires std::totally_ordered<std::ranges::range_value_t<C>>
auto range(const C& container) -> std::optional<MinMax<std::ranges::range_value_t<C>>> {
    auto it = std::ranges::begin(container);
    const auto end = std::ranges::end(container);
    if (it == end)
        return std::nullopt;
    MinMax<std::ranges::range_value_t<C>> result{*it, *it};
    for (++it; it != end; ++it) {
        if (*it < result.min)
            result.min = *it;
        if (result.max < *it)
            result.max = *it;
    }
    return result;
}

// --- optional values ---------------------------------------------------------------------------

// A value that may hold a Wrapped value: the customization point is a free function
// asOptional(value) returning std::optional<Wrapped>, found by argument-dependent lookup or
// below. std::optional gives itself; a pointer gives the value it points to, or none for null.
template <typename T> std::optional<T> asOptional(const std::optional<T>& value) {
    return value;
}

template <typename T> std::optional<std::remove_cv_t<T>> asOptional(T* pointer) {
    return pointer ? std::optional<std::remove_cv_t<T>>(*pointer) : std::nullopt;
}

template <typename E>
concept OptionalConvertible = requires(const E& e) {
    { asOptional(e) } -> std::same_as<std::optional<typename decltype(asOptional(e))::value_type>>;
};

// The present values of a sequence of optionals, in order.
//     compacted(std::vector<std::optional<int>>{1, std::nullopt, 3}) == {1, 3}
template <std::ranges::input_range C>
requires OptionalConvertible<std::ranges::range_value_t<C>>
auto compacted(const C& sequence) {
    using Wrapped = typename decltype(asOptional(*std::ranges::begin(sequence)))::value_type;
    std::vector<Wrapped> result;
    for (const auto& element : sequence) {
        if (auto value = asOptional(element))
            result.push_back(std::move(*value));
    }
    return result;
}

} // namespace brisquel::vexo
