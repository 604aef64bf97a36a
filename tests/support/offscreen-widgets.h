// Helpers for window tests on the offscreen platform, shared by both
// programs: the QApplication, answering the next modal box, finding a
// control by its text, and screenshots for people to look at.
#pragma once

#include "widgets/message-box.h"

#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

class QDialog;

namespace rv::test
{

// Makes the process's QApplication on the offscreen platform (unless
// QT_QPA_PLATFORM names another) when there is none yet.
void EnsureWidgetsApplication();

// Calls act with the next modal dialog once it is on screen; the caller's
// exec() runs the event loop that finds it.
void WhenModal(std::function<void(QDialog&)> act);

// Clicks the answer's button in the next message box, after look has seen
// the box. A box without that button fails the test and is rejected.
void AnswerNextMessageBox(MessageAnswer answer, std::function<void(MessageBox&)> look = {});

// The first widget below root, depth first, whose text (a button's, a
// label's, a menu's or a group's title) or window title is text; nullptr
// when there is none.
QWidget* FindWidgetByText(const QWidget& root, const QString& text);
template <typename Widget> Widget* FindByText(const QWidget& root, const QString& text)
{
    return qobject_cast<Widget*>(FindWidgetByText(root, text));
}

// Saves a picture of the widget as <build>/test-output/<test suite>.<test>/
// <name>.png and returns its path; empty when it could not be written.
std::filesystem::path SaveScreenshot(QWidget& widget, const std::string& name);

} // namespace rv::test
