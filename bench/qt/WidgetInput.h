#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

// A person's input to a widget, as Qt delivers it, for the widget benchmarks; each returns once
// Qt has processed what the input asked for (a repaint among it).
namespace widget_input {

inline void Click(QWidget& widget, const QPointF& at)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
    QApplication::processEvents();
}

inline void Key(QWidget& widget, int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
    QApplication::processEvents();
}

} // namespace widget_input
