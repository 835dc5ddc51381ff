#include "monitor/controls/FontSubstitutes.h"

#include <QApplication>

#include <benchmark/benchmark.h>

// The benchmarks draw and lay out off-screen: fonts and widgets need an
// application object, and no display.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FontSubstitutes::install();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
