// The demo's promise: from typing `./run.sh --demo` on a built tree to the configuration screen
// shown (the station's first paint of it), and what the terminal showed before it: no build
// output on a built tree, only the demo's own line.
//
//   xvfb-run -a build/bench/bench_demo ./run.sh [runs]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

using zelvan::bench::ProbeRun;
using zelvan::bench::runUntilPrinted;

ProbeRun startOnce(const QString& runScript, const QString& demoDir)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELVAN_DEMO_DIR", demoDir);
    env.insert("ZELVAN_STARTUP_PROBE", "1");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    return runUntilPrinted(p, runScript, {"--demo"}, "configuration screen shown", 30000);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_demo RUN_SH [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
    std::vector<double> times;
    int mostLines = 0;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir demo;
        const ProbeRun start = startOnce(args[1], demo.path());
        if (start.ms < 0) {
            std::fprintf(stderr, "the configuration screen was not shown; output:\n%s\n",
                         start.before.constData());
            return 1;
        }
        times.push_back(start.ms);
        mostLines = std::max(mostLines, int(start.before.count('\n')));
        if (i == 0)
            std::printf("printed before the station:\n%s", start.before.constData());
    }
    std::sort(times.begin(), times.end());
    std::printf("./run.sh --demo to configuration screen, %d runs: min %.0f ms, median %.0f ms, "
                "max %.0f ms; at most %d lines printed before it\n",
                runs, times.front(), times[times.size() / 2], times.back(), mostLines);
    return 0;
}
