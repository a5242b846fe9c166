#pragma once
// Checked conversion of enumeration values read from outside text (a column
// stream, a settings text, a dataset file). Casting a number that names no
// member to an enumeration is undefined behaviour, and a set with bits beyond
// its members is a value no code expects, so such input goes through these
// functions, which refuse what is out of range.
//
// An enumeration that is read this way declares its range once, next to its
// definition (in namespace zdb):
//
//   ZDB_ENUM_RANGE(TMarker, tmDescend);         // sequential members 0 .. tmDescend
//   ZDB_FLAG_RANGE(TIndexOption, ixPrimary | ixUnique | ...);  // members that are bits
//
// Reading an enumeration without a declared range does not compile.

#include <QFlags>

#include <cstdint>
#include <optional>

namespace zdb {

template <typename E>
struct TEnumRange; // declared per enumeration by the macros below

#define ZDB_ENUM_RANGE(E, LastMember)                                                                          \
    template <>                                                                                                \
    struct TEnumRange<E> {                                                                                     \
        static constexpr std::int64_t Last = std::int64_t(LastMember);                                         \
        static constexpr std::uint64_t Mask =                                                                  \
            Last >= 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (Last + 1)) - 1;                            \
    }

#define ZDB_FLAG_RANGE(E, Members)                                                                             \
    template <>                                                                                                \
    struct TEnumRange<E> {                                                                                     \
        static constexpr std::uint64_t Mask = std::uint64_t(Members);                                          \
    }

// The member of a sequential enumeration with number Value; none when no member has it.
template <typename E>
std::optional<E> CheckedEnum(std::int64_t Value)
{
    if (Value < 0 || Value > TEnumRange<E>::Last)
        return std::nullopt;
    return E(Value);
}

// Whether Bits holds only members of a set over a sequential enumeration (bit i
// standing for member i).
template <typename E>
constexpr bool CheckedSetBits(std::uint64_t Bits)
{
    return (Bits & ~TEnumRange<E>::Mask) == 0;
}

// The flags of a flag enumeration held in Value; none when Value holds another bit.
template <typename E>
std::optional<QFlags<E>> CheckedFlags(std::int64_t Value)
{
    if (Value < 0 || (std::uint64_t(Value) & ~TEnumRange<E>::Mask) != 0)
        return std::nullopt;
    return QFlags<E>::fromInt(typename QFlags<E>::Int(Value));
}

} // namespace zdb
