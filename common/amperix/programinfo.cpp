#include "programinfo.h"
#include "releasenotes.h"

namespace ProgramInfo
{

const char name[] = "Amperix";
const char version[] = "1.3.6";
const char date[] = "2017";
const char organisation[] = "Orvane";
const char settingsApplication[] = "Amperix";
const char logoResource[] = ":/Images/Images/Orvane.png";

const char* const releaseNotes = amperixReleaseNotes;

const char installersUrl[] = "https://www.orvane.com/downloads/installers";
const char updateRepositoryUrl[] = "https://updates.orvane.com/repository";
const char websiteUpdatesUrl[] = "https://www.orvane.com/downloads/amperix";

QString aboutHeading()
{
    return QStringLiteral("<h2><strong>&lt;SW_NAME&gt; v&lt;SW_VERSION&gt;</strong></h2>");
}

QStringList aboutModelList()
{
    return {
        QStringLiteral("<p>Compatible Power Supplies Models:</p>"),
        QStringLiteral("<ul>"),
        QStringLiteral("<li> KORA-PS - all variants</li>"),
        QStringLiteral("<li> KORA-PS-M - all variants</li>"),
        QStringLiteral("<li> KORA-PS-1K5 - all variants</li>"),
        QStringLiteral("<li> ORTX - all variants</li>"),
        QStringLiteral("</ul>"),
    };
}

QList<QPair<QString, QString>> aboutPlaceholders()
{
    return {
        {QStringLiteral("&lt;SW_VERSION&gt;"), QString::fromLatin1(version)},
        {QStringLiteral("&lt;date&gt;"), QString::fromLatin1(date)},
        {QStringLiteral("&lt;SW_NAME&gt;"), QString::fromLatin1(name)},
    };
}

} // namespace ProgramInfo
