// "Find Browser": a choice among the desktop's browsers, the default one first, or any program file.
//
// Threads: the GUI thread only.
#pragma once

#include "client/shell/dialogs/settings/desktop-browsers.h"

#include <QDialog>
#include <functional>
#include <vector>

class QListWidget;

namespace rv
{

class FindBrowserDialog : public QDialog
{
    Q_OBJECT

public:
    FindBrowserDialog(std::vector<DesktopBrowser> browsers, const QString& current, QWidget* parent = nullptr);

    // The program chosen; empty until one is.
    QString Program() const { return program_; }

    // Asks for a program file; a file dialog unless a test answers.
    std::function<QString(QWidget* parent)> chooseFile;

    void accept() override;

private:
    void OtherFileClick();

    std::vector<DesktopBrowser> browsers_;
    QListWidget* list_ = nullptr;
    QString program_;
};

} // namespace rv
