#include "qconsole.h"

#include "loggers.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

QConsole::QConsole(QWidget* parent, const QString& welcomeText)
    : QTextEdit(parent), m_welcomeText(welcomeText)
{
    setAcceptRichText(false);
    document()->setUndoRedoEnabled(false);
    reset();
    setTabStopDistance(4 * QFontMetrics(font()).horizontalAdvance(QLatin1Char('a')));
    consoleLogger->info("QConsole initialized");
}

QConsole::~QConsole() = default;

void QConsole::setWelcomeText(const QString& welcomeText)
{
    m_welcomeText = welcomeText;
    reset();
}

void QConsole::clear()
{
    consoleLogger->trace("QConsole clear called");
    QTextEdit::clear();
    append(m_welcomeText);
    append(QString());
}

void QConsole::reset()
{
    consoleLogger->trace("QConsole reset called");
    clear();
    m_historyIndex = 0;
    m_history.clear();
    displayPrompt();
}

void QConsole::setPrompt(const QString& newPrompt, bool display)
{
    consoleLogger->trace("QConsole setPrompt called, newPrompts = {}, display = {}", newPrompt, display);
    m_prompt = newPrompt;
    m_promptLength = m_prompt.length();
    if (display)
        displayPrompt();
}

void QConsole::displayPrompt()
{
    consoleLogger->trace("QConsole displayPrompt called");
    // Undo reaches back only to the newest prompt: switching undo off drops
    // the history, and the prompt itself is inserted while it is off.
    document()->setUndoRedoEnabled(false);
    setTextColor(m_promptColor);
    QTextCursor cursor = textCursor();
    cursor.insertText(m_prompt);
    cursor.movePosition(QTextCursor::EndOfLine);
    setTextCursor(cursor);
    m_promptBlock = cursor.blockNumber();
    document()->setUndoRedoEnabled(true);
}

void QConsole::setCommands(const QStringList& commands)
{
    m_commands = commands;
    m_commands.sort(Qt::CaseSensitive);
    for (QString& word : m_commands)
        word = word.toLower();
    consoleLogger->debug("QConsole m_commands = {}", m_commands.join(QStringLiteral(", ")));
}

void QConsole::printCommandExecutionResults(QString result, QConsole::ResultType t)
{
    consoleLogger->trace("QConsole printCommandExecutionResults called, result = {}", result);
    if (t == Error) {
        setTextColor(m_errorColor);
        append(result);
    } else {
        setTextColor(m_outputColor);
        append(result);
        if (t != Complete) {
            moveCursor(QTextCursor::End);
            return;
        }
    }
    if (!result.endsWith(QLatin1Char('\n')))
        append(QStringLiteral("\n"));
    m_locked = false;
    displayPrompt();
    moveCursor(QTextCursor::End);
}
