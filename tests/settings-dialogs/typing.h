// Typing into a widget as the keyboard does, one key press and release per character.
#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace rv::test
{

inline void TypeKeys(QWidget& widget, const QString& text)
{
    for (QChar c : text)
    {
        const int key = c.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&widget, &release);
    }
}

} // namespace rv::test
