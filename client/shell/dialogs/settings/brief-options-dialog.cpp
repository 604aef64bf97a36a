#include "client/shell/dialogs/settings/brief-options-dialog.h"

#include "client/shell/dialogs/settings/clock-field.h"
#include "platform/settings-store.h"
#include "widgets/help-opener.h"
#include "widgets/message-box.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace rv
{
namespace
{

// Brief names are kept to this length in the brief window's header as well.
constexpr int MaxBriefNameLength = 60;

// The choices of the "Monthly" row, in the order of its list.
enum MonthlyWhich
{
    First,
    Second,
    Third,
    Fourth,
    LastWeekday,
    DayOfMonth,
    LastDay,
};

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string Latin1Bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

QComboBox* WeekdayList(const QString& objectName)
{
    auto* list = new QComboBox;
    list->setObjectName(objectName);
    for (int day = 0; day < 7; ++day)
        list->addItem(QString::fromLatin1(WeekdayAbbreviation(day).data(), 3));
    return list;
}

QRadioButton* Radio(const QString& text, const QString& objectName, QButtonGroup* group, int id)
{
    auto* radio = new QRadioButton(text);
    radio->setObjectName(objectName);
    group->addButton(radio, id);
    return radio;
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// A row of widgets that keeps them together at the left.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    row->addStretch();
    return row;
}

} // namespace

TBriefOpts::TBriefOpts(TBrief& brief, BriefOptionsHooks hooks, QWidget* parent)
    : QDialog(parent), brief_(brief), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("BriefOpts"));
    setWindowTitle(QStringLiteral("Brief Organizer Setup"));
    if (!hooks_.save)
        hooks_.save = [](TBrief& saved) { return SaveBrief(saved, false); };
    if (!hooks_.today)
        hooks_.today = [] { return QDate::currentDate(); };
    help_ = new HelpOpener(QCoreApplication::applicationDirPath(), DefaultSettingsPath(), this);

    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("Pages"));
    pages_->addTab(MakePropertiesPage(), QStringLiteral("Properties"));
    pages_->addTab(MakeRetrievalTimePage(), QStringLiteral("Retrieval Time"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("&Help"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("HelpButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TBriefOpts::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TBriefOpts::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { help_->OpenContext(BriefOptionsHelpContext); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    LoadBrief();
}

QWidget* TBriefOpts::MakePropertiesPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PropertiesPage"));
    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("BriefName"));
    name_->setMaxLength(MaxBriefNameLength);
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"));
    nameLabel->setBuddy(name_);
    active_ = new QCheckBox(QStringLiteral("&Active"));
    active_->setObjectName(QStringLiteral("BriefActive"));
    comments_ = new QPlainTextEdit;
    comments_->setObjectName(QStringLiteral("BriefComments"));
    comments_->setTabChangesFocus(true);
    auto* commentsLabel = new QLabel(QStringLiteral("&Comments:"));
    commentsLabel->setBuddy(comments_);

    auto* form = new QGridLayout;
    form->addWidget(nameLabel, 0, 0);
    form->addWidget(name_, 0, 1);
    form->addWidget(active_, 1, 1);
    form->addWidget(commentsLabel, 2, 0, Qt::AlignTop);
    form->addWidget(comments_, 2, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form, 1);
    layout->addWidget(MakeLimitsGroup());
    return page;
}

QWidget* TBriefOpts::MakeLimitsGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Limits"));
    limitControls_ = group;

    auto* sizeGroup = new QButtonGroup(group);
    sizeUnlimited_ = Radio(QStringLiteral("Unlimited"), QStringLiteral("SizeUnlimited"), sizeGroup, 0);
    auto* sizeUpTo = Radio(QStringLiteral("Up To"), QStringLiteral("SizeUpTo"), sizeGroup, 1);
    sizeMegs_ = new QSpinBox;
    sizeMegs_->setObjectName(QStringLiteral("SizeMegs"));
    sizeMegs_->setRange(1, 100);
    auto* sizeLabel = new QLabel(QStringLiteral("Si&ze:"));
    sizeLabel->setBuddy(sizeUnlimited_);

    auto* timeGroup = new QButtonGroup(group);
    timeUnlimited_ = Radio(QStringLiteral("Unlimited"), QStringLiteral("TimeUnlimited"), timeGroup, 0);
    auto* timeUpTo = Radio(QStringLiteral("Up To"), QStringLiteral("TimeUpTo"), timeGroup, 1);
    limitHours_ = new ClockField({0, 99, false});
    limitHours_->setObjectName(QStringLiteral("LimitHours"));
    limitMinutes_ = new ClockField({0, 59, true});
    limitMinutes_->setObjectName(QStringLiteral("LimitMinutes"));
    auto* timeLabel = new QLabel(QStringLiteral("T&ime:"));
    timeLabel->setBuddy(timeUnlimited_);

    auto* archivesGroup = new QButtonGroup(group);
    archivesUnlimited_ = Radio(QStringLiteral("Unlimited"), QStringLiteral("ArchivesUnlimited"), archivesGroup, 0);
    auto* archivesUpTo = Radio(QStringLiteral("Up To"), QStringLiteral("ArchivesUpTo"), archivesGroup, 1);
    archives_ = new QSpinBox;
    archives_->setObjectName(QStringLiteral("NumArchives"));
    archives_->setRange(1, 999);
    auto* archivesLabel = new QLabel(QStringLiteral("Archi&ve size:"));
    archivesLabel->setBuddy(archivesUnlimited_);

    auto* grid = new QGridLayout(group);
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(sizeUnlimited_, 0, 1);
    grid->addLayout(Row({sizeUpTo, sizeMegs_, new QLabel(QStringLiteral("MB"))}), 0, 2);
    grid->addWidget(timeLabel, 1, 0);
    grid->addWidget(timeUnlimited_, 1, 1);
    grid->addLayout(
        Row({timeUpTo, limitHours_, new QLabel(QStringLiteral(":")), limitMinutes_, new QLabel(QStringLiteral("hours"))}), 1,
        2);
    grid->addWidget(archivesLabel, 2, 0);
    grid->addWidget(archivesUnlimited_, 2, 1);
    grid->addLayout(Row({archivesUpTo, archives_, new QLabel(QStringLiteral("briefs"))}), 2, 2);
    grid->setColumnStretch(2, 1);

    const auto follow = [](QButtonGroup* radios, std::initializer_list<QWidget*> fields)
    {
        const auto set = [radios, fields = std::vector<QWidget*>(fields)]
        {
            for (QWidget* field : fields)
                field->setEnabled(radios->checkedId() == 1);
        };
        QObject::connect(radios, &QButtonGroup::idToggled, radios, set);
    };
    follow(sizeGroup, {sizeMegs_});
    follow(timeGroup, {limitHours_, limitMinutes_});
    follow(archivesGroup, {archives_});
    return group;
}

QWidget* TBriefOpts::MakeDayGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Day"));
    days_ = new QButtonGroup(group);
    auto* today = Radio(QStringLiteral("T&oday"), QStringLiteral("DayToday"), days_, int(ScheduleDay::Today));
    auto* daily = Radio(QStringLiteral("&Daily"), QStringLiteral("DayDaily"), days_, int(ScheduleDay::Daily));
    auto* weekdays = Radio(QStringLiteral("&Weekdays"), QStringLiteral("DayWeekdays"), days_, int(ScheduleDay::Weekdays));
    auto* weekly = Radio(QStringLiteral("Wee&kly on"), QStringLiteral("DayWeekly"), days_, int(ScheduleDay::Weekly));
    auto* monthly =
        Radio(QStringLiteral("&Monthly on"), QStringLiteral("DayMonthly"), days_, int(ScheduleDay::MonthlyNthWeekday));
    auto* date = Radio(QStringLiteral("Da&te"), QStringLiteral("DayDate"), days_, int(ScheduleDay::Date));

    weeklyDay_ = WeekdayList(QStringLiteral("WeeklyDay"));
    monthlyWhich_ = new QComboBox;
    monthlyWhich_->setObjectName(QStringLiteral("MonthlyWhich"));
    monthlyWhich_->addItems({QStringLiteral("1st"), QStringLiteral("2nd"), QStringLiteral("3rd"), QStringLiteral("4th"),
                             QStringLiteral("Last"), QStringLiteral("Day"), QStringLiteral("Last day")});
    monthlyWeekday_ = WeekdayList(QStringLiteral("MonthlyWeekday"));
    monthlyDay_ = new QSpinBox;
    monthlyDay_->setObjectName(QStringLiteral("MonthlyDay"));
    monthlyDay_->setRange(1, 30);
    date_ = new QLineEdit;
    date_->setObjectName(QStringLiteral("DateText"));
    date_->setInputMask(QStringLiteral("99-99-99"));

    auto* grid = new QGridLayout(group);
    grid->addWidget(today, 0, 0);
    grid->addWidget(daily, 1, 0);
    grid->addWidget(weekdays, 2, 0);
    grid->addWidget(weekly, 3, 0);
    grid->addLayout(Row({weeklyDay_}), 3, 1);
    grid->addWidget(monthly, 4, 0);
    grid->addLayout(Row({monthlyWhich_, monthlyWeekday_, monthlyDay_}), 4, 1);
    grid->addWidget(date, 5, 0);
    grid->addLayout(Row({date_}), 5, 1);
    grid->setColumnStretch(1, 1);

    connect(days_, &QButtonGroup::idToggled, this, &TBriefOpts::UpdateEnabled);
    connect(monthlyWhich_, &QComboBox::currentIndexChanged, this, &TBriefOpts::UpdateEnabled);
    return group;
}

QWidget* TBriefOpts::MakeTimeGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Time"));
    startHour_ = new ClockField({1, 12, false});
    startHour_->setObjectName(QStringLiteral("StartHour"));
    startMinutes_ = new ClockField({0, 59, true});
    startMinutes_->setObjectName(QStringLiteral("StartMinutes"));
    startAmPm_ = new ClockField;
    startAmPm_->setObjectName(QStringLiteral("StartAmPm"));
    endHour_ = new ClockField({1, 12, false});
    endHour_->setObjectName(QStringLiteral("EndHour"));
    endMinutes_ = new ClockField({0, 59, true});
    endMinutes_->setObjectName(QStringLiteral("EndMinutes"));
    endAmPm_ = new ClockField;
    endAmPm_->setObjectName(QStringLiteral("EndAmPm"));
    auto* startLabel = new QLabel(QStringLiteral("&Start:"));
    startLabel->setBuddy(startHour_);
    auto* endLabel = new QLabel(QStringLiteral("&End:"));
    endLabel->setBuddy(endHour_);

    repeats_ = new QButtonGroup(group);
    auto* once = Radio(QStringLiteral("O&nce"), QStringLiteral("RepeatOnce"), repeats_, int(ScheduleRepeat::Once));
    auto* quarter = Radio(QStringLiteral("Every &15 minutes"), QStringLiteral("RepeatEvery15Minutes"), repeats_,
                          int(ScheduleRepeat::Every15Minutes));
    auto* hours =
        Radio(QStringLiteral("E&very"), QStringLiteral("RepeatEveryHours"), repeats_, int(ScheduleRepeat::EveryHours));
    everyHours_ = new QSpinBox;
    everyHours_->setObjectName(QStringLiteral("EveryHours"));
    everyHours_->setRange(1, 12);

    auto* grid = new QGridLayout(group);
    grid->addWidget(startLabel, 0, 0);
    grid->addLayout(Row({startHour_, new QLabel(QStringLiteral(":")), startMinutes_, startAmPm_}), 0, 1);
    grid->addWidget(once, 1, 0, 1, 2);
    grid->addWidget(quarter, 2, 0, 1, 2);
    grid->addLayout(Row({hours, everyHours_, new QLabel(QStringLiteral("hours"))}), 3, 0, 1, 2);
    grid->addWidget(endLabel, 4, 0);
    grid->addLayout(Row({endHour_, new QLabel(QStringLiteral(":")), endMinutes_, endAmPm_}), 4, 1);
    grid->setRowStretch(5, 1);
    connect(repeats_, &QButtonGroup::idToggled, this, &TBriefOpts::UpdateEnabled);
    return group;
}

QWidget* TBriefOpts::MakeRetrievalTimePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("RetrievalTimePage"));
    scheduleControls_ = new QWidget;
    auto* choices = new QHBoxLayout(scheduleControls_);
    choices->setContentsMargins(0, 0, 0, 0);
    choices->addWidget(MakeDayGroup(), 3);
    choices->addWidget(MakeTimeGroup(), 2);

    schedule_ = new QListWidget;
    schedule_->setObjectName(QStringLiteral("ScheduleList"));
    auto* listLabel = new QLabel(QStringLiteral("S&chedule:"));
    listLabel->setBuddy(schedule_);
    add_ = new QPushButton(QStringLiteral("&Add"));
    add_->setObjectName(QStringLiteral("AddButton"));
    update_ = new QPushButton(QStringLiteral("&Update"));
    update_->setObjectName(QStringLiteral("UpdateButton"));
    remove_ = new QPushButton(QStringLiteral("&Remove"));
    remove_->setObjectName(QStringLiteral("RemoveButton"));
    for (QPushButton* button : {add_, update_, remove_})
        button->setAutoDefault(false);
    connect(add_, &QPushButton::clicked, this, &TBriefOpts::AddClick);
    connect(update_, &QPushButton::clicked, this, &TBriefOpts::UpdateClick);
    connect(remove_, &QPushButton::clicked, this, &TBriefOpts::RemoveClick);
    connect(schedule_, &QListWidget::currentRowChanged, this, &TBriefOpts::ScheduleListSelect);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(update_);
    buttons->addWidget(remove_);
    buttons->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(schedule_, 1);
    listRow->addLayout(buttons);

    lockedTimers_ = new QLabel;
    lockedTimers_->setObjectName(QStringLiteral("LockedTimersText"));
    lockedTimers_->setAlignment(Qt::AlignCenter);
    lockedTimers_->setWordWrap(true);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(lockedTimers_);
    layout->addWidget(scheduleControls_);
    layout->addWidget(listLabel);
    layout->addLayout(listRow, 1);
    return page;
}

int TBriefOpts::Open(BriefOptionsPage page)
{
    LoadBrief();
    pages_->setCurrentIndex(page == BriefOptionsPage::Properties ? 0 : 1);
    return exec();
}

void TBriefOpts::LoadBrief()
{
    name_->setText(Latin1(brief_.BriefName).left(MaxBriefNameLength));
    active_->setChecked(brief_.BriefActive);
    comments_->setPlainText(Latin1(brief_.BriefComments.value_or(std::string())));

    (brief_.NumMegs < 0 ? sizeUnlimited_ : sizeUnlimited_->group()->button(1))->setChecked(true);
    sizeMegs_->setValue(brief_.NumMegs < 0 ? 1 : brief_.NumMegs);
    (brief_.MaxHours < 0 ? timeUnlimited_ : timeUnlimited_->group()->button(1))->setChecked(true);
    limitHours_->SetText(QString::number(std::clamp(brief_.MaxHours, 0, 99)));
    limitMinutes_->SetText(TwoDigits(std::clamp(brief_.MaxMins, 0, 59)));
    (brief_.NumArchives < 0 ? archivesUnlimited_ : archivesUnlimited_->group()->button(1))->setChecked(true);
    archives_->setValue(brief_.NumArchives < 0 ? 1 : brief_.NumArchives);
    for (QButtonGroup* group : {sizeUnlimited_->group(), timeUnlimited_->group(), archivesUnlimited_->group()})
        emit group->idToggled(group->checkedId(), true);

    const QDate today = hooks_.today();
    ScheduleChoice fresh;
    fresh.Start = {"8", "00", false};
    fresh.End = {"5", "00", true};
    fresh.DateText = today.toString(QStringLiteral("MM-dd-yy")).toStdString();
    ShowChoice(fresh);
    endHour_->SetText(QString::fromStdString(fresh.End.Hour));
    endMinutes_->SetText(QString::fromStdString(fresh.End.Minutes));
    endAmPm_->SetText(QStringLiteral("PM"));

    lockedTimers_->setVisible(brief_.TimersLocked);
    if (brief_.TimersLocked)
    {
        lockedTimers_->setText(Latin1(brief_.LockedTimersText));
        QFont font = lockedTimers_->font();
        font.setPointSize(std::clamp(brief_.LockedTimersFontSize, 6, 72));
        lockedTimers_->setFont(font);
    }
    ReloadSchedule();
}

void TBriefOpts::ReloadSchedule()
{
    const int row = schedule_->currentRow();
    schedule_->clear();
    for (const std::string& entry : brief_.Schedule)
        schedule_->addItem(Latin1(entry));
    if (row >= 0 && schedule_->count() > 0)
        schedule_->setCurrentRow(std::min(row, schedule_->count() - 1));
    UpdateEnabled();
}

void TBriefOpts::ShowChoice(const ScheduleChoice& choice)
{
    ScheduleDay day = choice.Day;
    if (day == ScheduleDay::MonthlyLastWeekday || day == ScheduleDay::MonthlyDay || day == ScheduleDay::MonthlyLastDay)
        day = ScheduleDay::MonthlyNthWeekday;
    days_->button(int(day))->setChecked(true);
    weeklyDay_->setCurrentIndex(std::clamp(choice.Weekday, 0, 6));
    monthlyWeekday_->setCurrentIndex(std::clamp(choice.Weekday, 0, 6));
    switch (choice.Day)
    {
    case ScheduleDay::MonthlyLastWeekday:
        monthlyWhich_->setCurrentIndex(LastWeekday);
        break;
    case ScheduleDay::MonthlyDay:
        monthlyWhich_->setCurrentIndex(DayOfMonth);
        break;
    case ScheduleDay::MonthlyLastDay:
        monthlyWhich_->setCurrentIndex(LastDay);
        break;
    case ScheduleDay::MonthlyNthWeekday:
        monthlyWhich_->setCurrentIndex(std::clamp(choice.Nth, 1, 4) - 1);
        break;
    default:
        break;
    }
    monthlyDay_->setValue(std::clamp(choice.MonthDay, 1, 30));
    if (choice.Day == ScheduleDay::Date)
        date_->setText(QString::fromStdString(choice.DateText));

    repeats_->button(int(choice.Repeat))->setChecked(true);
    everyHours_->setValue(std::clamp(choice.Hours, 1, 12));
    startHour_->SetText(QString::fromStdString(choice.Start.Hour));
    startMinutes_->SetText(QString::fromStdString(choice.Start.Minutes));
    startAmPm_->SetText(choice.Start.Pm ? QStringLiteral("PM") : QStringLiteral("AM"));
    if (choice.Repeat != ScheduleRepeat::Once)
    {
        endHour_->SetText(QString::fromStdString(choice.End.Hour));
        endMinutes_->SetText(QString::fromStdString(choice.End.Minutes));
        endAmPm_->SetText(choice.End.Pm ? QStringLiteral("PM") : QStringLiteral("AM"));
    }
    UpdateEnabled();
}

ScheduleChoice TBriefOpts::ChoiceFromControls() const
{
    ScheduleChoice choice;
    choice.Day = ScheduleDay(days_->checkedId());
    if (choice.Day == ScheduleDay::Weekly)
        choice.Weekday = weeklyDay_->currentIndex();
    if (choice.Day == ScheduleDay::MonthlyNthWeekday)
    {
        choice.Weekday = monthlyWeekday_->currentIndex();
        switch (monthlyWhich_->currentIndex())
        {
        case LastWeekday:
            choice.Day = ScheduleDay::MonthlyLastWeekday;
            break;
        case DayOfMonth:
            choice.Day = ScheduleDay::MonthlyDay;
            choice.MonthDay = monthlyDay_->value();
            break;
        case LastDay:
            choice.Day = ScheduleDay::MonthlyLastDay;
            break;
        default:
            choice.Nth = monthlyWhich_->currentIndex() + 1;
        }
    }
    const QDate today = hooks_.today();
    choice.TodayMonth = today.month();
    choice.TodayDay = today.day();
    choice.TodayYear = today.year();
    choice.DateText = Latin1Bytes(date_->text());

    choice.Repeat = ScheduleRepeat(repeats_->checkedId());
    choice.Hours = everyHours_->value();
    choice.Start = {Latin1Bytes(startHour_->Text()), Latin1Bytes(startMinutes_->Text()),
                    startAmPm_->Text() == QStringLiteral("PM")};
    choice.End = {Latin1Bytes(endHour_->Text()), Latin1Bytes(endMinutes_->Text()), endAmPm_->Text() == QStringLiteral("PM")};
    return choice;
}

std::string TBriefOpts::BuiltEntry() const
{
    return BuildScheduleEntry(ChoiceFromControls());
}

void TBriefOpts::UpdateEnabled()
{
    const bool running = brief_.Retrieving;
    const bool timersOpen = !running && !brief_.TimersLocked;
    name_->setEnabled(!running);
    active_->setEnabled(!running);
    comments_->setEnabled(!running);
    scheduleControls_->setEnabled(timersOpen);
    schedule_->setEnabled(timersOpen);
    limitControls_->setEnabled(timersOpen);
    add_->setEnabled(timersOpen);
    const bool selected = schedule_->currentRow() >= 0 && schedule_->currentRow() < schedule_->count();
    update_->setEnabled(timersOpen && selected);
    remove_->setEnabled(timersOpen && selected);

    const int day = days_->checkedId();
    const int which = monthlyWhich_->currentIndex();
    const bool monthly = day == int(ScheduleDay::MonthlyNthWeekday);
    weeklyDay_->setEnabled(day == int(ScheduleDay::Weekly));
    monthlyWhich_->setEnabled(monthly);
    monthlyWeekday_->setEnabled(monthly && which <= LastWeekday);
    monthlyDay_->setEnabled(monthly && which == DayOfMonth);
    date_->setEnabled(day == int(ScheduleDay::Date));
    const bool window = repeats_->checkedId() != int(ScheduleRepeat::Once);
    everyHours_->setEnabled(repeats_->checkedId() == int(ScheduleRepeat::EveryHours));
    for (ClockField* field : {endHour_, endMinutes_, endAmPm_})
        field->setEnabled(window);
}

void TBriefOpts::AddClick()
{
    const std::string text = BuiltEntry();
    AddScheduleEntry(brief_, text);
    schedule_->addItem(Latin1(text));
    schedule_->setCurrentRow(schedule_->count() - 1);
    UpdateEnabled();
}

void TBriefOpts::UpdateClick()
{
    const int row = schedule_->currentRow();
    if (row < 0)
        return;
    const std::string text = BuiltEntry();
    if (UpdateScheduleEntry(brief_, std::size_t(row), text))
        schedule_->item(row)->setText(Latin1(text));
}

void TBriefOpts::RemoveClick()
{
    const int row = schedule_->currentRow();
    if (row < 0)
        return;
    const std::optional<std::size_t> next = RemoveScheduleEntry(brief_, std::size_t(row));
    {
        const QSignalBlocker quiet(schedule_);
        delete schedule_->takeItem(row);
        schedule_->setCurrentRow(-1);
    }
    if (next)
        schedule_->setCurrentRow(int(*next));
    UpdateEnabled();
}

void TBriefOpts::ScheduleListSelect()
{
    const int row = schedule_->currentRow();
    if (row >= 0 && std::size_t(row) < brief_.Schedule.size())
        ShowChoice(ParseScheduleEntry(brief_.Schedule[std::size_t(row)]));
    UpdateEnabled();
}

void TBriefOpts::accept()
{
    if (!brief_.Retrieving)
    {
        brief_.BriefName = Latin1Bytes(name_->text());
        brief_.BriefActive = active_->isChecked();
        const QString comments = comments_->toPlainText();
        if (comments.isEmpty())
            brief_.BriefComments.reset();
        else
            brief_.BriefComments = Latin1Bytes(comments);
        if (!brief_.TimersLocked)
        {
            brief_.NumMegs = sizeUnlimited_->isChecked() ? -1 : sizeMegs_->value();
            if (timeUnlimited_->isChecked())
                brief_.MaxHours = brief_.MaxMins = -1;
            else
            {
                brief_.MaxHours = limitHours_->Text().toInt();
                brief_.MaxMins = limitMinutes_->Text().toInt();
            }
            brief_.NumArchives = archivesUnlimited_->isChecked() ? -1 : archives_->value();
        }
        if (hooks_.headerChanged)
            hooks_.headerChanged();
        if (hooks_.save(brief_) == SaveStatus::Failed)
            ShowMessage(this, BriefSavingError, MessageIcon::Error);
    }
    QDialog::accept();
}

} // namespace rv
