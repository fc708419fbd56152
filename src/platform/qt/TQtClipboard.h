#pragma once

#include "platform/TClipboard.h"

#include <QClipboard>
#include <QString>

namespace korvel {

// The clipboard port over QClipboard. Text travels as Qt's plain text,
// converted from Windows-1252 on the way out and back on the way in, where
// every character the code page cannot hold arrives as an HTML numeric
// character reference ("&#12354;"). A registered format named N travels as
// the MIME type application/x-qt-windows-mime;value="N", which Qt turns into
// the registered Windows format N on Windows and a target of that name
// elsewhere, so that other programs using the same format understand it.
// The sets of one session become one QMimeData handed to the clipboard at
// the outermost Close (setMimeData replaces everything).
class TQtClipboard final : public TClipboard {
public:
    // Clipboard null: the application's clipboard. Needs a QGuiApplication.
    explicit TQtClipboard(QClipboard* Clipboard = nullptr,
                          QClipboard::Mode Mode = QClipboard::Clipboard);

    // The MIME type a format travels as: "text/plain" for CF_TEXT, the
    // registered-format type for a registered name, empty otherwise.
    static QString MimeTypeOf(TClipboardFormat Format);

protected:
    // Qt's clipboard is always there to be had.
    bool AcquireClipboard() override { return true; }
    void ReleaseClipboard() override {}
    void CommitData(TClipboardData&& Data) override;
    bool SystemHasFormat(TClipboardFormat Format) const override;
    bool SystemGetData(TClipboardFormat Format, std::string& Bytes) const override;

private:
    QClipboard* Clipboard;
    QClipboard::Mode Mode;
};

} // namespace korvel
