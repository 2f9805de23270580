#include "returninfields.h"

#include "modalanswerer.h"
#include "postedevents.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

namespace
{

QString fieldName(QLineEdit* edit)
{
    QWidget* parent = edit->parentWidget();
    if (qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent))
        return parent->objectName();
    return edit->objectName();
}

// Brings every page that holds `w` to the front.
void showPagesOf(QWidget* w)
{
    for (QWidget *child = w, *parent = w->parentWidget(); parent;
         child = parent, parent = parent->parentWidget()) {
        auto* stack = qobject_cast<QStackedWidget*>(parent);
        if (!stack)
            continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(child);
        else
            stack->setCurrentWidget(child);
    }
}

QSet<QWidget*> shownWindows()
{
    QSet<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown.insert(w);
    return shown;
}

} // namespace

QStringList returnInEveryField(QDialog* dialog, const std::function<QString()>& effects)
{
    ModalAnswerer answerer;
    QStringList found;
    dialog->show();
    deliverPostedEvents();
    effects(); // what showing the window did is not the fields' doing
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
        showPagesOf(edit);
        if (!edit->isEnabled() || !edit->isVisible())
            continue;
        edit->setFocus(Qt::TabFocusReason);
        const QSet<QWidget*> before = shownWindows();
        answerer.clear();

        QTest::keyClick(edit, Qt::Key_Return);
        deliverPostedEvents();

        QStringList what;
        for (const ModalAnswerer::Seen& box : answerer.seen())
            what << QStringLiteral("opened \"%1\"").arg(box.title);
        for (QWidget* w : shownWindows() - before) {
            what << QStringLiteral("showed \"%1\"").arg(w->windowTitle());
            w->hide();
        }
        if (!dialog->isVisible()) {
            what << QStringLiteral("closed the window");
            dialog->show();
        }
        const QString more = effects();
        if (!more.isEmpty())
            what << more;
        if (!what.isEmpty())
            found << QStringLiteral("%1 %2: %3")
                         .arg(QString::fromLatin1(dialog->metaObject()->className()), fieldName(edit),
                              what.join(QStringLiteral(", ")));
    }
    dialog->hide();
    deliverPostedEvents();
    return found;
}
