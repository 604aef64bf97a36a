#include "client/shell/briefs/system-clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

namespace rv
{
namespace
{

// The stamp format; its value is this process and the number of its copy.
const QString OwnStampFormat = QStringLiteral("application/x-ravelin-entry-copy");

quint64& CopyCount()
{
    static quint64 count = 0;
    return count;
}

QByteArray CurrentStamp()
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(CopyCount());
}

bool IsOwnCopy(const QMimeData& data)
{
    return data.hasFormat(OwnStampFormat) && data.data(OwnStampFormat) == CurrentStamp();
}

bool IsWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

void AddAddress(QStringList& addresses, const QString& text)
{
    if (text.isEmpty() || text.size() > MaxPastedAddressLength)
    {
        return;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (IsWebAddress(url))
    {
        addresses.append(QString::fromLatin1(url.toEncoded()));
    }
}

} // namespace

QStringList AddressesIn(const QMimeData& data)
{
    QStringList addresses;
    if (data.hasUrls())
    {
        for (const QUrl& url : data.urls())
        {
            AddAddress(addresses, url.toString(QUrl::FullyEncoded));
        }
        return addresses;
    }
    if (data.hasText())
    {
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        for (const QString& word : data.text().split(blanks, Qt::SkipEmptyParts))
        {
            AddAddress(addresses, word);
        }
    }
    return addresses;
}

QMimeData* AddressesMimeData(const std::vector<const TWebPage*>& entries)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QStringList lines;
    for (const TWebPage* entry : entries)
    {
        if (entry->URL.empty())
        {
            continue;
        }
        const QString address = QString::fromLatin1(entry->URL.data(), static_cast<qsizetype>(entry->URL.size()));
        urls.append(QUrl(address));
        lines.append(address);
    }
    if (!urls.isEmpty())
    {
        data->setUrls(urls);
        data->setText(lines.join(QLatin1Char('\n')));
    }
    return data;
}

void PutSelectionOnSystemClipboard(const TWebList& list)
{
    std::vector<const TWebPage*> entries;
    for (int position : list.SelectedPositions())
    {
        entries.push_back(&list[position]);
    }
    QMimeData* data = AddressesMimeData(entries);
    ++CopyCount();
    data->setData(OwnStampFormat, CurrentStamp());
    QGuiApplication::clipboard()->setMimeData(data);
}

QStringList ForeignClipboardAddresses()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || IsOwnCopy(*data))
    {
        return {};
    }
    return AddressesIn(*data);
}

bool HasForeignClipboardAddresses()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || IsOwnCopy(*data))
    {
        return false;
    }
    if (data->hasUrls())
    {
        return !AddressesIn(*data).isEmpty();
    }
    static const QRegularExpression word(QStringLiteral("\\S+"));
    for (auto matches = word.globalMatch(data->text()); matches.hasNext();)
    {
        QStringList found;
        AddAddress(found, matches.next().captured());
        if (!found.isEmpty())
        {
            return true;
        }
    }
    return false;
}

int InsertAddressEntries(TWebList& list, const QStringList& addresses, int position, const EntryDefaultsRecords* defaults)
{
    int at = list.IsValid(position) ? position : list.Count();
    int inserted = 0;
    for (const QString& address : addresses)
    {
        TWebPage entry = MakeEntry(EntryKind::Web);
        if (defaults && defaults->Web.IsSet)
        {
            ApplyEntryDefaults(entry, defaults->Web);
        }
        entry.URL = address.toLatin1().toStdString();
        const int placed = list.Insert(std::move(entry), at);
        if (placed < 0)
        {
            break;
        }
        at = placed + 1;
        ++inserted;
    }
    return inserted;
}

int PasteAddresses(TWebList& list, const QStringList& addresses, const EntryDefaultsRecords* defaults)
{
    const int focus = list.Focus();
    const int inserted = InsertAddressEntries(list, addresses, focus, defaults);
    list.SetFocus(focus >= 0 ? focus : 0);
    return inserted;
}

} // namespace rv
