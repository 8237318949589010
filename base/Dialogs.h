#pragma once
// Every operator-facing text goes through Dialogs, so the real station shows Qt dialogs and
// tests see exactly what the operator would have seen.
#include <QPoint>
#include <QString>
#include <optional>

namespace zelvan
{

inline const char* const kAppTitle = "Zelvan Measurement";

enum class Icon { None, Information, Warning, Error, Question };

// The button a yes/no question takes when the operator just presses Enter.
enum class DefaultAnswer { Yes, No };

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // An empty title shows the application's title.
    virtual void message(const QString& text, Icon icon = Icon::None,
                         const QString& title = QString()) = 0;
    virtual bool askYesNo(const QString& text, const QString& title,
                          DefaultAnswer byDefault = DefaultAnswer::Yes) = 0;
    // std::nullopt when the operator cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& proposed = QString(),
                                         const std::optional<QPoint>& posTwips = std::nullopt) = 0;
    // Filter in the station's "Name (*.ext)|*.ext|" form; selectedFilter counts from 1.
    // An empty result means the dialog was cancelled.
    virtual QString openFile(const QString& title, const QString& folder, const QString& filter,
                             int selectedFilter = 1) = 0;
    virtual QString saveFile(const QString& title, const QString& folder, const QString& filter,
                             int selectedFilter = 1) = 0;
};

} // namespace zelvan
