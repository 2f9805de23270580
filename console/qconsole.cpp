#include "qconsole.h"

#include "commandmask.h"
#include "loggers.h"
#include "popupcompleter.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace
{

// Text of a selection or block range with its paragraph breaks as line feeds.
QString plainText(QString selected)
{
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return selected;
}

} // namespace

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

void QConsole::setFont(const QFont& f)
{
    consoleLogger->trace("QConsole setFont called, f = {}", f.toString());
    const QTextCursor kept = textCursor();
    QTextCursor all = textCursor();
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFont(f);
    all.setBlockCharFormat(format);
    setCurrentFont(f);
    setTextCursor(kept);
}

void QConsole::correctPathName(QString& pathName)
{
    consoleLogger->trace("QConsole correctPathName called, pathName = {}", pathName);
    if (pathName.contains(QLatin1String(":\\")))
        pathName.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void QConsole::displayPrompt()
{
    consoleLogger->trace("QConsole displayPrompt called");
    // Undo reaches back only to the newest prompt: switching undo off drops
    // the history, and the prompt itself is inserted while it is off.
    document()->setUndoRedoEnabled(false);
    // The prompt goes at the end of the document wherever the user last
    // clicked, so it never lands inside older output.
    moveCursor(QTextCursor::End);
    setTextColor(m_promptColor);
    QTextCursor cursor = textCursor();
    cursor.insertText(m_prompt);
    cursor.movePosition(QTextCursor::EndOfLine);
    setTextCursor(cursor);
    m_promptBlock = cursor.blockNumber();
    document()->setUndoRedoEnabled(true);
}

int QConsole::editZoneStart() const
{
    return document()->findBlockByNumber(m_promptBlock).position() + m_promptLength;
}

bool QConsole::isInEditionZone()
{
    consoleLogger->trace("QConsole isInEditionZone called");
    return textCursor().position() >= editZoneStart();
}

bool QConsole::isInEditionZone(int pos)
{
    consoleLogger->trace("QConsole isInEditionZone called, pos = {}", pos);
    return pos >= editZoneStart();
}

bool QConsole::isSelectionInEditionZone()
{
    consoleLogger->trace("QConsole isSelectionInEditionZone called");
    const QTextCursor cursor = textCursor();
    const int start = editZoneStart();
    return cursor.selectionStart() >= start && cursor.selectionEnd() >= start;
}

QString QConsole::getCurrentCommand()
{
    consoleLogger->trace("QConsole getCurrentCommand called");
    // The whole edit zone, also when the command wraps over several lines.
    QTextCursor cursor = textCursor();
    cursor.setPosition(editZoneStart());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    return plainText(cursor.selectedText());
}

void QConsole::replaceCurrentCommand(const QString& newCommand)
{
    consoleLogger->trace("QConsole replaceCurrentCommand called, newCommand = {}", maskPassword(newCommand));
    QTextCursor cursor = textCursor();
    cursor.setPosition(editZoneStart());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.insertText(newCommand);
    setTextCursor(cursor);
}

void QConsole::setHome(bool select)
{
    consoleLogger->trace("QConsole setHome called, select = {}", select);
    const QTextCursor::MoveMode mode = select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::StartOfBlock, mode);
    if (cursor.blockNumber() == m_promptBlock)
        cursor.movePosition(QTextCursor::Right, mode, m_promptLength);
    setTextCursor(cursor);
}

void QConsole::keyPressEvent(QKeyEvent* e)
{
    if (consoleLogger->should_log(spdlog::level::trace)) {
        // Keys typed after "PASSWORD:" are the password: never in the log.
        const QString key = givesPassword(getCurrentCommand()) ? QStringLiteral("*") : e->text();
        consoleLogger->trace("QConsole keyPressEvent called, e = {}", key);
    }

    if (m_locked)
        return;

    if (e->matches(QKeySequence::DeleteStartOfWord) || e->matches(QKeySequence::DeleteCompleteLine)) {
        if (isSelectionInEditionZone())
            deleteBackToPrompt(e);
        return;
    }

    if (textCursor().hasSelection() && e->modifiers() == Qt::ControlModifier) {
        if (e->matches(QKeySequence::Cut)) {
            e->accept();
            if (isInEditionZone())
                cut();
            else
                copy();
            return;
        }
        if (e->matches(QKeySequence::Copy)) {
            e->accept();
            copy();
        } else {
            // Over older output a shortcut may move or select, never edit
            // (undo and redo reach back to the newest prompt only).
            const Qt::TextInteractionFlags flags = textInteractionFlags();
            const bool history = e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo);
            if (!history && !isSelectionInEditionZone())
                setTextInteractionFlags(flags & ~Qt::TextEditable);
            QTextEdit::keyPressEvent(e);
            setTextInteractionFlags(flags);
            return;
        }
    }

    if ((e->modifiers() & Qt::ControlModifier) && e->key() == Qt::Key_C) {
        if (isSelectionInEditionZone())
            QTextEdit::keyPressEvent(e);
        else
            copy();
        return;
    }

    switch (e->key()) {
    case Qt::Key_Tab:
        if (isSelectionInEditionZone())
            handleTabKeyPress();
        return;
    case Qt::Key_Backspace:
        if (handleBackspaceKeyPress() || !isSelectionInEditionZone())
            return;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (isSelectionInEditionZone())
            handleReturnKeyPress();
        return;
    case Qt::Key_Home:
        setHome(e->modifiers() & Qt::ShiftModifier);
        return;
    case Qt::Key_Up:
        if (isInEditionZone())
            handleUpKeyPress();
        return;
    case Qt::Key_Down:
        if (isInEditionZone())
            handleDownKeyPress();
        return;
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
        break;
    default: {
        const bool outside = textCursor().hasSelection() ? !isSelectionInEditionZone() : !isInEditionZone();
        if (outside)
            moveCursor(QTextCursor::End);
        break;
    }
    }
    QTextEdit::keyPressEvent(e);
}

void QConsole::deleteBackToPrompt(QKeyEvent* e)
{
    // A word or line delete reaches back from the cursor; here it stops where
    // the prompt ends, as Backspace does. A line delete takes the whole command.
    e->accept();
    QTextCursor cursor = textCursor();
    if (e->matches(QKeySequence::DeleteCompleteLine)) {
        cursor.setPosition(editZoneStart());
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else if (!cursor.hasSelection()) {
        cursor.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
        if (cursor.position() < editZoneStart())
            cursor.setPosition(editZoneStart(), QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

bool QConsole::handleBackspaceKeyPress()
{
    consoleLogger->trace("QConsole handleBackspaceKeyPress called");
    const QTextCursor cursor = textCursor();
    return cursor.blockNumber() == m_promptBlock && cursor.positionInBlock() == m_promptLength;
}

void QConsole::handleReturnKeyPress()
{
    consoleLogger->trace("QConsole handleReturnKeyPress called");
    const QString command = getCurrentCommand();
    if (isCommandComplete(command)) {
        pExecCommand(command);
        return;
    }
    append(QString());
    moveCursor(QTextCursor::EndOfLine);
}

bool QConsole::isCommandComplete(const QString& command)
{
    Q_UNUSED(command)
    consoleLogger->trace("QConsole isCommandComplete called");
    return true;
}

void QConsole::pExecCommand(const QString& command)
{
    consoleLogger->trace("QConsole pExecCommand called, command = {}", maskPassword(command));
    m_locked = true;
    addToHistory(command);
    emit execCommand(command);
}

QString QConsole::addToHistory(const QString& command)
{
    consoleLogger->trace("QConsole isSelectionInEditionZone called, command = {}", maskPassword(command));
    QString entry = command;
    entry.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    m_history.append(entry);
    m_historyIndex = m_history.size();
    emit commandAddedToHistory(entry);
    return QString();
}

void QConsole::handleUpKeyPress()
{
    consoleLogger->trace("QConsole handleUpKeyPress called");
    if (m_history.isEmpty())
        return;
    const QString edited = getCurrentCommand();
    while (m_historyIndex > 0) {
        --m_historyIndex;
        if (m_history.at(m_historyIndex) != edited)
            break;
    }
    replaceCurrentCommand(m_history.at(m_historyIndex));
}

void QConsole::handleDownKeyPress()
{
    consoleLogger->trace("QConsole handleDownKeyPress called");
    if (m_history.isEmpty())
        return;
    const QString edited = getCurrentCommand();
    for (;;) {
        ++m_historyIndex;
        if (m_historyIndex >= m_history.size()) {
            m_historyIndex = m_history.size() - 1;
            break;
        }
        if (m_history.at(m_historyIndex) != edited)
            break;
    }
    replaceCurrentCommand(m_history.at(m_historyIndex));
}

void QConsole::setCommands(const QStringList& commands)
{
    m_commands.clear();
    m_commands.append(commands);
    m_commands.sort(Qt::CaseSensitive);
    for (QString& word : m_commands)
        word = word.toLower();
    consoleLogger->debug("QConsole m_commands = {}", m_commands.join(QStringLiteral(", ")));
}

QStringList QConsole::suggestCommand(const QString& command, QString& prefix)
{
    consoleLogger->trace("QConsole suggestCommand called, command = {}, prefix = {}", maskPassword(command),
                         prefix);
    if (command.isEmpty())
        return m_commands;
    const QString lower = command.toLower();
    QStringList candidates;
    for (const QString& word : m_commands)
        if (word.startsWith(lower, Qt::CaseSensitive))
            candidates.append(word);
    if (candidates.isEmpty())
        candidates.append(command);
    return candidates;
}

void QConsole::handleTabKeyPress()
{
    consoleLogger->trace("QConsole handleTabKeyPress");
    const QString command = getCurrentCommand();
    QString prefix;
    const QStringList candidates = suggestCommand(command, prefix);
    if (candidates.isEmpty()) {
        textCursor().insertText(QStringLiteral("\t"));
        return;
    }
    if (candidates.size() == 1) {
        replaceCurrentCommand(prefix + candidates.first());
        return;
    }
    consoleLogger->trace("getCommonWord called, list = {}", candidates.join(QStringLiteral(", ")));
    auto* popup = new PopupCompleter(candidates, nullptr);
    if (popup->exec(this) == QDialog::Accepted) {
        consoleLogger->trace("selected called");
        replaceCurrentCommand(prefix + popup->m_selected);
    }
    delete popup;
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

void QConsole::cut()
{
    consoleLogger->trace("QConsole cut called");
    if (isSelectionInEditionZone())
        QTextEdit::cut();
    else
        QTextEdit::copy();
}

void QConsole::del()
{
    consoleLogger->trace("QConsole del called");
    // A selection reaching back into older output would take the prompt with it.
    if (isSelectionInEditionZone()) {
        QTextCursor cursor = textCursor();
        cursor.deleteChar();
    }
}

void QConsole::insertFromMimeData(const QMimeData* source)
{
    consoleLogger->trace("QConsole insertFromMimeData called");
    if (!isSelectionInEditionZone())
        return;
    if (!source->hasText()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    // One command per prompt: pasted or dropped line breaks would run the
    // lines as a command the user never typed, so the lines run together.
    QString text = source->text();
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    text.remove(QChar::ParagraphSeparator);
    text.remove(QChar::LineSeparator);
    QMimeData single;
    single.setText(text);
    QTextEdit::insertFromMimeData(&single);
}

void QConsole::mousePressEvent(QMouseEvent* e)
{
    consoleLogger->trace("QConsole mousePressEvent called");
    m_pressPosition = textCursor().position();
    if (e->button() == Qt::MiddleButton) {
        copy();
        setTextCursor(cursorForPosition(e->pos()));
        paste();
        return;
    }
    QTextEdit::mousePressEvent(e);
}

void QConsole::mouseMoveEvent(QMouseEvent* e)
{
    consoleLogger->trace("QConsole mouseMoveEvent called");
    if (!(e->buttons() & Qt::LeftButton) || isSelectionInEditionZone()) {
        QTextEdit::mouseMoveEvent(e);
        return;
    }
    // The text control offers editable text to a drag as a move and removes
    // it from the console when another widget takes it as one. Text reaching
    // outside the edit zone starts its drag read-only: it offers a copy only.
    const Qt::TextInteractionFlags flags = textInteractionFlags();
    setTextInteractionFlags(flags & ~Qt::TextEditable);
    m_copyOnlyDrag = true;
    QTextEdit::mouseMoveEvent(e); // a drag started here runs to its end inside
    m_copyOnlyDrag = false;
    setTextInteractionFlags(flags);
}

void QConsole::dragEnterEvent(QDragEnterEvent* e)
{
    consoleLogger->trace("QConsole dragEnterEvent called");
    // The drag has fixed its actions by now; the console takes drops again,
    // so the text can be copied into the command.
    if (m_copyOnlyDrag)
        setTextInteractionFlags(textInteractionFlags() | Qt::TextEditable);
    QTextEdit::dragEnterEvent(e);
}

void QConsole::dragMoveEvent(QDragMoveEvent* e)
{
    consoleLogger->trace("QConsole dragMoveEvent called");
    const QTextCursor at = cursorForPosition(e->pos());
    QTextCursor cursor = textCursor();
    cursor.setPosition(at.position());
    if (isInEditionZone(cursor.position()))
        e->accept(cursorRect(cursor));
    else
        e->ignore(cursorRect(cursor));
}

void QConsole::dropEvent(QDropEvent* e)
{
    consoleLogger->trace("QConsole dropEvent called");
    if (!isInEditionZone()) {
        QTextCursor cursor = textCursor();
        cursor.setPosition(m_pressPosition);
        setTextCursor(cursor);
    }
    QTextEdit::dropEvent(e);
}

void QConsole::contextMenuEvent(QContextMenuEvent* e)
{
    consoleLogger->trace("QConsole contextMenuEvent called");
    if (m_locked)
        return;
    auto* menu = new QMenu(this);
    auto add = [this, menu](const char* text, const char* shortcut, auto slot) {
        QAction* action = menu->addAction(tr(text));
        action->setShortcut(QKeySequence(tr(shortcut), QKeySequence::NativeText));
        connect(action, &QAction::triggered, this, slot);
    };
    add("Undo", "Ctrl+Z", &QConsole::undo);
    add("Redo", "Ctrl+Y", &QConsole::redo);
    menu->addSeparator();
    add("Cut", "Ctrl+X", &QConsole::cut);
    add("Copy", "Ctrl+Ins", &QConsole::copy);
    add("Paste", "Ctrl+V", &QConsole::paste);
    add("Delete", "Del", &QConsole::del);
    menu->addSeparator();
    add("Select All", "Ctrl+A", &QConsole::selectAll);
    menu->exec(e->globalPos());
    delete menu;
}
