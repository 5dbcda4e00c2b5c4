#include "recognition/Recogniser.h"

#include "recognition/Matching.h"
#include "recognition/TurnSignature.h"

void TurnSignatureRecogniser::recognise(
    const item &region, const ChainCode &chainCode, RegionResult &result)
{
    const std::string signature = BuildTurnSignature(chainCode, region.count);
    const SignatureMatch match = NearestReference(signature);
    result.signature = PackedSignature(signature);
    result.digit = ClassDigit(match);
    result.mismatches = match.mismatches;
}
