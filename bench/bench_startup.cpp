// Start-up time of the station: from starting the zelvan program to the first paint of the
// configuration screen, with three configured grids, under the display it is given (Xvfb for
// the README figure). The start-up questions are answered by an answers file, as on the demo
// station, so the time is the station's own.
//
//   xvfb-run -a build/bench/bench_startup build/station/zelvan build/cli/zelvan-tool [runs]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A station folder with three ready grids of the simulated site and a save-video folder.
bool prepare(const QDir& dir, const QString& tool)
{
    for (const char* sub : {"station", "zqio", "videos", "setups"})
        dir.mkpath(QLatin1String(sub));
    if (!run(tool, {"simulate", "--out", dir.filePath("site"), "--seed", "7"}))
        return false;
    QFile siteFile(dir.filePath("site/site.json"));
    if (!siteFile.open(QIODevice::ReadOnly))
        return false;
    QJsonObject site = QJsonDocument::fromJson(siteFile.readAll()).object();
    QByteArray ini = "[Settings]\ngrids=3\nlogpath=" + dir.filePath("videos").toUtf8() + "\n";
    for (int n = 1; n <= 3; ++n) {
        site.insert("grid", n);
        site.insert("numGrids", 3);
        const QString in = dir.filePath(QStringLiteral("grid%1.json").arg(n));
        const QString out = dir.filePath(QStringLiteral("setups/grid%1.ipt").arg(n));
        if (!writeFile(in, QJsonDocument(site).toJson()) ||
            !run(tool, {"grid", "solve", "--in", in, "--save", out}))
            return false;
        ini += QStringLiteral("grid%1File=%2\n").arg(n).arg(out).toUtf8();
    }
    return writeFile(dir.filePath("DI05.ini"), ini) &&
           writeFile(dir.filePath("answers.txt"), "No\nOK\n");
}

// Milliseconds from start to the probe line; negative when it never came.
double startOnce(const QString& station, const QDir& dir)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELVAN_APP_DIR", dir.filePath("station"));
    env.insert("ZELVAN_ZQIO", dir.filePath("zqio"));
    env.insert("ZELVAN_SETTINGS", dir.filePath("DI05.ini"));
    env.insert("ZELVAN_STARTUP_PROBE", "1");
    p.setProcessEnvironment(env);
    return zelvan::bench::runUntilPrinted(p, station, {"--answers", dir.filePath("answers.txt")},
                                          "configuration screen shown", 10000)
        .ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_startup ZELVAN ZELVAN_TOOL [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 10;
    QTemporaryDir dir;
    if (!prepare(QDir(dir.path()), args[2])) {
        std::fprintf(stderr, "could not prepare the station folder\n");
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = startOnce(args[1], QDir(dir.path()));
        if (ms < 0) {
            std::fprintf(stderr, "the configuration screen was not shown\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "start to configuration screen, %d runs: min %.0f ms, median %.0f ms, max %.0f ms\n", runs,
        times.front(), times[times.size() / 2], times.back());
    return 0;
}
