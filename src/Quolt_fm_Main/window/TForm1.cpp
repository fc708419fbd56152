#include "Quolt_fm_Main/window/TForm1.h"

#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStreaming.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/CodePage.h"
#include "framework/ObjectTextToBinary.h"
#include "framework/TFont.h"
#include "framework/TMemoryStream.h"
#include "platform/qt/KorvelWidget.h"
#include "platform/qt/TQtFonts.h"
#include "platform/qt/TQtHost.h"

#include "ui_TForm1.h"

#include <QEvent>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <stdexcept>
#include <vector>

// The window's resources live in a static library: they are registered
// before their first use.
static void InitWindowResources() {
    Q_INIT_RESOURCE(QuoltWindow);
}

namespace quolt {

namespace {

// The stored form description of the pane.
constexpr const char* PaneDescription = ":/quolt/me_Main.dfm.txt";

// The window's own font: "MS Shell Dlg 2", 8 points at 96 pixels per inch.
korvel::TFont WindowFont() {
    korvel::TFont Font;
    Font.SetName("MS Shell Dlg 2");
    Font.SetHeight(-11);
    return Font;
}

std::string AnsiText(const QLineEdit& Edit) {
    return korvel::Utf16ToAnsiWithCharRefs(Edit.text().toStdU16String());
}

} // namespace

TForm1::TForm1(QWidget* Parent) : QWidget(Parent), Ui(std::make_unique<Ui::TForm1>()) {
    Ui->setupUi(this);
    setObjectName(QStringLiteral("Form1"));
    // The captions are sized for the face the dialog font names on Windows
    // (Tahoma); where it is missing the metric-close Liberation Sans keeps
    // them whole, ahead of wider platform faces.
    QFont Font = korvel::QtFont(WindowFont(), 0);
    Font.setFamilies(QStringList{QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")} +
                     Font.families());
    setFont(Font);
    // Group boxes as the layout's coordinates assume them: the frame's top
    // line runs through the middle of the caption, not below it.
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 8px; top: 0px; }"));
    LoadPaneProperties();
    AnchorRight(Ui->ed_TagsToClear);
    AnchorRight(Ui->ed_TagsToRemove);

    Connect(Ui->bt_Clear, &TForm1::bt_ClearClick);
    Connect(Ui->bt_Paste, &TForm1::bt_PasteClick);
    Connect(Ui->bt_RemoveTagAttribs, &TForm1::bt_RemoveTagAttribsClick);
    Connect(Ui->bt_RemoveTags, &TForm1::bt_RemoveTagsClick);
    Connect(Ui->bt_SelectAllCopy, &TForm1::bt_SelectAllCopyClick);

    // Screen-centre until the first activation moves the window.
    if (const QScreen* Screen = QGuiApplication::primaryScreen())
        move(Screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() = default;

void TForm1::Connect(QPushButton* Button, void (TForm1::*Handler)()) {
    connect(Button, &QPushButton::clicked, this, [this, Handler] {
        // An error of a handler is shown to the user, and the window goes on.
        try {
            (this->*Handler)();
        } catch (const std::exception& Error) {
            korvel::TQtHost::ShowMessage(this, Error.what(), Title);
        }
    });
}

void TForm1::LoadPaneProperties() {
    InitWindowResources();
    QFile File(QString::fromLatin1(PaneDescription));
    if (!File.open(QIODevice::ReadOnly))
        throw std::runtime_error("The pane's form description is missing");
    const QByteArray Text = File.readAll();
    korvel::TMemoryStream Stream(
        korvel::ObjectTextToBinary(std::string_view(Text.constData(), Text.size())));
    korvel::TKorvelStreaming(Pane()).ReadComponent(Stream);
    Ui->me_Main->ApplyControlProperties();
}

void TForm1::AnchorRight(QLineEdit* Edit) {
    // The group boxes are designed 584 pixels wide.
    constexpr int DesignedParentWidth = 584;
    Edit->setProperty("quoltRightGap", DesignedParentWidth - Edit->geometry().right() - 1);
    Edit->parentWidget()->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Resize) {
        for (QLineEdit* Edit : {Ui->ed_TagsToClear, Ui->ed_TagsToRemove}) {
            if (Edit->parentWidget() != Watched)
                continue;
            const int Gap = Edit->property("quoltRightGap").toInt();
            const QRect G = Edit->geometry();
            Edit->setGeometry(G.x(), G.y(),
                              std::max(Edit->parentWidget()->width() - Gap - G.x(), 0), G.height());
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

bool TForm1::event(QEvent* Event) {
    const bool Result = QWidget::event(Event);
    if (Event->type() == QEvent::WindowActivate)
        FormActivate();
    return Result;
}

void TForm1::FormActivate() {
    move(50, 50);
}

void TForm1::bt_ClearClick() {
    Pane().Clear();
}

void TForm1::bt_PasteClick() {
    Pane().PasteFromClipboard();
}

void TForm1::bt_RemoveTagAttribsClick() {
    CleanCommand(tmStripAttribs, *Ui->ed_TagsToClear);
}

void TForm1::bt_RemoveTagsClick() {
    CleanCommand(tmRemoveTags, *Ui->ed_TagsToRemove);
}

void TForm1::bt_SelectAllCopyClick() {
    Pane().SelectAll();
    Pane().CopyToClipboard();
}

void TForm1::CleanCommand(TTagMode Mode, const QLineEdit& ListEdit) {
    korvel::TKorvel& Editor = Pane();
    const std::string Source = Editor.GetAllText();
    const std::optional<std::vector<std::string>> Lines =
        CleanTags(Mode, AnsiText(ListEdit), Source);
    if (!Lines) {
        korvel::TQtHost::ShowMessage(this, NoTagsMessage, Title);
        return;
    }
    Editor.Clear();
    Editor.BeginUpdate();
    try {
        for (const std::string& Line : *Lines)
            Editor.GetLines().Add(Line);
    } catch (...) {
        Editor.EndUpdate();
        throw;
    }
    Editor.EndUpdate();
}

QWidget* TForm1::Panel1() const {
    return Ui->Panel1;
}
QGroupBox* TForm1::gbx_Start() const {
    return Ui->gbx_Start;
}
QGroupBox* TForm1::gbx_CleanTags() const {
    return Ui->gbx_CleanTags;
}
QGroupBox* TForm1::gbx_Finish() const {
    return Ui->gbx_Finish;
}
QPushButton* TForm1::bt_Clear() const {
    return Ui->bt_Clear;
}
QPushButton* TForm1::bt_Paste() const {
    return Ui->bt_Paste;
}
QPushButton* TForm1::bt_RemoveTagAttribs() const {
    return Ui->bt_RemoveTagAttribs;
}
QPushButton* TForm1::bt_RemoveTags() const {
    return Ui->bt_RemoveTags;
}
QPushButton* TForm1::bt_SelectAllCopy() const {
    return Ui->bt_SelectAllCopy;
}
QLineEdit* TForm1::ed_TagsToClear() const {
    return Ui->ed_TagsToClear;
}
QLineEdit* TForm1::ed_TagsToRemove() const {
    return Ui->ed_TagsToRemove;
}
korvel::KorvelWidget* TForm1::me_Main() const {
    return Ui->me_Main;
}
korvel::TKorvel& TForm1::Pane() const {
    return Ui->me_Main->Korvel();
}

} // namespace quolt
