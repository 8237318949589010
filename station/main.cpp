// zelvan: the measurement station.
//
//   zelvan [--answers FILE]
//
// --answers: the first dialogs are answered from FILE (one answer a line, see
// app/AnsweringDialogs.h) instead of by the operator; the demo station gets past its start-up
// questions with it.
#include "StationScreens.h"

#include "app/AnsweringDialogs.h"
#include "app/Station.h"
#include "app/StationResources.h"
#include "app/ui/MainScreen.h"
#include "base/Clock.h"
#include "capture/FfmpegCaptureControl.h"
#include "widgets/Accessibility.h"
#include "widgets/Navigator.h"
#include "widgets/QtDialogs.h"
#include "widgets/StationStyle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QIcon>
#include <QTimer>

#include <cstdio>

namespace
{

QStringList startUpAnswers(const QString& path, zelvan::Dialogs& dialogs)
{
    if (path.isEmpty())
        return {};
    const auto answers = zelvan::app::AnsweringDialogs::readAnswers(path);
    if (!answers) {
        dialogs.message(QStringLiteral("The answers file could not be read: ") + answers.error(),
                        zelvan::Icon::Warning);
        return {};
    }
    return *answers;
}

// For start-up measurements: with ZELVAN_STARTUP_PROBE set, one line on stdout when the
// configuration screen is first painted, that is, when the operator first sees it.
class StartUpProbe : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("Config")) {
            std::printf("configuration screen shown\n");
            std::fflush(stdout);
            qApp->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zelvan::kAppTitle));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Zelvan measurement station"));
    options.addHelpOption();
    options.addOption({QStringLiteral("answers"),
                       QStringLiteral("Answer the first dialogs from <file>."),
                       QStringLiteral("file")});
    options.process(app);
    // Screens are hidden and shown as the operator moves on; only the main screen's exit (or
    // closing it) ends the station, never the moment no screen happens to be visible.
    QApplication::setQuitOnLastWindowClosed(false);
    zelvan::widgets::installStationStyle(app);
    zelvan::widgets::installAccessibleButtonActions();

    zelvan::SystemClock clock;
    zelvan::app::Station station(clock);
    QApplication::setWindowIcon(QIcon(zelvan::app::stationResource(
        station.stationFolder(), QString::fromLatin1(zelvan::app::kReadyIcon))));
    zelvan::capture::FfmpegCaptureControl control;
    zelvan::widgets::QtDialogs operatorDialogs;
    zelvan::app::AnsweringDialogs dialogs(
        operatorDialogs, startUpAnswers(options.value(QStringLiteral("answers")), operatorDialogs));
    zelvan::widgets::Navigator navigator(station);
    if (!qEnvironmentVariableIsEmpty("ZELVAN_STARTUP_PROBE"))
        app.installEventFilter(new StartUpProbe(&app));

    zelvan::StationScreens screens = zelvan::buildScreens(station, dialogs, control, navigator);
    QObject::connect(screens.main.get(), &zelvan::app::ui::MainScreen::quitRequested, &app,
                     &QApplication::quit, Qt::QueuedConnection);
    QTimer::singleShot(0, screens.main.get(), &zelvan::app::ui::MainScreen::startUp);
    return app.exec();
}
