// The Qt adapter's tests run against real Qt with real fonts but no display:
// the offscreen platform unless the environment asks for another.
#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication Application(argc, argv);
    return RUN_ALL_TESTS();
}
