#include "client/shell/dialogs/entry-setup-dialog.h"

#include "client/briefs/user-message.h"
#include "client/shell/client-settings.h"
#include "client/shell/dialogs/exclusion-dialog.h"
#include "widgets/help-opener.h"
#include "widgets/message-box.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

namespace rv
{
namespace
{

// The user agent choices in the order of UserAgentChoice.
const char* const UserAgentNames[] = {"Default", "Ravelin 2.5", "Microsoft Internet Explorer 3.01", "Netscape Navigator 3.01",
                                      "User-Specified"};

QCheckBox* MakeCheck(const char* text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void ShowFlag(QCheckBox* box, const std::optional<bool>& value)
{
    box->setChecked(value.value_or(false));
}

void ShowText(QLineEdit* edit, const std::optional<std::string>& value)
{
    edit->setText(DialogText(value.value_or(std::string())));
}

// The agent text for what the combo box shows: a choice's name selects that
// choice, anything else is the user's own agent.
std::string AgentOf(const QComboBox* combo)
{
    const QString text = combo->currentText();
    for (int choice = 0; choice < static_cast<int>(std::size(UserAgentNames)); ++choice)
        if (text == QString::fromLatin1(UserAgentNames[choice]))
            return UserAgentForChoice(static_cast<UserAgentChoice>(choice), std::string());
    return UserAgentForChoice(UserAgentChoice::UserSpecified, DialogBytes(text));
}

} // namespace

QString DialogText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string DialogBytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

EntrySetupDialog::EntrySetupDialog(TWebList& list, EntryKind kind, ClientSettings& settings, EntrySetupEnvironment environment,
                                   int helpContext, bool readOnly, QWidget* parent)
    : QDialog(parent), list_(list), kind_(kind), settings_(settings), environment_(std::move(environment)),
      shown_(GatherEntrySetup(list)), readOnly_(readOnly), single_(list.SelectedCount() == 1), helpContext_(helpContext)
{
    help_ = new HelpOpener(environment_.programDir, environment_.settingsPath, this);

    auto* layout = new QVBoxLayout(this);
    layout_ = layout;
    auto* top = new QHBoxLayout;
    active_ = MakeCheck("&Active", "Active", this);
    top->addWidget(active_);
    top->addStretch(1);
    locked_ = new QLabel(this);
    locked_->setObjectName(QStringLiteral("LockedText"));
    top->addWidget(locked_);
    layout->addLayout(top);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Pages"));
    tabs_->addTab(BuildRetrievalPage(), QStringLiteral("&Retrieval"));
    tabs_->addTab(BuildSmartSearchPage(), QStringLiteral("Smar&t Search"));
    tabs_->addTab(BuildAdvancedPage(), QStringLiteral("Ad&vanced"));
    layout->addWidget(tabs_, 1);

    Load();
}

EntrySetupDialog::~EntrySetupDialog() = default;

QWidget* EntrySetupDialog::BuildRetrievalPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* depths = new QGroupBox(QStringLiteral("Spider Depth"), page);
    auto* form = new QFormLayout(depths);
    spiderDepth_ = new QSpinBox(depths);
    spiderDepth_->setObjectName(QStringLiteral("SpiderDepth"));
    spiderDepth_->setRange(MinSpiderDepth, MaxSpiderDepth);
    depthWarning_ = new QLabel(QString::fromLatin1(SpiderDepthWarning), depths);
    depthWarning_->setObjectName(QStringLiteral("DepthWarning"));
    auto* internalRow = new QHBoxLayout;
    internalRow->addWidget(spiderDepth_);
    internalRow->addWidget(depthWarning_, 1);
    auto* internalLabel = new QLabel(QStringLiteral("&Internal Spider Depth:"), depths);
    internalLabel->setBuddy(spiderDepth_);
    form->addRow(internalLabel, internalRow);
    followExternal_ = MakeCheck("Follow E&xternal Links", "FollowExternal", depths);
    form->addRow(followExternal_);
    externalDepth_ = new QSpinBox(depths);
    externalDepth_->setObjectName(QStringLiteral("ExternalDepth"));
    externalDepth_->setRange(MinExternalDepth, MaxExternalDepth);
    auto* externalLabel = new QLabel(QStringLiteral("External Spider Dept&h:"), depths);
    externalLabel->setBuddy(externalDepth_);
    auto* externalRow = new QHBoxLayout;
    externalRow->addWidget(externalDepth_);
    externalRow->addStretch(1);
    form->addRow(externalLabel, externalRow);
    stayInSubdir_ = MakeCheck("Stay in director&y tree", "StayInSubdir", depths);
    form->addRow(stayInSubdir_);
    layout->addWidget(depths);

    auto* fetch = new QGroupBox(QStringLiteral("Retrieve"), page);
    auto* grid = new QGridLayout(fetch);
    images_ = MakeCheck("I&mages", "Images", fetch);
    frames_ = MakeCheck("&Frames", "Frames", fetch);
    plugIns_ = MakeCheck("&Plug-ins", "PlugIns", fetch);
    applets_ = MakeCheck("&Java Applets", "Applets", fetch);
    activeX_ = MakeCheck("ActiveX &Controls", "ActiveX", fetch);
    other_ = MakeCheck("&Other Files", "Other", fetch);
    QCheckBox* const order[] = {images_, frames_, plugIns_, applets_, activeX_, other_};
    for (int i = 0; i < 6; ++i)
        grid->addWidget(order[i], i % 3, i / 3);
    layout->addWidget(fetch);

    auto* type = new QGroupBox(QStringLiteral("Retrieval Type"), page);
    auto* typeLayout = new QVBoxLayout(type);
    fullPage_ = new QRadioButton(QStringLiteral("F&ull Page"), type);
    fullPage_->setObjectName(QStringLiteral("FullPage"));
    markDiffs_ = new QRadioButton(QStringLiteral("Mar&k Differences"), type);
    markDiffs_->setObjectName(QStringLiteral("MarkDifferences"));
    extractDiffs_ = new QRadioButton(QStringLiteral("Extract Diff&erences"), type);
    extractDiffs_->setObjectName(QStringLiteral("ExtractDifferences"));
    retrievalType_ = new QButtonGroup(type);
    retrievalType_->addButton(fullPage_);
    retrievalType_->addButton(markDiffs_);
    retrievalType_->addButton(extractDiffs_);
    keepUnfiltered_ = MakeCheck("Keep U&nfiltered Page", "KeepUnfilteredPage", type);
    for (QWidget* w : std::initializer_list<QWidget*>{fullPage_, markDiffs_, extractDiffs_, keepUnfiltered_})
        typeLayout->addWidget(w);
    layout->addWidget(type);
    layout->addStretch(1);
    return page;
}

QWidget* EntrySetupDialog::BuildSmartSearchPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    smartSearch_ = MakeCheck("&Smart Search", "SmartSearch", page);
    layout->addWidget(smartSearch_);
    auto* form = new QFormLayout;
    searchFor_ = new QLineEdit(page);
    searchFor_->setObjectName(QStringLiteral("SearchFor"));
    auto* label = new QLabel(QStringLiteral("Search &for:"), page);
    label->setBuddy(searchFor_);
    form->addRow(label, searchFor_);
    layout->addLayout(form);
    caseSensitive_ = MakeCheck("&Case Sensitive", "CaseSensitive", page);
    checkHeader_ = MakeCheck("Check &Header", "CheckHeader", page);
    searchHTML_ = MakeCheck("Search HT&ML", "SearchHTML", page);
    preserveOnly_ = MakeCheck("&Preserve Only Smart Search Matches", "PreserveOnly", page);
    for (QWidget* w : std::initializer_list<QWidget*>{caseSensitive_, checkHeader_, searchHTML_, preserveOnly_})
        layout->addWidget(w);
    layout->addStretch(1);
    return page;
}

QWidget* EntrySetupDialog::BuildAdvancedPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* login = new QGroupBox(QStringLiteral("Site Login"), page);
    auto* form = new QFormLayout(login);
    userName_ = new QLineEdit(login);
    userName_->setObjectName(QStringLiteral("UserName"));
    password_ = new QLineEdit(login);
    password_->setObjectName(QStringLiteral("Password"));
    confirmPassword_ = new QLineEdit(login);
    confirmPassword_->setObjectName(QStringLiteral("ConfirmPassword"));
    for (QLineEdit* edit : {password_, confirmPassword_})
        edit->setEchoMode(QLineEdit::Password);
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"User &Name:", userName_}, {"Pass&word:", password_}, {"Con&firm Password:", confirmPassword_}};
    for (const auto& [text, edit] : rows)
    {
        auto* label = new QLabel(QString::fromLatin1(text), login);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    layout->addWidget(login);

    auto* connection = new QGroupBox(QStringLiteral("Connection"), page);
    auto* connectionForm = new QFormLayout(connection);
    userAgent_ = new QComboBox(connection);
    userAgent_->setObjectName(QStringLiteral("UserAgent"));
    userAgent_->setEditable(true);
    userAgent_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* name : UserAgentNames)
        userAgent_->addItem(QString::fromLatin1(name));
    auto* agentLabel = new QLabel(QStringLiteral("&User Agent:"), connection);
    agentLabel->setBuddy(userAgent_);
    connectionForm->addRow(agentLabel, userAgent_);
    bypassProxyCache_ = MakeCheck("&Bypass Proxy Cache", "BypassProxyCache", connection);
    connectionForm->addRow(bypassProxyCache_);
    layout->addWidget(connection);

    auto* exclusions = new QGroupBox(QStringLiteral("Exclusions"), page);
    auto* exclusionsLayout = new QHBoxLayout(exclusions);
    exclusionLists_ = MakeCheck("Use E&xclusion Lists", "ExclusionLists", exclusions);
    editExclusions_ = new QPushButton(QStringLiteral("&Exclusion Lists..."), exclusions);
    editExclusions_->setObjectName(QStringLiteral("ExclusionListsButton"));
    editExclusions_->setAutoDefault(false);
    connect(editExclusions_, &QPushButton::clicked, this, [this] { ExclusionListsClick(); });
    exclusionsLayout->addWidget(exclusionLists_);
    exclusionsLayout->addStretch(1);
    exclusionsLayout->addWidget(editExclusions_);
    layout->addWidget(exclusions);
    layout->addStretch(1);
    return page;
}

void EntrySetupDialog::Load()
{
    const EntrySetupFields& f = shown_;
    ShowFlag(active_, f.Active);
    spiderDepth_->setValue(f.SpiderDepth.value_or(1));
    externalDepth_->setValue(f.ExternalDepth.value_or(1));
    followExternal_->setChecked(f.LocalOnly ? !*f.LocalOnly : false);
    ShowFlag(stayInSubdir_, f.StayInSubdir);
    ShowFlag(images_, f.Images);
    ShowFlag(frames_, f.Frames);
    ShowFlag(plugIns_, f.PlugIns);
    ShowFlag(applets_, f.Applets);
    ShowFlag(activeX_, f.ActiveX);
    ShowFlag(other_, f.Other);
    if (f.FullRetrieval == true)
        fullPage_->setChecked(true);
    else if (f.FullRetrieval == false && f.MarkDiffs)
        (*f.MarkDiffs ? markDiffs_ : extractDiffs_)->setChecked(true);
    ShowFlag(keepUnfiltered_, f.KeepUnfilteredPage);
    ShowFlag(smartSearch_, f.SmartSearch);
    ShowText(searchFor_, f.SearchFor);
    ShowFlag(caseSensitive_, f.CaseSensitive);
    ShowFlag(checkHeader_, f.CheckHeader);
    ShowFlag(searchHTML_, f.SearchHTML);
    ShowFlag(preserveOnly_, f.PreserveOnly);
    ShowText(userName_, f.UserName);
    ShowText(password_, f.Password);
    ShowText(confirmPassword_, f.Password);
    if (f.UserAgent)
    {
        const UserAgentChoice choice = ChoiceForUserAgent(*f.UserAgent);
        userAgent_->setCurrentIndex(static_cast<int>(choice));
        if (choice == UserAgentChoice::UserSpecified)
            userAgent_->setEditText(DialogText(*f.UserAgent));
    }
    else
    {
        userAgent_->setCurrentIndex(-1);
        userAgent_->setEditText(QString());
    }
    ShowFlag(bypassProxyCache_, f.BypassProxyCache);
    ShowFlag(exclusionLists_, f.ExclusionLists);
    exList_ = f.ExList;
    inList_ = f.InList;
    ShowDepthWarning();
    connect(spiderDepth_, &QSpinBox::valueChanged, this, [this] { ShowDepthWarning(); });

    const int focus = list_.Focus();
    if (list_.IsValid(focus) && list_[focus].EntryLocked)
    {
        QFont font = locked_->font();
        font.setPointSize(std::max(1, list_[focus].LockedFontSize));
        locked_->setFont(font);
        locked_->setText(DialogText(list_[focus].LockedText));
    }
    else
    {
        locked_->hide();
    }
}

void EntrySetupDialog::AddOwnPage(QWidget* page, const QString& title)
{
    tabs_->insertTab(0, page, title);
    tabs_->setCurrentIndex(0);
}

void EntrySetupDialog::FinishSetup(QWidget* firstFocus)
{
    // The buttons come last, after the kind's own page, so that Tab walks the
    // page on show before it reaches them.
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    setDefault_ = buttons->addButton(QStringLiteral("Set &Default"), QDialogButtonBox::ResetRole);
    setDefault_->setObjectName(QStringLiteral("SetDefaultButton"));
    auto* help = buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton* button : {ok, cancel, setDefault_, help})
        button->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(setDefault_, &QPushButton::clicked, this, [this] { SetDefaultClick(); });
    connect(help, &QPushButton::clicked, this, [this] { help_->OpenContext(helpContext_); });
    layout_->addWidget(buttons);
    for (QCheckBox* box :
         {active_, followExternal_, stayInSubdir_, images_, frames_, plugIns_, applets_, activeX_, other_, keepUnfiltered_,
          smartSearch_, caseSensitive_, checkHeader_, searchHTML_, preserveOnly_, bypassProxyCache_, exclusionLists_})
        tracker_.Track(box);
    for (QSpinBox* spin : {spiderDepth_, externalDepth_})
        tracker_.Track(spin);
    for (QLineEdit* edit : {searchFor_, userName_, password_})
        tracker_.Track(edit);
    tracker_.Track(retrievalType_);
    tracker_.Track(userAgent_);

    if (readOnly_)
    {
        std::vector<QWidget*> controls = OwnControls();
        for (QWidget* w : std::initializer_list<QWidget*>{
                 active_,      spiderDepth_,      externalDepth_,  followExternal_, stayInSubdir_, images_,
                 frames_,      plugIns_,          applets_,        activeX_,        other_,        fullPage_,
                 markDiffs_,   extractDiffs_,     keepUnfiltered_, smartSearch_,    searchFor_,    caseSensitive_,
                 checkHeader_, searchHTML_,       preserveOnly_,   userName_,       password_,     confirmPassword_,
                 userAgent_,   bypassProxyCache_, exclusionLists_, editExclusions_, setDefault_})
            controls.push_back(w);
        for (QWidget* w : controls)
            w->setEnabled(false);
    }
    if (firstFocus && firstFocus->isEnabled())
        firstFocus->setFocus();
    // Fit a 1024x768 screen with room for the panel and the window frame.
    resize(sizeHint().boundedTo(QSize(1000, 700)));
}

std::vector<int> EntrySetupDialog::WritablePositions() const
{
    std::vector<int> positions;
    for (const int position : list_.SelectedPositions())
        if (!list_[position].EntryLocked)
            positions.push_back(position);
    return positions;
}

void EntrySetupDialog::ShowDepthWarning()
{
    depthWarning_->setVisible(spiderDepth_->value() > RecommendedSpiderDepth);
}

EntrySetupFields EntrySetupDialog::CollectChanges() const
{
    EntrySetupFields changed;
    const std::pair<QCheckBox*, std::optional<bool> EntrySetupFields::*> flags[] = {
        {active_, &EntrySetupFields::Active},
        {stayInSubdir_, &EntrySetupFields::StayInSubdir},
        {images_, &EntrySetupFields::Images},
        {frames_, &EntrySetupFields::Frames},
        {plugIns_, &EntrySetupFields::PlugIns},
        {applets_, &EntrySetupFields::Applets},
        {activeX_, &EntrySetupFields::ActiveX},
        {other_, &EntrySetupFields::Other},
        {keepUnfiltered_, &EntrySetupFields::KeepUnfilteredPage},
        {smartSearch_, &EntrySetupFields::SmartSearch},
        {caseSensitive_, &EntrySetupFields::CaseSensitive},
        {checkHeader_, &EntrySetupFields::CheckHeader},
        {searchHTML_, &EntrySetupFields::SearchHTML},
        {preserveOnly_, &EntrySetupFields::PreserveOnly},
        {bypassProxyCache_, &EntrySetupFields::BypassProxyCache},
        {exclusionLists_, &EntrySetupFields::ExclusionLists},
    };
    for (const auto& [box, field] : flags)
        if (tracker_.Changed(box))
            changed.*field = box->isChecked();
    if (tracker_.Changed(followExternal_))
        changed.LocalOnly = !followExternal_->isChecked();
    if (tracker_.Changed(spiderDepth_))
        changed.SpiderDepth = spiderDepth_->value();
    if (tracker_.Changed(externalDepth_))
        changed.ExternalDepth = externalDepth_->value();
    if (tracker_.Changed(retrievalType_))
    {
        changed.FullRetrieval = fullPage_->isChecked();
        if (!fullPage_->isChecked())
            changed.MarkDiffs = markDiffs_->isChecked();
    }
    if (tracker_.Changed(searchFor_))
        changed.SearchFor = DialogBytes(searchFor_->text());
    if (tracker_.Changed(userName_))
        changed.UserName = DialogBytes(userName_->text());
    if (tracker_.Changed(password_))
        changed.Password = DialogBytes(password_->text());
    if (tracker_.Changed(userAgent_))
        changed.UserAgent = AgentOf(userAgent_);
    if (exclusionsEdited_)
    {
        changed.ExList = exList_;
        changed.InList = inList_;
    }
    CollectOwnChanges(changed);
    return changed;
}

void EntrySetupDialog::OkClick()
{
    if (readOnly_)
    {
        accept();
        return;
    }
    const EntrySetupFields changed = CollectChanges();
    if (const std::optional<UserMessage> refused = ApplyEntrySetup(list_, changed, DialogBytes(confirmPassword_->text())))
    {
        ShowMessage(this, *refused, MessageIcon::Error);
        return;
    }
    ApplyOwnChanges();
    accept();
}

void EntrySetupDialog::SetDefaultClick()
{
    if (readOnly_)
        return;
    EntryDefaults record = settings_.EntryDefaults.For(kind_);
    record.IsSet = true;
    record.Active = active_->isChecked();
    record.Images = images_->isChecked();
    record.Frames = frames_->isChecked();
    record.Other = other_->isChecked();
    record.Applets = applets_->isChecked();
    record.ActiveX = activeX_->isChecked();
    record.PlugIns = plugIns_->isChecked();
    record.SpiderDepth = spiderDepth_->value();
    record.ExternalDepth = externalDepth_->value();
    record.LocalOnly = !followExternal_->isChecked();
    record.FullRetrieval = !markDiffs_->isChecked() && !extractDiffs_->isChecked();
    record.MarkDiffs = markDiffs_->isChecked();
    record.SmartSearch = smartSearch_->isChecked();
    record.SearchFor = DialogBytes(searchFor_->text());
    record.CaseSensitive = caseSensitive_->isChecked();
    record.CheckHeader = checkHeader_->isChecked();
    record.SearchHTML = searchHTML_->isChecked();
    record.PreserveOnly = preserveOnly_->isChecked();
    record.StayInSubdir = stayInSubdir_->isChecked();
    record.KeepUnfilteredPage = keepUnfiltered_->isChecked();
    record.UserAgent = AgentOf(userAgent_);
    record.BypassProxyCache = bypassProxyCache_->isChecked();
    FillOwnDefaults(record);
    settings_.EntryDefaults.For(kind_) = record;
    if (environment_.store)
        WriteEntryDefaults(*environment_.store, kind_, record);
}

void EntrySetupDialog::ExclusionListsClick()
{
    TExclusion dialog(settings_.Startup.ExclusionItems, settings_.Startup.InclusionItems, exList_, inList_,
                      environment_.programDir, environment_.settingsPath, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    exList_ = dialog.ExList();
    inList_ = dialog.InList();
    exclusionsEdited_ = true;
    settings_.Startup.ExclusionItems = dialog.ExclusionItems();
    settings_.Startup.InclusionItems = dialog.InclusionItems();
    if (environment_.store)
    {
        WriteExclusionItems(*environment_.store, settings_.Startup.ExclusionItems);
        WriteInclusionItems(*environment_.store, settings_.Startup.InclusionItems);
    }
}

} // namespace rv
