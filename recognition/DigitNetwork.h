// The trained digit network: a small convolutional network that reads a normalised digit
// picture (DigitImage.h) and gives the probability of each digit and of "not a digit".
//
// The model file is built into the program as a resource and loaded once for each thread, on
// its first use of DigitNetwork::builtIn(); it lives until the thread ends. A network object is
// not safe to use from two threads at once.
//
// Model file layout (little-endian), checked whole before the network is built:
//   16 bytes   "UMNOGLAZ-DIGITS" and a zero byte
//   uint32     format version (kModelVersion)
//   uint32     picture side (28)           uint32  classes (11: digits 0 to 9, then "none")
//   float32    the least confidence of a digit, chosen in training
//   uint32     the least longer side of a digit's box in pixels, chosen in training
//   uint32     length of the ONNX payload  32 bytes  SHA-256 of the payload
//   payload    the network in ONNX form, input 1 x 1 x 28 x 28 per picture, output the
//              11 probabilities (softmax included)
#pragma once

#include "recognition/DigitImage.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <span>

inline constexpr int kModelVersion = 1;
inline constexpr int kDigitClasses = 11; // digits 0 to 9, then "not a digit"
inline constexpr int kNotADigit = 10;

// What classifying a batch holds for each of its pictures, beside the pictures themselves: the
// outputs of the network's layers and the library's working buffers (about 20 KB measured).
inline constexpr std::int64_t kNetworkBytesPerPicture = 32 << 10;

// What the network says about one picture.
struct DigitGuess
{
    char digit = '0';        // the most probable digit, '0' to '9'
    float confidence = 0.0f; // its probability, 0 to 1 (the 11 probabilities add up to 1)
};

class DigitNetwork
{
public:
    // Builds the network from a model file's bytes. Throws AppError("The recognition model
    // cannot be loaded: <reason>") when the file is not a model of this version and shape.
    explicit DigitNetwork(const QByteArray &modelFile);
    ~DigitNetwork();
    DigitNetwork(const DigitNetwork &) = delete;
    DigitNetwork &operator=(const DigitNetwork &) = delete;

    // The built-in model of the calling thread, loaded at its first call. A failed load throws each
    // time it is asked for, so the caller can report it and go on without the network.
    static DigitNetwork &builtIn();
    // Reads a model file from disk (tests and the training report); throws like the constructor.
    static std::unique_ptr<DigitNetwork> fromFile(const QString &path);

    // The 11 probabilities for each picture, in batches; guesses[i] belongs to images[i].
    void classify(std::span<const DigitImage> images, std::span<DigitGuess> guesses);
    void probabilities(
        std::span<const DigitImage> images, std::span<std::array<float, kDigitClasses>> out);

    static QString builtInPath();

    // How many threads the network's arithmetic may use (0: the library's own choice, all
    // cores). Applies to every network of the program.
    static void setThreadCount(int threads);

    // The rule for "not a digit" that training chose: a region whose bounding box's longer
    // side is below minSide() pixels is not one (and needs no network), nor is one whose most
    // probable digit has a probability below minConfidence().
    float minConfidence() const { return m_minConfidence; }
    int minSide() const { return m_minSide; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    float m_minConfidence = 0;
    int m_minSide = 0;
};
