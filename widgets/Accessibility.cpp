#include "widgets/Accessibility.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QWidget>

namespace zelvan::widgets
{

namespace
{

QString ownCaption(const QWidget* w)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(w))
        return group->title();
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    return {};
}

} // namespace

QString withoutMnemonic(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i; // "&x" shows x underlined, "&&" shows one '&'
        plain += caption[i];
    }
    return plain.trimmed();
}

void describeControls(QWidget* screen)
{
    if (!screen)
        return;
    QList<QWidget*> widgets = screen->findChildren<QWidget*>();
    widgets.prepend(screen);
    QHash<const QWidget*, QString> buddyCaptions;
    for (const QWidget* w : widgets) {
        if (const auto* label = qobject_cast<const QLabel*>(w); label && label->buddy())
            buddyCaptions.insert(label->buddy(), withoutMnemonic(label->text()));
    }
    for (QWidget* w : widgets) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(u"qt_"))
            continue; // Qt's own inner widgets (scroll bars, viewports) keep Qt's names
        if (w->accessibleDescription().isEmpty())
            w->setAccessibleDescription(name);
        if (!w->accessibleName().isEmpty())
            continue;
        QString caption = withoutMnemonic(ownCaption(w));
        if (caption.isEmpty())
            caption = buddyCaptions.value(w);
        w->setAccessibleName(caption.isEmpty() ? name : caption);
    }
}

} // namespace zelvan::widgets
