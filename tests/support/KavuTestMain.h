#pragma once

#include "app/KavuApplication.h"

#include <QApplication>
#include <QTest>

// A test main for tests that may create web views: the process is prepared
// like the application's before the QApplication exists.
#define KAVU_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        KavuApplication::prepareProcess();                                                         \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
