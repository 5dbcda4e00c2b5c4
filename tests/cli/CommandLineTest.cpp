// The headless command's command line, read in-process: what each usage problem answers, and
// the order in which the pictures are taken.
#include "cli/CommandLine.h"
#include "base/Messages.h"
#include "cli/ThreadsOption.h"

#include <gtest/gtest.h>

#include <variant>

namespace {

std::variant<HeadlessOptions, CommandAnswer> parse(const QStringList &arguments)
{
    return ParseCommandLine(QStringList {QStringLiteral("umnoglaz")} + arguments);
}

struct UsageProblem
{
    const char *name;
    QStringList arguments;
    QString problem; // the first line; empty: the parser's own words
};

TEST(CommandLine, everyUsageProblemExitsTwoWithOneLineAndWhereTheHelpIs)
{
    const QString picture = QStringLiteral("a.bmp");
    const QString recognize = QStringLiteral("--recognize");
    const UsageProblem problems[] = {
        {"optionsWithoutRecognize", {QStringLiteral("--json")},
            QString::fromLatin1(kOptionsNeedRecognize)},
        {"unknownOption", {QStringLiteral("--bogus")}, {}},
        {"recognizeWithoutPicture", {recognize}, {}},
        {"outputWithTwoPictures",
            {recognize, picture, QStringLiteral("extra.bmp"), QStringLiteral("--output"),
                QStringLiteral("o.png")},
            QString::fromLatin1(kOutputTakesOnePicture)},
        {"outputAndOutputDir",
            {recognize, picture, QStringLiteral("-o"), QStringLiteral("o.png"),
                QStringLiteral("--output-dir"), QStringLiteral("d")},
            QString::fromLatin1(kOutputOrOutputDir)},
        {"outputWithoutName", {recognize, picture, QStringLiteral("--output"), QString()},
            QString::fromLatin1(kOutputNeedsName)},
        {"threadsNotANumber",
            {recognize, picture, QStringLiteral("--threads"), QStringLiteral("many")},
            BadThreadCount(QStringLiteral("many"), kMostThreads)},
        {"threadsZero", {recognize, picture, QStringLiteral("--threads"), QStringLiteral("0")},
            BadThreadCount(QStringLiteral("0"), kMostThreads)},
        {"threadsWithSign", {recognize, picture, QStringLiteral("--threads"), QStringLiteral("+2")},
            BadThreadCount(QStringLiteral("+2"), kMostThreads)},
        {"unknownMethod",
            {recognize, picture, QStringLiteral("--method"), QStringLiteral("neural")},
            QString::fromLatin1(kUnknownMethod)},
        {"unknownInkRule", {recognize, picture, QStringLiteral("--ink"), QStringLiteral("otsu")},
            QString::fromLatin1(kUnknownInkRule)},
        {"minConfidenceWithTurns",
            {recognize, picture, QStringLiteral("--min-confidence"), QStringLiteral("0.5")},
            QString::fromLatin1(kMinConfidenceNeedsLearned)},
        {"minConfidenceAboveOne",
            {recognize, picture, QStringLiteral("--method"), QStringLiteral("learned"),
                QStringLiteral("--min-confidence"), QStringLiteral("1.5")},
            QString::fromLatin1(kBadMinConfidence)},
        {"memorySizeWithoutUnit",
            {recognize, picture, QStringLiteral("--max-memory"), QStringLiteral("1X")},
            QString::fromLatin1(kBadMemorySize)},
    };
    for (const UsageProblem &row : problems) {
        SCOPED_TRACE(row.name);
        const auto parsed = parse(row.arguments);
        const CommandAnswer *answer = std::get_if<CommandAnswer>(&parsed);
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(answer->exitCode, 2);
        EXPECT_TRUE(answer->out.isEmpty());
        const QStringList lines = answer->err.split(u'\n');
        ASSERT_EQ(lines.size(), 3) << answer->err.toStdString(); // two lines and their ends
        if (!row.problem.isEmpty()) {
            EXPECT_EQ(lines[0], row.problem);
        }
        EXPECT_FALSE(lines[0].isEmpty());
        EXPECT_EQ(lines[1], QString::fromLatin1(kTryHelp));
        EXPECT_TRUE(lines[2].isEmpty());
    }
}

TEST(CommandLine, theHelpNamesTheProgramWithoutItsFolderAndThePictures)
{
    for (const char *called : {"umnoglaz", "build/release/app/umnoglaz", "/usr/bin/umnoglaz"}) {
        const auto parsed =
            ParseCommandLine({QString::fromLatin1(called), QStringLiteral("--help")});
        const QString help = std::get<CommandAnswer>(parsed).out;
        EXPECT_EQ(
            help.section(u'\n', 0, 0), QStringLiteral("Usage: umnoglaz [options] [PICTURE...]"))
            << called;
    }
}

TEST(CommandLine, helpAndVersionAnswerOnStandardOutput)
{
    for (const char *option : {"--help", "--version"}) {
        const auto parsed = parse({QString::fromLatin1(option)});
        const CommandAnswer *answer = std::get_if<CommandAnswer>(&parsed);
        ASSERT_NE(answer, nullptr) << option;
        EXPECT_EQ(answer->exitCode, 0);
        EXPECT_TRUE(answer->err.isEmpty());
        EXPECT_FALSE(answer->out.isEmpty());
    }
    const auto help = parse({QStringLiteral("--help")});
    EXPECT_TRUE(
        std::get<CommandAnswer>(help).out.contains(QStringLiteral("--recognize <PICTURE>")));
}

TEST(CommandLine, picturesKeepTheOrderTheyAreGivenInAndOptionsTheirValues)
{
    const auto parsed =
        parse({QStringLiteral("a.bmp"), QStringLiteral("--recognize"), QStringLiteral("b.bmp"),
            QStringLiteral("-r"), QStringLiteral("c.bmp"), QStringLiteral("--method"),
            QStringLiteral("learned"), QStringLiteral("d.bmp"), QStringLiteral("--recognize=e.bmp"),
            QStringLiteral("--"), QStringLiteral("-f.bmp"), QStringLiteral("--json")});
    const HeadlessOptions *options = std::get_if<HeadlessOptions>(&parsed);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->pictures,
        (QStringList {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "-f.bmp", "--json"}));
    EXPECT_EQ(options->picture(), QStringLiteral("a.bmp"));
    EXPECT_EQ(options->method, Method::Learned);
    EXPECT_FALSE(options->json) << "after --, an option is a picture's name";
}

} // namespace
