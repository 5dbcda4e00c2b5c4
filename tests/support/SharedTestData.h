// The shared test pictures (the BMP conformance suite, libjpeg's test files) lie beside the
// repository, in UMNOGLAZ_TESTDATA, not in it. A test that reads them skips, naming the folder,
// in a clone that stands alone; CI checks that the folder is there, so it never skips them.
#pragma once

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QString>

#define UMNOGLAZ_SKIP_WITHOUT_TESTDATA()                                                           \
    do {                                                                                           \
        if (!QFileInfo(QStringLiteral(UMNOGLAZ_TESTDATA)).isDir())                                 \
            GTEST_SKIP() << "the shared test pictures are not there: " UMNOGLAZ_TESTDATA;          \
    } while (false)
