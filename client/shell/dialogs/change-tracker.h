// Which controls of a dialog the user has changed. A dialog loads its
// controls first and starts tracking afterwards, so that only the user's own
// clicks and keystrokes count; a control counts as changed once touched,
// even when it ends on the value it started with.
//
// Threads: the GUI thread only.
#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <set>

namespace rv
{

class ChangeTracker
{
public:
    void Track(QAbstractButton* button)
    {
        QObject::connect(button, &QAbstractButton::clicked, button, [this, button] { touched_.insert(button); });
    }
    void Track(QButtonGroup* group)
    {
        QObject::connect(group, &QButtonGroup::buttonClicked, group, [this, group] { touched_.insert(group); });
    }
    void Track(QLineEdit* edit)
    {
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this, edit] { touched_.insert(edit); });
    }
    void Track(QSpinBox* spin)
    {
        QObject::connect(spin, &QSpinBox::valueChanged, spin, [this, spin] { touched_.insert(spin); });
    }
    void Track(QComboBox* combo)
    {
        QObject::connect(combo, &QComboBox::activated, combo, [this, combo] { touched_.insert(combo); });
        if (combo->lineEdit())
            QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this, combo] { touched_.insert(combo); });
    }
    void Touch(const QObject* control) { touched_.insert(control); }

    bool Changed(const QObject* control) const { return touched_.count(control) != 0; }

private:
    std::set<const QObject*> touched_;
};

} // namespace rv
