#include "aboutdialog.h"
#include "changelog.h"
#include "programinfo.h"

#ifdef FOR_AMPERIX
#include "logcapture.h"
#endif
#include "postedevents.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextList>
#include <QVBoxLayout>
#include <QtTest>

// What the About and change-log windows show, built from this program's own
// constants, forms and images.
namespace
{

#ifdef FOR_AMPERIX
const QString expectedHeading = QStringLiteral("Amperix v1.3.6");
const QString expectedLogo = QStringLiteral(":/Images/Images/Orvane.png");
const QStringList expectedModels{"KORA-PS - all variants", "KORA-PS-M - all variants",
                                 "KORA-PS-1K5 - all variants", "ORTX - all variants"};
const bool logoInRow = false; // the About logo sits right in the vertical layout
#else
const QString expectedHeading = QStringLiteral("SENTREL Viewer v1.1.2");
const QString expectedLogo = QStringLiteral(":/Icons/Images/Orvane.png");
const QStringList expectedModels;
const bool logoInRow = true;
#endif

QTextBrowser* browserOf(QWidget* w)
{
    return w->findChild<QTextBrowser*>(QStringLiteral("textBrowser"));
}

// The logo label and where it stands: in the dialog's vertical layout, or in
// a row with a spacer after it.
void verifyLogo(QDialog* dlg, bool inRow)
{
    auto* logo = dlg->findChild<QLabel*>(QStringLiteral("Orvane_logo"));
    QVERIFY(logo);
    QCOMPARE(logo->minimumSize(), QSize(295, 89));
    QCOMPARE(logo->maximumSize(), QSize(295, 89));
    QVERIFY(logo->hasScaledContents());
    QVERIFY(logo->text().isEmpty());
    QVERIFY(!logo->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(logo->pixmap(Qt::ReturnByValue).toImage(), QPixmap(expectedLogo).toImage());

    auto* column = dlg->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
    QVERIFY(column);
    QCOMPARE(column->count(), 2);
    QCOMPARE(column->itemAt(0)->widget(), browserOf(dlg));
    if (!inRow) {
        QCOMPARE(column->itemAt(1)->widget(), logo);
        return;
    }
    auto* row = qobject_cast<QHBoxLayout*>(column->itemAt(1)->layout());
    QVERIFY(row);
    QCOMPARE(row->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(row->count(), 2);
    QCOMPARE(row->itemAt(0)->widget(), logo);
    QSpacerItem* spacer = row->itemAt(1)->spacerItem();
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), QSize(40, 20));
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
}

// Receives the links the About page hands to the desktop.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void aboutForm();
    void aboutHeadingNamesProgramAndVersion();
    void aboutPageHasNoPlaceholderLeft();
    void aboutPageListsModelsAndJustifiedLicence();
    void aboutLinkGoesToTheDesktop();
    void changeLogForm();
    void changeLogShowsNotesAsPlainText();
    void changeLogNewestVersionIsTheProgramVersion();
    void closingOnlyHides();
    void logLines();
    void screenshots();
};

void TestWindows::aboutForm()
{
    AboutDialog dlg;
    QCOMPARE(dlg.objectName(), QStringLiteral("AboutDialog"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("About"));
    QCOMPARE(dlg.size(), QSize(650, 500));
    QVERIFY(!dlg.isModal());
    QVERIFY(browserOf(&dlg)->openExternalLinks());
    verifyLogo(&dlg, logoInRow);
}

void TestWindows::aboutHeadingNamesProgramAndVersion()
{
    AboutDialog dlg;
    QVERIFY(dlg.pageText().startsWith(QStringLiteral("<h2><strong>") + expectedHeading +
                                      QStringLiteral("</strong></h2>")));
    const QTextBlock first = browserOf(&dlg)->document()->firstBlock();
    QCOMPARE(first.text(), expectedHeading);
    QCOMPARE(first.blockFormat().headingLevel(), 2);
    QVERIFY(first.begin().fragment().charFormat().fontWeight() >= QFont::Bold);
}

void TestWindows::aboutPageHasNoPlaceholderLeft()
{
    AboutDialog dlg;
    QVERIFY(!dlg.pageText().contains(QLatin1String("&lt;")));
    QVERIFY(!dlg.pageText().contains(QLatin1String("&gt;")));
    const QString shown = browserOf(&dlg)->toPlainText();
    QVERIFY(!shown.contains(QLatin1Char('<')));
    QVERIFY(!shown.contains(QLatin1Char('>')));
    QVERIFY(shown.contains(QStringLiteral("Copyright \u00a9 2017 Orvane")));
}

void TestWindows::aboutPageListsModelsAndJustifiedLicence()
{
    AboutDialog dlg;
    QTextDocument* doc = browserOf(&dlg)->document();
    QStringList models;
    int justified = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.textList())
            models << b.text().trimmed();
        if (b.blockFormat().alignment() & Qt::AlignJustify)
            ++justified;
    }
    QCOMPARE(models, expectedModels);
    QCOMPARE(justified, 3);
    QCOMPARE(dlg.pageText().contains(QLatin1String("Compatible Power Supplies Models:")),
             !expectedModels.isEmpty());
    QVERIFY(dlg.pageText().contains(QLatin1String("&quot;Software&quot;")));
}

void TestWindows::aboutLinkGoesToTheDesktop()
{
    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &sink, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &sink, "open");

    AboutDialog dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTextBrowser* browser = browserOf(&dlg);
    const QString before = browser->toHtml();

    // Click every link of the page.
    QStringList targets;
    for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.charFormat().isAnchor())
                continue;
            targets << f.charFormat().anchorHref();
            QTextCursor c(browser->document());
            c.setPosition(f.position() + 1);
            browser->ensureCursorVisible();
            browser->setTextCursor(c);
            const QPoint at = browser->cursorRect(c).center();
            QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
        }
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));

    QCOMPARE(targets.size(), 2);
    QCOMPARE(sink.urls.size(), 2);
    QCOMPARE(sink.urls.at(0).toString(), targets.at(0));
    QCOMPARE(sink.urls.at(1).scheme(), QStringLiteral("mailto"));
    QCOMPARE(browser->toHtml(), before);
    QVERIFY(browser->source().isEmpty());
}

void TestWindows::changeLogForm()
{
    ChangeLog dlg;
    QCOMPARE(dlg.objectName(), QStringLiteral("ChangeLog"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Changelog"));
    QCOMPARE(dlg.size(), QSize(860, 598));
    QVERIFY(!dlg.isModal());
    QVERIFY(browserOf(&dlg)->isReadOnly());
    verifyLogo(&dlg, true);
}

void TestWindows::changeLogShowsNotesAsPlainText()
{
    ChangeLog dlg;
    QTextBrowser* browser = browserOf(&dlg);
    QCOMPARE(browser->toPlainText(), QString::fromUtf8(ProgramInfo::releaseNotes));
    const QTextDocument* doc = browser->document();
    QCOMPARE(doc->findBlockByNumber(0).text(), QString());
    QCOMPARE(doc->findBlockByNumber(1).text(), QString(23, QLatin1Char('#')));
    QVERIFY(doc->findBlockByNumber(2).text().startsWith(QLatin1String("## [")));
    // Shown literally: no heading or list formatting was made of the marks.
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QCOMPARE(b.blockFormat().headingLevel(), 0);
        QVERIFY(!b.textList());
    }
}

void TestWindows::changeLogNewestVersionIsTheProgramVersion()
{
    ChangeLog dlg;
    const QString heading = browserOf(&dlg)->document()->findBlockByNumber(2).text();
    QVERIFY2(heading.startsWith(QStringLiteral("## [%1] - ").arg(QString::fromLatin1(ProgramInfo::version))),
             qPrintable(heading));
    QVERIFY(expectedHeading.endsWith(QLatin1String(ProgramInfo::version)));
}

void TestWindows::closingOnlyHides()
{
    QWidget owner;
    auto* log = new ChangeLog(&owner);
    QPointer<ChangeLog> guard(log);
    log->show();
    QVERIFY(QTest::qWaitForWindowExposed(log));
    QScrollBar* bar = browserOf(log)->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum() / 2);
    const int at = bar->value();
    QVERIFY(log->close());
    QVERIFY(guard);
    QVERIFY(log->isHidden());
    log->show();
    QCOMPARE(bar->value(), at);
    QCOMPARE(browserOf(log)->toPlainText(), QString::fromUtf8(ProgramInfo::releaseNotes));
}

void TestWindows::logLines()
{
#ifdef FOR_AMPERIX
    LogCapture about(aboutDialogLogger);
    LogCapture changes(changeLogLogger);
    delete new AboutDialog;
    delete new ChangeLog;
    QCOMPARE(about.lines(), QStringList({"info|AboutDialog initialized", "info|AboutDialog destroyed"}));
    QCOMPARE(changes.lines(), QStringList({"info|ChangeLog initialized", "info|ChangeLog destroyed"}));
#else
    QSKIP("the SENTREL Viewer build has no logging (checked at link time)");
#endif
}

// With COMMON_SCREENSHOT_DIR set, writes both windows as PNG files there.
void TestWindows::screenshots()
{
    const QString dir = qEnvironmentVariable("COMMON_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("COMMON_SCREENSHOT_DIR not set");
    QDir().mkpath(dir);
    const QString prefix = QDir(dir).filePath(QStringLiteral(PROGRAM_TAG "-"));
    AboutDialog about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    deliverPostedEvents();
    QVERIFY(about.grab().save(prefix + QStringLiteral("about.png")));
    ChangeLog changes;
    changes.show();
    QVERIFY(QTest::qWaitForWindowExposed(&changes));
    deliverPostedEvents();
    QVERIFY(changes.grab().save(prefix + QStringLiteral("changelog.png")));
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
