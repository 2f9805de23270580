#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTextEdit>

class QMimeData;

// Terminal-like text widget: a welcome text, a prompt, one command typed
// after it, and the owner's result printed below in colour. It knows nothing
// of the supply; it hands each command out with execCommand().
//
// The prompt always stands in the last block of the document, and the edit
// zone is everything after it up to the end of the document.
class QConsole : public QTextEdit
{
    Q_OBJECT

public:
    enum ResultType { Error = 0, Partial = 1, Complete = 2 };
    Q_ENUM(ResultType)

    explicit QConsole(QWidget* parent = nullptr, const QString& welcomeText = QString());
    ~QConsole() override;

    void clear();
    void reset();
    void setPrompt(const QString& newPrompt, bool display);
    void setPromptColor(const QColor& color) { m_promptColor = color; }
    void setErrorColor(const QColor& color) { m_errorColor = color; }
    void setOutputColor(const QColor& color) { m_outputColor = color; }
    void setCommands(const QStringList& commands);
    void setFont(const QFont& f);
    void correctPathName(QString& pathName);

    // Replaces the text shown at the top after every clear and starts afresh
    // (forms build the console with its parent only).
    void setWelcomeText(const QString& welcomeText);

    QString getCurrentCommand();
    void replaceCurrentCommand(const QString& newCommand);
    bool isInEditionZone();
    bool isInEditionZone(int pos);
    bool isSelectionInEditionZone();
    void setHome(bool select);

    void handleTabKeyPress();
    void handleReturnKeyPress();
    void handleUpKeyPress();
    void handleDownKeyPress();
    bool handleBackspaceKeyPress();
    void pExecCommand(const QString& command);

    // Ends the wait for a result that will never come (the command's
    // connection was cleared or replaced); the next prompt is the caller's.
    void unlock() { m_locked = false; }

    QStringList commands() const { return m_commands; }
    QStringList history() const { return m_history; }
    QString prompt() const { return m_prompt; }
    bool isLocked() const { return m_locked; }

signals:
    void commandAddedToHistory(QString command);
    void execCommand(QString command);

public slots:
    void cut();
    void del();
    void displayPrompt();
    void printCommandExecutionResults(QString result, QConsole::ResultType t = Complete);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

    virtual bool isCommandComplete(const QString& command);
    virtual QString addToHistory(const QString& command);
    virtual QStringList suggestCommand(const QString& command, QString& prefix);

private:
    // Document position where the edit zone starts (just after the prompt).
    int editZoneStart() const;
    void deleteBackToPrompt(QKeyEvent* e);

    QColor m_promptColor;
    QColor m_errorColor = Qt::red;
    QColor m_outputColor = Qt::white;
    int m_pressPosition = 0;
    int m_promptLength = 0;
    QString m_prompt;
    QStringList m_history;
    int m_historyIndex = 0;
    int m_promptBlock = 0;
    bool m_locked = false;
    // Set while a drag of text reaching outside the edit zone may start.
    bool m_copyOnlyDrag = false;
    QStringList m_commands;
    QString m_welcomeText;
};
