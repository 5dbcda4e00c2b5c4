#include "recognition/DigitNetwork.h"

#include "base/AppError.h"
#include "base/Messages.h"

#include <QCryptographicHash>
#include <QFile>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <cmath>
#include <cstring>

namespace {

constexpr char kMagic[16] = "UMNOGLAZ-DIGITS";
constexpr int kHeaderBytes = 16 + 6 * 4 + 32;

[[noreturn]] void fail(const QString &reason)
{
    throw AppError(ModelCannotBeLoaded(reason));
}

std::uint32_t readWord(const QByteArray &bytes, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(bytes[at + i]);
    return value;
}

} // namespace

struct DigitNetwork::Impl
{
    cv::dnn::Net net;
};

DigitNetwork::DigitNetwork(const QByteArray &modelFile)
    : m_impl(std::make_unique<Impl>())
{
    if (modelFile.size() < kHeaderBytes || std::memcmp(modelFile.constData(), kMagic, 16) != 0)
        fail(QStringLiteral("not a model file"));
    const std::uint32_t version = readWord(modelFile, 16);
    if (version != kModelVersion)
        fail(QStringLiteral("format version %1, this program reads version %2")
                 .arg(version)
                 .arg(kModelVersion));
    const std::uint32_t side = readWord(modelFile, 20);
    const std::uint32_t classes = readWord(modelFile, 24);
    if (side != kDigitSide || classes != kDigitClasses)
        fail(QStringLiteral("the network reads %1 x %1 pictures into %2 classes, expected %3 x %3 "
                            "into %4")
                 .arg(side)
                 .arg(classes)
                 .arg(kDigitSide)
                 .arg(kDigitClasses));
    const std::uint32_t confidenceBits = readWord(modelFile, 28);
    std::memcpy(&m_minConfidence, &confidenceBits, sizeof m_minConfidence);
    if (!(m_minConfidence >= 0.0f && m_minConfidence <= 1.0f))
        fail(QStringLiteral("its least confidence is not a probability"));
    const std::uint32_t minSide = readWord(modelFile, 32);
    if (minSide > 1000)
        fail(QStringLiteral("its least digit size of %1 pixels is not plausible").arg(minSide));
    m_minSide = int(minSide);
    const std::uint32_t length = readWord(modelFile, 36);
    if (std::uint64_t(length) != std::uint64_t(modelFile.size() - kHeaderBytes))
        fail(QStringLiteral("the file is cut short or too long"));
    const QByteArray payload = modelFile.mid(kHeaderBytes);
    if (QCryptographicHash::hash(payload, QCryptographicHash::Sha256) != modelFile.mid(40, 32))
        fail(QStringLiteral("the file is damaged (checksum mismatch)"));

    try {
        m_impl->net = cv::dnn::readNetFromONNX(payload.constData(), std::size_t(payload.size()));
        m_impl->net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        m_impl->net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
    } catch (const cv::Exception &error) {
        fail(QStringLiteral("the network cannot be built (%1)")
                 .arg(QString::fromStdString(error.msg)));
    }
    if (m_impl->net.empty())
        fail(QStringLiteral("the network is empty"));

    // The shape check: two blank pictures must give two rows of 11 probabilities.
    std::array<DigitImage, 2> blank {};
    std::array<std::array<float, kDigitClasses>, 2> out {};
    try {
        probabilities(blank, out);
    } catch (const cv::Exception &error) {
        fail(
            QStringLiteral("the network does not run (%1)").arg(QString::fromStdString(error.msg)));
    }
    for (const auto &row : out) {
        float sum = 0;
        for (float p : row)
            sum += p;
        if (!(std::fabs(sum - 1.0f) < 1e-3f))
            fail(QStringLiteral("the network's answers are not probabilities"));
    }
}

DigitNetwork::~DigitNetwork() = default;

void DigitNetwork::setThreadCount(int threads)
{
    cv::setNumThreads(threads > 0 ? threads : -1);
}

QString DigitNetwork::builtInPath()
{
    return QStringLiteral(":/models/digits.model");
}

std::unique_ptr<DigitNetwork> DigitNetwork::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    // A model is a few hundred kilobytes; anything far larger is not one of ours.
    constexpr qint64 kMaxModelBytes = 64 << 20;
    if (file.size() > kMaxModelBytes)
        fail(QStringLiteral("%1: too large for a model").arg(path));
    return std::make_unique<DigitNetwork>(file.readAll());
}

DigitNetwork &DigitNetwork::builtIn()
{
    // One network per thread: a network cannot run on two threads at once, and the headless
    // command recognises several pictures side by side.
    thread_local std::unique_ptr<DigitNetwork> network;
    if (!network)
        network = fromFile(builtInPath());
    return *network;
}

void DigitNetwork::probabilities(
    std::span<const DigitImage> images, std::span<std::array<float, kDigitClasses>> out)
{
    if (images.empty())
        return;
    const int sizes[4] = {int(images.size()), 1, kDigitSide, kDigitSide};
    // The pictures are contiguous floats already: wrap them without copying.
    cv::Mat blob(4, sizes, CV_32F, const_cast<float *>(images.front().data()));
    m_impl->net.setInput(blob);
    const cv::Mat result = m_impl->net.forward();
    if (result.total() != images.size() * kDigitClasses || result.type() != CV_32F)
        throw AppError(
            ModelCannotBeLoaded(QStringLiteral("the network gave %1 values for %2 pictures")
                                    .arg(result.total())
                                    .arg(images.size())));
    const float *values = result.ptr<float>();
    for (std::size_t i = 0; i < images.size(); ++i)
        std::memcpy(out[i].data(), values + i * kDigitClasses, sizeof(float) * kDigitClasses);
}

void DigitNetwork::classify(std::span<const DigitImage> images, std::span<DigitGuess> guesses)
{
    std::vector<std::array<float, kDigitClasses>> out(images.size());
    probabilities(images, out);
    for (std::size_t i = 0; i < images.size(); ++i) {
        int best = 0;
        for (int d = 1; d < 10; ++d)
            if (out[i][std::size_t(d)] > out[i][std::size_t(best)])
                best = d;
        guesses[i] = {char('0' + best), out[i][std::size_t(best)]};
    }
}
