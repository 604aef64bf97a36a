// TEditEx: the line editor of the exclusion dialog (caption "Edit Entry").
// It shows one line of an exclusion list in the simple form (a match type
// and a text) or the advanced form (a wildcard text), and the kinds of
// content the pattern applies to. The line's rules live in
// client/pages/exclusion-lines.h; this window only shows and collects them.
//
// Threads: the GUI thread only.
#pragma once

#include "client/pages/exclusion-lines.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace rv
{

class HelpOpener;

class TEditEx : public QDialog
{
    Q_OBJECT

public:
    TEditEx(const std::string& line, const QString& programDir, const QString& settingsPath, QWidget* parent = nullptr);

    // What the controls hold now.
    ExclusionLineFields Fields() const;
    // The line rebuilt from the controls, keeping the old check character.
    std::string Line() const;

private:
    void GlobalClick();
    void FormClick();

    std::string line_;
    QRadioButton* simple_ = nullptr;
    QRadioButton* advanced_ = nullptr;
    QComboBox* type_ = nullptr;
    QLineEdit* text_ = nullptr;
    QCheckBox* global_ = nullptr;
    QCheckBox* html_ = nullptr;
    QCheckBox* images_ = nullptr;
    QCheckBox* plugIns_ = nullptr;
    QCheckBox* activeX_ = nullptr;
    QCheckBox* java_ = nullptr;
    QCheckBox* other_ = nullptr;
    HelpOpener* help_ = nullptr;
};

} // namespace rv
