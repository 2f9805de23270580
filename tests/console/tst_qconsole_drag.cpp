#include "qconsole.h"

#include <QApplication>
#include <QDrag>
#include <QLineEdit>
#include <QTextDocumentFragment>
#include <QtTest>

// Drags of the console's text with the mouse, dropped onto another widget or
// back into the command.
class QConsoleDragTest : public QObject
{
    Q_OBJECT

private slots:
    void dragsReachingOlderOutputAreCopies_data();
    void dragsReachingOlderOutputAreCopies();
};

void QConsoleDragTest::dragsReachingOlderOutputAreCopies_data()
{
    QTest::addColumn<bool>("intoCommand");
    QTest::addColumn<int>("typedInside"); // characters of the command inside the selection
    QTest::addColumn<bool>("fromOutput");
    QTest::newRow("onto a line edit") << false << 5 << true;
    QTest::newRow("into the command") << true << 2 << true;
    QTest::newRow("within the command, a move") << true << 3 << false;
}

void QConsoleDragTest::dragsReachingOlderOutputAreCopies()
{
    QFETCH(bool, intoCommand);
    QFETCH(int, typedInside);
    QFETCH(bool, fromOutput);

    QConsole console(nullptr, QStringLiteral("Welcome\n"));
    console.setPrompt(QStringLiteral("cmd> "), true);
    console.setGeometry(0, 0, 400, 300);
    QLineEdit other;
    other.setGeometry(500, 0, 300, 30);
    console.show();
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&console));
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    QTest::keyClicks(&console, QStringLiteral("MST"));
    QTest::keyClick(&console, Qt::Key_Return);
    console.printCommandExecutionResults(QStringLiteral("#MST:00000001\r\n"));
    QTest::keyClicks(&console, QStringLiteral("typed"));
    const QString shown = console.toPlainText();

    // From the start of the reply line, or of the command, into the command.
    QTextCursor selection = console.textCursor();
    selection.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor, 5 - typedInside);
    const int inCommand = selection.position();
    if (fromOutput)
        selection.movePosition(QTextCursor::PreviousBlock);
    else
        selection.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor, typedInside);
    selection.setPosition(inCommand, QTextCursor::KeepAnchor);
    console.setTextCursor(selection);
    const QString dragged = selection.selection().toPlainText();
    QTextCursor grip = selection;
    grip.setPosition(selection.selectionStart() + 2);
    const QPoint press = console.viewport()->mapTo(&console, console.cursorRect(grip).center());

    QWindow* target = intoCommand ? console.windowHandle() : other.windowHandle();
    QTextCursor commandEnd = console.textCursor();
    commandEnd.movePosition(QTextCursor::End);
    const QPoint drop = intoCommand
                            ? console.viewport()->mapTo(&console, console.cursorRect(commandEnd).center())
                            : QPoint(20, 15);
    QTest::mousePress(console.windowHandle(), Qt::LeftButton, Qt::NoModifier, press);
    // The drag runs its own event loop from the first move past the drag
    // distance; the rest of the gesture comes from inside it.
    bool dragging = false;
    QTimer::singleShot(0, [&] {
        dragging = console.viewport()->findChild<QDrag*>() != nullptr;
        QTest::mouseMove(target, drop + QPoint(1, 0));
        QTest::mouseMove(target, drop);
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, drop);
    });
    QTest::mouseMove(console.windowHandle(), press + QPoint(3 * QApplication::startDragDistance(), 0));
    QVERIFY(dragging);

    const QString droppedHere = intoCommand ? QString(dragged).remove(QLatin1Char('\n')) : QString();
    QString expected = shown + droppedHere;
    if (!fromOutput)
        expected.remove(selection.selectionStart(), dragged.size());
    QCOMPARE(console.toPlainText(), expected);
    if (!intoCommand)
        QCOMPARE(other.text(), dragged);
}

int main(int argc, char** argv)
{
    // The offscreen platform ends every drag at once, before any drop; the
    // minimal one runs the toolkit's own drag inside this process, led by
    // the mouse events the test sends.
    qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
    QApplication app(argc, argv);
    QConsoleDragTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qconsole_drag.moc"
