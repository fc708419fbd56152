// Measuring 8-bit text on the Qt canvas: the walk over the font's table of
// byte advances against QFontMetrics::horizontalAdvance of the same text
// converted to a QString (what measuring through Qt would cost per call).
//
//   TextMeasureBench [--bytes=N] [--runs=N]
//
// Prints nanoseconds per byte of the best run of each, for runs of text as
// painting and line breaking measure them (short runs between highlight
// changes, whole lines), and the ratios.

#include "../BenchArguments.h"

#include "framework/CodePage.h"
#include "platform/qt/TQtFontFace.h"
#include "platform/qt/TQtOffscreenCanvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using korvel::TQtOffscreenCanvas;

// Text of the kind the control shows: HTML with attributes, blanks and a few
// characters above 0x7F, cut into runs of about RunLength bytes.
std::vector<std::string> MakeRuns(size_t TotalBytes, size_t RunLength) {
    static const char* const Words[] = {"<td",     "class=\"x\"", "width=3>",   "Caf\xE9",
                                        "</td>",   "<font",       "color=red>", "\x93quoted\x94",
                                        "\x80 12", "text",        "of",         "the",
                                        "page"};
    std::mt19937 Random(7);
    std::string Text;
    while (Text.size() < TotalBytes) {
        Text += Words[Random() % std::size(Words)];
        Text += ' ';
    }
    std::vector<std::string> Runs;
    for (size_t At = 0; At + RunLength <= Text.size(); At += RunLength)
        Runs.push_back(Text.substr(At, RunLength - Random() % (RunLength / 4 + 1)));
    return Runs;
}

template <typename TMeasure>
double BestNsPerByte(const std::vector<std::string>& Runs, long Repeats, TMeasure Measure) {
    size_t Bytes = 0;
    for (const std::string& Run : Runs)
        Bytes += Run.size();
    double Best = 1e300;
    volatile long long Sink = 0;
    for (long R = 0; R < Repeats; ++R) {
        const auto Start = std::chrono::steady_clock::now();
        long long Sum = 0;
        for (const std::string& Run : Runs)
            Sum += Measure(Run);
        const auto End = std::chrono::steady_clock::now();
        Sink = Sink + Sum;
        Best = std::min(Best, std::chrono::duration<double, std::nano>(End - Start).count() /
                                  static_cast<double>(Bytes));
    }
    return Best;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QGuiApplication Application(argc, argv);
    const long TotalBytes = bench::ArgumentValue(argc, argv, "--bytes=", 4'000'000);
    const long Repeats = bench::ArgumentValue(argc, argv, "--runs=", 5);

    struct TFontCase {
        const char* Name;
        korvel::TFontStyles Style;
    };
    const TFontCase Fonts[] = {{"Courier New", 0}, {"MS Sans Serif", 0}};
    std::printf("%-16s %5s %14s %14s %8s\n", "font", "run", "table ns/B", "Qt ns/B", "ratio");
    for (const TFontCase& Font : Fonts) {
        TQtOffscreenCanvas Canvas;
        korvel::TFont Description;
        Description.SetName(Font.Name);
        Description.SetHeight(-11);
        Canvas.SelectFont(Description, Font.Style);
        const QFontMetrics Metrics(Canvas.GetFace().GetQFont());
        for (const size_t RunLength : {8u, 80u}) {
            const std::vector<std::string> Runs =
                MakeRuns(static_cast<size_t>(TotalBytes), RunLength);
            const double Table = BestNsPerByte(Runs, Repeats, [&](const std::string& Run) {
                korvel::TSize Size;
                Canvas.GetTextExtent(Run.data(), static_cast<int32_t>(Run.size()), Size);
                return static_cast<long long>(Size.cx);
            });
            const double Qt = BestNsPerByte(Runs, Repeats, [&](const std::string& Run) {
                return static_cast<long long>(
                    Metrics.horizontalAdvance(QString::fromStdU16String(korvel::AnsiToUtf16(Run))));
            });
            std::printf("%-16s %5zu %14.3f %14.3f %7.1fx\n", Font.Name, RunLength, Table, Qt,
                        Qt / Table);
        }
    }
    return 0;
}
