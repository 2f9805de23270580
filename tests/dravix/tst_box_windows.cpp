// The monitor, status and password windows: what they show for crafted
// records and what their buttons queue.

#include "dcct_thread.h"
#include "dialog_password.h"
#include "dialog_status.h"
#include "monitor.h"
#include "viewertestsupport.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

class BoxWindowsTest : public QObject
{
    Q_OBJECT

private:
    static QString label(QWidget& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }
    static bool shown(QWidget& w, const char* name) { return w.findChild<QWidget*>(name)->isVisibleTo(&w); }
    static bool checked(QWidget& w, const char* name)
    {
        return w.findChild<QRadioButton*>(name)->isChecked();
    }

private slots:
    void monitorStartsWithZeros()
    {
        Monitor m;
        QCOMPARE(m.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(m.size(), QSize(350, 138));
        QCOMPARE(m.windowModality(), Qt::WindowModal);
        for (const char* name : {"label_current", "label_head_temp", "label_ext_temp"})
            QCOMPARE(label(m, name), QStringLiteral("0"));
        QCOMPARE(label(m, "label_head"), QStringLiteral("Head T. [°C]:"));
    }

    void monitorNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("six digits") << 12.3456789 << "12.3457";
        QTest::newRow("exponent") << 1234567.0 << "1.23457e+06";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative") << -0.5 << "-0.5";
    }
    void monitorNumbers()
    {
        QFETCH(double, value);
        QFETCH(QString, shown);
        Monitor m;
        Dcct_data d;
        d.current = value;
        d.name = QStringLiteral("BOX-7");
        m.update_data_mon_dialog(d);
        QCOMPARE(label(m, "label_current"), shown);
        QCOMPARE(m.windowTitle(), QStringLiteral("BOX-7"));
    }

    void monitorRowsFollowLayout_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("head");
        QTest::addColumn<bool>("ext");
        QTest::addColumn<int>("height");
        QTest::newRow("none") << 0 << false << false << 65;
        QTest::newRow("adc only") << 1 << false << false << 65;
        QTest::newRow("ext") << 2 << false << true << 95;
        QTest::newRow("ext+adc") << 3 << false << false << 65;
        QTest::newRow("head") << 4 << true << false << 95;
        QTest::newRow("head+adc") << 5 << false << false << 65;
        QTest::newRow("head+ext") << 6 << true << true << 140;
        QTest::newRow("all") << 7 << true << true << 140;
        QTest::newRow("out of range") << 9 << false << false << 65;
    }
    void monitorRowsFollowLayout()
    {
        QFETCH(int, layout);
        QFETCH(bool, head);
        QFETCH(bool, ext);
        QFETCH(int, height);
        Monitor m;
        m.show();
        Dcct_data d;
        d.line_layout = layout;
        d.head_t = 31.25;
        d.ext_t = 23.5;
        d.adc_t = 40;
        m.update_data_mon_dialog(d);
        QCOMPARE(shown(m, "label_head"), head);
        QCOMPARE(shown(m, "label_head_temp"), head);
        QCOMPARE(shown(m, "label_ext"), ext);
        QCOMPARE(shown(m, "label_ext_temp"), ext);
        QCOMPARE(label(m, "label_head_temp"), head ? QStringLiteral("31.25") : QStringLiteral("0"));
        QCOMPARE(label(m, "label_ext_temp"), ext ? QStringLiteral("23.5") : QStringLiteral("0"));
        QCOMPARE(m.size(), QSize(350, height));
    }

    void monitorHiddenRowKeepsLastValue()
    {
        Monitor m;
        Dcct_data d;
        d.line_layout = 6;
        d.head_t = 30;
        m.update_data_mon_dialog(d);
        d.line_layout = 2;
        d.head_t = 99;
        m.update_data_mon_dialog(d);
        QCOMPARE(label(m, "label_head_temp"), QStringLiteral("30"));
    }

    void statusIndicators_data()
    {
        QTest::addColumn<Dcct_data>("record");
        QTest::addColumn<QStringList>("on");

        // As read on this connection: the status word and the error word.
        auto read = [](Dcct_data d) {
            d.read_codes = {80, 82};
            return d;
        };
        Dcct_data fresh;
        QTest::newRow("nothing read shows nothing") << fresh << QStringList{};
        QTest::newRow("fresh record is not ready") << read(fresh) << QStringList{"radioButton_adc_temp"};
        Dcct_data errorWordNotRead;
        errorWordNotRead.error = errorWordNotRead.err_sd = true;
        errorWordNotRead.read_codes = {80};
        QTest::newRow("error word not read") << errorWordNotRead << QStringList{"radioButton_adc_temp"};

        Dcct_data flagsWithoutError;
        flagsWithoutError.ready = true;
        flagsWithoutError.err_sd_full = true;
        flagsWithoutError.err_head_fault = true;
        QTest::newRow("flags without error show nothing") << read(flagsWithoutError) << QStringList{};

        Dcct_data errors;
        errors.ready = true;
        errors.error = true;
        errors.err_sd_mount = true;
        errors.err_sd_full = true;
        errors.err_buffer_overflow = true;
        errors.err_head_match = true;
        QTest::newRow("errors") << read(errors)
                                << QStringList{"radioButton_sd_mount_err", "radioButton_sd_full",
                                               "radioButton_buff_of", "radioButton_head_match"};

        Dcct_data over;
        over.ready = true;
        over.alarm_active = true;
        over.alarm_over = true;
        QTest::newRow("alarm over") << read(over) << QStringList{"radioButton_alarm_up"};

        Dcct_data under = over;
        under.alarm_over = false;
        QTest::newRow("alarm under") << read(under) << QStringList{"radioButton_alarm_down"};

        Dcct_data inactive = over;
        inactive.alarm_active = false;
        QTest::newRow("inactive alarm shows none") << read(inactive) << QStringList{};
    }
    void statusIndicators()
    {
        QFETCH(Dcct_data, record);
        QFETCH(QStringList, on);
        Dcct_thread thread(true, QStringLiteral("10.0.0.1"), 80, QString());
        Dialog_status s(&thread);
        // Start from everything on, so each indicator must be switched off
        // by the record, the auto-exclusive one included.
        Dcct_data all;
        all.error = all.err_sd_mount = all.err_sd = all.err_sd_full = all.err_buffer_overflow = true;
        all.err_head_fault = all.err_head_match = true;
        all.alarm_active = all.alarm_over = true;
        all.read_codes = {80, 82};
        s.update_data_status_dialog(all);
        QVERIFY(checked(s, "radioButton_sd_mount_err"));

        record.name = QStringLiteral("BOX-3");
        s.update_data_status_dialog(record);
        const QList<QRadioButton*> buttons = s.findChildren<QRadioButton*>();
        QCOMPARE(buttons.size(), 9);
        for (QRadioButton* b : buttons) {
            QVERIFY2(b->isChecked() == on.contains(b->objectName()), qPrintable(b->objectName()));
            QVERIFY(b->isEnabled() || !on.contains(b->objectName()));
        }
        QCOMPARE(s.windowTitle(), QStringLiteral("BOX-3"));
        QCOMPARE(s.findChild<QRadioButton*>("radioButton_adc_temp")->isEnabled(), record.statusKnown());
    }

    void statusStartsUntitledAndUnchecked()
    {
        Dcct_thread thread(true, QStringLiteral("10.0.0.1"), 80, QString());
        Dialog_status s(&thread);
        QCOMPARE(s.windowTitle(), QStringLiteral("Dialog"));
        for (QRadioButton* b : s.findChildren<QRadioButton*>())
            QVERIFY(!b->isChecked());
        QCOMPARE(s.findChild<QRadioButton*>("radioButton_sd_err")->text(), QStringLiteral("SD-Card  Error"));
    }

    void resetQueuesClearAndStatus()
    {
        Dcct_thread thread(true, QStringLiteral("10.0.0.1"), 80, QString());
        Dialog_status s(&thread);
        s.show();
        QTest::mouseClick(s.findChild<QPushButton*>("pushButton_reset"), Qt::LeftButton);
        const QList<QPair<int, QString>> expected{
            {83, QString()}, {41, QStringLiteral("CLR")}, {80, QString()}};
        QCOMPARE(queued(&thread), expected);
        QVERIFY(thread.status_pending);
    }

    void resetButtonHidesAndCloseHides()
    {
        Dcct_thread thread(true, QStringLiteral("10.0.0.1"), 80, QString());
        Dialog_status s(&thread);
        s.show();
        QWidget* reset = s.findChild<QPushButton*>("pushButton_reset");
        s.hide_reset_button();
        QVERIFY(!reset->isVisible());
        s.show_reset_button();
        QVERIFY(reset->isVisible());
        s.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Close)->click();
        QVERIFY(!s.isVisible());
    }

    void passwordCollectsOneLine()
    {
        Dialog_password p;
        QLineEdit* edit = p.findChild<QLineEdit*>("lineEdit_password");
        QCOMPARE(edit->echoMode(), QLineEdit::Normal);
        QCOMPARE(p.minimumSize(), QSize(280, 80));
        QCOMPARE(p.maximumSize(), QSize(280, 80));
        QCOMPARE(p.password(), QString());

        QTimer::singleShot(0, &p, [&] {
            QTest::keyClicks(edit, QStringLiteral("s3cret word"));
            p.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(p.exec(), int(QDialog::Rejected));
        QCOMPARE(p.password(), QStringLiteral("s3cret word")); // kept for the next run

        QTimer::singleShot(0, &p, [&] { QTest::keyClick(edit, Qt::Key_Return); });
        QCOMPARE(p.exec(), int(QDialog::Accepted));
        QCOMPARE(p.password(), QStringLiteral("s3cret word"));

        edit->clear();
        QTimer::singleShot(0, &p, [&] {
            p.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
        });
        QCOMPARE(p.exec(), int(QDialog::Accepted));
        QCOMPARE(p.password(), QString());
    }
};

QTEST_MAIN(BoxWindowsTest)
#include "tst_box_windows.moc"
