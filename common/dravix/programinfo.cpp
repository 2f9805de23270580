#include "programinfo.h"
#include "releasenotes.h"

namespace ProgramInfo
{

const char name[] = "SENTREL Viewer";
const char version[] = "1.1.2";
const char date[] = "2017";
const char organisation[] = "Orvane";
const char settingsApplication[] = "SENTREL Viewer";
const char logoResource[] = ":/Icons/Images/Orvane.png";

const char* const releaseNotes = dravixReleaseNotes;

const char installersUrl[] = "https://www.orvane.com/downloads/installers";
const char updateRepositoryUrl[] = "https://updates.orvane.com/repository";
const char websiteUpdatesUrl[] = "https://www.orvane.com/downloads/sentrel-viewer";

QString aboutHeading()
{
    return QStringLiteral("<h2><strong>&lt;name&gt; v&lt;version&gt;</strong></h2>");
}

// The viewer works with one box family only, so its page lists no models.
QStringList aboutModelList()
{
    return {};
}

QList<QPair<QString, QString>> aboutPlaceholders()
{
    return {
        {QStringLiteral("&lt;version&gt;"), QString::fromLatin1(version)},
        {QStringLiteral("&lt;date&gt;"), QString::fromLatin1(date)},
        {QStringLiteral("&lt;name&gt;"), QString::fromLatin1(name)},
    };
}

} // namespace ProgramInfo
