#include "QtWidgetTestSupport.h"

#include "KVSupport/KorvelTypes.h"
#include "Quolt_fm_Main/TagCleaner.h"
#include "Quolt_fm_Main/window/TForm1.h"
#include "framework/TFont.h"
#include "framework/TPen.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace korvel;
using namespace korvel::qttest;
using quolt::TForm1;

namespace {

struct TShownForm {
    TForm1 Form;
    TShownForm() {
        Form.show();
        Form.activateWindow();
        (void)QTest::qWaitForWindowExposed(&Form);
        (void)QTest::qWaitForWindowActive(&Form);
        Form.me_Main()->Host().OnException = [](const std::string& Text) {
            ADD_FAILURE() << "exception in a handler: " << Text;
        };
    }
};

std::string Joined(const std::vector<std::string>& Lines) {
    std::string Out;
    for (const std::string& Line : Lines)
        Out += Line + "\r\n";
    return Out;
}

} // namespace

TEST(QtForm1Test, ControlsCaptionsGeometryAndTabOrder) {
    TShownForm F;
    TForm1& Form = F.Form;
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Quolt"));
    EXPECT_EQ(Form.objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(Form.size(), QSize(586, 515));

    struct TControl {
        QWidget* Widget;
        const char* Name;
        QRect Geometry;
        const char* Caption;
    };
    const TControl Controls[] = {
        {Form.Panel1(), "Panel1", {0, 0, 586, 193}, nullptr},
        {Form.gbx_Start(), "gbx_Start", {1, 1, 584, 48}, " 1. Start "},
        {Form.bt_Clear(), "bt_Clear", {8, 15, 153, 25}, "Clear HTML Window Below"},
        {Form.bt_Paste(), "bt_Paste", {176, 15, 153, 25}, "Paste HTML to Window Below"},
        {Form.gbx_CleanTags(), "gbx_CleanTags", {1, 49, 584, 88}, " 2. Clean Tags "},
        {Form.ed_TagsToClear(),
         "ed_TagsToClear",
         {216, 18, 360, 21},
         "table tr td thead th font col"},
        {Form.bt_RemoveTagAttribs(),
         "bt_RemoveTagAttribs",
         {8, 16, 201, 25},
         "Remove attribs from these tags:"},
        {Form.bt_RemoveTags(),
         "bt_RemoveTags",
         {8, 48, 201, 25},
         "Remove these tags (retain content):"},
        {Form.ed_TagsToRemove(), "ed_TagsToRemove", {216, 50, 360, 21}, "font col colgroup"},
        {Form.gbx_Finish(), "gbx_Finish", {1, 137, 584, 55}, " 3. Finish "},
        {Form.bt_SelectAllCopy(),
         "bt_SelectAllCopy",
         {8, 20, 201, 25},
         "Select All HTML from Window, Copy"},
        {Form.me_Main(), "me_Main", {0, 193, 586, 322}, nullptr},
    };
    for (const TControl& C : Controls) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(C.Widget->objectName(), QString::fromLatin1(C.Name));
        EXPECT_EQ(C.Widget->geometry(), C.Geometry);
        if (C.Caption == nullptr)
            continue;
        QString Text;
        if (auto* Box = qobject_cast<QGroupBox*>(C.Widget))
            Text = Box->title();
        else if (auto* Button = qobject_cast<QAbstractButton*>(C.Widget))
            Text = Button->text();
        else if (auto* Edit = qobject_cast<QLineEdit*>(C.Widget))
            Text = Edit->text();
        EXPECT_EQ(Text, QString::fromLatin1(C.Caption));
    }
    EXPECT_EQ(Form.bt_Clear()->parentWidget(), Form.gbx_Start());
    EXPECT_EQ(Form.ed_TagsToRemove()->parentWidget(), Form.gbx_CleanTags());
    EXPECT_EQ(Form.bt_SelectAllCopy()->parentWidget(), Form.gbx_Finish());
    EXPECT_EQ(Form.gbx_Finish()->parentWidget(), Form.Panel1());
    EXPECT_EQ(Form.font().pixelSize(), 11);

    // Focus runs through the panel's steps in order, then the pane.
    const QWidget* Order[] = {Form.bt_Clear(),         Form.bt_Paste(),
                              Form.ed_TagsToClear(),   Form.bt_RemoveTagAttribs(),
                              Form.bt_RemoveTags(),    Form.ed_TagsToRemove(),
                              Form.bt_SelectAllCopy(), Form.me_Main()};
    Form.bt_Clear()->setFocus();
    QApplication::processEvents();
    for (const QWidget* Expected : Order) {
        EXPECT_EQ(QApplication::focusWidget(), Expected)
            << (QApplication::focusWidget()
                    ? QApplication::focusWidget()->objectName().toStdString()
                    : "none");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }

    // The panel keeps its height and the pane takes the rest; the edit boxes
    // keep their distance to the right edge.
    Form.resize(700, 600);
    QApplication::processEvents();
    EXPECT_EQ(Form.Panel1()->geometry(), QRect(0, 0, 700, 193));
    EXPECT_EQ(Form.me_Main()->geometry(), QRect(0, 193, 700, 407));
    EXPECT_EQ(Form.ed_TagsToClear()->geometry(), QRect(216, 18, 474, 21));
    EXPECT_EQ(Form.ed_TagsToRemove()->geometry(), QRect(216, 50, 474, 21));
    EXPECT_EQ(Form.bt_RemoveTags()->geometry(), QRect(8, 48, 201, 25));
    EXPECT_EQ(Form.gbx_Finish()->geometry(), QRect(1, 137, 698, 55));
}

TEST(QtForm1Test, PaneStartsWithItsStoredProperties) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    EXPECT_EQ(Pane.GetName(), "me_Main");
    EXPECT_EQ(Pane.GetCursor(), crIBeam);
    EXPECT_EQ(Pane.GetAlignment(), taLeftJustify);
    EXPECT_EQ(Pane.GetScrollBars(), ssBoth);
    EXPECT_FALSE(Pane.GetWordWrap());
    EXPECT_EQ(Pane.GetAltFont().GetName(), "MS Sans Serif");
    EXPECT_EQ(Pane.GetAltFont().GetHeight(), -11);
    EXPECT_EQ(Pane.GetAltFont().GetCharset(), 1);
    EXPECT_EQ(Pane.GetAltFont().GetColor(), clWindowText);
    EXPECT_EQ(Pane.GetAltFont().GetStyle(), 0);
    EXPECT_EQ(Pane.GetCaretWidth(), 1);
    EXPECT_FALSE(Pane.IsCaretWidthAutomatic());
    EXPECT_EQ(Pane.GetColumnWrap(), 0);
    EXPECT_FALSE(Pane.GetDisplayOnly());
    EXPECT_EQ(Pane.GetEndOfTextMark().GetColor(), clRed);
    EXPECT_FALSE(Pane.GetJustified());
    EXPECT_TRUE(Pane.IsLineHeightAutomatic());
    EXPECT_EQ(Pane.GetOptions(), OptionBit(kvoWrapCaret) | OptionBit(kvoInsertKeyActive) |
                                     OptionBit(kvoWideOverwriteCaret) |
                                     OptionBit(kvoAutoScrollBars) | OptionBit(kvoNoFineScroll));
    EXPECT_FALSE(Pane.GetOverwrite());
    EXPECT_TRUE(Pane.GetReadOnly());
    EXPECT_EQ(Pane.GetRightLinePen().GetColor(), clGray);
    EXPECT_EQ(Pane.GetRightLinePen().GetStyle(), psDot);
    EXPECT_EQ(Pane.GetScrollTime(), 50);
    EXPECT_EQ(Pane.GetSelBackColor(), clHighlight);
    EXPECT_EQ(Pane.GetSelTextColor(), clHighlightText);
    EXPECT_EQ(Pane.GetSeparators(), std::string("\t\n\r $%&,./:;<=>"));
    EXPECT_EQ(Pane.GetSpecUnderline().GetColor(), clRed);
    EXPECT_EQ(Pane.GetFont().GetName(), "Courier New");
    EXPECT_EQ(Pane.GetFont().GetHeight(), -11);
    EXPECT_EQ(Pane.GetFont().GetCharset(), 1);
    EXPECT_EQ(Pane.GetFont().GetColor(), clWindowText);
    EXPECT_FALSE(Pane.GetParentFont());
    EXPECT_TRUE(Pane.GetTabStop());
    EXPECT_EQ(Pane.GetVersion(), TKorvel::VersionText);
    EXPECT_EQ(Pane.GetAllText(), "");
    // The widget took the control's cursor and its window exists.
    EXPECT_EQ(F.Form.me_Main()->Host().GetCursor(), crIBeam);
    EXPECT_EQ(F.Form.me_Main()->focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(Pane.IsViewLive());
}

TEST(QtForm1Test, ActivationMovesTheWindowTo50And50EveryTime) {
    TShownForm F;
    EXPECT_EQ(F.Form.pos(), QPoint(50, 50));
    F.Form.move(300, 200);
    QWidget Other;
    Other.show();
    Other.activateWindow();
    (void)QTest::qWaitForWindowActive(&Other);
    EXPECT_EQ(F.Form.pos(), QPoint(300, 200));
    F.Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&F.Form));
    EXPECT_EQ(F.Form.pos(), QPoint(50, 50));
    EXPECT_EQ(F.Form.size(), QSize(586, 515));
}

TEST(QtForm1Test, BlankTagListShowsItsMessageAndLeavesThePane) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    Pane.SetAllText("<td class=x>1</td>");
    const std::string Before = Pane.GetAllText();
    for (auto [Button, Edit] : {std::pair{F.Form.bt_RemoveTagAttribs(), F.Form.ed_TagsToClear()},
                                std::pair{F.Form.bt_RemoveTags(), F.Form.ed_TagsToRemove()}}) {
        Edit->setText(QStringLiteral(" \t "));
        QString Text;
        QString Title;
        AnswerNextModal([&](QWidget* Shown) {
            auto* Box = qobject_cast<QMessageBox*>(Shown);
            ASSERT_NE(Box, nullptr);
            Text = Box->text();
            Title = Box->windowTitle();
            Box->button(QMessageBox::Ok)->click();
        });
        Button->click();
        EXPECT_EQ(Text, QStringLiteral("No tags specified to be cleaned"));
        EXPECT_EQ(Title, QStringLiteral("Quolt"));
        EXPECT_EQ(Pane.GetAllText(), Before);
    }
}

TEST(QtForm1Test, CleanButtonsPutTheCleanedLinesIntoThePane) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    const std::string Html = "<TABLE border=1>\r\n<tr class=\"a\"><td width=3><FONT "
                             "color=red>x</FONT></td></tr>\r\n\r\n   \r\n<col span=2></TABLE>";
    Pane.SetAllText(Html);
    F.Form.ed_TagsToClear()->setText(QStringLiteral("table, td"));
    F.Form.bt_RemoveTagAttribs()->click();
    const auto Stripped = quolt::CleanTags(quolt::tmStripAttribs, "table, td", Html);
    ASSERT_TRUE(Stripped);
    EXPECT_EQ(Pane.GetAllText(), Joined(*Stripped));
    EXPECT_EQ(Pane.GetAllText(),
              "<TABLE>\r\n<tr class=\"a\"><td><FONT color=red>x</FONT></td></tr>\r\n"
              "<col span=2></TABLE>\r\n");

    const std::string Between = Pane.GetAllText();
    F.Form.bt_RemoveTags()->click(); // the default list: font col colgroup
    const auto Removed = quolt::CleanTags(quolt::tmRemoveTags, "font col colgroup", Between);
    ASSERT_TRUE(Removed);
    EXPECT_EQ(Pane.GetAllText(), Joined(*Removed));
    EXPECT_EQ(Pane.GetAllText(), "<TABLE>\r\n<tr class=\"a\"><td>x</td></tr>\r\n</TABLE>\r\n");

    // A result without a non-blank line leaves the pane empty; so does Clear.
    F.Form.ed_TagsToRemove()->setText(QStringLiteral("table tr td col"));
    Pane.SetAllText("<td> </td>\r\n<col>");
    F.Form.bt_RemoveTags()->click();
    EXPECT_EQ(Pane.GetAllText(), "");
    Pane.SetAllText("abc");
    F.Form.bt_Clear()->click();
    EXPECT_EQ(Pane.GetAllText(), "");
    F.Form.bt_Clear()->click();
    EXPECT_EQ(Pane.GetAllText(), "");
}

TEST(QtForm1Test, CleanEndsTheUpdateBracketWhenAddingALineFails) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    Pane.SetAllText("<td a=1>one</td>\r\n<td>two</td>\r\n<td>three</td>");
    int32_t Changes = 0;
    Pane.OnBeforeChange = [&Changes](TObject*, const char*&) {
        // The clear, then the first line; the second line fails.
        if (++Changes == 3)
            throw std::runtime_error("no room for another line");
    };
    QString Shown;
    AnswerNextModal([&](QWidget* Box) {
        Shown = qobject_cast<QMessageBox*>(Box)->text();
        qobject_cast<QMessageBox*>(Box)->button(QMessageBox::Ok)->click();
    });
    F.Form.bt_RemoveTagAttribs()->click();
    Pane.OnBeforeChange = nullptr;
    EXPECT_EQ(Shown, QStringLiteral("no room for another line"));
    EXPECT_EQ(Pane.GetUpdateLock(), 0);
    EXPECT_EQ(Pane.GetAllText(), "<td>one</td>\r\n");
    // The window goes on working.
    F.Form.bt_RemoveTagAttribs()->click();
    EXPECT_EQ(Pane.GetAllText(), "<td>one</td>\r\n");
}

TEST(QtForm1Test, CleanedTextIsPaintedInThePane) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    Pane.SetAllText("<TABLE width=9><TR><TD class=x>Harbour Street</TD></TR></TABLE>");
    F.Form.bt_RemoveTagAttribs()->click();
    ASSERT_EQ(Pane.GetAllText(), "<TABLE><TR><TD>Harbour Street</TD></TR></TABLE>\r\n");
    QTest::qWait(100);
    const QImage Shot = F.Form.grab().toImage();
    if (const QByteArray Dir = qgetenv("QUOLT_QT_SCREENSHOTS"); !Dir.isEmpty())
        Shot.save(QString::fromLocal8Bit(Dir) + QStringLiteral("/form1-cleaned.png"));
    // Ink where the first line stands, white paper around and below it.
    const QPoint Origin = F.Form.me_Main()->viewport()->mapTo(&F.Form, QPoint(0, 0));
    const int Line = Pane.GetLineHeightPx();
    int Ink = 0;
    for (int Y = 0; Y < Line; ++Y)
        for (int X = 0; X < 300; ++X)
            Ink += qGray(Shot.pixel(Origin + QPoint(X, Y))) < 100 ? 1 : 0;
    EXPECT_GT(Ink, 100);
    EXPECT_EQ(qGray(Shot.pixel(Origin + QPoint(400, Line / 2))), 255);
    EXPECT_EQ(qGray(Shot.pixel(Origin + QPoint(200, 5 * Line))), 255);

    // Cleared, the line's ink is gone.
    F.Form.bt_Clear()->click();
    QTest::qWait(50);
    const QImage Empty = F.Form.grab().toImage();
    Ink = 0;
    for (int Y = 0; Y < Line; ++Y)
        for (int X = 20; X < 300; ++X)
            Ink += qGray(Empty.pixel(Origin + QPoint(X, Y))) < 100 ? 1 : 0;
    EXPECT_EQ(Ink, 0);
}

// The whole round as a user does it, through the real buttons and the system
// clipboard: paste, a refused blank clean, both cleans, select all and copy.
TEST(QtForm1Test, RoundTripThroughTheSystemClipboard) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    QClipboard* Clipboard = QGuiApplication::clipboard();
    // U+3042 is outside Windows-1252 and becomes a numeric reference; the
    // euro sign is a code-page byte and stays one character.
    const QString Html = QString::fromUtf8("<TABLE border=1>\r\n<tr class=\"a\"><td width=3>"
                                           "<FONT color=red>\xE3\x81\x82 \xE2\x82\xAC</FONT>"
                                           "</td></tr>\r\n\r\n<col span=2></TABLE>");
    Clipboard->setText(Html);

    Pane.SetAllText("old");
    F.Form.bt_Clear()->click();
    EXPECT_EQ(Pane.GetAllText(), "");
    F.Form.bt_Paste()->click();
    const std::string Pasted = "<TABLE border=1>\r\n<tr class=\"a\"><td width=3>"
                               "<FONT color=red>&#12354; \x80</FONT></td></tr>\r\n\r\n"
                               "<col span=2></TABLE>";
    ASSERT_EQ(Pane.GetAllText(), Pasted);
    ASSERT_TRUE(Pane.CanUndo());

    // A blank list is refused with its message; text and undo history stay.
    F.Form.ed_TagsToClear()->setText(QStringLiteral("  "));
    QString Text;
    AnswerNextModal([&](QWidget* Shown) {
        auto* Box = qobject_cast<QMessageBox*>(Shown);
        ASSERT_NE(Box, nullptr);
        Text = Box->text();
        Box->button(QMessageBox::Ok)->click();
    });
    F.Form.bt_RemoveTagAttribs()->click();
    EXPECT_EQ(Text, QStringLiteral("No tags specified to be cleaned"));
    EXPECT_EQ(Pane.GetAllText(), Pasted);
    Pane.Undo(); // the last step is still the paste
    EXPECT_EQ(Pane.GetAllText(), "");
    Clipboard->setText(Html);
    F.Form.bt_Paste()->click();
    ASSERT_EQ(Pane.GetAllText(), Pasted);

    F.Form.ed_TagsToClear()->setText(QStringLiteral("table td"));
    F.Form.bt_RemoveTagAttribs()->click();
    const auto Stripped = quolt::CleanTags(quolt::tmStripAttribs, "table td", Pasted);
    ASSERT_TRUE(Stripped);
    EXPECT_EQ(Pane.GetAllText(), Joined(*Stripped));
    F.Form.ed_TagsToRemove()->setText(QStringLiteral("font col"));
    F.Form.bt_RemoveTags()->click();
    const auto Removed = quolt::CleanTags(quolt::tmRemoveTags, "font col", Joined(*Stripped));
    ASSERT_TRUE(Removed);
    EXPECT_EQ(Pane.GetAllText(), Joined(*Removed));

    Clipboard->setText(QStringLiteral("stale"));
    F.Form.bt_SelectAllCopy()->click();
    EXPECT_EQ(Clipboard->text(), QString::fromUtf8("<TABLE>\r\n<tr class=\"a\"><td>&#12354; "
                                                   "\xE2\x82\xAC</td></tr>\r\n</TABLE>\r\n"));
}

// The pane is read-only: typing does nothing, but the caret moves, the
// selection grows, and Ctrl+C and the right-click menu's Copy copy it.
TEST(QtForm1Test, ReadOnlyPaneRefusesTypingButMovesSelectsAndCopies) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    QClipboard* Clipboard = QGuiApplication::clipboard();
    Pane.SetAllText("abcdef\r\nghi");
    QWidget* View = F.Form.me_Main()->viewport();
    F.Form.me_Main()->setFocus();
    QApplication::processEvents();

    QTest::keyClicks(F.Form.me_Main(), QStringLiteral("xy"));
    QTest::keyClick(F.Form.me_Main(), Qt::Key_Return);
    QTest::keyClick(F.Form.me_Main(), Qt::Key_Delete);
    EXPECT_EQ(Pane.GetAllText(), "abcdef\r\nghi");

    QTest::keyClick(F.Form.me_Main(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(F.Form.me_Main(), Qt::Key_Right);
    EXPECT_EQ(Pane.GetSelStart(), 1);
    QTest::keyClick(F.Form.me_Main(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(F.Form.me_Main(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Pane.GetSelText(), "bc");
    Clipboard->setText(QStringLiteral("stale"));
    QTest::keyClick(F.Form.me_Main(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard->text(), QStringLiteral("bc"));

    QTest::keyClick(F.Form.me_Main(), Qt::Key_Down, Qt::ShiftModifier);
    const std::string Selected = Pane.GetSelText();
    EXPECT_EQ(Selected, "bcdef\r\nghi"); // the second line is shorter
    Clipboard->setText(QStringLiteral("stale"));
    QStringList Seen;
    AnswerNextModal([&](QWidget* Shown) {
        auto* Menu = qobject_cast<QMenu*>(Shown);
        ASSERT_NE(Menu, nullptr);
        for (QAction* A : Menu->actions())
            if (A->text() == QStringLiteral("&Copy")) {
                Seen << A->text();
                Menu->setActiveAction(A);
            }
        QTest::keyClick(Menu, Qt::Key_Return);
    });
    QTest::mouseClick(View, Qt::RightButton, {}, QPoint(20, 5));
    QApplication::processEvents();
    EXPECT_EQ(Seen, QStringList{QStringLiteral("&Copy")});
    EXPECT_EQ(Clipboard->text(), QString::fromStdString(Selected));
    EXPECT_EQ(Pane.GetAllText(), "abcdef\r\nghi");
}

// The pane's right-click menu on the read-only pane: Cut and Paste are
// greyed, Undo and Redo step through what the buttons did, and each menu
// choice leaves the pane's text exactly as the step before or after it.
TEST(QtForm1Test, ReadOnlyPaneUndoesAndRedoesThroughItsMenu) {
    TShownForm F;
    TKorvel& Pane = F.Form.Pane();
    QClipboard* Clipboard = QGuiApplication::clipboard();
    QWidget* View = F.Form.me_Main()->viewport();

    // Opens the menu by the right button, records which items are enabled,
    // and chooses the item captioned Choice by its access key.
    struct TMenuState {
        QStringList Enabled;
        bool Opened = false;
    };
    const auto ChooseFromMenu = [&](const QString& Choice, QChar AccessKey) {
        TMenuState State;
        AnswerNextModal([&](QWidget* Shown) {
            auto* Menu = qobject_cast<QMenu*>(Shown);
            ASSERT_NE(Menu, nullptr);
            State.Opened = true;
            for (QAction* A : Menu->actions())
                if (!A->isSeparator() && A->isEnabled())
                    State.Enabled << A->text();
            if (Choice.isEmpty())
                QTest::keyClick(Menu, Qt::Key_Escape);
            else
                QTest::keyClick(Menu, AccessKey.toLatin1());
        });
        QTest::mouseClick(View, Qt::RightButton, {}, QPoint(30, 5));
        QApplication::processEvents();
        EXPECT_TRUE(State.Opened);
        return State.Enabled;
    };

    Clipboard->setText(QStringLiteral("<td class=x>one</td>\r\n<td>two</td>"));
    F.Form.bt_Paste()->click();
    const std::string Pasted = "<td class=x>one</td>\r\n<td>two</td>";
    ASSERT_EQ(Pane.GetAllText(), Pasted);
    F.Form.ed_TagsToClear()->setText(QStringLiteral("td"));
    F.Form.bt_RemoveTagAttribs()->click();
    const std::string Cleaned = "<td>one</td>\r\n<td>two</td>\r\n";
    ASSERT_EQ(Pane.GetAllText(), Cleaned);

    // Nothing selected, a text on the clipboard: only Undo and Select all
    // are offered by a read-only pane.
    EXPECT_EQ(ChooseFromMenu({}, {}),
              (QStringList{QStringLiteral("&Undo"), QStringLiteral("&Select all")}));
    EXPECT_EQ(Pane.GetAllText(), Cleaned);

    // Undo steps back through the clean (its lines, then its Clear) to the
    // paste and before it; the pane was never typed into.
    std::vector<std::string> Seen{Pane.GetAllText()};
    while (Pane.CanUndo()) {
        const QStringList Offered = ChooseFromMenu(QStringLiteral("&Undo"), QLatin1Char('u'));
        EXPECT_TRUE(Offered.contains(QStringLiteral("&Undo")));
        Seen.push_back(Pane.GetAllText());
        ASSERT_LT(Seen.size(), 50u) << "undo does not come to an end";
    }
    // Each added line, the Clear and the paste are steps of their own.
    EXPECT_EQ(Seen, (std::vector<std::string>{Cleaned, "<td>one</td>\r\n", "", Pasted, ""}));
    EXPECT_FALSE(ChooseFromMenu({}, {}).contains(QStringLiteral("&Undo")));

    // Redo walks the same states forward again, ending at the cleaned text.
    std::vector<std::string> Forward{Pane.GetAllText()};
    while (Pane.CanRedo()) {
        const QStringList Offered = ChooseFromMenu(QStringLiteral("&Redo"), QLatin1Char('r'));
        EXPECT_TRUE(Offered.contains(QStringLiteral("&Redo")));
        EXPECT_FALSE(Offered.contains(QStringLiteral("Cu&t")));
        EXPECT_FALSE(Offered.contains(QStringLiteral("&Paste")));
        Forward.push_back(Pane.GetAllText());
        ASSERT_LT(Forward.size(), 50u) << "redo does not come to an end";
    }
    EXPECT_EQ(std::vector<std::string>(Seen.rbegin(), Seen.rend()), Forward);
    EXPECT_EQ(Pane.GetAllText(), Cleaned);

    // Select all from the menu, then Copy: the menu copies, Cut stays greyed.
    ChooseFromMenu(QStringLiteral("&Select all"), QLatin1Char('s'));
    Clipboard->setText(QStringLiteral("stale"));
    const QStringList Offered = ChooseFromMenu(QStringLiteral("&Copy"), QLatin1Char('c'));
    EXPECT_TRUE(Offered.contains(QStringLiteral("&Copy")));
    EXPECT_FALSE(Offered.contains(QStringLiteral("Cu&t")));
    EXPECT_EQ(Clipboard->text(), QString::fromStdString(Cleaned));
    EXPECT_EQ(Pane.GetAllText(), Cleaned);
}
