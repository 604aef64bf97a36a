#include "tests/support/offscreen-widgets.h"

#include "tests/support/sandbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

// Fontconfig keeps a cache for the life of the process that LeakSanitizer
// reports when a sanitizer build exits; it is the font library's, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace rv::test
{

void EnsureWidgetsApplication()
{
    static int argc = 1;
    static char name[] = "window-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

void WhenModal(std::function<void(QDialog&)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout,
                     [timer, act = std::move(act)]
                     {
                         auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         if (!dialog)
                             return;
                         timer->stop();
                         timer->deleteLater();
                         act(*dialog);
                     });
    timer->start(10);
}

void AnswerNextMessageBox(MessageAnswer answer, std::function<void(MessageBox&)> look)
{
    WhenModal(
        [answer, look = std::move(look)](QDialog& dialog)
        {
            auto* box = qobject_cast<MessageBox*>(&dialog);
            if (!box)
            {
                ADD_FAILURE() << "the modal dialog \"" << dialog.windowTitle().toStdString() << "\" is no message box";
                dialog.reject();
                return;
            }
            if (look)
                look(*box);
            if (QPushButton* button = box->Button(answer))
                button->click();
            else
            {
                ADD_FAILURE() << "the box \"" << box->windowTitle().toStdString() << "\" lacks the button asked for";
                box->reject();
            }
        });
}

namespace
{

QString TextOf(const QWidget& widget)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (const auto* menu = qobject_cast<const QMenu*>(&widget))
        return menu->title();
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget))
        return group->title();
    return widget.isWindow() ? widget.windowTitle() : QString();
}

} // namespace

QWidget* FindWidgetByText(const QWidget& root, const QString& text)
{
    for (QWidget* child : root.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    {
        if (TextOf(*child) == text)
            return child;
        if (QWidget* below = FindWidgetByText(*child, text))
            return below;
    }
    return nullptr;
}

std::filesystem::path SaveScreenshot(QWidget& widget, const std::string& name)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string folder = test ? std::string(test->test_suite_name()) + "." + test->name() : "no-test";
    const std::filesystem::path dir = BinDir().parent_path() / "test-output" / folder;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::filesystem::path file = dir / (name + ".png");
    return widget.grab().save(QString::fromStdString(file.string())) ? file : std::filesystem::path();
}

} // namespace rv::test
