#include "releasenoteschecker.h"

#include <QRegularExpression>
#include <QTextDocument>
#include <QVersionNumber>

namespace
{

// Order in which sections stand within a release; both spellings of the
// "updated" section share one place.
int sectionRank(const QString& word)
{
    static const QStringList order{"Added", "Changed", "Fixed", "Updated", "Removed"};
    if (word == QLatin1String("Updates"))
        return order.indexOf(QStringLiteral("Updated"));
    return order.indexOf(word);
}

} // namespace

QString ReleaseNotesCheck::sectionSummary(int i) const
{
    QStringList parts;
    for (const ReleaseSection& s : releases.at(i).sections)
        parts << QStringLiteral("%1 (%2)").arg(s.word).arg(s.items.size());
    return parts.join(QStringLiteral(", "));
}

ReleaseNotesCheck checkReleaseNotes(const QByteArray& text)
{
    ReleaseNotesCheck r;
    auto fail = [&r](int line, const QString& what) {
        r.errors << QStringLiteral("line %1: %2").arg(line).arg(what);
    };

    if (text.contains('\r'))
        fail(0, QStringLiteral("carriage return in the text"));
    if (!text.startsWith('\n'))
        fail(1, QStringLiteral("the text must begin with an empty line"));
    if (!text.endsWith(".\n"))
        fail(0, QStringLiteral("the text must end with the line feed of a last item"));
    // The window shows the text as plain text; tags or entities would either
    // turn it into rich text or show as stray codes.
    static const QRegularExpression markupRe(QStringLiteral("<[A-Za-z/!]|&[A-Za-z#][A-Za-z0-9]*;"));
    if (Qt::mightBeRichText(QString::fromUtf8(text)) || QString::fromUtf8(text).contains(markupRe))
        fail(0, QStringLiteral("the text holds markup"));

    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    // split() leaves one empty entry after the final line feed.
    const int count = lines.size() - 1;

    static const QRegularExpression headingRe(QStringLiteral(
        "^## \\[(\\d+\\.\\d+\\.\\d{1,2})\\] - ((?:[1-9]|[0-3]\\d)/(?:0[1-9]|1[0-2])/\\d{4})$"));
    static const QRegularExpression sectionRe(
        QStringLiteral("^### (Added|Changed|Fixed|Updated|Updates|Removed)$"));
    const QString separator(23, QLatin1Char('#'));

    enum class Expect { Separator, Heading, Section, ItemOrBlank };
    Expect expect = Expect::Separator;
    int blanks = 0;
    int i = 1; // line 0 is the leading empty line
    for (; i < count; ++i) {
        const QString& line = lines.at(i);
        const int n = i + 1;
        if (line.isEmpty()) {
            ++blanks;
            continue;
        }
        switch (expect) {
        case Expect::Separator:
            if (!r.releases.isEmpty() && blanks != 2)
                fail(n, QStringLiteral("two empty lines must separate releases, found %1").arg(blanks));
            if (r.releases.isEmpty() && blanks != 0)
                fail(n, QStringLiteral("only one empty line may stand before the first release"));
            if (line != separator)
                fail(n, QStringLiteral("expected a separator of 23 '#'"));
            expect = Expect::Heading;
            break;
        case Expect::Heading: {
            if (blanks != 0)
                fail(n, QStringLiteral("no empty line may follow the separator"));
            const auto m = headingRe.match(line);
            if (!m.hasMatch())
                fail(n, QStringLiteral("bad heading \"%1\"").arg(line));
            Release rel;
            rel.heading = line;
            rel.version = m.captured(1);
            rel.date = m.captured(2);
            if (!r.releases.isEmpty() && m.hasMatch() &&
                QVersionNumber::fromString(rel.version) >=
                    QVersionNumber::fromString(r.releases.last().version))
                fail(n, QStringLiteral("releases must stand newest first"));
            r.releases << rel;
            expect = Expect::Section;
            break;
        }
        case Expect::Section: {
            if (blanks != (r.releases.last().sections.isEmpty() ? 0 : 1))
                fail(n, QStringLiteral("wrong number of empty lines before a section"));
            const auto m = sectionRe.match(line);
            if (!m.hasMatch()) {
                fail(n, QStringLiteral("expected a section line, found \"%1\"").arg(line));
                break;
            }
            auto& sections = r.releases.last().sections;
            if (!sections.isEmpty() && sectionRank(m.captured(1)) <= sectionRank(sections.last().word))
                fail(n, QStringLiteral("section %1 out of order").arg(m.captured(1)));
            sections << ReleaseSection{m.captured(1), {}};
            expect = Expect::ItemOrBlank;
            break;
        }
        case Expect::ItemOrBlank: {
            auto& section = r.releases.last().sections.last();
            if (blanks > 0 || line.startsWith(QLatin1Char('#'))) {
                // The previous section is complete: re-read this line as the
                // start of a new section or release.
                if (section.items.isEmpty())
                    fail(n, QStringLiteral("section without items"));
                expect = (blanks >= 2 || line == separator) ? Expect::Separator : Expect::Section;
                --i;
                continue; // keep `blanks` for the re-read
            }
            if (!line.startsWith(QLatin1String("- ")) || line.size() < 4)
                fail(n, QStringLiteral("expected an item line \"- ...\""));
            section.items << line.mid(2);
            break;
        }
        }
        blanks = 0;
    }
    if (blanks > 0)
        fail(count, QStringLiteral("empty line at the end"));
    if (r.releases.isEmpty())
        fail(1, QStringLiteral("no release"));
    else if (expect != Expect::ItemOrBlank || r.releases.last().sections.last().items.isEmpty())
        fail(count, QStringLiteral("the last release is incomplete"));

    // Every item ends with ';' but the last of its section, which ends with '.'.
    for (const Release& rel : qAsConst(r.releases)) {
        for (const ReleaseSection& s : rel.sections) {
            for (int k = 0; k < s.items.size(); ++k) {
                const QChar want = (k == s.items.size() - 1) ? QLatin1Char('.') : QLatin1Char(';');
                if (!s.items.at(k).endsWith(want))
                    r.errors << QStringLiteral("%1, %2 item %3: must end with '%4'")
                                    .arg(rel.heading, s.word)
                                    .arg(k + 1)
                                    .arg(want);
            }
        }
    }
    return r;
}
