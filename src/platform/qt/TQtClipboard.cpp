#include "platform/qt/TQtClipboard.h"

#include "framework/CodePage.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QMimeData>

#include <memory>

namespace korvel {

TQtClipboard::TQtClipboard(QClipboard* Clipboard, QClipboard::Mode Mode)
    : Clipboard(Clipboard != nullptr ? Clipboard : QGuiApplication::clipboard()), Mode(Mode) {}

QString TQtClipboard::MimeTypeOf(TClipboardFormat Format) {
    if (Format == CF_TEXT)
        return QStringLiteral("text/plain");
    const std::string Name = GetFormatName(Format);
    if (Name.empty())
        return {};
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"")
        .arg(QString::fromStdU16String(AnsiToUtf16(Name)));
}

void TQtClipboard::CommitData(TClipboardData&& Data) {
    auto Mime = std::make_unique<QMimeData>();
    for (const auto& [Format, Bytes] : Data) {
        if (Format == CF_TEXT)
            Mime->setText(QString::fromStdU16String(AnsiToUtf16(Bytes)));
        else if (const QString Type = MimeTypeOf(Format); !Type.isEmpty())
            Mime->setData(Type, QByteArray(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
    }
    Clipboard->setMimeData(Mime.release(), Mode); // the clipboard takes it over
}

bool TQtClipboard::SystemHasFormat(TClipboardFormat Format) const {
    const QMimeData* Mime = Clipboard->mimeData(Mode);
    if (Mime == nullptr)
        return false;
    if (Format == CF_TEXT)
        return Mime->hasText();
    const QString Type = MimeTypeOf(Format);
    return !Type.isEmpty() && Mime->hasFormat(Type);
}

bool TQtClipboard::SystemGetData(TClipboardFormat Format, std::string& Bytes) const {
    if (!SystemHasFormat(Format))
        return false;
    const QMimeData* Mime = Clipboard->mimeData(Mode);
    if (Format == CF_TEXT) {
        Bytes = Utf16ToAnsiWithCharRefs(Mime->text().toStdU16String());
        return true;
    }
    const QByteArray Data = Mime->data(MimeTypeOf(Format));
    Bytes.assign(Data.constData(), static_cast<size_t>(Data.size()));
    return true;
}

} // namespace korvel
