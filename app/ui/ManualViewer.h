#pragma once
// frmManual, "Zelvan 2005 Manual": the operator's manual, a screen of its own that "Done" leaves
// back to the main screen. The manual is read once, when the screen is first shown; it opens at
// a readable size (at least half the screen each way), and Esc or Enter presses "Done".
#include "app/Station.h"
#include "base/Dialogs.h"

#include <QWidget>

class QTextBrowser;
class QTextDocument;

namespace zelvan::app::ui
{

class ManualViewer : public QWidget
{
    Q_OBJECT

public:
    // `builtInManual`: where the program's own copy is found when the station folder has none.
    ManualViewer(Station& station, Dialogs& dialogs, QWidget* parent = nullptr,
                 const QString& builtInManual = QString());

    // Reads the manual into RichTextBox1 unless it was read already; a manual that is missing
    // or cannot be read leaves the viewer empty and is told once.
    void loadOnce();
    const QTextDocument& document() const;
    // "Done": asks for the main screen (the navigator hides this one).
    void done();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Station& station_;
    Dialogs& dialogs_;
    const QString builtIn_;
    QTextBrowser* text_ = nullptr;
    bool loaded_ = false;
    bool sized_ = false;
};

} // namespace zelvan::app::ui
