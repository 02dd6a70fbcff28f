#pragma once
// The main of the Google Benchmark programs over the window: runs every
// benchmark, keeps each one's real time per iteration, then lets the program
// print its rows from them.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>
#include <map>
#include <string>

namespace qa::bench {

using Times = std::map<std::string, double>; // benchmark name -> time per iteration

inline int runBenchmarks(int argc, char** argv, const std::function<void(Times&)>& report)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    struct Collect : benchmark::ConsoleReporter {
        Collect() : ConsoleReporter(OO_Tabular) {} // no colours: the rows must start their lines
        Times times;
        void ReportRuns(const std::vector<Run>& runs) override
        {
            ConsoleReporter::ReportRuns(runs);
            for (const Run& run : runs)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    report(reporter.times);
    benchmark::Shutdown();
    return 0;
}

} // namespace qa::bench
