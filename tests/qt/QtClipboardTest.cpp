#include "platform/qt/TQtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace korvel;

namespace {

const char* const BlockTypeName = "Borland IDE Block Type";
const QString BlockMime =
    QStringLiteral("application/x-qt-windows-mime;value=\"Borland IDE Block Type\"");

QClipboard& SystemClipboard() {
    return *QGuiApplication::clipboard();
}

// Stands for another program copying: Qt's clipboard gets Mime whole.
void OtherProgramCopies(const QString& Text, const QByteArray& BlockMarker = {}) {
    auto Mime = std::make_unique<QMimeData>();
    Mime->setText(Text);
    if (!BlockMarker.isEmpty())
        Mime->setData(BlockMime, BlockMarker);
    SystemClipboard().setMimeData(Mime.release());
}

} // namespace

TEST(QtClipboardTest, TextTravelsAsUnicodeAndComesBackWithReferences) {
    TQtClipboard Clipboard;
    // Out: the euro sign and e acute are bytes of the code page.
    ASSERT_TRUE(Clipboard.SetAsText("a\x80\xE9\r\nb"));
    EXPECT_EQ(SystemClipboard().text(), QString::fromUtf8("a\u20AC\u00E9\r\nb"));
    EXPECT_EQ(Clipboard.GetAsText(), "a\x80\xE9\r\nb");

    // In: characters beyond the code page arrive as numeric references, a
    // character outside the BMP as one reference of its code point.
    OtherProgramCopies(QString::fromUtf8("<p>\u3042\U0001F600 \u20AC?</p>"));
    EXPECT_TRUE(Clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard.GetAsText(), "<p>&#12354;&#128512; \x80?</p>");

    SystemClipboard().clear();
    EXPECT_FALSE(Clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard.GetAsText(), "");
}

TEST(QtClipboardTest, ASessionBecomesOneMimeDataWithTheBlockFormat) {
    const TClipboardFormat Block = TClipboard::RegisterFormat(BlockTypeName);
    EXPECT_EQ(TQtClipboard::MimeTypeOf(Block), BlockMime);
    EXPECT_EQ(TQtClipboard::MimeTypeOf(CF_TEXT), QStringLiteral("text/plain"));
    EXPECT_TRUE(TQtClipboard::MimeTypeOf(0xFFFE).isEmpty());

    TQtClipboard Clipboard;
    OtherProgramCopies(QStringLiteral("old"));
    QSignalSpy Changes(&SystemClipboard(), &QClipboard::dataChanged);
    ASSERT_TRUE(Clipboard.Open());
    ASSERT_TRUE(Clipboard.SetAsText("cd\r\n\r\n"));
    ASSERT_TRUE(Clipboard.Open());
    ASSERT_TRUE(Clipboard.SetData(Block, "\x02"));
    Clipboard.Close();
    EXPECT_EQ(Changes.count(), 0);
    EXPECT_EQ(SystemClipboard().text(), QStringLiteral("old"));
    Clipboard.Close();
    EXPECT_EQ(Changes.count(), 1);

    const QMimeData* Mime = SystemClipboard().mimeData();
    ASSERT_NE(Mime, nullptr);
    EXPECT_EQ(Mime->text(), QStringLiteral("cd\r\n\r\n"));
    EXPECT_EQ(Mime->data(BlockMime), QByteArray("\x02"));

    // A second clipboard object (another control) reads both back.
    TQtClipboard Reader;
    EXPECT_TRUE(Reader.HasFormat(Block));
    std::string Marker;
    EXPECT_TRUE(Reader.GetData(Block, Marker));
    EXPECT_EQ(Marker, "\x02");
    EXPECT_EQ(Reader.GetAsText(), "cd\r\n\r\n");

    // A plain copy replaces everything: the block marker is gone.
    ASSERT_TRUE(Clipboard.SetAsText("plain"));
    EXPECT_FALSE(Reader.HasFormat(Block));
    EXPECT_FALSE(SystemClipboard().mimeData()->hasFormat(BlockMime));
}

TEST(QtClipboardTest, ABlockCopiedByAnotherProgramIsRecognised) {
    const TClipboardFormat Block = TClipboard::RegisterFormat(BlockTypeName);
    TQtClipboard Clipboard;
    OtherProgramCopies(QStringLiteral("ab\r\nxy\r\n"), QByteArray("\x02", 1));
    EXPECT_TRUE(Clipboard.HasFormat(Block));
    std::string Marker;
    EXPECT_TRUE(Clipboard.GetData(Block, Marker));
    EXPECT_EQ(Marker, "\x02");

    // An empty marker is still the format (the reader decides what it means).
    OtherProgramCopies(QStringLiteral("ab"), QByteArray());
    auto Mime = std::make_unique<QMimeData>();
    Mime->setData(BlockMime, QByteArray());
    SystemClipboard().setMimeData(Mime.release());
    EXPECT_TRUE(Clipboard.HasFormat(Block));
    EXPECT_FALSE(Clipboard.HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard.GetData(Block, Marker));
    EXPECT_EQ(Marker, "");
}
