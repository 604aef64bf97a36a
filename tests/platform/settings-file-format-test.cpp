#include "platform/settings-file-format.h"
#include "tests/support/sandbox.h"

#include <QSettings>

namespace rv
{
namespace
{

std::string AllBytes()
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
    {
        all.push_back(static_cast<char>(byte));
    }
    return all;
}

// Values that stress the escapes: control characters before hex digits, quotes, backslashes, the characters
// that mean something to the INI reader, leading "@", spaces at either end, non-ASCII text and raw bytes.
const SettingsMap Samples = {
    {"Briefs/UserAgent", "Ravelin/2.6"},
    {"Briefs/NoProxyFor", std::string("\x05host\x0b"
                                      "cache:8080\0",
                                      17)},
    {"Briefs/Password", std::string("\x04"
                                    "a\\0\\\\",
                                    6)},
    {"Startup/Open Briefs", "10,20,300,200,0,\x0e/home/ann/a b.brf1,2,3,4,0,"},
    {"Startup/Bytes", AllBytes()},
    {"Startup/Quoted", "say \"hi\"; a=b # not a comment"},
    {"Startup/At", "@ByteArray(not bytes)"},
    {"Startup/Spaces", "  padded  "},
    {"Startup/Empty", ""},
    {"Dialer/Selection", "Caf\xc3\xa9 \xe2\x82\xac line"},
    {"Servers/Proxy/Proxy Port", "80"},
    {"Default/Search Properties/SearchEngineList", std::string("\x02\x00\x01\xff", 4)},
    {"General/Area", "general area"},
    {"TopLevel", "no area"},
};

class SettingsFileFormatTest : public test::SandboxedTest
{
protected:
    QString Path() const { return QString::fromStdString(PathOf("s.conf").string()); }
};

TEST_F(SettingsFileFormatTest, QSettingsReadsWhatWeWrite)
{
    test::WriteFile(PathOf("s.conf"), FormatSettingsText(Samples));
    QSettings plain(Path(), QSettings::IniFormat);
    EXPECT_EQ(plain.allKeys().size(), static_cast<qsizetype>(Samples.size()));
    for (const auto& [key, value] : Samples)
    {
        const QVariant read = plain.value(QString::fromStdString(key));
        const QByteArray bytes = read.typeId() == QMetaType::QByteArray ? read.toByteArray() : read.toString().toUtf8();
        EXPECT_EQ(bytes.toStdString(), value) << key;
    }
}

TEST_F(SettingsFileFormatTest, WeReadWhatQSettingsWrites)
{
    {
        QSettings plain(Path(), QSettings::IniFormat);
        for (const auto& [key, value] : Samples)
        {
            const QByteArray raw(value.data(), static_cast<qsizetype>(value.size()));
            const QString text = QString::fromUtf8(raw);
            plain.setValue(QString::fromStdString(key), text.toUtf8() == raw ? QVariant(text) : QVariant(raw));
        }
    }
    EXPECT_EQ(ParseSettingsText(test::ReadFile(PathOf("s.conf"))), Samples);
}

TEST_F(SettingsFileFormatTest, WrittenTextIsReadableAndStable)
{
    const SettingsMap settings = {
        {"TopLevel", "x"},
        {"Servers/Ravelin Server Port", "1888"},
        {"Servers/Proxy/UserName", std::string("\x03\\0A", 4)},
        {"General/Area", "@home"},
        {"Briefs/Retries", "3"},
    };
    const std::string text = FormatSettingsText(settings);
    EXPECT_EQ(text, "[General]\nTopLevel=\"x\"\n\n"
                    "[%General]\nArea=\"@@home\"\n\n"
                    "[Briefs]\nRetries=\"3\"\n\n"
                    "[Servers]\nProxy\\UserName=\"\\x3\\\\0A\"\nRavelin%20Server%20Port=\"1888\"\n");
    EXPECT_EQ(ParseSettingsText(text), settings);
}

TEST_F(SettingsFileFormatTest, HandEditedTextIsReadTheWayQSettingsReadsIt)
{
    const std::string text = "\xEF\xBB\xBF; a comment\r\n"
                             "[Servers]\r\n"
                             "  Display%20Header = Yes   ; trailing comment\r\n"
                             "Display Warning=No\r\n"
                             "Close Server=\"Y\" \"es\"\r\n"
                             "Words= a  b \r\n"
                             "Long=first \\\r\n"
                             "second\r\n"
                             "no equals sign here\r\n"
                             "[Briefs\r\n"
                             "Retries=\\x35\\061\\t\r\n"
                             "[Empty]\n"
                             "=value without key\n";
    test::WriteFile(PathOf("s.conf"), text);
    QSettings plain(Path(), QSettings::IniFormat);
    const SettingsMap read = ParseSettingsText(text);
    const SettingsMap expected = {
        {"Servers/Display Header", "Yes"}, {"Servers/Display Warning", "No"}, {"Servers/Close Server", "Yes"},
        {"Servers/Long", "first second"},  {"Servers/Words", "a  b"},         {"Briefs/Retries", "51\t"},
    };
    EXPECT_EQ(read, expected);
    for (const auto& [key, value] : expected)
    {
        EXPECT_EQ(plain.value(QString::fromStdString(key)).toString().toStdString(), value) << key;
    }
}

TEST(SettingsKeyTest, KeysTakeOneFormWhateverSeparatorsTheyCome)
{
    EXPECT_EQ(NormalSettingsKey("Servers\\Proxy\\Proxy Port"), "Servers/Proxy/Proxy Port");
    EXPECT_EQ(NormalSettingsKey("/Default//Web Properties/IsSet/"), "Default/Web Properties/IsSet");
    EXPECT_EQ(NormalSettingsKey("\\"), "");
}

TEST(SettingsTextTest, EveryCutOfAValidFileReadsWithoutFault)
{
    const std::string text = FormatSettingsText(Samples);
    for (std::size_t size = 0; size <= text.size(); ++size)
    {
        const SettingsMap read = ParseSettingsText(std::string_view(text).substr(0, size));
        EXPECT_LE(read.size(), Samples.size());
        EXPECT_EQ(ParseSettingsText(FormatSettingsText(read)), read) << "cut at " << size;
    }
}

} // namespace
} // namespace rv
