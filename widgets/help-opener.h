// HelpOpener: the Help menus of both programs. The help is HTML pages in
// "help/" beside the program, "index.html" for the contents and one page per
// context number ("39.html"); a page opens in the user's browser, and a
// missing browser is the "Browser Not Set" box over the window.
//
// Threads: the GUI thread only.
#pragma once

#include "widgets/browser-launcher.h"

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace rv
{

class HelpOpener : public QObject
{
    Q_OBJECT

public:
    // programDir holds "help/"; settingsPath names the browser. The opener
    // belongs to the window, which also parents its message box.
    HelpOpener(QString programDir, QString settingsPath, QWidget* window);

    // The file addresses of the pages.
    QString ContentsUrl() const;
    QString ContextUrl(int context) const;

    // Starts the browser on an address; DoBrowserLoad with the settings by
    // default, tests put a recorder in its place.
    std::function<BrowserLoad(const QString& url)> launch;

public slots:
    void OpenContents();
    void OpenContext(int context);

private:
    QString PageUrl(const QString& page) const;
    void Open(const QString& url);

    QString programDir_;
    QWidget* window_;
};

} // namespace rv
