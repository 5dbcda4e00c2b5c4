#include "recognition/PackedSignature.h"

#include <cstring>
#include <stdexcept>

PackedSignature::PackedSignature(std::string_view signature)
{
    if (signature.size() != std::size_t(kSignatureLength))
        throw std::invalid_argument("a turn signature has 100 characters");
    for (std::size_t i = 0; i < signature.size(); ++i) {
        if (signature[i] == 'R')
            m_bits[i / 8] |= std::uint8_t(1u << (i % 8));
        else if (signature[i] != 'L')
            throw std::invalid_argument("a turn signature holds only L and R");
    }
    m_stored = true;
}

std::string PackedSignature::text() const
{
    char characters[kSignatureLength];
    return std::string(characters, write(characters));
}

namespace {

// The eight characters of each byte of bits, lowest bit first.
struct ByteCharacters
{
    char table[256][8];
    constexpr ByteCharacters()
        : table()
    {
        for (int byte = 0; byte < 256; ++byte) {
            for (int bit = 0; bit < 8; ++bit)
                table[byte][bit] = (byte >> bit) & 1 ? 'R' : 'L';
        }
    }
};

constexpr ByteCharacters kByteCharacters;

} // namespace

std::size_t PackedSignature::write(char *out) const
{
    if (!m_stored)
        return 0;
    constexpr std::size_t kWhole = std::size_t(kSignatureLength) / 8;
    for (std::size_t b = 0; b < kWhole; ++b)
        std::memcpy(out + 8 * b, kByteCharacters.table[m_bits[b]], 8);
    for (std::size_t i = 8 * kWhole; i < std::size_t(kSignatureLength); ++i)
        out[i] = m_bits[i / 8] & (1u << (i % 8)) ? 'R' : 'L';
    return std::size_t(kSignatureLength);
}
