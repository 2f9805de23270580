#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTextEdit>

// Terminal-like text widget: a welcome text, a prompt, one command typed
// after it, and the owner's result printed below in colour. It knows nothing
// of the supply; it hands each command out with execCommand().
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

    // Replaces the text shown at the top after every clear and starts afresh
    // (forms build the console with its parent only).
    void setWelcomeText(const QString& welcomeText);

    QStringList commands() const { return m_commands; }
    QString prompt() const { return m_prompt; }
    bool isLocked() const { return m_locked; }

signals:
    void commandAddedToHistory(QString command);
    void execCommand(QString command);

public slots:
    void displayPrompt();
    void printCommandExecutionResults(QString result, QConsole::ResultType t = Complete);

private:
    QColor m_promptColor;
    QColor m_errorColor = Qt::red;
    QColor m_outputColor = Qt::white;
    int m_promptLength = 0;
    QString m_prompt;
    QStringList m_history;
    int m_historyIndex = 0;
    int m_promptBlock = 0;
    bool m_locked = false;
    QStringList m_commands;
    QString m_welcomeText;
};
