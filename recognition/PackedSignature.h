// A turn signature kept in a result without a heap block of its own: its 100 "L" and "R"
// characters as 100 bits, a set bit for "R". A pass keeps one for every traced region, so on a
// page of noise these are hundreds of thousands. Empty until a signature is stored.
#pragma once

#include "recognition/SignatureLength.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class PackedSignature
{
public:
    PackedSignature() = default;
    // Throws std::invalid_argument unless signature is kSignatureLength characters "L" or "R".
    explicit PackedSignature(std::string_view signature);

    bool empty() const { return !m_stored; }
    // The characters again; "" when empty.
    std::string text() const;
    // The characters into `out`, which has room for kSignatureLength of them, without a heap
    // block; gives how many were written (0 when empty).
    std::size_t write(char *out) const;

    friend bool operator==(const PackedSignature &, const PackedSignature &) = default;

private:
    std::array<std::uint8_t, (kSignatureLength + 7) / 8> m_bits {};
    bool m_stored = false;
};
