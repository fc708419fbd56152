#include "Quolt_fm_Main/window/TQuoltDemo.h"

#include "Korvel/TKorvel.h"
#include "Quolt_fm_Main/TagCleaner.h"
#include "Quolt_fm_Main/window/TForm1.h"
#include "framework/CodePage.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextStream>

#include <string>

namespace quolt {

namespace {

// Runs the event loop for Milliseconds, or until Done says so.
template <class TDone>
void Wait(int Milliseconds, TDone Done) {
    QElapsedTimer Timer;
    Timer.start();
    while (!Done() && Timer.elapsed() < Milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A file's text: UTF-8 when it is valid UTF-8, Windows-1252 otherwise.
QString DecodeFile(const QByteArray& Bytes) {
    QStringDecoder Utf8(QStringDecoder::Utf8);
    const QString Text = Utf8(Bytes);
    if (!Utf8.hasError())
        return Text;
    return QString::fromStdU16String(
        korvel::AnsiToUtf16(std::string_view(Bytes.constData(), Bytes.size())));
}

// Line breaks of any kind as LF, so that texts compare by their lines.
std::string Lines(const std::string& Text) {
    std::string Out;
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] == '\r') {
            Out += '\n';
            if (I + 1 < Text.size() && Text[I + 1] == '\n')
                ++I;
        } else {
            Out += Text[I];
        }
    }
    return Out;
}

} // namespace

int RunDemo(const QString& File, const QString& Screenshot, QTextStream& Out, QTextStream& Err) {
    QFile Input(File);
    if (!Input.open(QIODevice::ReadOnly)) {
        Err << "Cannot read " << File << "\n";
        return 1;
    }
    const QString Html = DecodeFile(Input.readAll());
    const std::string HtmlBytes = korvel::Utf16ToAnsiWithCharRefs(Html.toStdU16String());

    TForm1 Form1;
    Form1.show();
    Form1.activateWindow();
    Wait(2000, [&] { return Form1.isActiveWindow(); });
    Wait(100, [] { return false; });

    bool Succeeded = true;
    QGuiApplication::clipboard()->setText(Html);
    Form1.bt_Clear()->click();
    Form1.bt_Paste()->click();
    const std::string Pasted = Form1.Pane().GetAllText();
    if (Lines(Pasted) != Lines(HtmlBytes)) {
        Err << "After \"" << Form1.bt_Paste()->text() << "\" the pane holds " << Pasted.size()
            << " characters instead of the file's " << HtmlBytes.size() << "\n";
        Succeeded = false;
    }

    // What the two clean commands are to leave in the pane.
    std::string Expected;
    if (const auto Stripped = CleanTags(
            tmStripAttribs,
            korvel::Utf16ToAnsiWithCharRefs(Form1.ed_TagsToClear()->text().toStdU16String()),
            Pasted)) {
        std::string Between;
        for (const std::string& Line : *Stripped)
            Between += Line + "\r\n";
        if (const auto Removed = CleanTags(
                tmRemoveTags,
                korvel::Utf16ToAnsiWithCharRefs(Form1.ed_TagsToRemove()->text().toStdU16String()),
                Between))
            for (const std::string& Line : *Removed)
                Expected += Line + "\r\n";
    }
    Form1.bt_RemoveTagAttribs()->click();
    Form1.bt_RemoveTags()->click();
    const std::string Cleaned = Form1.Pane().GetAllText();
    if (Cleaned != Expected) {
        Err << "After the clean commands the pane does not hold the cleaned lines\n";
        Succeeded = false;
    }

    // Background formatting and painting settle before the picture.
    Wait(500, [] { return false; });
    if (!Form1.grab().save(Screenshot, "PNG")) {
        Err << "Cannot write " << Screenshot << "\n";
        return 1;
    }
    Out << Screenshot << "\n";
    Out << QString::fromStdU16String(korvel::AnsiToUtf16(Cleaned));
    Out.flush();
    return Succeeded ? 0 : 1;
}

} // namespace quolt
