// TNoProxyFor, "No Proxy For List": the hosts that runs reach without the proxy, one "host" or "host:port"
// per line. OK replaces the list in the settings and stores it.
//
// Threads: the GUI thread only.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace rv
{

class SettingsStore;

// The help page of the dialog.
inline constexpr int NoProxyForHelpContext = 42;

// The hosts of the dialog's text: one per line, blanks around it dropped, empty lines skipped.
std::vector<std::string> NoProxyHostsFromText(const QString& text);

class TNoProxyFor : public QDialog
{
    Q_OBJECT

public:
    // Edits `hosts`; OK writes them to the store.
    TNoProxyFor(SettingsStore& store, std::vector<std::string>& hosts, QWidget* parent = nullptr);

    void accept() override;

private:
    SettingsStore& store_;
    std::vector<std::string>& hosts_;
    QPlainTextEdit* text_ = nullptr;
};

} // namespace rv
