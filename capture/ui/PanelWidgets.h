#pragma once
// Small helpers the capture panel builds its controls and fills its lists with.
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

namespace zelvan::capture::ui
{

inline QLabel* namedLabel(const char* name, const QString& caption, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(caption);
    label->setObjectName(QString::fromLatin1(name));
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

inline QComboBox* namedList(const char* name)
{
    auto* list = new QComboBox;
    list->setObjectName(QString::fromLatin1(name));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(12);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return list;
}

inline QPushButton* namedButton(const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// The hourglass while a device opens, given back however the opening ends.
struct BusyPointer {
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Replaces a list's entries and selection without running its choice handler.
inline void fillQuietly(QComboBox* list, const QStringList& items, int selected)
{
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(selected);
}

inline void selectQuietly(QComboBox* list, int selected)
{
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(selected);
}

inline QStringList itemsOf(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// count names read through `name(i)`.
template <class Name> QStringList namesOf(int count, Name&& name)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << name(i);
    return names;
}

} // namespace zelvan::capture::ui
