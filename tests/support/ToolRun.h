#pragma once
// Runs zelvan-tool (path in ZELVAN_TOOL, set by CTest) as a script would, for the tests of
// every command.
#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace zelvan::test
{

struct ToolRun {
    int exitCode = -1; // -1 when the tool did not finish normally
    QByteArray out;
    QByteArray err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    QString errText() const { return QString::fromUtf8(err); }
};

// childSetup, when given, runs in the child before the tool starts (limits, signals).
inline ToolRun runTool(const QStringList& args, int timeoutMs = 60000,
                       const std::function<void()>& childSetup = {})
{
    ToolRun run;
    const QString tool = qEnvironmentVariable("ZELVAN_TOOL");
    EXPECT_FALSE(tool.isEmpty()) << "ZELVAN_TOOL is not set";
    QProcess p;
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    p.start(tool, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "zelvan-tool did not finish: " << args.join(' ').toStdString();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

// The whole file, empty when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Bad input: exit code 2, nothing on stdout, exactly one "error: ..." line on stderr.
inline void expectRefused(const ToolRun& r)
{
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
    EXPECT_TRUE(r.err.startsWith("error: ")) << r.err.constData();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
}

} // namespace zelvan::test
