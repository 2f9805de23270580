#include "releasenotes.h"
#include "releasenoteschecker.h"

#include <QtTest>

// Both programs' release notes, read with the layout checker: the releases
// and their sections as published, the newest entries word for word, and the
// checker's own ability to notice a broken layout.
class TestReleaseNotes : public QObject
{
    Q_OBJECT

private:
    static QByteArray notes(const QString& program)
    {
        return QByteArray(program == QLatin1String("amperix") ? amperixReleaseNotes : dravixReleaseNotes);
    }

private slots:
    void layoutIsSound_data();
    void layoutIsSound();
    void releasesAndSections_data();
    void releasesAndSections();
    void newestEntryReadsExactly_data();
    void newestEntryReadsExactly();
    void programsKeepTheirOwnReleases();
    void checkerRejectsBrokenLayout_data();
    void checkerRejectsBrokenLayout();
};

void TestReleaseNotes::layoutIsSound_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("amperix") << "amperix";
    QTest::newRow("dravix") << "dravix";
}

void TestReleaseNotes::layoutIsSound()
{
    QFETCH(QString, program);
    const ReleaseNotesCheck check = checkReleaseNotes(notes(program));
    QVERIFY2(check.ok(), qPrintable(check.errors.join(QLatin1Char('\n'))));
}

void TestReleaseNotes::releasesAndSections_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<QStringList>("sections");

    QTest::newRow("amperix") << "amperix"
                             << QStringList{"## [1.3.6] - 20/12/2017",  "## [1.3.5] - 12/12/2017",
                                            "## [1.3.4] - 20/11/2017",  "## [1.3.3] - 14/11/2017",
                                            "## [1.3.2] - 9/11/2017",   "## [1.3.1] - 18/10/2017",
                                            "## [1.3.0] - 17/10/2017",  "## [1.2.3] - 25/08/2017",
                                            "## [1.2.2] - 23/08/2017",  "## [1.2.1] - 21/08/2017",
                                            "## [1.2.0] - 21/08/2017",  "## [1.1.0] - 01/08/2017",
                                            "## [1.0.37] - 21/06/2017", "## [1.0.36] - 30/05/2017",
                                            "## [1.0.35] - 12/05/2017"}
                             << QStringList{"Added (2), Fixed (9), Removed (1)",
                                            "Added (4), Fixed (5), Updates (2), Removed (1)",
                                            "Fixed (2)",
                                            "Added (1), Fixed (2)",
                                            "Added (1), Fixed (2)",
                                            "Fixed (1)",
                                            "Added (3), Changed (1), Fixed (3), Updated (1)",
                                            "Fixed (1)",
                                            "Fixed (2)",
                                            "Fixed (1)",
                                            "Added (1)",
                                            "Added (2), Fixed (1)",
                                            "Fixed (1)",
                                            "Changed (1)",
                                            "Fixed (2)"};
    QTest::newRow("dravix") << "dravix"
                            << QStringList{"## [1.1.2] - 20/12/2017", "## [1.1.1] - 18/12/2017",
                                           "## [1.1.0] - 12/12/2017", "## [1.0.21] - 5/10/2017"}
                            << QStringList{"Fixed (1)", "Fixed (3)", "Added (1), Fixed (3), Updates (2)",
                                           "Added (1)"};
}

void TestReleaseNotes::releasesAndSections()
{
    QFETCH(QString, program);
    QFETCH(QStringList, headings);
    QFETCH(QStringList, sections);

    const ReleaseNotesCheck check = checkReleaseNotes(notes(program));
    QCOMPARE(check.releases.size(), headings.size());
    for (int i = 0; i < headings.size(); ++i) {
        QCOMPARE(check.releases.at(i).heading, headings.at(i));
        QCOMPARE(check.sectionSummary(i), sections.at(i));
    }
}

void TestReleaseNotes::newestEntryReadsExactly_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("expected");

    QTest::newRow("amperix") << "amperix"
                             << QString(
                                    "\n"
                                    "#######################\n"
                                    "## [1.3.6] - 20/12/2017\n"
                                    "### Added\n"
                                    "- Parameters hint in Console;\n"
                                    "- Description of error code in Console.\n"
                                    "\n"
                                    "### Fixed\n"
                                    "- Popup width size during typing in Console;\n"
                                    "- Socket time out error when from Console is called MOFF or MRESET;\n"
                                    "- Message box recusrion when there is a socket error;\n"
                                    "- Disable/Enable commands by power supply model;\n"
                                    "- Commands stack error;\n"
                                    "- Amperix disconnect state when power supply is switched off;\n"
                                    "- Thread issue;\n"
                                    "- Interlock name update;\n"
                                    "- Trigger, update, loop and float mode save.\n"
                                    "\n"
                                    "### Removed\n"
                                    "- Circular buffer for I and V values.\n"
                                    "\n"
                                    "\n"
                                    "#######################\n");
    QTest::newRow("dravix") << "dravix"
                            << QString("\n"
                                       "#######################\n"
                                       "## [1.1.2] - 20/12/2017\n"
                                       "### Fixed\n"
                                       "- Autoscaling.\n"
                                       "\n"
                                       "\n"
                                       "#######################\n");
}

void TestReleaseNotes::newestEntryReadsExactly()
{
    QFETCH(QString, program);
    QFETCH(QString, expected);
    const QString text = QString::fromUtf8(notes(program));
    QCOMPARE(text.left(expected.size()), expected);
}

void TestReleaseNotes::programsKeepTheirOwnReleases()
{
    const ReleaseNotesCheck amperix = checkReleaseNotes(notes("amperix"));
    const QString dravix = QString::fromUtf8(notes("dravix"));
    for (const Release& r : amperix.releases)
        QVERIFY2(!dravix.contains(r.heading), qPrintable(r.heading));
    QVERIFY(!dravix.contains(QLatin1String("Amperix")));
    QVERIFY(!dravix.contains(QLatin1String("Console")));
}

void TestReleaseNotes::checkerRejectsBrokenLayout_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("sound");

    const QByteArray good = "\n"
                            "#######################\n"
                            "## [1.0.1] - 02/01/2017\n"
                            "### Added\n"
                            "- One;\n"
                            "- Two.\n"
                            "\n"
                            "### Fixed\n"
                            "- Three.\n"
                            "\n"
                            "\n"
                            "#######################\n"
                            "## [1.0.0] - 1/01/2017\n"
                            "### Fixed\n"
                            "- Four.\n";
    QTest::newRow("sound text") << good << true;
    auto broken = [&](const char* name, const char* from, const char* to) {
        QByteArray t = good;
        QVERIFY2(t.contains(from), name);
        t.replace(from, to);
        QTest::newRow(name) << t << false;
    };
    broken("no leading empty line", "\n###", "###");
    broken("short separator", "#######################\n## [1.0.1]", "######################\n## [1.0.1]");
    broken("item ends with a point", "- One;", "- One.");
    broken("last item ends with a semicolon", "- Two.", "- Two;");
    broken("one empty line between releases", "- Three.\n\n\n", "- Three.\n\n");
    broken("two empty lines between sections", "- Two.\n\n###", "- Two.\n\n\n###");
    broken("no empty line between sections", "- Two.\n\n###", "- Two.\n###");
    broken("sections out of order", "### Added\n- One;\n- Two.\n\n### Fixed",
           "### Fixed\n- One;\n- Two.\n\n### Added");
    broken("unknown section word", "### Added", "### New");
    broken("oldest release first", "[1.0.1] - 02/01/2017", "[0.9.9] - 02/01/2017");
    broken("two-digit year", "02/01/2017", "02/01/17");
    broken("one-digit month", "02/01/2017", "02/1/2017");
    broken("missing blank after the heading marks", "## [1.0.0]", "##[1.0.0]");
    broken("item without its dash", "- Four.", "Four.");
    broken("trailing empty line", "- Four.\n", "- Four.\n\n");
    broken("carriage returns", "- One;\n", "- One;\r\n");
    broken("markup in an item", "- Three.", "- <b>Three</b>.");
    broken("section without items", "### Fixed\n- Four.\n", "### Fixed\n");
}

void TestReleaseNotes::checkerRejectsBrokenLayout()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, sound);
    const ReleaseNotesCheck check = checkReleaseNotes(text);
    QVERIFY2(check.ok() == sound, qPrintable(check.errors.join(QLatin1Char('\n'))));
}

QTEST_APPLESS_MAIN(TestReleaseNotes)
#include "tst_releasenotes.moc"
