#include "client/shell/dialogs/settings/preferences-dialog.h"

#include "client/shell/dialogs/settings/dialup-connections.h"
#include "client/shell/dialogs/settings/find-browser-dialog.h"
#include "client/shell/dialogs/settings/no-proxy-dialog.h"
#include "client/shell/setting-texts.h"
#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "widgets/help-opener.h"
#include "widgets/message-box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>
#include <utility>

namespace rv
{
namespace
{

constexpr std::array<std::pair<const char*, const char*>, 3> NamedUserAgents = {{
    {"Ravelin 2.6", "Ravelin/2.6"},
    {"Microsoft Internet Explorer 4.01", "Mozilla/4.0 (compatible; MSIE 4.01)"},
    {"Netscape Navigator 4.05", "Mozilla/4.05"},
}};
constexpr const char* UserSpecifiedChoice = "User-Specified";

// Settings pages show the largest values the settings file accepts.
constexpr int MaxDiskBufferMegaBytes = 999999;

const UserMessage BrowserLocationError{"Browser Location Error", "Browser does not exist at specified location."};
const UserMessage ProxyPasswordNotConfirmed{"Password Error", "Proxy Password not correctly confirmed."};
const UserMessage BriefPasswordNotConfirmed{"Password Error", "Default Brief Password not correctly confirmed."};

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string Latin1Bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

QSpinBox* NumberField(const QString& objectName, int low, int high)
{
    auto* field = new QSpinBox;
    field->setObjectName(objectName);
    field->setRange(low, high);
    return field;
}

QLineEdit* TextField(const QString& objectName, bool secret = false)
{
    auto* field = new QLineEdit;
    field->setObjectName(objectName);
    if (secret)
        field->setEchoMode(QLineEdit::Password);
    return field;
}

QCheckBox* Check(const QString& text, const QString& objectName)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(objectName);
    return box;
}

QWidget* Page(const QString& objectName, QLayout* layout)
{
    auto* page = new QWidget;
    page->setObjectName(objectName);
    auto* outer = new QVBoxLayout(page);
    outer->addLayout(layout);
    outer->addStretch();
    return page;
}

QString DefaultFindBrowser(QWidget* parent, const QString& current)
{
    FindBrowserDialog dialog(DesktopBrowsers(DefaultBrowserDesktopId()), current, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Program() : QString();
}

} // namespace

std::string UserAgentOfChoice(const QString& text)
{
    for (const auto& [choice, agent] : NamedUserAgents)
        if (text == QLatin1String(choice))
            return agent;
    return Latin1Bytes(text);
}

QString ChoiceOfUserAgent(const std::string& agent)
{
    for (const auto& [choice, named] : NamedUserAgents)
        if (agent == named)
            return QLatin1String(choice);
    return Latin1(agent);
}

TKSPrefs::TKSPrefs(SettingsStore& store, ClientSettings& settings, PreferencesOptions options, QWidget* parent)
    : QDialog(parent), store_(store), settings_(settings), options_(std::move(options))
{
    setObjectName(QStringLiteral("KSPrefs"));
    setWindowTitle(QStringLiteral("Ravelin Pro Preferences"));
    if (!options_.resetServer)
        options_.resetServer = [](int port) { return ServerResetPort(port); };
    if (!options_.applied)
        options_.applied = [](const ClientSettings& applied) { SharedClientSettings::Instance().Replace(applied); };
    if (!options_.findBrowser)
        options_.findBrowser = DefaultFindBrowser;
    help_ = new HelpOpener(QCoreApplication::applicationDirPath(), store_.FilePath(), this);

    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("Pages"));
    pages_->addTab(MakeGeneralPage(), QStringLiteral("General"));
    pages_->addTab(MakeBriefPage(), QStringLiteral("Brief"));
    pages_->addTab(MakeServerPage(), QStringLiteral("Server"));
    pages_->addTab(MakeDialUpPage(), QStringLiteral("Dial-Up"));
    pages_->addTab(MakeNetworkPage(), QStringLiteral("Network"));
    pages_->addTab(MakeProxyPage(), QStringLiteral("Proxy"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply |
                                         QDialogButtonBox::Help);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Apply)->setObjectName(QStringLiteral("ApplyButton"));
    buttons->button(QDialogButtonBox::Apply)->setText(QStringLiteral("&Apply"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("HelpButton"));
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("&Help"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TKSPrefs::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TKSPrefs::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, &TKSPrefs::Apply);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { help_->OpenContext(PreferencesHelpContext); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    LoadSettings();
}

QWidget* TKSPrefs::MakeGeneralPage()
{
    browserPath_ = TextField(QStringLiteral("BrowserPath"));
    auto* find = new QPushButton(QStringLiteral("&Find Browser"));
    find->setObjectName(QStringLiteral("FindBrowserButton"));
    find->setAutoDefault(false);
    connect(find, &QPushButton::clicked, this, &TKSPrefs::FindBrowserClick);
    autoLoad_ = Check(QStringLiteral("Auto &Load at Startup"), QStringLiteral("AutoLoadBrowser"));
    diskBuffer_ = NumberField(QStringLiteral("DiskBuffer"), 1, MaxDiskBufferMegaBytes);
    diskBuffer_->setSuffix(QStringLiteral(" MB"));
    devToolsPort_ = NumberField(QStringLiteral("DevToolsPort"), 0, 65535);
    devToolsPort_->setSpecialValueText(QStringLiteral("None"));

    auto* browserRow = new QHBoxLayout;
    browserRow->addWidget(browserPath_, 1);
    browserRow->addWidget(find);
    auto* form = new QFormLayout;
    auto* browserLabel = new QLabel(QStringLiteral("&Browser location:"));
    browserLabel->setBuddy(browserPath_);
    form->addRow(browserLabel, browserRow);
    form->addRow(QString(), autoLoad_);
    form->addRow(QStringLiteral("Browser &DevTools port:"), devToolsPort_);
    form->addRow(QStringLiteral("&Minimum free disk space:"), diskBuffer_);
    return Page(QStringLiteral("GeneralPage"), form);
}

QWidget* TKSPrefs::MakeBriefPage()
{
    retries_ = NumberField(QStringLiteral("Retries"), 1, 10);
    longTimeouts_ = Check(QStringLiteral("&Long Timeouts"), QStringLiteral("LongTimeouts"));
    briefUserName_ = TextField(QStringLiteral("BriefUserName"));
    briefPassword_ = TextField(QStringLiteral("BriefPassword"), true);
    briefConfirm_ = TextField(QStringLiteral("BriefConfirmPassword"), true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Retries:"), retries_);
    form->addRow(QString(), longTimeouts_);
    form->addRow(QStringLiteral("Default &user name:"), briefUserName_);
    form->addRow(QStringLiteral("Default &password:"), briefPassword_);
    form->addRow(QStringLiteral("&Confirm password:"), briefConfirm_);
    return Page(QStringLiteral("BriefPage"), form);
}

QWidget* TKSPrefs::MakeServerPage()
{
    displayHeader_ = Check(QStringLiteral("Display &Header and Footer"), QStringLiteral("DisplayHeader"));
    displayWarning_ = Check(QStringLiteral("Display &Warning Pages"), QStringLiteral("DisplayWarning"));
    shutdownWarning_ = Check(QStringLiteral("&Shutdown Warning"), QStringLiteral("ShutdownWarning"));
    closeServer_ = Check(QStringLiteral("&Close Server on Exit"), QStringLiteral("CloseServer"));
    auto* layout = new QVBoxLayout;
    for (QCheckBox* box : {displayHeader_, displayWarning_, shutdownWarning_, closeServer_})
        layout->addWidget(box);
    return Page(QStringLiteral("ServerPage"), layout);
}

QWidget* TKSPrefs::MakeDialUpPage()
{
    usingDialer_ = Check(QStringLiteral("&Use Dial-Up Connection"), QStringLiteral("UsingDialer"));
    connectionList_ = new QListWidget;
    connectionList_->setObjectName(QStringLiteral("ConnectionList"));
    connectionList_->setMaximumHeight(120);
    dialRetries_ = NumberField(QStringLiteral("DialRetries"), 0, 100);
    dialWait_ = NumberField(QStringLiteral("DialRetriesWait"), 1, 999);
    auto* form = new QFormLayout;
    form->addRow(QString(), usingDialer_);
    auto* listLabel = new QLabel(QStringLiteral("C&onnection:"));
    listLabel->setBuddy(connectionList_);
    form->addRow(listLabel, connectionList_);
    form->addRow(QStringLiteral("&Retries:"), dialRetries_);
    form->addRow(QStringLiteral("&Seconds between retries:"), dialWait_);
    return Page(QStringLiteral("DialUpPage"), form);
}

QWidget* TKSPrefs::MakeNetworkPage()
{
    serverPort_ = NumberField(QStringLiteral("ServerPort"), LowestPort, HighestPort);
    maxSockets_ = NumberField(QStringLiteral("MaxSockets"), 1, 20);
    userAgent_ = new QComboBox;
    userAgent_->setObjectName(QStringLiteral("UserAgent"));
    userAgent_->setEditable(true);
    userAgent_->setInsertPolicy(QComboBox::NoInsert);
    for (const auto& [choice, agent] : NamedUserAgents)
        userAgent_->addItem(QLatin1String(choice));
    userAgent_->addItem(QLatin1String(UserSpecifiedChoice));
    connect(userAgent_, &QComboBox::activated, this,
            [this](int index)
            {
                // The user types the agent in place of "User-Specified".
                if (index == int(NamedUserAgents.size()))
                {
                    userAgent_->setEditText(QString());
                    userAgent_->setFocus();
                }
            });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Ravelin &server port:"), serverPort_);
    form->addRow(QStringLiteral("&Maximum sockets:"), maxSockets_);
    form->addRow(QStringLiteral("&User agent:"), userAgent_);
    return Page(QStringLiteral("NetworkPage"), form);
}

QWidget* TKSPrefs::MakeProxyPage()
{
    proxyServer_ = TextField(QStringLiteral("ProxyServer"));
    proxyPort_ = NumberField(QStringLiteral("ProxyPort"), ProxyPortSetting.min, ProxyPortSetting.max);
    proxyUserName_ = TextField(QStringLiteral("ProxyUserName"));
    proxyPassword_ = TextField(QStringLiteral("ProxyPassword"), true);
    proxyConfirm_ = TextField(QStringLiteral("ProxyConfirmPassword"), true);
    auto* noProxy = new QPushButton(QStringLiteral("&No Proxy For..."));
    noProxy->setObjectName(QStringLiteral("NoProxyForButton"));
    noProxy->setAutoDefault(false);
    connect(noProxy, &QPushButton::clicked, this, &TKSPrefs::NoProxyForClick);
    // A scheme typed before the host goes at once, so that the field shows what is stored.
    connect(proxyServer_, &QLineEdit::editingFinished, this, &TKSPrefs::TakeProxyEntry);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Proxy &server:"), proxyServer_);
    form->addRow(QStringLiteral("&Port:"), proxyPort_);
    form->addRow(QStringLiteral("&User name:"), proxyUserName_);
    form->addRow(QStringLiteral("Pass&word:"), proxyPassword_);
    form->addRow(QStringLiteral("&Confirm password:"), proxyConfirm_);
    form->addRow(QString(), noProxy);
    return Page(QStringLiteral("ProxyPage"), form);
}

void TKSPrefs::LoadSettings()
{
    browserPath_->setText(QString::fromStdString(settings_.Browser.Path));
    autoLoad_->setChecked(settings_.Browser.AutoLoad);
    devToolsPort_->setValue(settings_.Browser.DevToolsPort);
    diskBuffer_->setValue(
        int(std::clamp<std::int64_t>(settings_.DiskBuffer.MinFreeBytes / BytesPerMegaByte, 1, MaxDiskBufferMegaBytes)));

    retries_->setValue(settings_.Briefs.Retries);
    longTimeouts_->setChecked(settings_.Briefs.LongTimeouts);
    briefUserName_->setText(Latin1(settings_.Briefs.UserName));
    briefPassword_->setText(Latin1(settings_.Briefs.Password));
    briefConfirm_->setText(Latin1(settings_.Briefs.Password));

    displayHeader_->setChecked(settings_.Servers.displayHeader);
    displayWarning_->setChecked(settings_.Servers.displayWarning);
    shutdownWarning_->setChecked(settings_.Servers.shutdownWarning);
    closeServer_->setChecked(settings_.Servers.closeServer);

    usingDialer_->setChecked(settings_.Dialer.UsingDialer);
    connectionList_->clear();
    const std::vector<std::string> names = options_.connections ? options_.connections->Names() : std::vector<std::string>{};
    for (const std::string& name : names)
    {
        connectionList_->addItem(Latin1(name));
        if (name == settings_.Dialer.Selection)
            connectionList_->setCurrentRow(connectionList_->count() - 1);
    }
    connectionList_->setEnabled(!names.empty());
    if (names.empty())
        connectionList_->addItem(QStringLiteral("No dial-up connections are available."));
    dialRetries_->setValue(settings_.Dialer.NumRetries);
    dialWait_->setValue(settings_.Dialer.RetriesWait);

    serverPort_->setValue(settings_.Servers.port);
    maxSockets_->setValue(settings_.Network.MaxSockets);
    userAgent_->setEditText(ChoiceOfUserAgent(settings_.Briefs.UserAgent));
    const int named = userAgent_->findText(userAgent_->currentText());
    if (named >= 0)
        userAgent_->setCurrentIndex(named);

    proxyServer_->setText(Latin1(settings_.Proxy.Server));
    proxyPort_->setValue(settings_.Proxy.Port);
    proxyUserName_->setText(Latin1(settings_.Proxy.UserName));
    proxyPassword_->setText(Latin1(settings_.Proxy.Password));
    proxyConfirm_->setText(Latin1(settings_.Proxy.Password));
}

void TKSPrefs::Prepare(PreferencesPage page, PreferencesPrompt prompt)
{
    prompt_ = prompt;
    switch (prompt)
    {
    case PreferencesPrompt::SetBrowser:
        setWindowTitle(QStringLiteral("Please Set the Browser"));
        break;
    case PreferencesPrompt::SetDialer:
        setWindowTitle(QStringLiteral("Please Set the Dialer"));
        break;
    case PreferencesPrompt::None:
        setWindowTitle(QStringLiteral("Ravelin Pro Preferences"));
        break;
    }
    LoadSettings();
    pages_->setCurrentIndex(int(page));
}

int TKSPrefs::Open(PreferencesPage page, PreferencesPrompt prompt)
{
    Prepare(page, prompt);
    return exec();
}

bool TKSPrefs::Apply()
{
    const QString browser = browserPath_->text().trimmed();
    if (prompt_ != PreferencesPrompt::SetDialer && !browser.isEmpty() && !QFileInfo(browser).isFile())
    {
        pages_->setCurrentIndex(int(PreferencesPage::General));
        ShowMessage(this, BrowserLocationError, MessageIcon::Error);
        browserPath_->setFocus();
        return false;
    }

    // What the program runs with, at once.
    settings_.Browser.Path = browser.toStdString();
    settings_.Browser.Service = BrowserServiceOf(settings_.Browser.Path);
    settings_.Browser.AutoLoad = autoLoad_->isChecked();
    settings_.Browser.DevToolsPort = devToolsPort_->value();
    TakeProxyEntry();
    settings_.Proxy.Server = Latin1Bytes(proxyServer_->text());
    settings_.Proxy.Port = proxyPort_->value();
    settings_.Network.MaxSockets = maxSockets_->value();
    if (serverPort_->value() != settings_.Servers.port)
    {
        settings_.Servers.port = serverPort_->value();
        options_.resetServer(settings_.Servers.port);
    }
    settings_.Briefs.Retries = retries_->value();
    settings_.Briefs.LongTimeouts = longTimeouts_->isChecked();
    settings_.DiskBuffer.MinFreeBytes = std::int64_t(diskBuffer_->value()) * BytesPerMegaByte;
    settings_.Dialer.UsingDialer = usingDialer_->isChecked();
    if (connectionList_->isEnabled() && connectionList_->currentItem())
        settings_.Dialer.Selection = Latin1Bytes(connectionList_->currentItem()->text());
    settings_.Dialer.NumRetries = dialRetries_->value();
    settings_.Dialer.RetriesWait = dialWait_->value();

    // Then the settings file, group by group.
    WriteDiskBufferSettings(store_, settings_.DiskBuffer);
    WriteDialerSettings(store_, settings_.Dialer);
    WriteBrowserSettings(store_, settings_.Browser);
    WriteProxySettings(store_, settings_.Proxy);
    if (proxyPassword_->text() != proxyConfirm_->text())
    {
        options_.applied(settings_);
        pages_->setCurrentIndex(int(PreferencesPage::Proxy));
        ShowMessage(this, ProxyPasswordNotConfirmed, MessageIcon::Error);
        proxyPassword_->setFocus();
        return false;
    }
    settings_.Proxy.UserName = Latin1Bytes(proxyUserName_->text());
    settings_.Proxy.Password = Latin1Bytes(proxyPassword_->text());
    WriteProxyCredentials(store_, settings_.Proxy);
    settings_.Servers.displayHeader = displayHeader_->isChecked();
    settings_.Servers.displayWarning = displayWarning_->isChecked();
    settings_.Servers.shutdownWarning = shutdownWarning_->isChecked();
    settings_.Servers.closeServer = closeServer_->isChecked();
    settings_.Briefs.UserAgent = UserAgentOfChoice(userAgent_->currentText());
    WriteNetworkSettings(store_, settings_.Network);
    WriteServerSettings(store_, settings_.Servers);
    WriteBriefSettings(store_, settings_.Briefs);
    const bool briefConfirmed = briefPassword_->text() == briefConfirm_->text();
    if (briefConfirmed)
    {
        settings_.Briefs.UserName = Latin1Bytes(briefUserName_->text());
        settings_.Briefs.Password = Latin1Bytes(briefPassword_->text());
        WriteBriefCredentials(store_, settings_.Briefs);
    }
    options_.applied(settings_);
    if (!briefConfirmed)
    {
        pages_->setCurrentIndex(int(PreferencesPage::Brief));
        ShowMessage(this, BriefPasswordNotConfirmed, MessageIcon::Error);
        briefPassword_->setFocus();
        return false;
    }
    return true;
}

void TKSPrefs::accept()
{
    if (Apply())
        QDialog::accept();
}

void TKSPrefs::TakeProxyEntry()
{
    QString host = Latin1(EnteredProxyServer(Latin1Bytes(proxyServer_->text().trimmed())));
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    // "proxy:3128" is a host and a port: the port has its own field.
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && host.indexOf(QLatin1Char(':')) == colon)
    {
        bool number = false;
        const int port = host.mid(colon + 1).toInt(&number);
        if (number && port >= ProxyPortSetting.min && port <= ProxyPortSetting.max)
        {
            proxyPort_->setValue(port);
            host.truncate(colon);
        }
    }
    if (host != proxyServer_->text())
        proxyServer_->setText(host);
}

void TKSPrefs::FindBrowserClick()
{
    const QString program = options_.findBrowser(this, browserPath_->text());
    if (!program.isEmpty())
        browserPath_->setText(program);
}

void TKSPrefs::NoProxyForClick()
{
    TNoProxyFor dialog(store_, settings_.Briefs.NoProxyFor, this);
    if (dialog.exec() == QDialog::Accepted)
        options_.applied(settings_);
}

} // namespace rv
