#pragma once

// Helpers shared by the viewer's tests: answering the viewer's prompts,
// a settings store with the start-up update check off, a fresh main window
// for every test function, and box-state records and worker flags made up
// by hand.

#include "dcct_data.h"
#include "dcct_thread.h"
#include "mainwindow.h"
#include "programinfo.h"
#include "prompts.h"
#include "tempsettings.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QMutexLocker>
#include <QPair>
#include <QSettings>
#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>

// Records every critical box and answers the file and dialog prompts.
class PromptRecorder
{
public:
    struct Box {
        QString title;
        QString text;
    };

    PromptRecorder()
    {
        Prompts::setCriticalHook([this](QWidget*, const QString& title, const QString& text) {
            boxes.append({title, text});
        });
        Prompts::setSaveFileHook(
            [this](QWidget*, const QString& caption, const QString& proposed, const QString&) {
                saveCaptions.append(caption);
                saveProposals.append(proposed);
                return saveAnswer;
            });
        Prompts::setDialogHook([this](QDialog* dialog) {
            ++dialogRuns;
            return dialogAnswer ? dialogAnswer(dialog) : int(QDialog::Rejected);
        });
    }
    ~PromptRecorder()
    {
        Prompts::setCriticalHook({});
        Prompts::setSaveFileHook({});
        Prompts::setDialogHook({});
    }

    int count(const QString& title) const
    {
        int n = 0;
        for (const Box& b : boxes)
            n += b.title == title;
        return n;
    }
    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    QString lastTitle() const { return boxes.isEmpty() ? QString() : boxes.last().title; }

    QList<Box> boxes;
    QStringList saveCaptions;
    QStringList saveProposals;
    QString saveAnswer;
    int dialogRuns = 0;
    std::function<int(QDialog*)> dialogAnswer;
};

// A settings store of its own with the update check at start-up switched
// off (the maintenance tool is absent here and would say so in a box).
class ViewerSettings : public TempSettings
{
public:
    explicit ViewerSettings(bool automaticUpdates = false)
    {
        QSettings s(QString::fromLatin1(ProgramInfo::organisation),
                    QString::fromLatin1(ProgramInfo::settingsApplication));
        s.setValue(QStringLiteral("automaticUpdatesEnabled"), automaticUpdates);
    }
};

// The frame of the main-window tests: init() calls openViewer() for a fresh
// window with a settings store of its own and every prompt recorded, and
// cleanup() calls closeViewer().
class ViewerTest : public QObject
{
protected:
    void openViewer()
    {
        settings = std::make_unique<ViewerSettings>();
        prompts = std::make_unique<PromptRecorder>();
        window = std::make_unique<MainWindow>();
    }
    // The window goes first: closing it may still prompt or store settings.
    void closeViewer()
    {
        window.reset();
        prompts.reset();
        settings.reset();
    }
    // Rows whose workers were only made to look connected.
    void markRowsDisconnected()
    {
        for (int r = 0; r < window->boxCount(); ++r)
            window->boxThread(r)->connected = false;
    }

    std::unique_ptr<ViewerSettings> settings;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<MainWindow> window;
};

// Sets fields of a worker's own record as the worker would, under its mutex.
inline void setRecord(Dcct_thread* t, const std::function<void(Dcct_data&)>& change)
{
    QMutexLocker lock(&t->mutex);
    change(t->data);
}

// The queued codes of a worker that is not running, as (code, argument).
inline QList<QPair<int, QString>> queued(Dcct_thread* t)
{
    QList<QPair<int, QString>> out;
    QMutexLocker lock(&t->mutex);
    for (const Dcct_thread::Queued& q : qAsConst(t->codes))
        out.append({q.code, q.arg});
    return out;
}

// A record whose complete half (the one not named by buf_select) holds the
// given samples; temperature series follow `layout`.
inline Dcct_data makeBlock(const QVector<double>& times, const QVector<double>& currents, int layout = 0,
                           double head = 30, double ext = 24, double adc = 38)
{
    Dcct_data d;
    d.buf_select = true; // half A is complete
    d.line_layout = layout;
    d.time_a = times;
    d.current_a = currents;
    for (int i = 0; i < times.size(); ++i) {
        if (layout & 4)
            d.head_t_a.append(head + i);
        if (layout & 2)
            d.ext_t_a.append(ext + i);
        if (layout & 1)
            d.adc_t_a.append(adc + i);
    }
    d.acquiring = true;
    return d;
}

// Processes events until `done` holds or the time runs out.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// Lets deleteLater() take effect.
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
