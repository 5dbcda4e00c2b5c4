// The headless command over many pictures: files and folders, JSON Lines in input order,
// failures that do not stop the run, and the output folder's refusals.
#include "base/Messages.h"
#include "tests/cli/CommandRun.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QStringList lines(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QJsonObject parsed(const QString &line)
{
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    return object;
}

} // namespace

using ManyPictures = HeadlessCommand;

TEST_F(ManyPictures, jsonLinesKeepInputOrderAndAFailureInTheMiddleDoesNotStopTheRun)
{
    const QString first = ringsPicture(QStringLiteral("first.bmp"));
    const QString missing = path(QStringLiteral("missing.bmp"));
    const QString last = ringsPicture(QStringLiteral("last.bmp"));
    // Pictures may follow --recognize as arguments, or each after its own --recognize.
    const Outcome run =
        umnoglaz({QStringLiteral("--recognize"), first, missing, QStringLiteral("--recognize"),
            last, QStringLiteral("--json"), QStringLiteral("--threads"), QStringLiteral("3")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QString()) << "no progress line when stderr is not a terminal";
    const QStringList got = lines(run.out);
    ASSERT_EQ(got.size(), 3) << run.out.toStdString();
    EXPECT_EQ(parsed(got[1]),
        QJsonObject({{"file", missing}, {"error", CannotOpenFile(missing) + u'.'}}));

    // Each picture's line is what a run over it alone prints.
    const Outcome alone = umnoglaz({QStringLiteral("--recognize"), last, QStringLiteral("--json")});
    EXPECT_EQ(got[2] + u'\n', alone.out);
    EXPECT_EQ(parsed(got[0])["file"].toString(), first);

    // Without failures the exit code is 0; plain text gives the reports one after another.
    const Outcome text =
        umnoglaz({QStringLiteral("--recognize"), first, QStringLiteral("--recognize"), last});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out,
        umnoglaz({QStringLiteral("--recognize"), first}).out +
            umnoglaz({QStringLiteral("--recognize"), last}).out);
}

TEST_F(ManyPictures, foldersGiveTheirPicturesInNameOrderWhateverThreadFinishesFirst)
{
    // The first pictures are the widest, so that later ones tend to finish before them.
    const QStringList names {"a.bmp", "b.JPG", "c.bmp", "d.bmp", "e.jpeg", "f.bmp", "g.bmp"};
    QStringList expected;
    for (int i = int(names.size()) - 1; i >= 0; --i)
        ringsPicture(QStringLiteral("pages/") + names[i], 200 + 600 * (int(names.size()) - i));
    for (const QString &name : names)
        expected.append(path(QStringLiteral("pages/") + name));
    ringsPicture(QStringLiteral("pages/sub/h.bmp"));
    QFile notes(path(QStringLiteral("pages/notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();

    auto files = [&](const QStringList &options) {
        const Outcome run = umnoglaz(
            QStringList {QStringLiteral("--recognize"), path(QStringLiteral("pages")),
                QStringLiteral("--json"), QStringLiteral("--threads"), QStringLiteral("4")} +
            options);
        QStringList found;
        for (const QString &line : lines(run.out))
            found.append(parsed(line)["file"].toString());
        return std::make_pair(run.exitCode, found);
    };
    // b.JPG and e.jpeg hold BMP data, so they fail as JPEG files, in their places.
    const auto [exitCode, found] = files({});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(files({QStringLiteral("--recursive")}).second,
        expected + QStringList {path(QStringLiteral("pages/sub/h.bmp"))});
}

TEST_F(ManyPictures, outputDirWritesEachPictureAndRefusesToOverwrite)
{
    const QString a = ringsPicture(QStringLiteral("in/a.bmp"));
    const QString b = ringsPicture(QStringLiteral("in/b.bmp"));
    const QString out = path(QStringLiteral("out"));
    Outcome run = umnoglaz({QStringLiteral("--recognize"), path(QStringLiteral("in")),
        QStringLiteral("--output-dir"), out});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files),
        (QStringList {QStringLiteral("a.png"), QStringLiteral("b.png")}));
    EXPECT_EQ(QImage(out + QStringLiteral("/a.png")).size(), QSize(202, 102));

    // Two pictures of one name: nothing is done.
    const QString other = ringsPicture(QStringLiteral("other/a.bmp"));
    const QString fresh = path(QStringLiteral("fresh"));
    run =
        umnoglaz({QStringLiteral("--recognize"), a, other, QStringLiteral("--output-dir"), fresh});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(
        run.err.trimmed(), RefusingToWriteTwice(fresh + QStringLiteral("/a.png"), a, other) + u'.');
    EXPECT_FALSE(QFileInfo::exists(fresh));

    // An input where an output would go.
    const QString input = path(QStringLiteral("in/c.png"));
    ASSERT_TRUE(QFile::copy(a, input));
    run = umnoglaz({QStringLiteral("--recognize"), b, input, QStringLiteral("--output-dir"),
        path(QStringLiteral("in"))});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.trimmed(), RefusingToOverwriteInput(input) + u'.');
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("in/b.png"))));
}

TEST_F(ManyPictures, outputDirMirrorsTheFoldersWalkedAndAnEmptyFolderIsNamed)
{
    ringsPicture(QStringLiteral("in/a/p.bmp"));
    ringsPicture(QStringLiteral("in/b/p.bmp"));
    ringsPicture(QStringLiteral("in/top.bmp"));
    const QString out = path(QStringLiteral("out"));
    const Outcome run = umnoglaz({QStringLiteral("--recognize"), path(QStringLiteral("in")),
        QStringLiteral("--recursive"), QStringLiteral("--output-dir"), out});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char *written : {"a/p.png", "b/p.png", "top.png"})
        EXPECT_EQ(QImage(out + u'/' + QLatin1String(written)).size(), QSize(202, 102)) << written;

    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("empty/sub"))));
    const Outcome empty = umnoglaz({QStringLiteral("--recognize"), path(QStringLiteral("empty")),
        QStringLiteral("--recursive")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(
        empty.err, NoPicturesFoundIn({path(QStringLiteral("empty"))}) + QStringLiteral(".\n"));
}

TEST_F(ManyPictures, eachReportIsOutBeforeTheMessageAboutTheNextPicture)
{
    const QString first = ringsPicture(QStringLiteral("first.bmp"));
    const QString missing = path(QStringLiteral("missing.bmp"));
    const QString last = ringsPicture(QStringLiteral("last.bmp"));
    const QString report = umnoglaz({QStringLiteral("--recognize"), first}).out;
    // Both streams into one pipe, as a terminal or "2>&1" joins them.
    const Outcome run = umnoglaz({QStringLiteral("--recognize"), first, missing, last,
                                     QStringLiteral("--threads"), QStringLiteral("3")},
        QProcessEnvironment::systemEnvironment(),
        [](QProcess &process) { process.setProcessChannelMode(QProcess::MergedChannels); });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
        report + missing + QStringLiteral(": ") + CannotOpenFile(missing) + QStringLiteral(".\n") +
            umnoglaz({QStringLiteral("--recognize"), last}).out);
}
