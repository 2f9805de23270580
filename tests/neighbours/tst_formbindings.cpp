#include "configurationdialog.h"
#include "consoledialog.h"
#include "firmwareupdatedialog.h"

#include <QMetaMethod>
#include <QtTest>

// Slots named on_<object>_<signal> are bound when the form is built; a
// renamed widget silently unbinds them. Every such slot must find its object
// (or the window itself) with a signal of that name and signature.
static QStringList unboundSlots(QWidget* window)
{
    QStringList problems;
    const QMetaObject* meta = window->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod slot = meta->method(i);
        const QString name = QString::fromLatin1(slot.name());
        if (slot.methodType() != QMetaMethod::Slot || !name.startsWith(QLatin1String("on_")))
            continue;
        const int split = name.lastIndexOf(QLatin1Char('_'));
        const QString objectName = name.mid(3, split - 3);
        const QByteArray signalSignature =
            name.mid(split + 1).toLatin1() + slot.methodSignature().mid(slot.name().size());

        QObject* sender =
            window->objectName() == objectName ? window : window->findChild<QObject*>(objectName);
        if (!sender) {
            problems << name + QStringLiteral(": no object ") + objectName;
            continue;
        }
        if (sender->metaObject()->indexOfSignal(signalSignature.constData()) < 0)
            problems << name + QStringLiteral(": no signal ") + QString::fromLatin1(signalSignature);
    }
    return problems;
}

class FormBindingsTest : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedSlotHasItsWidget();
};

void FormBindingsTest::everyNamedSlotHasItsWidget()
{
    ConfigurationDialog configuration(nullptr);
    FirmwareUpdateDialog firmware;
    ConsoleDialog console;
    for (QWidget* window : std::initializer_list<QWidget*>{&configuration, &firmware, &console}) {
        const QStringList problems = unboundSlots(window);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    }
}

QTEST_MAIN(FormBindingsTest)
#include "tst_formbindings.moc"
