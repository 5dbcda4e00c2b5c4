#include "base/FailureText.h"
#include "base/Messages.h"

#include <stdexcept>

#include <gtest/gtest.h>

TEST(FailureText, aFullStopIsAddedAfterCharactersAboveTheFullStop)
{
    struct Case
    {
        const char *message;
        const char *shown;
    };
    for (const Case &c : {Case {"Bitmap image is not valid", "Bitmap image is not valid."},
             Case {"JPEG error #52", "JPEG error #52."},
             Case {"Cannot open file /tmp/a.bmp", "Cannot open file /tmp/a.bmp."},
             Case {"Already ends.", "Already ends."}, Case {"Ends in a comma,", "Ends in a comma,"},
             Case {"Ends in a dash -", "Ends in a dash -"},
             Case {"Ends in a slash/", "Ends in a slash/."},
             Case {"Ends in a bracket)", "Ends in a bracket)"}, Case {"", ""}}) {
        EXPECT_EQ(WithFinalFullStop(QString::fromUtf8(c.message)).toStdString(), c.shown);
    }
    EXPECT_EQ(WithFinalFullStop(QStringLiteral("Cannot open file Файл")),
        QStringLiteral("Cannot open file Файл."));
}

TEST(FailureText, messagesComeFromTheFailure)
{
    EXPECT_EQ(
        ErrorMessage(std::runtime_error(kStreamReadError)), QStringLiteral("Stream read error"));
    EXPECT_EQ(ErrorMessage(std::bad_alloc()), QStringLiteral("Out of system resources"));
}
