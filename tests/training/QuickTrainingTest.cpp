// The training command's quick mode writes a model that the program loads and that reads the
// fixed digit pictures better than chance.
#include "recognition/DigitNetwork.h"
#include "tests/support/DigitPictures.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

TEST(QuickTraining, writesAModelThatLoadsAndBeatsChance)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess train;
    train.setProcessChannelMode(QProcess::MergedChannels);
    train.start(QStringLiteral(UMNOGLAZ_TRAIN_SCRIPT),
        {"--quick", "--out", out.path(), "--tool", QStringLiteral(UMNOGLAZ_TRAINING_TOOL)});
    ASSERT_TRUE(train.waitForFinished(10 * 60 * 1000));
    ASSERT_EQ(train.exitCode(), 0) << train.readAll().toStdString();

    const auto network = DigitNetwork::fromFile(out.filePath("digits.model"));
    int right = 0, total = 0;
    for (const DigitPicture &picture : FixedDigitPictures()) {
        const std::vector<char> read = ReadWithNetwork(picture, *network);
        ASSERT_EQ(read.size(), picture.expected.size()) << picture.name;
        for (std::size_t i = 0; i < read.size(); ++i)
            right += read[i] == picture.expected[i];
        total += int(read.size());
    }
    // Chance is one in ten; a few seconds of training on a few hundred samples does far better.
    EXPECT_GT(right, total * 3 / 10) << right << " of " << total;
}

} // namespace
