#pragma once
// A station over a temporary folder, scripted dialogs and the helpers the viewer tests share.
#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "WidgetTestApp.h"
#include "app/Station.h"
#include "base/Clock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

// Readable QString values in failure messages.
inline std::ostream& operator<<(std::ostream& os, const QString& s)
{
    return os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << s;
}

namespace zelvan::test
{

class ViewerFixture : public ::testing::Test, protected test::StationFolder
{
protected:
    ViewerFixture() { QDir(dir.path()).mkpath(QStringLiteral("videos")); }

    QString path(const QString& name) const { return dir.filePath(name); }
    // Writes the bytes as they stand; CR LF lines are the caller's.
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // The screens requested so far, in order.
    QList<app::Station::Screen> requested() const
    {
        QList<app::Station::Screen> out;
        for (const QList<QVariant>& args : screens)
            out << args.at(0).value<app::Station::Screen>();
        return out;
    }
    // With ZELVAN_SCREENSHOTS set to a folder, the window is saved there at both sizes of
    // the station's screens, as a window of its own size within them.
    static void screenshot(QWidget& window, const QString& name)
    {
        const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        QApplication::processEvents();
        ASSERT_TRUE(window.grab().save(QDir(folder).filePath(name + ".png")));
    }

    ScriptedDialogs dialogs;
    QSignalSpy screens{&station, &app::Station::screenRequested};
};

} // namespace zelvan::test
