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
    if (!m_stored)
        return {};
    std::string signature(std::size_t(kSignatureLength), 'L');
    for (std::size_t i = 0; i < signature.size(); ++i) {
        if (m_bits[i / 8] & (1u << (i % 8)))
            signature[i] = 'R';
    }
    return signature;
}
