#include "client/shell/dialogs/settings/clock-field.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

namespace rv
{
namespace
{

// Both kinds of field hold two characters: "12", "05", "PM".
constexpr int FieldCharacters = 2;

QString AmText()
{
    return QStringLiteral("AM");
}

QString PmText()
{
    return QStringLiteral("PM");
}

} // namespace

ClockField::ClockField(Range range, QWidget* parent) : QAbstractSpinBox(parent), range_(range)
{
    lineEdit()->setMaxLength(FieldCharacters);
    setWrapping(true);
    setAlignment(Qt::AlignRight);
    SetText(range_.TwoDigits ? QStringLiteral("%1").arg(range_.Low, 2, 10, QLatin1Char('0')) : QString::number(range_.Low));
}

ClockField::ClockField(QWidget* parent) : QAbstractSpinBox(parent), amPm_(true)
{
    lineEdit()->setMaxLength(FieldCharacters);
    setWrapping(true);
    SetText(AmText());
}

std::function<void()>& ClockField::Beep()
{
    static std::function<void()> beep = [] { QApplication::beep(); };
    return beep;
}

QString ClockField::Text() const
{
    return lineEdit()->text();
}

void ClockField::SetText(const QString& text)
{
    lineEdit()->setText(text.left(FieldCharacters));
}

void ClockField::stepBy(int steps)
{
    if (steps == 0)
        return;
    if (amPm_)
    {
        if (steps % 2 != 0)
            SetText(Text() == PmText() ? AmText() : PmText());
    }
    else
    {
        bool number = false;
        const int now = Text().toInt(&number);
        const int span = range_.High - range_.Low + 1;
        const int from = number ? now : range_.Low;
        const int next = range_.Low + (((from - range_.Low + steps) % span) + span) % span;
        SetText(range_.TwoDigits ? QStringLiteral("%1").arg(next, 2, 10, QLatin1Char('0')) : QString::number(next));
    }
    lineEdit()->selectAll();
    emit editingFinished();
}

QAbstractSpinBox::StepEnabled ClockField::stepEnabled() const
{
    if (isReadOnly() || !isEnabled())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State ClockField::validate(QString& input, int& pos) const
{
    if (input.size() > FieldCharacters)
    {
        input.truncate(FieldCharacters);
        pos = std::min(pos, int(FieldCharacters));
    }
    QValidator::State state = QValidator::Invalid;
    if (amPm_)
    {
        const QString upper = input.toUpper();
        if (upper == AmText() || upper == PmText())
        {
            input = upper;
            state = QValidator::Acceptable;
        }
        else if (upper.isEmpty() || upper == QStringLiteral("A") || upper == QStringLiteral("P"))
            state = QValidator::Intermediate;
    }
    else if (input.isEmpty())
        state = QValidator::Intermediate;
    else
    {
        bool number = false;
        const int value = input.toInt(&number);
        const bool digits = std::all_of(input.begin(), input.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (number && digits && value >= range_.Low && value <= range_.High)
            state = QValidator::Acceptable;
        else if (number && digits && value < range_.Low && input.size() < FieldCharacters)
            state = QValidator::Intermediate; // "0" on the way to "05"
    }
    if (state == QValidator::Invalid)
        Beep()();
    return state;
}

QSize ClockField::sizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics(font());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize text(metrics.horizontalAdvance(QStringLiteral("MM")) + 8, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
}

QSize ClockField::minimumSizeHint() const
{
    return sizeHint();
}

} // namespace rv
