#include "client/shell/dialogs/settings/no-proxy-dialog.h"

#include "client/shell/client-settings.h"
#include "platform/settings-store.h"
#include "widgets/help-opener.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv
{

std::vector<std::string> NoProxyHostsFromText(const QString& text)
{
    std::vector<std::string> hosts;
    for (const QString& line : text.split(QLatin1Char('\n')))
    {
        const QString host = line.trimmed();
        if (!host.isEmpty())
            hosts.push_back(host.toLatin1().toStdString());
    }
    return hosts;
}

TNoProxyFor::TNoProxyFor(SettingsStore& store, std::vector<std::string>& hosts, QWidget* parent)
    : QDialog(parent), store_(store), hosts_(hosts)
{
    setObjectName(QStringLiteral("NoProxyFor"));
    setWindowTitle(QStringLiteral("No Proxy For List"));
    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("NoProxyForText"));
    text_->setTabChangesFocus(true);
    QString lines;
    for (const std::string& host : hosts_)
        lines += QString::fromLatin1(host.data(), qsizetype(host.size())) + QLatin1Char('\n');
    text_->setPlainText(lines);
    auto* label = new QLabel(QStringLiteral("&Hosts reached without the proxy, one per line (host or host:port):"));
    label->setBuddy(text_);
    label->setWordWrap(true);

    auto* help = new HelpOpener(QCoreApplication::applicationDirPath(), store.FilePath(), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("Hel&p"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TNoProxyFor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TNoProxyFor::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, help, [help] { help->OpenContext(NoProxyForHelpContext); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(text_, 1);
    layout->addWidget(buttons);
    resize(420, 320);
}

void TNoProxyFor::accept()
{
    hosts_ = NoProxyHostsFromText(text_->toPlainText());
    WriteNoProxyFor(store_, hosts_);
    QDialog::accept();
}

} // namespace rv
