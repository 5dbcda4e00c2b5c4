#include "recognition/Method.h"

#include "recognition/LearnedRecogniser.h"

namespace {

constexpr std::string_view kTurnsName = "turns";
constexpr std::string_view kLearnedName = "learned";

} // namespace

std::string_view MethodName(Method method)
{
    return method == Method::Learned ? kLearnedName : kTurnsName;
}

std::optional<Method> ParseMethod(std::string_view name)
{
    if (name == kTurnsName)
        return Method::Turns;
    if (name == kLearnedName)
        return Method::Learned;
    return std::nullopt;
}

std::unique_ptr<Recogniser> MakeRecogniser(Method method, std::optional<float> minConfidence)
{
    if (method == Method::Learned)
        return std::make_unique<LearnedRecogniser>(nullptr, minConfidence);
    return std::make_unique<TurnSignatureRecogniser>();
}
