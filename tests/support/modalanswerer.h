#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

// Answers modal boxes and dialogs that code under test opens, by window title.
// It polls the top-level widgets, so it works inside the nested event loop of
// QDialog::exec() and the static QMessageBox helpers.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen {
        QString title;
        QString text;
        QString informativeText;
        QString className;
        QString answer;
    };

    explicit ModalAnswerer(QObject* parent = nullptr);

    // The next box titled `title` gets `button` pressed (for a plain QDialog,
    // Ok/Yes/Save/Open accept it and anything else rejects it). A persistent
    // rule answers every such box. Rules are tried in the order added.
    void answer(const QString& title, QMessageBox::StandardButton button, bool persistent = false);
    // The same, pressing the button whose text (without '&') equals `buttonText`.
    void answerText(const QString& title, const QString& buttonText, bool persistent = false);
    // Boxes no rule matches are closed (rejected) when true, the default.
    void setCloseUnmatched(bool close) { closeUnmatched = close; }
    // `window` is never answered, modal or not: the test drives it itself.
    void leave(QWidget* window) { handled.insert(window); }

    QList<Seen> seen() const { return seenBoxes; }
    int count(const QString& title) const;
    QString lastText(const QString& title) const;
    // Processes events until a box titled `title` has been seen, or the time runs out.
    bool waitFor(const QString& title, int timeoutMs = 20000);
    void clear() { seenBoxes.clear(); }

private:
    struct Rule {
        QString title;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString buttonText;
        bool persistent = false;
    };

    void poll();
    bool apply(QWidget* w, const Rule* rule, QString* answerName);

    QTimer timer;
    QList<Rule> rules;
    QList<Seen> seenBoxes;
    QSet<QWidget*> handled;
    bool closeUnmatched = true;
};
