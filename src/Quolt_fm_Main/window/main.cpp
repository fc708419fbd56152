// Quolt: one window that cleans HTML by tag names.
#include "Quolt_fm_Main/window/TForm1.h"
#include "Quolt_fm_Main/window/TQuoltDemo.h"

#include <QApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr const char* Usage = "usage: quolt [--demo FILE.html --screenshot FILE.png]\n";

} // namespace

int main(int argc, char** argv) {
    QApplication Application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(quolt::TForm1::Title));
    QTextStream Out(stdout);
    QTextStream Err(stderr);

    const QStringList Args = QApplication::arguments().mid(1);
    if (!Args.isEmpty()) {
        // The one option: a scripted round with a picture of the window.
        const qsizetype Demo = Args.indexOf(QStringLiteral("--demo"));
        const qsizetype Shot = Args.indexOf(QStringLiteral("--screenshot"));
        if (Args.size() != 4 || Demo < 0 || Shot < 0 || Demo + 1 >= Args.size() ||
            Shot + 1 >= Args.size()) {
            Err << Usage;
            return 2;
        }
        return quolt::RunDemo(Args[Demo + 1], Args[Shot + 1], Out, Err);
    }

    quolt::TForm1 Form1;
    Form1.show();
    return QApplication::exec();
}
