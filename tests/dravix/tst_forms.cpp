// The main window's form: actions and menu, the table's columns and headers,
// sizes and the window's style.

#include "captionroom.h"
#include "dialog_password.h"
#include "dialog_status.h"
#include "fontdpi.h"
#include "new_connection_dialog.h"
#include "postedevents.h"
#include "serialportsource.h"
#include "setup_dialog.h"
#include "strayinput.h"
#include "viewertestsupport.h"
#include "windowwatch.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <memory>

static const QStringList windowClasses{"MainWindow",    "New_connection_dialog", "Setup_dialog", "Monitor",
                                       "Dialog_status", "Dialog_password",       "AboutDialog",  "ChangeLog"};

// The viewer with two boxes, the first connected, and its set-up open.
struct EveryWindow {
    MainWindow window;
    Dcct_thread* worker = window.boxThread(window.addBox(true, QStringLiteral("127.0.0.1"), QString()));
    Setup_dialog setup{worker, &window};
    QList<QWidget*> all()
    {
        emit worker->connection_changed(0, true);
        setup.update_status_conf_dialog(Dcct_data());
        window.addBox(true, QStringLiteral("127.0.0.2"), QString());
        QList<QWidget*> windows{&window, setup.passwordDialog()};
        for (QDialog* dialog : window.findChildren<QDialog*>())
            if (windowClasses.contains(QLatin1String(dialog->metaObject()->className())))
                windows << dialog;
        return windows;
    }
};

class FormsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ViewerSettings> settings;
    std::unique_ptr<MainWindow> window;

private slots:
    void init()
    {
        settings = std::make_unique<ViewerSettings>();
        window = std::make_unique<MainWindow>();
    }
    void cleanup()
    {
        SerialPortSource::setProvider({});
        window.reset();
        settings.reset();
    }

    void menuHoldsUpdateEntriesOnly()
    {
        QMenu* menu = window->findChild<QMenu*>("menuFile");
        QCOMPARE(menu->title(), QStringLiteral("Dravix"));
        QStringList entries;
        for (QAction* a : menu->actions())
            entries.append(a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(entries, QStringList({"actionCheck_for_Updates", "actionWebsite_Updates",
                                       "actionAutomatic_Updates_Enabled", "-", "actionChangelog", "-",
                                       "actionAbout"}));
        // Connect and Save Config exist but are in no menu.
        for (const char* name : {"actionConnect", "actionSave_Config"}) {
            QAction* a = window->findChild<QAction*>(name);
            QVERIFY(a);
            for (QMenu* m : window->findChildren<QMenu*>())
                QVERIFY(!m->actions().contains(a));
        }
        QCOMPARE(window->findChild<QAction*>("actionSave_Config")->text(), QStringLiteral("Save Config"));
        QVERIFY(window->findChild<QAction*>("actionAutomatic_Updates_Enabled")->isCheckable());
    }

    void tableHeadersAreSetButHidden()
    {
        QTableWidget* t = window->findChild<QTableWidget*>("tableWidget_dcct");
        QCOMPARE(t->columnCount(), 9);
        QCOMPARE(t->rowCount(), 1);
        QStringList headers;
        for (int c = 0; c < 9; ++c)
            headers.append(t->horizontalHeaderItem(c)->text());
        QCOMPARE(headers, QStringList({"IP / COM", "Connect", "Configure", "Model", "Name", "Status",
                                       "Acquisition", "Monitor", "Close"}));
        QVERIFY(t->horizontalHeader()->isHidden());
        QVERIFY(t->verticalHeader()->isHidden());
        QCOMPARE(t->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(t->minimumHeight(), 200);
        QCOMPARE(t->maximumHeight(), 200);
        QCOMPARE(t->horizontalHeader()->defaultSectionSize(), 120);
        for (int c = 0; c < 9; ++c)
            QCOMPARE(t->horizontalHeader()->sectionResizeMode(c) == QHeaderView::Fixed,
                     c == 0 || c == 3 || c == 4);
    }

    void windowSizeAndStyle()
    {
        QCOMPARE(window->minimumSize(), QSize(1200, 800));
        QCOMPARE(window->iconSize(), QSize(24, 24));
        QVERIFY(
            window->styleSheet().startsWith(QStringLiteral("*,\n*::separator,\n*::handle,\n*::tab-bar,\n")));
        QVERIFY(window->styleSheet().contains(QStringLiteral("font-size: 12pt;\n}")));
        QCOMPARE(window->findChild<QTabWidget*>("tabWidget")->tabText(0), QStringLiteral("Data Logger"));
    }

    void strayReturnOrWheelDoesNothing()
    {
        Dcct_thread* worker = window->boxThread(window->addBox(true, QStringLiteral("127.0.0.1"), QString()));
        Setup_dialog setup(worker, window.get()); // the window opens it on demand
        auto codesQueued = [worker] {
            QStringList codes;
            for (const QPair<int, QString>& code : queued(worker))
                codes << QString::number(code.first);
            QMutexLocker lock(&worker->mutex);
            worker->codes.clear();
            return codes.isEmpty() ? QString()
                                   : QStringLiteral("queued codes ") + codes.join(QLatin1Char(' '));
        };

        // Serial ports listed: the wheel passes over a list it could change.
        SerialPortSource::setProvider([] {
            QList<SerialPortEntry> ports{SerialPortEntry(), SerialPortEntry()};
            ports[0].portName = QStringLiteral("ttyS0");
            ports[1].portName = QStringLiteral("ttyS1");
            return ports;
        });
        window->connectionDialog()->preset(false, QString(), QString());

        QStringList found = wheelOverEveryControl(window.get(), codesQueued);
        found << returnInEveryControl(window.get(), codesQueued);
        for (QDialog* dialog : window->findChildren<QDialog*>()) {
            found << wheelOverEveryControl(dialog, codesQueued);
            // Dialogs whose one purpose is their answer keep Return on it.
            if (!qobject_cast<New_connection_dialog*>(dialog) && !qobject_cast<Dialog_password*>(dialog))
                found << returnInEveryControl(dialog, codesQueued);
        }
        QVERIFY(nothingFound(found));
    }

    void returnPressesTheFocusedButton()
    {
        Dcct_thread* worker = window->boxThread(window->addBox(true, QStringLiteral("127.0.0.1"), QString()));
        Setup_dialog setup(worker, window.get());
        QStringList found;
        found << returnOnEveryButton(&setup);
        found << returnOnEveryButton(window->rowStatusWindow(0));
        QVERIFY(nothingFound(found));
    }

    void noCaptionIsCutOff_data()
    {
        addDesktopRows();
    }

    // Every window and every page of it, in the font the system gives it.
    void noCaptionIsCutOff()
    {
        QFETCH(int, dpi);
        QFETCH(QString, screen);
        QFETCH(QString, scale);
        RUN_AT_FONT_DPI(dpi, screen, scale);
        const DesktopFont font;
        window = std::make_unique<MainWindow>();
        Dcct_thread* worker = window->boxThread(window->addBox(true, QStringLiteral("127.0.0.1"), QString()));
        // The values the form cannot show are said in a box, answered here.
        Setup_dialog::setWarningHook([](QWidget*, const QString&, const QString&) {});
        Setup_dialog setup(worker, window.get()); // the window opens it on demand
        // The simulated box's texts, some longer than their places.
        Dcct_data box;
        box.name = QStringLiteral("SENTREL-01");
        box.box_des = QStringLiteral("Beam line 3 DCCT readout");
        box.box_sn = QStringLiteral("SN-2018-0042");
        box.fw_version = QStringLiteral("2.3.1");
        box.dcct_des = QStringLiteral("Ring DCCT, 200 mm aperture");
        box.dcct_sn = QStringLiteral("A1234");
        box.dcct_model = QStringLiteral("6 A1234");
        box.ip = box.gate = QStringLiteral("192.168.100.200");
        box.mask = QStringLiteral("255.255.255.0");
        box.mac = QStringLiteral("00:1A:2B:3C:4D:5E");
        box.sd_state = QStringLiteral("Mounting Fail (Is SD present?)");
        box.current = -1000.123456789;
        box.password_set = true; // the calibration page opens
        emit worker->status_updated(box);
        setup.update_status_conf_dialog(box);

        auto* table = window->findChild<QTableWidget*>(QStringLiteral("tableWidget_dcct"));
        QStringList found = captionsCutOff(window.get());
        for (QDialog* dialog : window->findChildren<QDialog*>())
            found << captionsCutOff(dialog);
        // Read on this connection (current, descriptions), the values show.
        for (int code : {4, 134, 257})
            box.read_codes.insert(code);
        setup.update_status_conf_dialog(box);
        QCOMPARE(setup.findChild<QLabel*>(QStringLiteral("label_sentrel_des"))->toolTip(), box.box_des);
        QCOMPARE(setup.findChild<QLabel*>(QStringLiteral("label_dcct_des"))->toolTip(), box.dcct_des);
        found << captionsCutOff(&setup);
        // A connected row, and a second row that brings "Acquire All".
        emit worker->connection_changed(0, true);
        window->addBox(true, QStringLiteral("127.0.0.2"), QString());
        // More rows than the form's height holds at 200 %.
        for (const char* address : {"127.0.0.3", "127.0.0.4"})
            window->addBox(true, QLatin1String(address), QString());
        found << captionsCutOff(window.get());
        // The window is wide enough for every column of the table.
        window->show();
        deliverPostedEvents();
        if (table->horizontalHeader()->length() > table->viewport()->width() ||
            !table->parentWidget()->rect().contains(table->geometry()))
            found << QStringLiteral("the table's columns need %1 pixels, the window shows %2")
                         .arg(table->horizontalHeader()->length())
                         .arg(table->parentWidget()->width() - table->x());
        // On a large screen the table's height holds its rows.
        if (screen.isEmpty() && table->verticalScrollBar()->isVisible())
            found << QStringLiteral("the table scrolls its %1 rows").arg(table->rowCount());
        // A table cell that cannot show its whole text shows it on hover; on
        // a large screen the columns widen to their values.
        for (int column : {3, 4}) {
            const QTableWidgetItem* cell = table->item(0, column);
            if (cell->toolTip() != cell->text())
                found << QStringLiteral("cell %1 has no tool tip \"%2\"").arg(column).arg(cell->text());
            if (screen.isEmpty() && table->fontMetrics().horizontalAdvance(cell->text()) > table->columnWidth(column) - 6)
                found << QStringLiteral("cell %1 cuts \"%2\"").arg(column).arg(cell->text());
        }
        QVERIFY(nothingFound(found));
    }

    // At rest on every desktop, and on a screen with room its 96-dpi form
    // scaled by the desktop's factor.
    void windowStaysPut_data() { addDesktopRows(windowClasses); }
    void windowStaysPut()
    {
        QVERIFY(nothingFound(restlessHere([] {
            EveryWindow program;
            return restlessWindows(program.all());
        })));
    }
};

QTEST_MAIN(FormsTest)
#include "tst_forms.moc"
