// The forms: every slot bound by name finds its widget and signal (a renamed
// widget silently unbinds its slot), and the main window's form is built in
// the state the window's code relies on.

#include "configurationdialog.h"
#include "consoledialog.h"
#include "faultdialog.h"
#include "mainwindow.h"
#include "ps_thread.h"
#include "setipdialog.h"
#include "setupdialog.h"

#include "captionroom.h"
#include "fontdpi.h"
#include "strayinput.h"
#include "tempsettings.h"
#include "windowwatch.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QToolBar>

#include <memory>

namespace
{
// Same rule as QMetaObject::connectSlotsByName: "on_<object>_<signal>", where
// the object is any descendant with that name and the signal has the slot's
// parameters (or a prefix of them).
QStringList unboundSlots(QObject* root)
{
    const QMetaObject* meta = root->metaObject();
    QList<QObject*> objects = root->findChildren<QObject*>();
    objects << root;

    QStringList unbound;
    for (int m = meta->methodOffset(); m < meta->methodCount(); ++m) {
        const QMetaMethod slot = meta->method(m);
        const QByteArray name = slot.name();
        if (slot.methodType() != QMetaMethod::Slot || !name.startsWith("on_"))
            continue;
        bool bound = false;
        for (QObject* object : qAsConst(objects)) {
            const QByteArray prefix = "on_" + object->objectName().toLatin1() + '_';
            if (object->objectName().isEmpty() || !name.startsWith(prefix))
                continue;
            const QByteArray signalName = name.mid(prefix.size());
            const QMetaObject* om = object->metaObject();
            for (int s = 0; s < om->methodCount() && !bound; ++s) {
                const QMetaMethod signal = om->method(s);
                if (signal.methodType() != QMetaMethod::Signal || signal.name() != signalName)
                    continue;
                bound = QMetaObject::checkConnectArgs(signal, slot);
            }
        }
        if (!bound)
            unbound << QString::fromLatin1(slot.methodSignature());
    }
    return unbound;
}

const QStringList windowClasses{
    "MainWindow",  "SetIpDialog",   "ConfigurationDialog", "PIDdialog",    "FirmwareUpdateDialog",
    "FaultDialog", "AboutDialog",   "ChangeLog",           "RealTimePlot", "SignalGenerator",
    "EPICSDialog", "ConsoleDialog", "SetupDialog"};

// The program's windows (the refresh settings, which no window opens, among
// them), connected, the PID picture opened; no update check when they paint.
struct EveryWindow {
    const bool noUpdateCheck = (QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Orvane"), QStringLiteral("Amperix"))
                                    .setValue(QStringLiteral("automaticUpdatesEnabled"), false),
                                true);
    MainWindow window;
    SetupDialog refreshSettings{&window};

    QList<QWidget*> all()
    {
        QMetaObject::invokeMethod(&window, "slotStateChanged",
                                  Q_ARG(QTcpSocket::SocketState, QAbstractSocket::ConnectedState));
        QMetaObject::invokeMethod(window.findChild<ConfigurationDialog*>(), "on_pushButtonPIDCC_clicked");
        QList<QWidget*> windows{&window};
        for (QDialog* dialog : window.findChildren<QDialog*>())
            if (windowClasses.contains(QLatin1String(dialog->metaObject()->className())))
                windows << dialog;
        return windows;
    }
};

QStringList actionNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* a : actions)
        names << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    return names;
}
} // namespace

class FormsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { settings = std::make_unique<TempSettings>(); }
    void cleanup() { settings.reset(); }

    void mainWindowSlotsAreBound();
    void setIpDialogSlotsAreBound();
    void everyExpectedSlotIsDeclared();
    void mainWindowIsFixedSize();
    void menuAndToolBarEntries();
    void actionsInitialState_data();
    void actionsInitialState();
    void selectorItems_data();
    void selectorItems();
    void setPointRanges_data();
    void setPointRanges();
    void labelsInitialText_data();
    void labelsInitialText();
    void setIpDialogSize();
    void noTextIsClipped();
    void strayReturnOrWheelDoesNothing();
    void returnPressesTheFocusedButton();
    void noCaptionIsCutOff_data();
    void noCaptionIsCutOff();
    void windowStaysPut_data();
    void windowStaysPut();

private:
    std::unique_ptr<TempSettings> settings;
};

void FormsTest::mainWindowSlotsAreBound()
{
    MainWindow w;
    const QStringList unbound = unboundSlots(&w);
    QVERIFY2(unbound.isEmpty(), qPrintable(unbound.join(QStringLiteral(", "))));
}

void FormsTest::setIpDialogSlotsAreBound()
{
    SetIpDialog d;
    const QStringList unbound = unboundSlots(&d);
    QVERIFY2(unbound.isEmpty(), qPrintable(unbound.join(QStringLiteral(", "))));
}

// The check above only sees slots that exist; this one makes sure none of the
// by-name slots the window depends on has been dropped or renamed.
void FormsTest::everyExpectedSlotIsDeclared()
{
    const char* const mainWindowSlots[] = {
        "on_on_button_clicked()",
        "on_off_button_clicked()",
        "on_reset_button_clicked()",
        "on_fault_pushButton_clicked()",
        "on_set_current_button_clicked()",
        "on_ramp_current_button_clicked()",
        "on_set_voltage_button_clicked()",
        "on_ramp_voltage_button_clicked()",
        "on_current_spin_valueChanged(double)",
        "on_voltage_spin_valueChanged(double)",
        "on_comboBox_TriggerMode_currentIndexChanged(int)",
        "on_pushButtonWaveformGenerator_clicked()",
        "on_actionCheck_for_Updates_triggered()",
        "on_actionWebsite_Updates_triggered()",
        "on_actionAutomatic_Updates_Enabled_changed()",
        "on_actionAutomatic_Updates_Enabled_triggered()",
        "on_actionConsole_triggered()",
        "on_comboBoxFloatMode_currentIndexChanged(int)",
        "on_comboBox_Loop_currentIndexChanged(int)",
        "on_comboBox_Upmode_currentIndexChanged(int)",
    };
    for (const char* slot : mainWindowSlots)
        QVERIFY2(MainWindow::staticMetaObject.indexOfSlot(slot) >= 0, slot);
    QVERIFY(SetIpDialog::staticMetaObject.indexOfSlot("on_save_pushButton_clicked()") >= 0);
}

void FormsTest::mainWindowIsFixedSize()
{
    MainWindow w;
    QCOMPARE(w.minimumSize(), QSize(700, 658));
    QCOMPARE(w.maximumSize(), QSize(700, 658));
    QCOMPARE(w.locale(), QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(w.styleSheet().size(), 191);
}

void FormsTest::menuAndToolBarEntries()
{
    MainWindow w;
    auto* menu = w.findChild<QMenu*>(QStringLiteral("menuAmperix"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Amperix"));
    QCOMPARE(w.menuBar()->actions().size(), 1);
    QCOMPARE(w.menuBar()->actions().first()->menu(), menu);
    QCOMPARE(actionNames(menu->actions()),
             (QStringList{"actionCheck_for_Updates", "actionWebsite_Updates",
                          "actionAutomatic_Updates_Enabled", "|", "actionChangelog", "|", "actionAbout"}));
    auto* toolBar = w.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    QVERIFY(toolBar);
    QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(actionNames(toolBar->actions()),
             (QStringList{"actionSetIP", "|", "actionConnection", "actionConfiguration", "actionConsole",
                          "actionActionFirmwareUpdate"}));
}

void FormsTest::actionsInitialState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("Setup") << "actionSetup"
                           << "Setup" << false << true;
    QTest::newRow("Save Setup") << "actionSave_Setup"
                                << "Save Setup" << false << true;
    QTest::newRow("About") << "actionAbout"
                           << "About" << false << true;
    QTest::newRow("Set IP") << "actionSetIP"
                            << "Set IP" << false << true;
    QTest::newRow("Connection") << "actionConnection"
                                << "Connection" << true << true;
    QTest::newRow("Configuration") << "actionConfiguration"
                                   << "Configuration" << false << false;
    QTest::newRow("Firmware Update") << "actionActionFirmwareUpdate"
                                     << "Firmware Update" << false << true;
    QTest::newRow("Signal Generator") << "actionSignal_Generator"
                                      << "Signal Generator" << false << true;
    QTest::newRow("Changelog") << "actionChangelog"
                               << "Changelog" << false << true;
    QTest::newRow("Check for Updates") << "actionCheck_for_Updates"
                                       << "Check for Updates..." << false << true;
    QTest::newRow("Website Updates") << "actionWebsite_Updates"
                                     << "Website Updates" << false << true;
    QTest::newRow("Automatic Updates") << "actionAutomatic_Updates_Enabled"
                                       << "Automatic Updates Enabled" << true << true;
    QTest::newRow("Console") << "actionConsole"
                             << "Console" << false << false;
}

void FormsTest::actionsInitialState()
{
    QFETCH(QString, name);
    MainWindow w;
    auto* action = w.findChild<QAction*>(name);
    QVERIFY(action);
    QTEST(action->text(), "text");
    QTEST(action->isCheckable(), "checkable");
    QTEST(action->isEnabled(), "enabled");
}

void FormsTest::selectorItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("trigger") << "comboBox_TriggerMode" << QStringList{"Trigger OFF", "Trigger ON"};
    // The window adds "Waveform" to the form's two update modes.
    QTest::newRow("update mode") << "comboBox_Upmode"
                                 << QStringList{"Normal (Ethernet Input)", "Analog (Voltage Input)", "Waveform"};
    QTest::newRow("loop") << "comboBox_Loop" << QStringList{"Constant Current", "Constant Voltage"};
    QTest::newRow("float") << "comboBoxFloatMode" << QStringList{"Output Grounded", "Output Floating"};
}

void FormsTest::selectorItems()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    MainWindow w;
    auto* combo = w.findChild<QComboBox*>(name);
    QVERIFY(combo);
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    QCOMPARE(texts, items);
    QCOMPARE(combo->currentIndex(), 0);
}

void FormsTest::setPointRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::newRow("current") << "current_spin" << -100.0 << 100.0;
    QTest::newRow("voltage") << "voltage_spin" << -31.0 << 31.0;
}

void FormsTest::setPointRanges()
{
    QFETCH(QString, name);
    MainWindow w;
    auto* spin = w.findChild<QDoubleSpinBox*>(name);
    QVERIFY(spin);
    QTEST(spin->minimum(), "minimum");
    QTEST(spin->maximum(), "maximum");
    QCOMPARE(spin->decimals(), 4);
    QCOMPARE(spin->singleStep(), 1.0);
    QCOMPARE(spin->value(), 0.0);
}

void FormsTest::labelsInitialText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("local/remote") << "loc_rem_label"
                                  << "LOCAL";
    QTest::newRow("output") << "on_off_label"
                            << "OFF";
    QTest::newRow("voltage") << "voltage_display_label"
                             << "0";
    QTest::newRow("current") << "current_display_label"
                             << "0";
    QTest::newRow("power") << "power_display_label"
                           << "0";
    QTest::newRow("model") << "model_label"
                           << "";
    QTest::newRow("type") << "type_label"
                          << "";
    QTest::newRow("ratings") << "description_label"
                             << "";
    QTest::newRow("ID") << "id_label"
                        << "";
}

void FormsTest::labelsInitialText()
{
    QFETCH(QString, name);
    MainWindow w;
    auto* label = w.findChild<QLabel*>(name);
    QVERIFY(label);
    QTEST(label->text(), "text");
}

void FormsTest::setIpDialogSize()
{
    SetIpDialog d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Set IP and Port"));
    QCOMPARE(d.minimumSize(), QSize(269, 200));
    QCOMPARE(d.maximumSize(), QSize(269, 300));
    QCOMPARE(d.size(), QSize(269, 300));
}

// The widths are made for the form's first-choice font; with whatever face
// the system substitutes, no fixed-width label or group may cut its text.
void FormsTest::noTextIsClipped()
{
    // No update check (and its box) when the window paints.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
              QStringLiteral("Amperix"))
        .setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto labels = w.findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->window() == &w && label->isVisible() && label->maximumWidth() < QWIDGETSIZE_MAX)
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
    }
    const auto groups = w.findChildren<QGroupBox*>();
    for (QGroupBox* group : groups) {
        if (group->window() == &w && group->isVisible())
            QVERIFY2(group->minimumSizeHint().width() <= group->width(), qPrintable(group->objectName()));
    }
    // Title labels of one group stay in one column.
    const int statusColumn = w.findChild<QLabel*>(QStringLiteral("Local_remote_label"))->width();
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("state_output_label"))->width(), statusColumn);
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Fault_label"))->width(), statusColumn);
    w.close();
}

void FormsTest::strayReturnOrWheelDoesNothing()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
              QStringLiteral("Amperix"))
        .setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    MainWindow window;
    SetupDialog refreshSettings(&window); // no window opens it yet
    // Connected, the limits read, every group enabled: set-points and mode lists too.
    QVERIFY(QMetaObject::invokeMethod(&window, "slotStateChanged",
                                      Q_ARG(QTcpSocket::SocketState, QAbstractSocket::ConnectedState)));
    ps_data limits;
    limits.limits = QStringList{"-20.0", "20.0", "-10.0", "10.0"};
    QVERIFY(QMetaObject::invokeMethod(&window, "update_model", Q_ARG(ps_data, limits)));
    QVERIFY(QMetaObject::invokeMethod(&window, "enableMainWindow", Q_ARG(bool, true)));
    ps_thread* worker = window.getThread();
    auto tasksPosted = [worker] {
        QMutexLocker lock(&worker->mutex);
        QStringList ids;
        for (const ps_task& task : qAsConst(worker->task_queue))
            ids << QString::number(task.id);
        worker->task_queue.clear();
        return ids.isEmpty() ? QString() : QStringLiteral("posted tasks ") + ids.join(QLatin1Char(' '));
    };

    // Focused, a set-point still follows the wheel.
    auto* current = window.findChild<QDoubleSpinBox*>(QStringLiteral("current_spin"));
    window.show();
    QApplication::setActiveWindow(&window);
    current->setFocus();
    wheelNotch(current, 1);
    QCOMPARE(current->value(), 1.0);
    current->setValue(0);

    QStringList found = wheelOverEveryControl(&window, tasksPosted);
    found << returnInEveryControl(&window, tasksPosted);
    for (QDialog* dialog : window.findChildren<QDialog*>()) {
        found << wheelOverEveryControl(dialog, tasksPosted);
        // Dialogs whose one purpose is their answer (connect, accept the
        // settings) keep Return on it; the console sends its line with it.
        if (!qobject_cast<SetIpDialog*>(dialog) && !qobject_cast<ConsoleDialog*>(dialog) &&
            dialog != &refreshSettings)
            found << returnInEveryControl(dialog, tasksPosted);
    }
    QVERIFY(nothingFound(found));
}

void FormsTest::returnPressesTheFocusedButton()
{
    MainWindow window;
    QStringList found;
    // The windows with fields that are committed with Return.
    for (const char* name : {"ConfigurationDialog", "FirmwareUpdateDialog", "SignalGenerator", "EPICSDialog"})
        found << returnOnEveryButton(window.findChild<QDialog*>(QLatin1String(name)));
    QVERIFY(nothingFound(found));
}

void FormsTest::noCaptionIsCutOff_data()
{
    addDesktopRows();
}

// Every window and every page of it, in the font the system gives it.
void FormsTest::noCaptionIsCutOff()
{
    QFETCH(int, dpi);
    QFETCH(QString, screen);
    QFETCH(QString, scale);
    RUN_AT_FONT_DPI(dpi, screen, scale);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
              QStringLiteral("Amperix"))
        .setValue(QStringLiteral("automaticUpdatesEnabled"), false);
    const DesktopFont font;
    MainWindow window;
    SetupDialog refreshSettings(&window); // no window opens it yet
    QStringList found = captionsCutOff(&window);
    // A supply's ID is whatever its users stored there, of any length.
    ps_data supply;
    supply.id = QStringLiteral("Quadrupole QF1, sector 4, main supply");
    emit window.getThread()->id_read(supply);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("id_label"))->toolTip(), supply.id);
    found << captionsCutOff(&window);
    // The connection settings hold the longest address whole.
    auto* address = window.findChild<QLineEdit*>(QStringLiteral("ip_lineEdit"));
    address->setText(QStringLiteral("255.255.255.255"));
    for (QDialog* dialog : window.findChildren<QDialog*>())
        found << captionsCutOff(dialog);
    if (address->toolTip() == address->text()) // the whole value on hover: cut
        found << QStringLiteral("the address field cuts 255.255.255.255");
    // The PID picture opens beside the configuration window.
    auto* configuration = window.findChild<ConfigurationDialog*>();
    configuration->show();
    QVERIFY(QMetaObject::invokeMethod(configuration, "on_pushButtonPIDCC_clicked"));
    found << captionsCutOff(configuration->pidDialog());
    configuration->hide();
    // Connected, with a short ID: where the form's size holds everything,
    // it stays.
    QVERIFY(QMetaObject::invokeMethod(&window, "slotStateChanged",
                                      Q_ARG(QTcpSocket::SocketState, QAbstractSocket::ConnectedState)));
    supply.id = QStringLiteral("1042");
    emit window.getThread()->id_read(supply);
    found << captionsCutOff(&window);
    if (dpi <= 100 && screen.isEmpty() && window.size() != QSize(700, 658))
        found << QStringLiteral("the main window is %1 x %2 at %3 dpi")
                     .arg(window.width())
                     .arg(window.height())
                     .arg(dpi);
    // The fault window names its bits after the model.
    auto* faults = window.findChild<FaultDialog*>();
    for (const char* family : {"KORA-PS", "KORA-PS-M", "ORTX", "KORA-PS-1K5"}) {
        supply.family = QLatin1String(family);
        faults->setModel(supply);
        found << captionsCutOff(faults);
    }
    QVERIFY(nothingFound(found));
}

void FormsTest::windowStaysPut_data()
{
    addDesktopRows(windowClasses);
}

// At rest on every desktop, and on a screen with room its 96-dpi form scaled
// by the desktop's factor (the caption check's rows there see the PID rows
// whole).
void FormsTest::windowStaysPut()
{
    QVERIFY(nothingFound(restlessHere([] {
        EveryWindow program;
        return restlessWindows(program.all());
    })));
}

QTEST_MAIN(FormsTest)
#include "tst_forms.moc"
