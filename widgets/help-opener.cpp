#include "widgets/help-opener.h"

#include "widgets/message-box.h"

#include <QDir>
#include <QUrl>
#include <QWidget>

namespace rv
{

HelpOpener::HelpOpener(QString programDir, QString settingsPath, QWidget* window)
    : QObject(window), programDir_(std::move(programDir)), window_(window)
{
    launch = [settingsPath = std::move(settingsPath)](const QString& url) { return DoBrowserLoad(url, settingsPath); };
}

QString HelpOpener::PageUrl(const QString& page) const
{
    return QUrl::fromLocalFile(QDir(programDir_).filePath(QStringLiteral("help/") + page)).toString();
}

QString HelpOpener::ContentsUrl() const
{
    return PageUrl(QStringLiteral("index.html"));
}

QString HelpOpener::ContextUrl(int context) const
{
    return PageUrl(QString::number(context) + QStringLiteral(".html"));
}

void HelpOpener::OpenContents()
{
    Open(ContentsUrl());
}

void HelpOpener::OpenContext(int context)
{
    Open(ContextUrl(context));
}

void HelpOpener::Open(const QString& url)
{
    if (launch(url) == BrowserLoad::NotSet)
        ShowMessage(window_, BrowserNotSet, MessageIcon::Error);
}

} // namespace rv
