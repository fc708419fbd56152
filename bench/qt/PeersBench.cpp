// Our editor widget beside the peers QPlainTextEdit and QScintilla, one widget
// per process, offscreen, in an 800 x 600 window with Liberation Mono at
// 11 pixels, on the same generated HTML text of about 100 MiB:
//
//   PeersBench --widget=korvel|plain|qsci [--mib=N] [--runs=N] [--wrap-runs=N]
//
// Prints one "figure value" line per measurement (milliseconds, megabytes):
//   - the text set and the first paint finished, queued events included;
//   - a keystroke right after that first paint, and how long the widget's
//     background work (our formatting) goes on after it;
//   - a keystroke (a letter through the widget's key event, then repaint and
//     the queued events) at the start and at line 700,000: first and median,
//     each once the background work has settled; the first keystroke after
//     each of 20 jumps around line 700,000: median;
//   - Page Down at the top and at line 700,000: median;
//   - the whole widget repainted at line 700,000 (scroll bars included): median;
//   - one 10 MB paragraph with word wrap on: set and first paint, a keystroke
//     at its end (first and median);
//   - the growth of the resident set for the 100 MiB text.
// bench/qt/run-peers.sh runs the three and prints them side by side.

#include "../BenchArguments.h"
#include "../BenchText.h"

#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/TMemoryStream.h"
#include "platform/qt/KorvelWidget.h"

#include <QApplication>
#include <QFont>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QWidget>

#ifdef QUOLT_HAVE_QSCINTILLA
#include <Qsci/qsciscintilla.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using TClockType = std::chrono::steady_clock;

double MsSince(TClockType::time_point Start) {
    return std::chrono::duration<double, std::milli>(TClockType::now() - Start).count();
}

// The resident set of this process in MB (VmRSS).
double ResidentMb() {
    std::ifstream Status("/proc/self/status");
    std::string Line;
    while (std::getline(Status, Line))
        if (Line.rfind("VmRSS:", 0) == 0)
            return std::strtod(Line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

// Table rows of a web page, one per line (CR LF between lines), averaging
// about 75 bytes, until Bytes are reached. The same size gives the same text.
std::string MakeHtml(size_t Bytes) {
    std::mt19937 Random(20261209);
    static const char* const Words[] = {"table",   "cell",  "north", "value", "a",     "price",
                                        "blue",    "item",  "of",    "order", "stock", "the",
                                        "caf\xE9", "south", "&amp;", "list",  "row",   "page"};
    static const char* const Opens[] = {"<tr><td class=\"c", "<td align=right width=", "<p id=\"p",
                                        "<li><a href=\"/item/", "<span style=\"color:#"};
    static const char* const Closes[] = {"</td></tr>", "</td>", "</p>", "</a></li>", "</span>"};
    std::string Text;
    Text.reserve(Bytes + 256);
    while (Text.size() < Bytes) {
        if (!Text.empty())
            Text += "\r\n";
        Text.append(Random() % 7, ' ');
        const uint32_t Kind = Random() % 5;
        Text += Opens[Kind];
        Text += std::to_string(Random() % 1000);
        Text += "\">";
        const size_t Length = 10 + Random() % 60;
        const size_t Start = Text.size();
        while (Text.size() - Start < Length) {
            Text += Words[Random() % std::size(Words)];
            Text += ' ';
        }
        Text.pop_back();
        Text += Closes[Kind];
    }
    return Text;
}

// One long paragraph of words, no breaks.
std::string MakeParagraph(size_t Bytes) {
    static const char* const Words[] = {"table", "cell", "north", "value", "a",     "price",
                                        "blue",  "item", "of",    "order", "stock", "the"};
    return bench::GenerateWordRun(Bytes, Words, 7);
}

// What the benchmark does to a widget, the same steps for each.
class TSubject {
public:
    virtual ~TSubject() = default;
    virtual QWidget& Widget() = 0;
    // Prepares the text outside the timing (the widget's own input form).
    virtual void Prepare(const std::string& Text) = 0;
    // Sets the prepared text.
    virtual void SetPrepared() = 0;
    // Frees what Prepare kept.
    virtual void Release() = 0;
    virtual void SetWordWrap(bool On) = 0;
    // Caret to the start of Line (a paragraph), shown.
    virtual void GoToLine(int Line) = 0;
    // Caret to the end of the text, shown.
    virtual void GoToEnd() = 0;
    virtual int LineCount() = 0;
    virtual int CaretLine() = 0;
    // Whether the widget still works through the text in the background.
    virtual bool Busy() { return false; }
};

QFont BenchFont() {
    QFont Font(QStringLiteral("Liberation Mono"));
    Font.setPixelSize(11);
    Font.setStyleHint(QFont::Monospace);
    return Font;
}

class TKorvelSubject : public TSubject {
public:
    TKorvelSubject() {
        korvel::TFont& Font = Pane.Korvel().GetFont();
        Font.SetName("Liberation Mono");
        Font.SetHeight(-11);
        Pane.Korvel().SetScrollTime(0);
    }
    QWidget& Widget() override { return Pane; }
    void Prepare(const std::string& Text) override {
        Stream = std::make_unique<korvel::TMemoryStream>(Text);
    }
    void SetPrepared() override { Pane.Korvel().LoadFromStream(*Stream); }
    void Release() override { Stream.reset(); }
    void SetWordWrap(bool On) override { Pane.Korvel().SetWordWrap(On); }
    void GoToLine(int Line) override {
        Pane.Korvel().SetCaretPar(Line);
        Pane.Korvel().ScrollInView();
    }
    void GoToEnd() override {
        Pane.Korvel().SetSelStart(INT32_MAX);
        Pane.Korvel().ScrollInView();
    }
    int LineCount() override { return Pane.Korvel().GetParagraphs().GetCount(); }
    int CaretLine() override { return Pane.Korvel().GetCaretPar(); }
    bool Busy() override { return Pane.Korvel().GetFormatThreadState() == korvel::tsRunning; }

private:
    korvel::KorvelWidget Pane;
    std::unique_ptr<korvel::TMemoryStream> Stream;
};

class TPlainSubject : public TSubject {
public:
    TPlainSubject() { Edit.setFont(BenchFont()); }
    QWidget& Widget() override { return Edit; }
    void Prepare(const std::string& Text) override { Prepared = QString::fromLatin1(Text); }
    void SetPrepared() override { Edit.setPlainText(Prepared); }
    void Release() override { Prepared = QString(); }
    void SetWordWrap(bool On) override {
        Edit.setLineWrapMode(On ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    }
    void GoToLine(int Line) override {
        Edit.setTextCursor(QTextCursor(Edit.document()->findBlockByNumber(Line)));
        Edit.ensureCursorVisible();
    }
    void GoToEnd() override {
        QTextCursor Cursor = Edit.textCursor();
        Cursor.movePosition(QTextCursor::End);
        Edit.setTextCursor(Cursor);
        Edit.ensureCursorVisible();
    }
    int LineCount() override { return Edit.document()->blockCount(); }
    int CaretLine() override { return Edit.textCursor().blockNumber(); }

private:
    QPlainTextEdit Edit;
    QString Prepared;
};

#ifdef QUOLT_HAVE_QSCINTILLA
class TQsciSubject : public TSubject {
public:
    TQsciSubject() {
        Edit.setFont(BenchFont());
        Edit.setUtf8(false);
        Edit.setMarginWidth(1, 0);
        Edit.setWrapMode(QsciScintilla::WrapNone);
    }
    QWidget& Widget() override { return Edit; }
    void Prepare(const std::string& Text) override { Prepared = QString::fromLatin1(Text); }
    void SetPrepared() override { Edit.setText(Prepared); }
    void Release() override { Prepared = QString(); }
    void SetWordWrap(bool On) override {
        Edit.setWrapMode(On ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    }
    void GoToLine(int Line) override {
        Edit.setCursorPosition(Line, 0);
        Edit.ensureCursorVisible();
    }
    void GoToEnd() override {
        const int Last = Edit.lines() - 1;
        Edit.setCursorPosition(Last, Edit.lineLength(Last));
        Edit.ensureCursorVisible();
    }
    int LineCount() override { return Edit.lines(); }
    int CaretLine() override {
        int Line = 0, Index = 0;
        Edit.getCursorPosition(&Line, &Index);
        return Line;
    }

private:
    QsciScintilla Edit;
    QString Prepared;
};
#endif

// Paints the widget now and runs the events queued meanwhile.
void PaintNow(QWidget& Widget) {
    Widget.repaint();
    QApplication::processEvents();
}

struct TSamples {
    double First = 0;
    double Median = 0;
};

TSamples Summarise(std::vector<double> Ms) {
    TSamples Out;
    Out.First = Ms.front();
    std::sort(Ms.begin(), Ms.end());
    Out.Median = Ms[Ms.size() / 2];
    return Out;
}

// Counts the paint events that reach a widget or any of its children.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget& Widget) {
        Widget.installEventFilter(this);
        for (QWidget* Child : Widget.findChildren<QWidget*>())
            Child->installEventFilter(this);
    }
    int Count = 0;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::Paint)
            ++Count;
        return QObject::eventFilter(Watched, Event);
    }
};

// Key pressed and released through the widget's key event, then the events
// it queued until the widget has painted what the key changed (the widget
// chooses what to repaint, as it does for a user).
TSamples Keys(QWidget& Widget, Qt::Key Key, int Runs) {
    TPaintCounter Paints(Widget);
    std::vector<double> Ms;
    for (int I = 0; I < Runs; ++I) {
        const int Before = Paints.Count;
        const auto Start = TClockType::now();
        QTest::keyClick(&Widget, Key);
        QApplication::processEvents();
        while (Paints.Count == Before && MsSince(Start) < 1000)
            QApplication::processEvents();
        Ms.push_back(MsSince(Start));
    }
    if (Paints.Count == 0)
        std::fprintf(stderr, "# the key painted nothing\n");
    return Summarise(Ms);
}

// Repaints the whole widget, scroll bars included, Runs times: the median.
double FullRepaints(QWidget& Widget, int Runs) {
    std::vector<double> Ms;
    for (int I = 0; I < Runs; ++I) {
        const auto Start = TClockType::now();
        PaintNow(Widget);
        Ms.push_back(MsSince(Start));
    }
    return Summarise(Ms).Median;
}

void Print(const char* Figure, double Value) {
    std::printf("%s %.4f\n", Figure, Value);
    std::fflush(stdout);
}

// Runs the event loop until the widget's background work is done, then for
// another 100 ms so that whatever it queued last is handled too. Returns the
// time the background work took.
double Settle(TSubject& Subject) {
    const auto Start = TClockType::now();
    while (Subject.Busy())
        QApplication::processEvents();
    const double Ms = MsSince(Start);
    QTest::qWait(100);
    return Ms;
}

std::unique_ptr<TSubject> MakeSubject(const std::string& Name) {
    if (Name == "korvel")
        return std::make_unique<TKorvelSubject>();
    if (Name == "plain")
        return std::make_unique<TPlainSubject>();
#ifdef QUOLT_HAVE_QSCINTILLA
    if (Name == "qsci")
        return std::make_unique<TQsciSubject>();
#endif
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication Application(argc, argv);
    std::string Name = "korvel";
    for (int I = 1; I < argc; ++I)
        if (std::strncmp(argv[I], "--widget=", 9) == 0)
            Name = argv[I] + 9;
    const long Mib = bench::ArgumentValue(argc, argv, "--mib=", 100);
    const int Runs = static_cast<int>(bench::ArgumentValue(argc, argv, "--runs=", 21));
    const int WrapRuns = static_cast<int>(bench::ArgumentValue(argc, argv, "--wrap-runs=", 5));
    const int MiddleLine = static_cast<int>(bench::ArgumentValue(argc, argv, "--line=", 700000));

    std::unique_ptr<TSubject> Subject = MakeSubject(Name);
    if (!Subject) {
        std::fprintf(stderr, "unknown or unavailable widget: %s\n", Name.c_str());
        return 2;
    }
    QWidget& Widget = Subject->Widget();
    Widget.resize(800, 600);
    Widget.show();
    (void)QTest::qWaitForWindowExposed(&Widget);
    Widget.activateWindow();
    Widget.setFocus();
    PaintNow(Widget);

    {
        std::string Text = MakeHtml(static_cast<size_t>(Mib) << 20);
        const double Before = ResidentMb();
        Subject->Prepare(Text);
        auto Start = TClockType::now();
        Subject->SetPrepared();
        PaintNow(Widget);
        Print("set_100mb_and_first_paint_ms", MsSince(Start));
        Subject->Release();
        Print("rss_growth_100mb_mb", ResidentMb() - Before);
        std::printf("# %s: %d lines, %zu bytes\n", Name.c_str(), Subject->LineCount(), Text.size());
    }

    // A keystroke right after the first paint meets whatever the widget still
    // does in the background; the figures below are taken when it is done.
    Print("key_after_load_ms", Keys(Widget, Qt::Key_X, 1).First);
    Print("background_after_load_ms", Settle(*Subject));
    const TSamples KeyStart = Keys(Widget, Qt::Key_X, Runs);
    Print("key_start_first_ms", KeyStart.First);
    Print("key_start_median_ms", KeyStart.Median);
    Subject->GoToLine(MiddleLine);
    PaintNow(Widget);
    Settle(*Subject);
    const TSamples KeyMiddle = Keys(Widget, Qt::Key_X, Runs);
    // The first keystroke at a new place, right after the jump's paint (no
    // idle wait in between that would let other processes cool the caches).
    std::vector<double> Firsts;
    for (int J = 1; J <= 20; ++J) {
        Subject->GoToLine(MiddleLine + J * 997);
        PaintNow(Widget);
        Firsts.push_back(Keys(Widget, Qt::Key_X, 1).First);
    }
    Subject->GoToLine(MiddleLine);
    Print("key_middle_first_ms", KeyMiddle.First);
    Print("key_middle_median_ms", KeyMiddle.Median);
    Print("key_after_jump_median_ms", Summarise(Firsts).Median);

    Subject->GoToLine(0);
    PaintNow(Widget);
    Settle(*Subject);
    Print("pgdn_top_median_ms", Keys(Widget, Qt::Key_PageDown, Runs).Median);
    Subject->GoToLine(MiddleLine);
    PaintNow(Widget);
    Settle(*Subject);
    Print("pgdn_middle_median_ms", Keys(Widget, Qt::Key_PageDown, Runs).Median);
    Print("full_repaint_middle_median_ms", FullRepaints(Widget, Runs));
    std::printf("# %s: caret on line %d after paging from %d\n", Name.c_str(), Subject->CaretLine(),
                MiddleLine);

    {
        Subject->Prepare(std::string());
        Subject->SetPrepared();
        Subject->SetWordWrap(true);
        PaintNow(Widget);
        const std::string Paragraph = MakeParagraph(10u << 20);
        Subject->Prepare(Paragraph);
        const auto Start = TClockType::now();
        Subject->SetPrepared();
        PaintNow(Widget);
        Print("wrap_10mb_set_and_first_paint_ms", MsSince(Start));
        Subject->Release();
        Subject->GoToEnd();
        PaintNow(Widget);
        Settle(*Subject);
        const TSamples KeyEnd = Keys(Widget, Qt::Key_X, WrapRuns);
        Print("wrap_key_end_first_ms", KeyEnd.First);
        Print("wrap_key_end_median_ms", KeyEnd.Median);
    }
    return 0;
}
