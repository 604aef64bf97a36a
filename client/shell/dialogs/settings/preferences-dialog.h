// TKSPrefs, "Ravelin Pro Preferences": the settings of RVClient on six pages (General, Brief, Server, Dial-Up,
// Network, Proxy). OK and Apply take the controls into the settings the program runs with and store them,
// group by group; a browser that is not there, or a password that its confirmation does not match, stops
// the groups after it and keeps the dialog open. A new server port is sent to the running server.
//
// Threads: the GUI thread only.
#pragma once

#include "client/shell/client-settings.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTabWidget;

namespace rv
{

class DialUpConnections;
class HelpOpener;
class SettingsStore;

enum class PreferencesPage
{
    General,
    Brief,
    Server,
    DialUp,
    Network,
    Proxy,
};

// Why the dialog was opened: by the user, or at start-up to ask for the browser or the dialer.
enum class PreferencesPrompt
{
    None,
    SetBrowser, // caption "Please Set the Browser", General page
    SetDialer,  // caption "Please Set the Dialer", Dial-Up page; the browser is not checked
};

struct PreferencesOptions
{
    // The dial-up connections to offer; none without one.
    const DialUpConnections* connections = nullptr;
    // Tells the running server its new port; ServerResetPort by default.
    std::function<bool(int port)> resetServer;
    // The settings were applied (the groups before a stop included); the program's shared settings take them
    // by default.
    std::function<void(const ClientSettings&)> applied;
    // The "Find Browser" choice; the desktop's browsers by default.
    std::function<QString(QWidget* parent, const QString& current)> findBrowser;
};

// The help page of the dialog.
inline constexpr int PreferencesHelpContext = 41;

class TKSPrefs : public QDialog
{
    Q_OBJECT

public:
    // Edits `settings` and writes them to `store`; both outlive the dialog.
    TKSPrefs(SettingsStore& store, ClientSettings& settings, PreferencesOptions options, QWidget* parent = nullptr);

    // Shows the settings on the page and waits until the dialog is closed.
    int Open(PreferencesPage page, PreferencesPrompt prompt = PreferencesPrompt::None);
    // Loads the controls from the settings, on the page, without showing the dialog.
    void Prepare(PreferencesPage page, PreferencesPrompt prompt = PreferencesPrompt::None);

    // Takes the controls into the settings and stores them; false when a check stopped it.
    bool Apply();

    HelpOpener& Help() const { return *help_; }

    void accept() override;

private:
    QWidget* MakeGeneralPage();
    QWidget* MakeBriefPage();
    QWidget* MakeServerPage();
    QWidget* MakeDialUpPage();
    QWidget* MakeNetworkPage();
    QWidget* MakeProxyPage();

    void LoadSettings();
    // Drops a scheme typed before the proxy host and moves a port typed after it to the port field.
    void TakeProxyEntry();
    void FindBrowserClick();
    void NoProxyForClick();

    SettingsStore& store_;
    ClientSettings& settings_;
    PreferencesOptions options_;
    PreferencesPrompt prompt_ = PreferencesPrompt::None;
    HelpOpener* help_ = nullptr;
    QTabWidget* pages_ = nullptr;

    QLineEdit* browserPath_ = nullptr;
    QCheckBox* autoLoad_ = nullptr;
    QSpinBox* diskBuffer_ = nullptr;

    QSpinBox* retries_ = nullptr;
    QCheckBox* longTimeouts_ = nullptr;
    QLineEdit* briefUserName_ = nullptr;
    QLineEdit* briefPassword_ = nullptr;
    QLineEdit* briefConfirm_ = nullptr;

    QCheckBox* displayHeader_ = nullptr;
    QCheckBox* displayWarning_ = nullptr;
    QCheckBox* shutdownWarning_ = nullptr;
    QCheckBox* closeServer_ = nullptr;

    QCheckBox* usingDialer_ = nullptr;
    QListWidget* connectionList_ = nullptr;
    QSpinBox* dialRetries_ = nullptr;
    QSpinBox* dialWait_ = nullptr;

    QSpinBox* serverPort_ = nullptr;
    QSpinBox* maxSockets_ = nullptr;
    QSpinBox* devToolsPort_ = nullptr;
    QComboBox* userAgent_ = nullptr;

    QLineEdit* proxyServer_ = nullptr;
    QSpinBox* proxyPort_ = nullptr;
    QLineEdit* proxyUserName_ = nullptr;
    QLineEdit* proxyPassword_ = nullptr;
    QLineEdit* proxyConfirm_ = nullptr;
};

// The user agent a choice of the Network page stands for: the agent of one of the three named choices, else
// the text as typed.
std::string UserAgentOfChoice(const QString& text);
// The choice that shows an agent: a named one, else the agent itself (User-Specified).
QString ChoiceOfUserAgent(const std::string& agent);

} // namespace rv
