#include "widgets/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace zelvan::widgets
{

namespace
{

// The accessible name describeControls() took from a control's caption when it was built.
constexpr const char* kCaptionName = "zelvanCaptionName";

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

QAccessible::Role buttonRole(const QAbstractButton* button)
{
    if (qobject_cast<const QCheckBox*>(button))
        return QAccessible::CheckBox;
    if (qobject_cast<const QRadioButton*>(button))
        return QAccessible::RadioButton;
    return QAccessible::Button;
}

// Qt's own button interface, but its press and toggle actions click.
class ClickedButton : public QAccessibleWidget
{
public:
    explicit ClickedButton(QAbstractButton* button) : QAccessibleWidget(button, buttonRole(button))
    {
    }

    QString text(QAccessible::Text t) const override
    {
        // A name given from the caption follows the caption as the screen changes it
        // ("Grid 1" -> "Grid 2"); a name set for its own sake stays.
        if (t == QAccessible::Name &&
            (widget()->accessibleName().isEmpty() ||
             widget()->accessibleName() == widget()->property(kCaptionName).toString()))
            return withoutMnemonic(button()->text());
        if (t == QAccessible::Accelerator)
            return QKeySequence::mnemonic(button()->text()).toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        if (const auto* push = qobject_cast<const QPushButton*>(button()))
            s.defaultButton = push->isDefault();
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names{pressAction()};
        if (button()->isCheckable())
            names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction() || action == toggleAction()) {
            if (button()->isEnabled())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* clickedButtonFactory(const QString& /*className*/, QObject* object)
{
    auto* button = qobject_cast<QAbstractButton*>(object);
    // Tool buttons keep Qt's own interface: their menus and arrows need it.
    if (!button || !object->isWidgetType() || button->inherits("QToolButton"))
        return nullptr;
    return new ClickedButton(button);
}

} // namespace

void installAccessibleButtonActions()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(clickedButtonFactory);
    installed = true;
}

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
        if (!w->accessibleName().isEmpty() || w->isWindow())
            continue;
        QString caption = withoutMnemonic(ownCaption(w));
        // A label is read by its text as it stands ("Capture Time Left" counting down, the
        // frames captured): a name fixed now would go stale.
        if (!caption.isEmpty() && qobject_cast<const QLabel*>(w))
            continue;
        if (!caption.isEmpty())
            w->setProperty(kCaptionName, caption);
        else
            caption = buddyCaptions.value(w);
        w->setAccessibleName(caption.isEmpty() ? name : caption);
    }
}

} // namespace zelvan::widgets
