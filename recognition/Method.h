// How the pass reads each region: the one name of the method for the whole program, with its
// spelling in the command's option, the window's settings and the reports, and the recogniser
// that carries it out.
#pragma once

#include "recognition/Recogniser.h"

#include <memory>
#include <optional>
#include <string_view>

enum class Method {
    Turns,   // the turn signature of the outline, matched against the references
    Learned, // the trained network, which sees the region's own pixels
};

// "turns" or "learned".
std::string_view MethodName(Method method);
// The method of that name, or nothing for any other text.
std::optional<Method> ParseMethod(std::string_view name);

// A recogniser for one pass of the method. minConfidence replaces the network's own threshold
// (the learned method only; the turns method takes every outline for a digit). The built-in
// network loads at the recogniser's first pass, and a failure to load ends that pass before
// anything is drawn.
std::unique_ptr<Recogniser> MakeRecogniser(
    Method method, std::optional<float> minConfidence = std::nullopt);
