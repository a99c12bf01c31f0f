#pragma once
// A set of enumeration values, the counterpart of a Pascal "set of TFontStyle".
// Members are held as bits by ordinal, so an enumeration used in a set must
// number its values from 0 upwards and have at most 64 of them.

#include <cassert>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <class E>
class TSet {
    static_assert(std::is_enum_v<E>, "TSet holds values of an enumeration");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E member : members) Include(member);
    }

    // The raw member bits (bit n = ordinal n); what the property registry stores.
    static constexpr TSet FromBits(std::uint64_t bits) {
        TSet result;
        result.FBits = bits;
        return result;
    }
    constexpr std::uint64_t Bits() const { return FBits; }

    constexpr bool Contains(E member) const { return (FBits & Bit(member)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }

    constexpr TSet& Include(E member) {
        FBits |= Bit(member);
        return *this;
    }
    constexpr TSet& Exclude(E member) {
        FBits &= ~Bit(member);
        return *this;
    }
    constexpr TSet& Clear() {
        FBits = 0;
        return *this;
    }

    // C++Builder spelling: Style << fsBold >> fsItalic.
    constexpr TSet& operator<<(E member) { return Include(member); }
    constexpr TSet& operator>>(E member) { return Exclude(member); }

    friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
    friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
    friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
    friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }

private:
    static constexpr std::uint64_t Bit(E member) {
        auto ordinal = static_cast<std::uint64_t>(static_cast<std::underlying_type_t<E>>(member));
        assert(ordinal < 64);
        return ordinal < 64 ? (std::uint64_t{1} << ordinal) : 0;
    }

    std::uint64_t FBits = 0;
};
