#pragma once
// The superuser passes every permission check, so a read-only file or folder refuses nothing
// to it. The permission cases run as the unprivileged account "nobody" instead, for the
// guard's lifetime: only the effective ids change, so the destructor can take the old ones
// back. Files the case makes must be made after the guard (in a folder "nobody" may write,
// such as a fresh QTemporaryDir) and go before it.
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace zelvan::test
{

// Exit code of a child that could not change its account.
inline constexpr int kNoAccountChange = 125;

#ifdef Q_OS_UNIX

class Unprivileged
{
public:
    Unprivileged()
    {
        if (geteuid() != 0)
            return;
        constexpr uid_t kNobody = 65534;
        dropped_ = setegid(kNobody) == 0 && seteuid(kNobody) == 0;
    }
    ~Unprivileged()
    {
        if (dropped_ && seteuid(0) == 0)
            (void)setegid(0);
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // False when this account still passes every check (the ids could not be changed).
    bool permissionsApply() const { return geteuid() != 0; }

private:
    bool dropped_ = false;
};

// For a child process (QProcess::setChildProcessModifier) of a superuser test: Qt programs
// refuse to start with real and effective ids apart, so the child takes all of them.
inline void childAsNobody()
{
    if (getuid() != 0)
        return;
    constexpr uid_t kNobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
        _exit(kNoAccountChange);
}

#else
// Elsewhere the account is what it is; the cases probe whether a permission holds.
class Unprivileged
{
public:
    bool permissionsApply() const { return true; }
};
#endif

} // namespace zelvan::test
