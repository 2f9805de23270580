#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>

ModalAnswerer::ModalAnswerer(QObject* parent) : QObject(parent)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start();
}

void ModalAnswerer::answer(const QString& title, QMessageBox::StandardButton button, bool persistent)
{
    Rule r;
    r.title = title;
    r.button = button;
    r.persistent = persistent;
    rules.append(r);
}

void ModalAnswerer::answerText(const QString& title, const QString& buttonText, bool persistent)
{
    Rule r;
    r.title = title;
    r.buttonText = buttonText;
    r.persistent = persistent;
    rules.append(r);
}

int ModalAnswerer::count(const QString& title) const
{
    int n = 0;
    for (const Seen& s : seenBoxes)
        if (s.title == title)
            ++n;
    return n;
}

QString ModalAnswerer::lastText(const QString& title) const
{
    for (int i = seenBoxes.size() - 1; i >= 0; --i)
        if (seenBoxes.at(i).title == title)
            return seenBoxes.at(i).text;
    return QString();
}

bool ModalAnswerer::waitFor(const QString& title, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (count(title) == 0) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

static QString plain(QString s)
{
    return s.remove(QLatin1Char('&'));
}

bool ModalAnswerer::apply(QWidget* w, const Rule* rule, QString* answerName)
{
    auto* box = qobject_cast<QMessageBox*>(w);
    if (box) {
        QAbstractButton* target = nullptr;
        if (rule && !rule->buttonText.isEmpty()) {
            for (QAbstractButton* b : box->buttons())
                if (plain(b->text()) == rule->buttonText)
                    target = b;
        } else if (rule && rule->button != QMessageBox::NoButton) {
            target = box->button(rule->button);
        }
        if (target) {
            *answerName = plain(target->text());
            // Defer the click so the box's own exec() loop is running.
            QMetaObject::invokeMethod(target, "click", Qt::QueuedConnection);
            return true;
        }
        if (rule)
            return false; // the rule names a button this box lacks: leave it
        *answerName = QStringLiteral("close");
        QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
        return true;
    }
    auto* dlg = qobject_cast<QDialog*>(w);
    if (!dlg)
        return false;
    bool accept = false;
    if (rule) {
        const auto b = rule->button;
        accept = b == QMessageBox::Ok || b == QMessageBox::Yes || b == QMessageBox::Save ||
                 b == QMessageBox::Open || rule->buttonText == QLatin1String("OK");
    }
    *answerName = accept ? QStringLiteral("accept") : QStringLiteral("reject");
    QMetaObject::invokeMethod(dlg, accept ? "accept" : "reject", Qt::QueuedConnection);
    return true;
}

void ModalAnswerer::poll()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget* w : widgets) {
        if (!w->isVisible() || handled.contains(w))
            continue;
        auto* box = qobject_cast<QMessageBox*>(w);
        // Only message boxes and modal dialogs are answered; modeless tool
        // windows (a plot, a console) are left alone.
        if (!box && !(qobject_cast<QDialog*>(w) && w->isModal()))
            continue;
        Seen s;
        s.title = w->windowTitle();
        s.className = QString::fromLatin1(w->metaObject()->className());
        if (box) {
            s.text = box->text();
            s.informativeText = box->informativeText();
        }
        const Rule* rule = nullptr;
        int ruleIndex = -1;
        for (int i = 0; i < rules.size(); ++i) {
            if (rules.at(i).title == s.title) {
                rule = &rules.at(i);
                ruleIndex = i;
                break;
            }
        }
        if (!rule && !closeUnmatched)
            continue;
        QString answerName;
        if (!apply(w, rule, &answerName))
            continue;
        s.answer = answerName;
        handled.insert(w);
        connect(w, &QObject::destroyed, this, [this, w] { handled.remove(w); });
        // A widget that is only hidden (not deleted) may be shown again later.
        QTimer::singleShot(200, this, [this, w] { handled.remove(w); });
        seenBoxes.append(s);
        if (ruleIndex >= 0 && !rules.at(ruleIndex).persistent)
            rules.removeAt(ruleIndex);
    }
}
