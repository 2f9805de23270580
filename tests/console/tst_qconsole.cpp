#include "popupcompleter.h"
#include "popuplistwidget.h"
#include "qconsole.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QtTest>

#include <functional>

namespace
{

// Answers the completion popup the console opens on Tab: records its words
// and activates the item at `row` (or presses Escape when row is -1).
class PopupChooser : public QObject
{
public:
    explicit PopupChooser(int row) : row(row)
    {
        connect(&timer, &QTimer::timeout, this, &PopupChooser::poll);
        timer.start(10);
    }

    QStringList words;
    bool opened = false;

private:
    void poll()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* popup = qobject_cast<PopupCompleter*>(w);
            if (!popup || !popup->isVisible())
                continue;
            timer.stop();
            opened = true;
            PopupListWidget* list = popup->listWidget();
            for (int i = 0; i < list->count(); ++i)
                words << list->item(i)->text();
            if (row < 0) {
                QTest::keyClick(list, Qt::Key_Escape);
                return;
            }
            for (int i = 0; i < row; ++i)
                QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Tab);
            return;
        }
    }

    int row;
    QTimer timer;
};

const QString welcome = QStringLiteral("Welcome\n");

} // namespace

class QConsoleTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void promptGuard();
    void historyUpAndDown();
    void completion_data();
    void completion();
    void popupFitsItsWords();
    void lockedWhileCommandRuns();
    void resultsArePrintedWithNewPrompt();

    void promptStaysAtEndOfDocument();
    void pastedLinesRunTogether();
    void editsLeaveOlderTextAndPrompt();

private:
    void type(const QString& text) { QTest::keyClicks(console, text); }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(console, key, mods);
    }
    QString lastLine() const { return console->document()->lastBlock().text(); }
    void run(const QString& command)
    {
        type(command);
        press(Qt::Key_Return);
        console->printCommandExecutionResults(QStringLiteral("AK"));
    }

    QConsole* console = nullptr;
};

void QConsoleTest::init()
{
    console = new QConsole(nullptr, welcome);
    console->setPrompt(QStringLiteral(">"), true);
    console->resize(400, 300);
    console->show();
}

void QConsoleTest::cleanup()
{
    delete console;
    console = nullptr;
}

void QConsoleTest::promptGuard()
{
    // Backspace right after the prompt leaves it; inside the text it deletes.
    press(Qt::Key_Backspace);
    QCOMPARE(lastLine(), QStringLiteral(">"));
    type(QStringLiteral("VEX"));
    press(Qt::Key_Backspace);
    type(QStringLiteral("R"));
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("VER"));

    // Home stops after the prompt; Shift+Home selects back to it.
    press(Qt::Key_Home);
    QCOMPARE(console->textCursor().positionInBlock(), 1);
    press(Qt::Key_End);
    press(Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(console->textCursor().selectedText(), QStringLiteral("VER"));
    press(Qt::Key_End);

    // In older output Backspace does nothing, and a letter goes to the end.
    QTextCursor inWelcome = console->textCursor();
    inWelcome.setPosition(3);
    console->setTextCursor(inWelcome);
    press(Qt::Key_Backspace);
    QVERIFY(console->toPlainText().startsWith(welcome));
    type(QStringLiteral("x"));
    QVERIFY(console->toPlainText().startsWith(welcome));
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("VERx"));

    // Up and Down in older output change nothing.
    console->setTextCursor(inWelcome);
    press(Qt::Key_Up);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("VERx"));
}

void QConsoleTest::historyUpAndDown()
{
    // Nothing to recall yet.
    press(Qt::Key_Up);
    QCOMPARE(console->getCurrentCommand(), QString());

    run(QStringLiteral("MON"));
    run(QStringLiteral("MST"));
    run(QStringLiteral("mwi:1.5"));
    QCOMPARE(console->history(), (QStringList{"MON", "MST", "mwi:1.5"}));

    // Right after a command, Down too brings back the last one.
    press(Qt::Key_Down);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("mwi:1.5"));
    // Up skips the entry equal to the text being edited.
    press(Qt::Key_Up);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("MST"));
    press(Qt::Key_Up);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("MON"));
    press(Qt::Key_Up);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("MON"));
    press(Qt::Key_Down);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("MST"));
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    QCOMPARE(console->getCurrentCommand(), QStringLiteral("mwi:1.5"));
}

void QConsoleTest::completion_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("choice"); // popup row to choose, -1 Escape; ignored without popup
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("result");

    const QStringList mw{"MWI:", "MWIR:", "MWV:", "MWVR:", "MON"};
    QTest::newRow("one match") << mw << "mo" << 0 << QStringList() << "mon";
    QTest::newRow("one match, typed in upper case") << mw << "MWVR" << 0 << QStringList() << "mwvr:";
    QTest::newRow("several, third chosen")
        << mw << "MW" << 2 << QStringList{"mwi:", "mwir:", "mwv:", "mwvr:"} << "mwv:";
    QTest::newRow("several, popup escaped")
        << mw << "MW" << -1 << QStringList{"mwi:", "mwir:", "mwv:", "mwvr:"} << "MW";
    QTest::newRow("empty line offers every word")
        << QStringList{"VER", "MON"} << "" << 0 << QStringList{"mon", "ver"} << "mon";
    QTest::newRow("no match keeps the text") << mw << "xyz" << 0 << QStringList() << "xyz";
    QTest::newRow("no words inserts a tab") << QStringList() << "" << 0 << QStringList() << "\t";
}

void QConsoleTest::completion()
{
    QFETCH(QStringList, words);
    QFETCH(QString, typed);
    QFETCH(int, choice);
    QFETCH(QStringList, offered);
    QFETCH(QString, result);

    console->setCommands(words);
    type(typed);
    PopupChooser chooser(choice);
    press(Qt::Key_Tab);
    QCOMPARE(chooser.opened, !offered.isEmpty());
    QCOMPARE(chooser.words, offered);
    QCOMPARE(console->getCurrentCommand(), result);
}

void QConsoleTest::popupFitsItsWords()
{
    // A few words: as wide as the widest with room after it, all rows shown.
    const QStringList few{"mon", "moff", "mst"};
    PopupCompleter small(few);
    small.show();
    QVERIFY(QTest::qWaitForWindowExposed(&small));
    PopupListWidget* list = small.listWidget();
    QCOMPARE(list->width(),
             QFontMetrics(list->item(1)->font()).horizontalAdvance(QStringLiteral("moff       ")));
    QCOMPARE(small.size(), list->size());
    QVERIFY(!list->verticalScrollBar()->isVisible());
    QCOMPARE(list->currentRow(), 0);

    // Many words: under 200 pixels high, the rest reached by scrolling.
    QStringList many;
    for (int i = 0; i < 50; ++i)
        many << QStringLiteral("mrg:%1").arg(i);
    PopupCompleter tall(many);
    tall.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tall));
    QVERIFY(tall.height() < 200);
    QVERIFY(tall.listWidget()->verticalScrollBar()->isVisible());
    QCOMPARE(tall.listWidget()->currentRow(), 0);
}

void QConsoleTest::lockedWhileCommandRuns()
{
    QSignalSpy exec(console, &QConsole::execCommand);
    type(QStringLiteral("MOFF"));
    press(Qt::Key_Return);
    QCOMPARE(exec.count(), 1);
    QCOMPARE(exec.at(0).at(0).toString(), QStringLiteral("MOFF"));
    QVERIFY(console->isLocked());

    const QString before = console->toPlainText();
    type(QStringLiteral("MON"));
    press(Qt::Key_Return);
    press(Qt::Key_Backspace);
    QCOMPARE(console->toPlainText(), before);
    QCOMPARE(exec.count(), 1);

    console->printCommandExecutionResults(QStringLiteral("busy"), QConsole::Partial);
    QVERIFY(console->isLocked());
    console->printCommandExecutionResults(QStringLiteral("#NAK:13. Unit is OFF"), QConsole::Error);
    QVERIFY(!console->isLocked());
    type(QStringLiteral("MON"));
    press(Qt::Key_Enter);
    QCOMPARE(exec.count(), 2);

    // An empty line is a command like any other.
    console->printCommandExecutionResults(QStringLiteral("AK"));
    press(Qt::Key_Return);
    QCOMPARE(exec.count(), 3);
    QCOMPARE(exec.at(2).at(0).toString(), QString());
}

void QConsoleTest::resultsArePrintedWithNewPrompt()
{
    type(QStringLiteral("MON"));
    press(Qt::Key_Return);
    console->printCommandExecutionResults(QStringLiteral("AK"));
    QVERIFY(console->toPlainText().endsWith(QStringLiteral(">MON\nAK\n\n>")));
    // A result ending in a line break gets no further empty paragraph.
    type(QStringLiteral("MST"));
    press(Qt::Key_Return);
    console->printCommandExecutionResults(QStringLiteral("#MST:00000000\r\n"));
    QVERIFY(console->toPlainText().endsWith(QStringLiteral(">MST\n#MST:00000000\n>")));
}

void QConsoleTest::promptStaysAtEndOfDocument()
{
    QSignalSpy exec(console, &QConsole::execCommand);

    // Return in the middle of the line, then a mouse selection in the welcome
    // text while the reply is on its way.
    type(QStringLiteral("MST"));
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    press(Qt::Key_Return);
    QTest::mousePress(console->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    QMouseEvent drag(QEvent::MouseMove, QPoint(30, 4), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(console->viewport(), &drag);
    QTest::mouseRelease(console->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 4));
    QCOMPARE(console->textCursor().blockNumber(), 0);
    console->printCommandExecutionResults(QStringLiteral("#MST:00000000\r\n"));
    QVERIFY(console->toPlainText().startsWith(welcome));
    QVERIFY(console->toPlainText().contains(QStringLiteral("\n>MST\n")));
    QCOMPARE(lastLine(), QStringLiteral(">"));

    type(QStringLiteral("MST"));
    QCOMPARE(lastLine(), QStringLiteral(">MST")); // typing still reaches the command
    press(Qt::Key_Return);
    QCOMPARE(exec.at(1).at(0).toString(), QStringLiteral("MST"));
    console->printCommandExecutionResults(QStringLiteral("AK"));

    // A command wrapped over several screen lines is recalled whole.
    const QString longA(120, QLatin1Char('a'));
    const QString longB(150, QLatin1Char('b'));
    console->resize(160, 300);
    run(longA);
    type(longB);
    QVERIFY(console->document()->lastBlock().layout()->lineCount() > 1);
    press(Qt::Key_Up);
    QCOMPARE(console->getCurrentCommand(), longA);
    QCOMPARE(lastLine(), QStringLiteral(">") + longA);
}

void QConsoleTest::pastedLinesRunTogether()
{
    QSignalSpy exec(console, &QConsole::execCommand);
    type(QStringLiteral("MWI:"));
    QApplication::clipboard()->setText(QStringLiteral("1.5\r\nMON\n"));
    console->paste();
    QCOMPARE(lastLine(), QStringLiteral(">MWI:1.5MON"));
    press(Qt::Key_Return);
    QCOMPARE(exec.count(), 1);
    QCOMPARE(exec.at(0).at(0).toString(), QStringLiteral("MWI:1.5MON"));

    // Nothing is pasted into older output.
    console->printCommandExecutionResults(QStringLiteral("AK"));
    QTextCursor inWelcome = console->textCursor();
    inWelcome.setPosition(2);
    console->setTextCursor(inWelcome);
    console->paste();
    QVERIFY(console->toPlainText().startsWith(welcome));
}

void QConsoleTest::editsLeaveOlderTextAndPrompt()
{
    const QString shown = console->toPlainText();
    QVERIFY(!QKeySequence::keyBindings(QKeySequence::DeleteStartOfWord).isEmpty());
    auto pressAll = [this](QKeySequence::StandardKey key, int times) {
        for (const QKeySequence& binding : QKeySequence::keyBindings(key))
            for (int i = 0; i < times; ++i)
                QTest::keySequence(console, binding);
    };

    // Word deletes stop at the prompt, wherever they start.
    type(QStringLiteral(" "));
    pressAll(QKeySequence::DeleteStartOfWord, 1);
    QCOMPARE(console->toPlainText(), shown);
    type(QStringLiteral("#_LOCAL"));
    pressAll(QKeySequence::DeleteStartOfWord, 3);
    QCOMPARE(console->toPlainText(), shown);

    // A line delete takes the whole command, from wherever the cursor is. Only
    // X11 binds a key to it (Ctrl+U); CTest runs these tests there too.
    if (!QKeySequence::keyBindings(QKeySequence::DeleteCompleteLine).isEmpty()) {
        type(QStringLiteral("MWI:1.5 MON"));
        press(Qt::Key_Left);
        pressAll(QKeySequence::DeleteCompleteLine, 1);
        QCOMPARE(console->toPlainText(), shown);
    }

    // Over a selection in older output they delete nothing.
    QTextCursor inWelcome = console->textCursor();
    inWelcome.setPosition(1);
    inWelcome.setPosition(5, QTextCursor::KeepAnchor);
    console->setTextCursor(inWelcome);
    pressAll(QKeySequence::DeleteStartOfWord, 1);
    pressAll(QKeySequence::DeleteEndOfWord, 1);
    QCOMPARE(console->toPlainText(), shown);

    // Over a selection from older output into the command, neither keys nor
    // the menu remove anything.
    type(QStringLiteral("M"));
    QApplication::clipboard()->setText(QStringLiteral("X"));
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"word delete", [&] { pressAll(QKeySequence::DeleteStartOfWord, 1); }},
        {"line delete", [&] { pressAll(QKeySequence::DeleteCompleteLine, 1); }},
        {"cut key", [&] { QTest::keySequence(console, QKeySequence::Cut); }},
        {"menu Cut", [&] { console->cut(); }},
        {"menu Delete", [&] { console->del(); }},
        {"paste", [&] { console->paste(); }},
    };
    for (const auto& [name, edit] : edits) {
        QTextCursor across = console->textCursor();
        across.setPosition(1);
        across.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        console->setTextCursor(across);
        edit();
        QVERIFY2(console->toPlainText() == shown + QStringLiteral("M"), name);
    }
    console->moveCursor(QTextCursor::End);
    press(Qt::Key_Backspace);

    QSignalSpy exec(console, &QConsole::execCommand);
    console->moveCursor(QTextCursor::End);
    type(QStringLiteral("MST"));
    press(Qt::Key_Return);
    QCOMPARE(exec.at(0).at(0).toString(), QStringLiteral("MST"));

    // Undo takes back what was typed after the newest prompt, nothing before.
    console->printCommandExecutionResults(QStringLiteral("AK"));
    const QString ready = console->toPlainText();
    type(QStringLiteral("MON"));
    pressAll(QKeySequence::Undo, 3);
    QCOMPARE(console->toPlainText(), ready);
}

QTEST_MAIN(QConsoleTest)
#include "tst_qconsole.moc"
