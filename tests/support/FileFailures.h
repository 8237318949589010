#pragma once
// Real write failures for the tests of every writer: a process file-size limit behaves like a
// disk that fills during the write (write() fails with EFBIG past the limit), in this process
// or in a zelvan-tool child.
#include "ToolRun.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

namespace zelvan::test
{

// Lowers this process's file-size limit for its lifetime; SIGXFSZ is ignored so that the
// write fails instead of killing the test.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

// zelvan-tool run with a file-size limit of `bytes`, SIGXFSZ ignored, as a full disk meets it.
inline ToolRun runToolWithFileSizeLimit(const QStringList& args, rlim_t bytes,
                                        int timeoutMs = 60000)
{
    return runTool(args, timeoutMs, [bytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
}

} // namespace zelvan::test
#endif
