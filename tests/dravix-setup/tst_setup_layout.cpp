// Every page of the fixed 750 x 727 set-up dialog, filled with a box's
// typical values: each visible widget lies inside the window and has room
// for its text. With SETUP_SCREENSHOT_DIR set, each page is also saved as a
// picture (run under xvfb-run to see it as a user would).

#include "setuprig.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QtTest>

namespace
{

Dcct_data typicalBox()
{
    Dcct_data d;
    d.name = "SENTREL-01";
    d.box_des = "Beam line 3 DCCT readout";
    d.box_sn = "SN-2018-0042";
    d.fw_version = "2.3.1";
    d.dcct_des = "Ring DCCT, 200 mm aperture";
    d.dcct_sn = "A1234";
    d.dcct_model = "6 A1234";
    d.ip = d.ip_new = "192.168.100.200";
    d.mask = d.mask_new = "255.255.255.0";
    d.gate = d.gate_new = "192.168.100.254";
    d.mac = d.mac_new = "00:1A:2B:3C:4D:5E";
    d.freq = "10";
    d.ts = "100000";
    d.alarm_ulim = "-1199.999";
    d.alarm_llim = "-1200";
    d.alarm_enabled = true;
    d.gain_pos = "999999.999999";
    d.gain_neg = "1000.000000";
    d.offset = "-0.002134";
    d.current = -1000.123456789;
    d.pturns = "100";
    d.password_set = true;
    d.mode_dlog = true;
    d.line_layout = 7;
    d.trigger_in = true;
    d.cal_on = true;
    d.sd_mounted = true;
    d.sd_state = "Mounting Fail (Is SD present?)";
    d.sd_files = QStringList{"LOG0001.TXT", "SETTINGS.TXT", "MY DATA.TXT", "EMPTY.TXT", "LOG0002.TXT"};
    d.sd_sizes = QList<double>{5120, 2048, 600, 0, 307200};
    d.err_head_match = true;
    return d;
}

QString describe(const QWidget* w)
{
    return QStringLiteral("%1 (%2) at %3,%4 size %5x%6")
        .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))
        .arg(w->x())
        .arg(w->y())
        .arg(w->width())
        .arg(w->height());
}

} // namespace

class SetupLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void nothingClipped_data();
    void nothingClipped();
};

void SetupLayoutTest::nothingClipped_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("General") << 0;
    QTest::newRow("Acquisition") << 1;
    QTest::newRow("I/O Alarm") << 2;
    QTest::newRow("SD Card") << 3;
    QTest::newRow("Calibration") << 4;
}

void SetupLayoutTest::nothingClipped()
{
    QFETCH(int, page);
    SetupRig rig;
    rig.show(typicalBox());
    auto* tabs = rig.w<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(page);
    QCOMPARE(tabs->currentIndex(), page);
    rig.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
    QCOMPARE(rig.dialog->size(), QSize(750, 727));

    const QRect window = rig.dialog->rect();
    QStringList problems;
    const QList<QWidget*> widgets = tabs->currentWidget()->findChildren<QWidget*>();
    QVERIFY(widgets.size() > 5);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(rig.dialog.get()) || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r(w->mapTo(rig.dialog.get(), QPoint(0, 0)), w->size());
        if (!window.contains(r))
            problems << QStringLiteral("outside the window: ") + describe(w);
        if (r.width() <= 0 || r.height() <= 0)
            problems << QStringLiteral("squeezed away: ") + describe(w);

        int needed = 0;
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->wordWrap()) {
            // A wrapped text needs its lines' height rather than one line's width.
            const int height = label->heightForWidth(label->width());
            if (height > label->height())
                problems << QStringLiteral("text cut (needs height %1): ").arg(height) + describe(w);
        } else if (label)
            needed = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            needed = button->sizeHint().width();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            needed = combo->fontMetrics().horizontalAdvance(combo->currentText()) + 30;
        else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
            needed = spin->fontMetrics().horizontalAdvance(spin->text()) +
                     (spin->buttonSymbols() == QAbstractSpinBox::NoButtons ? 6 : 20);
        if (needed > w->width())
            problems << QStringLiteral("text cut (needs %1): ").arg(needed) + describe(w);
        const int lineHeight = w->fontMetrics().height();
        if (!qobject_cast<QGroupBox*>(w) && w->height() < lineHeight)
            problems << QStringLiteral("too low (needs %1): ").arg(lineHeight) + describe(w);
    }

    const QString folder = qEnvironmentVariable("SETUP_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        const QString file = QDir(folder).filePath(QStringLiteral("setup-page-%1.png").arg(page));
        QVERIFY(rig.dialog->grab().save(file));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_MAIN(SetupLayoutTest)
#include "tst_setup_layout.moc"
