#include "tests/support/x-display.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

namespace rv::test
{

XDisplay::~XDisplay()
{
    if (xvfb_.state() != QProcess::NotRunning)
    {
        xvfb_.kill();
        xvfb_.waitForFinished();
    }
}

std::string XDisplay::MissingTool()
{
    for (const char* tool : {"Xvfb", "xdotool", "import"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return tool;
    return "";
}

std::string XDisplay::Start()
{
    // -displayfd names a free display.
    xvfb_.start(QStringLiteral("Xvfb"),
                {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                 QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!xvfb_.waitForStarted(5000))
        return "Xvfb did not start";
    QByteArray number;
    while (!number.contains('\n') && xvfb_.waitForReadyRead(10000))
        number += xvfb_.readAllStandardOutput();
    if (!number.contains('\n'))
        return "Xvfb gave no display";
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
    environment_.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return "";
}

QString XDisplay::Run(const QString& program, const QStringList& arguments, int exitCode)
{
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(15000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), exitCode)
        << program.toStdString() << " " << arguments.join(' ').toStdString() << process.readAllStandardError().toStdString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QStringList XDisplay::Windows(const QString& name)
{
    QProcess search;
    search.setProcessEnvironment(environment_);
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name});
    search.waitForFinished(5000);
    return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

void XDisplay::Keys(const QString& window, const QStringList& keys)
{
    Run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), window});
    Run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
}

void XDisplay::Screenshot(const std::filesystem::path& file)
{
    Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QString::fromStdString(file.string())});
}

} // namespace rv::test
