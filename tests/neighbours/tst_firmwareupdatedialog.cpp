#include "firmwareupdatedialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

class FirmwareUpdateDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { FirmwareUpdateDialog::setFileChooser({}); }

    void constructionSetsFolderAndRange();
    void prepareResetsDialog();

    void browse_data();
    void browse();
};

void FirmwareUpdateDialogTest::constructionSetsFolderAndRange()
{
    FirmwareUpdateDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Firmware Update"));
    QCOMPARE(dialog.minimumSize(), QSize(433, 266));
    QCOMPARE(dialog.maximumSize(), QSize(433, 266));

    // The folder beside the program's folder, without any "..".
    QDir appDir(QCoreApplication::applicationDirPath());
    QVERIFY(appDir.cdUp());
    QCOMPARE(dialog.default_firmware_path, appDir.absolutePath() + QStringLiteral("/Firmware_PS"));
    QVERIFY(!dialog.default_firmware_path.contains(QLatin1String("..")));
    QVERIFY(!dialog.default_firmware_path.contains(QLatin1Char('\\')));

    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QVERIFY(bar);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
}

void FirmwareUpdateDialogTest::prepareResetsDialog()
{
    FirmwareUpdateDialog dialog;
    auto* browser = dialog.findChild<QTextBrowser*>(QStringLiteral("textBrowser"));
    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    auto* browse = dialog.findChild<QToolButton*>(QStringLiteral("browse_Button"));
    auto* upload = dialog.findChild<QPushButton*>(QStringLiteral("update_firwmare_button"));
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(browser && bar && browse && upload && buttons);

    // Leftovers of an earlier run.
    emit dialog.updateText(QStringLiteral("old progress text"));
    QCOMPARE(browser->toPlainText(), QStringLiteral("old progress text"));
    bar->setValue(57);
    browse->setEnabled(false);
    upload->setEnabled(false);
    buttons->setEnabled(false);

    dialog.prepare_dialog(QStringLiteral("192.168.0.10"), QStringLiteral("10001"));
    QVERIFY(browser->toPlainText().isEmpty());
    QCOMPARE(bar->value(), 0);
    QVERIFY(browse->isEnabled());
    QVERIFY(upload->isEnabled());
    QVERIFY(buttons->isEnabled());
}

void FirmwareUpdateDialogTest::browse_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file chosen") << "/srv/fw/KORA-PS-1.3.7-STANDARD.updt"
                                 << "/srv/fw/KORA-PS-1.3.7-STANDARD.updt";
    QTest::newRow("cancelled") << QString() << "previous.updt";
}

void FirmwareUpdateDialogTest::browse()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);

    FirmwareUpdateDialog dialog;
    auto* path = dialog.findChild<QLineEdit*>(QStringLiteral("filepath_lineEdit"));
    QVERIFY(path);
    path->setText(QStringLiteral("previous.updt"));

    QString caption, dir, filter;
    QWidget* parent = nullptr;
    FirmwareUpdateDialog::setFileChooser(
        [&](QWidget* p, const QString& c, const QString& d, const QString& f) {
            parent = p;
            caption = c;
            dir = d;
            filter = f;
            return answer;
        });

    // Clicking the "..." button reaches the slot through its name.
    dialog.findChild<QToolButton*>(QStringLiteral("browse_Button"))->click();

    QCOMPARE(parent, &dialog);
    QCOMPARE(caption, QStringLiteral("Choose Power Supply firmware to upload"));
    QCOMPARE(dir, dialog.default_firmware_path);
    QCOMPARE(filter, QStringLiteral("Power Supply Firmware (*.updt)"));
    QCOMPARE(path->text(), expected);
}

QTEST_MAIN(FirmwareUpdateDialogTest)
#include "tst_firmwareupdatedialog.moc"
