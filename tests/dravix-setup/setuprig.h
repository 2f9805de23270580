#pragma once

// A set-up dialog on a box worker that is never started, so every code the
// dialog queues stays in the worker's queue for the test to read. The
// dialog's prompts are answered by hooks that record what was asked.

#include "box_commands.h"
#include "dcct_thread.h"
#include "prompts.h"
#include "setup_dialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QMutexLocker>
#include <QStringList>

#include <functional>
#include <memory>

struct SeenPrompt {
    QString kind; // "warning", "question", "critical", "save", "dialog"
    QString title;
    QString text;
};

class SetupRig
{
public:
    explicit SetupRig(int interval_ms = 80)
        : thread(true, QStringLiteral("127.0.0.1"), interval_ms, QString())
    {
        registerDcctDataMetaType();
        Setup_dialog::setWarningHook([this](QWidget*, const QString& title, const QString& text) {
            prompts.append({QStringLiteral("warning"), title, text});
        });
        Setup_dialog::setQuestionHook([this](QWidget*, const QString& title, const QString& text) {
            prompts.append({QStringLiteral("question"), title, text});
            return questionAnswer;
        });
        Prompts::setCriticalHook([this](QWidget*, const QString& title, const QString& text) {
            prompts.append({QStringLiteral("critical"), title, text});
        });
        Prompts::setSaveFileHook(
            [this](QWidget*, const QString& caption, const QString& proposed, const QString& filter) {
                prompts.append({QStringLiteral("save"), caption, proposed});
                saveFilter = filter;
                return saveAnswer;
            });
        Prompts::setDialogHook([this](QDialog* dialog) {
            prompts.append({QStringLiteral("dialog"), dialog->objectName(), QString()});
            return dialogAnswer ? dialogAnswer(dialog) : int(QDialog::Rejected);
        });
        dialog = std::make_unique<Setup_dialog>(&thread);
    }

    ~SetupRig()
    {
        dialog.reset();
        Setup_dialog::setWarningHook({});
        Setup_dialog::setQuestionHook({});
        Prompts::setCriticalHook({});
        Prompts::setSaveFileHook({});
        Prompts::setDialogHook({});
    }

    // The queued codes, a set code written "code:arg".
    QStringList queued()
    {
        QMutexLocker lock(&thread.mutex);
        QStringList out;
        for (const Dcct_thread::Queued& q : qAsConst(thread.codes))
            out << (q.has_arg ? QStringLiteral("%1:%2").arg(q.code).arg(q.arg) : QString::number(q.code));
        return out;
    }

    QStringList take()
    {
        const QStringList out = queued();
        clearQueue();
        return out;
    }

    void clearQueue()
    {
        QMutexLocker lock(&thread.mutex);
        thread.codes.clear();
    }

    template <class T> T* w(const char* name) const { return dialog->findChild<T*>(QLatin1String(name)); }

    void click(const char* name)
    {
        QAbstractButton* b = w<QAbstractButton>(name);
        if (b)
            b->click();
    }

    static QSet<int> everyCode()
    {
        QSet<int> codes;
        int count = 0;
        const BoxCommandInfo* table = boxCommands(&count);
        for (int i = 0; i < count; ++i)
            codes.insert(table[i].code);
        return codes;
    }

    // A record made by hand stands for a box that answered every query on
    // this connection, unless the test says which codes were read.
    void show(Dcct_data data)
    {
        if (data.read_codes.isEmpty())
            data.read_codes = everyCode();
        dialog->update_status_conf_dialog(data);
    }

    QStringList promptKinds() const
    {
        QStringList out;
        for (const SeenPrompt& p : prompts)
            out << p.kind;
        return out;
    }

    // Answers the password dialog: typed text, accepted or not.
    void answerPassword(const QString& text, bool accept)
    {
        dialogAnswer = [text, accept](QDialog* d) {
            if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("lineEdit_password")))
                edit->setText(text);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        };
    }

    // A record as the box reports it with a password set and the card
    // mounted, so every page is usable.
    static Dcct_data unlockedRecord()
    {
        Dcct_data d;
        d.password_set = true;
        d.sd_mounted = true;
        return d;
    }

    Dcct_thread thread;
    std::unique_ptr<Setup_dialog> dialog;
    QList<SeenPrompt> prompts;
    QMessageBox::StandardButton questionAnswer = QMessageBox::Yes;
    QString saveAnswer;
    QString saveFilter;
    std::function<int(QDialog*)> dialogAnswer;
};
