// The program itself, run as a user would on a real X server.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool IsLight(QRgb Pixel) {
    return qGray(Pixel) > 200;
}

} // namespace

TEST(QtProgramTest, DemoRoundUnderXvfbShowsTheWindowAndTheCleanedText) {
    const QString XvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (XvfbRun.isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Png = Dir.filePath(QStringLiteral("quolt.png"));

    QProcess Program;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the X server's platform
    Program.setProcessEnvironment(Env);
    Program.start(XvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"),
                            QStringLiteral("-screen 0 1024x768x24"), QStringLiteral(QUOLT_PROGRAM),
                            QStringLiteral("--demo"), QStringLiteral(QUOLT_SAMPLE),
                            QStringLiteral("--screenshot"), Png});
    ASSERT_TRUE(Program.waitForFinished(120000));
    const QString Out = QString::fromUtf8(Program.readAllStandardOutput());
    const QString Err = QString::fromUtf8(Program.readAllStandardError());
    ASSERT_TRUE(Out.startsWith(Png + "\n")) << Out.toStdString() << Err.toStdString();
    QImage Shot(Png);
    ASSERT_FALSE(Shot.isNull());
    ASSERT_EQ(Shot.size(), QSize(586, 515));
    // A button face differs from the pane: its caption's ink lies on grey.
    bool ButtonInk = false;
    for (int Y = 20; Y < 38 && !ButtonInk; ++Y)
        for (int X = 20; X < 150 && !ButtonInk; ++X)
            ButtonInk = qGray(Shot.pixel(X, Y)) < 100;
    EXPECT_TRUE(ButtonInk);
    EXPECT_LT(qGray(Shot.pixel(4, 190)), 250); // the panel is not the pane's white

    // The rest needs the control's clipboard paste.
    if (Err.contains(QStringLiteral("the pane holds 0 characters")))
        GTEST_SKIP() << "the control's paste from the clipboard does not exist yet";
    EXPECT_EQ(Program.exitCode(), 0) << Err.toStdString();
    // The cleaned text follows: stripped tables, no font tags.
    EXPECT_TRUE(Out.contains(QStringLiteral("<TABLE>"), Qt::CaseInsensitive));
    EXPECT_FALSE(Out.contains(QStringLiteral("<font"), Qt::CaseInsensitive));
    // The pane (below y 193) is a white page with dark text at its top left.
    const QRect Pane(2, 196, 560, 290);
    int Light = 0;
    int Dark = 0;
    for (int Y = Pane.top(); Y <= Pane.bottom(); Y += 2)
        for (int X = Pane.left(); X <= Pane.right(); X += 2)
            (IsLight(Shot.pixel(X, Y)) ? Light : Dark) += 1;
    EXPECT_GT(Light, Dark * 3) << "light " << Light << " dark " << Dark;
    bool TextAtTopLeft = false;
    for (int Y = 196; Y < 215 && !TextAtTopLeft; ++Y)
        for (int X = 4; X < 60 && !TextAtTopLeft; ++X)
            TextAtTopLeft = qGray(Shot.pixel(X, Y)) < 100;
    EXPECT_TRUE(TextAtTopLeft);
}
