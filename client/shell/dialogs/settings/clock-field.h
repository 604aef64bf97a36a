// ClockField: the small number fields of the brief setup dialog (an hour, minutes, a limit in hours) and its
// AM/PM fields. Typing is checked as it happens: at most two characters, and a text outside the field's range
// is refused, which keeps the previous text and beeps. The spin buttons and the arrow keys step cyclically
// (12 -> 1 for hours, 59 -> 00 for minutes, 99 -> 0 for limit hours); an AM/PM field switches between "AM"
// and "PM".
//
// Threads: the GUI thread only.
#pragma once

#include <QAbstractSpinBox>
#include <functional>

namespace rv
{

class ClockField : public QAbstractSpinBox
{
    Q_OBJECT

public:
    struct Range
    {
        int Low = 0;
        int High = 99;
        bool TwoDigits = false; // steps show "05", as minutes are written
    };

    // A number field.
    ClockField(Range range, QWidget* parent = nullptr);
    // An AM/PM field.
    explicit ClockField(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    bool IsAmPm() const { return amPm_; }

    // What a refused keystroke does; QApplication::beep unless a test listens.
    static std::function<void()>& Beep();

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    Range range_;
    bool amPm_ = false;
};

} // namespace rv
