// The shared message box and help opener offscreen: the buttons each kind of
// box carries and what closing it answers, the system's texts as given, and
// the "Browser Not Set" box of the help menus.
#include "platform/settings-store.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"
#include "widgets/help-opener.h"
#include "widgets/message-box.h"

#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

struct ButtonsRow
{
    const char* name;
    MessageButtons buttons;
    std::vector<MessageAnswer> answers; // in order on screen; the first is the default
    std::vector<QString> labels;
    MessageAnswer onEscape;
};

void PrintTo(const ButtonsRow& row, std::ostream* out)
{
    *out << row.name;
}

class MessageBoxButtonsTest : public ::testing::TestWithParam<ButtonsRow>
{
protected:
    void SetUp() override { EnsureWidgetsApplication(); }
};

TEST_P(MessageBoxButtonsTest, CarriesTheButtonsAskedForAndAnswersWithTheOneClicked)
{
    const ButtonsRow& row = GetParam();
    {
        MessageBox box(UserMessage{"Caption", "Text"}, MessageIcon::Question, row.buttons);
        std::vector<QString> labels;
        for (MessageAnswer answer : row.answers)
            labels.push_back(box.Button(answer) ? box.Button(answer)->text() : QString("<none>"));
        EXPECT_EQ(labels, row.labels);
        EXPECT_EQ(box.findChildren<QPushButton*>().size(), row.answers.size());
        EXPECT_TRUE(box.Button(row.answers.front())->isDefault());
        box.show();
        box.reject();
        EXPECT_EQ(box.Answer(), row.onEscape);
    }
    for (MessageAnswer answer : row.answers)
    {
        MessageBox box(UserMessage{"Caption", "Text"}, MessageIcon::Question, row.buttons);
        std::vector<MessageAnswer> answered;
        QObject::connect(&box, &MessageBox::answered, [&](MessageAnswer given) { answered.push_back(given); });
        box.show();
        box.Button(answer)->click();
        EXPECT_EQ(box.Answer(), answer);
        EXPECT_EQ(answered, std::vector<MessageAnswer>{answer});
        EXPECT_FALSE(box.isVisible());
    }
}

using enum MessageAnswer;
INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxButtonsTest,
    ::testing::Values(ButtonsRow{"Ok", MessageButtons::Ok, {Ok}, {"OK"}, Ok},
                      ButtonsRow{"OkCancel", MessageButtons::OkCancel, {Ok, Cancel}, {"OK", "Cancel"}, Cancel},
                      ButtonsRow{"YesNo", MessageButtons::YesNo, {Yes, No}, {"&Yes", "&No"}, No},
                      ButtonsRow{
                          "YesNoCancel", MessageButtons::YesNoCancel, {Yes, No, Cancel}, {"&Yes", "&No", "Cancel"}, Cancel}));

class SharedWindowsTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        EnsureWidgetsApplication();
        SandboxedTest::SetUp();
    }
};

TEST_F(SharedWindowsTest, ShowMessageShowsTheLatinOneTextsAsPlainTextAndReturnsTheAnswer)
{
    QString caption, text;
    AnswerNextMessageBox(MessageAnswer::No,
                         [&](MessageBox& box)
                         {
                             caption = box.windowTitle();
                             text = box.Text();
                             const auto* label = FindByText<QLabel>(box, box.Text());
                             ASSERT_NE(label, nullptr);
                             EXPECT_EQ(label->textFormat(), Qt::PlainText);
                             EXPECT_FALSE(SaveScreenshot(box, "question").empty());
                         });
    const UserMessage message{"Caf\xe9 Error", "Keep <b>this</b> & that."};
    EXPECT_EQ(ShowMessage(nullptr, message, MessageIcon::Question, MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(caption, QString::fromUtf8("Caf\u00e9 Error"));
    EXPECT_EQ(text, "Keep <b>this</b> & that.");
}

TEST_F(SharedWindowsTest, HelpWithoutABrowserShowsBrowserNotSetOverTheWindow)
{
    QWidget window;
    window.show();
    HelpOpener help(QString::fromStdString(Dir().string()), QString::fromStdString(PathOf("settings.conf").string()), &window);
    QStringList asked;
    help.launch = [&](const QString& url)
    {
        asked << url;
        return BrowserLoad::NotSet;
    };
    QString caption, text;
    QWidget* parent = nullptr;
    MessageIcon icon = MessageIcon::Information;
    AnswerNextMessageBox(MessageAnswer::Ok,
                         [&](MessageBox& box)
                         {
                             caption = box.windowTitle();
                             text = box.Text();
                             parent = box.parentWidget();
                             icon = box.Icon();
                         });
    help.OpenContext(12);
    EXPECT_EQ(asked, QStringList{QUrl::fromLocalFile(QString::fromStdString(PathOf("help/12.html").string())).toString()});
    EXPECT_EQ(caption, "Browser Not Set");
    EXPECT_EQ(text, "Please set the Browser in the Ravelin Preferences dialog box (under the Edit menu).");
    EXPECT_EQ(parent, &window);
    EXPECT_EQ(icon, MessageIcon::Error);
}

TEST_F(SharedWindowsTest, TheBrowserCommandOfTheSettingsGetsTheHelpPage)
{
    const std::filesystem::path script = PathOf("browser.sh");
    WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.args\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    {
        SettingsStore store(QString::fromStdString(PathOf("settings.conf").string()));
        store.SetValue("Browser/Browser Path", script.string() + " --new-window");
        store.Sync();
    }
    QWidget window;
    HelpOpener help(QString::fromStdString(Dir().string()), QString::fromStdString(PathOf("settings.conf").string()), &window);
    help.OpenContents();
    const std::filesystem::path args = PathOf("browser.sh.args");
    for (int i = 0; i < 500 && ReadFile(args).empty(); ++i)
        QThread::msleep(10);
    EXPECT_EQ(ReadFile(args), "--new-window|" + help.ContentsUrl().toStdString() + "|");
}

} // namespace
} // namespace rv::test
