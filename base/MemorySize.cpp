#include "base/MemorySize.h"

namespace {

constexpr std::int64_t kMaxSize = std::int64_t(1) << 62;

} // namespace

std::optional<std::int64_t> ParseMemorySize(std::string_view text)
{
    std::int64_t value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Checked before it is made: a long run of digits must not overflow.
        if (value > (kMaxSize - (text[i] - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (i == 0)
        return std::nullopt;
    std::string_view rest = text.substr(i);
    int shift = 0;
    if (!rest.empty()) {
        switch (rest.front()) {
        case 'k':
        case 'K':
            shift = 10;
            break;
        case 'm':
        case 'M':
            shift = 20;
            break;
        case 'g':
        case 'G':
            shift = 30;
            break;
        case 't':
        case 'T':
            shift = 40;
            break;
        default:
            break;
        }
        if (shift != 0)
            rest.remove_prefix(1);
    }
    if (rest == "iB" && shift != 0)
        rest = {};
    if (rest == "B" || rest == "b")
        rest = {};
    if (!rest.empty() || value == 0 || value > (kMaxSize >> shift))
        return std::nullopt;
    return value << shift;
}
