#include "qtview/Resources.h"

#include <QApplication>

#include <gtest/gtest.h>

// View tests need a QApplication; they run offscreen unless a display is set up on purpose.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    zarava::InitPictureResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
