#include "recognition/PackedSignature.h"

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

std::size_t PackedSignature::write(char *out) const
{
    if (!m_stored)
        return 0;
    for (std::size_t i = 0; i < std::size_t(kSignatureLength); ++i)
        out[i] = m_bits[i / 8] & (1u << (i % 8)) ? 'R' : 'L';
    return std::size_t(kSignatureLength);
}
