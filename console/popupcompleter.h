#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class PopupListWidget;
class QListWidgetItem;
class QTextEdit;

// The small modal list the console opens under its text cursor when Tab
// finds several words. Activating an item (click, Return or Tab) stores its
// text in m_selected and closes the popup accepted; Escape or a click
// outside closes it without a choice. The console makes one per Tab and
// deletes it after exec().
class PopupCompleter : public QDialog
{
    Q_OBJECT

public:
    PopupCompleter(const QStringList& sl, QWidget* parent = nullptr);
    ~PopupCompleter() override;

    // Places the popup at edit's text cursor (above the line when there is
    // no room below it) and runs it; 1 when a word was chosen.
    int exec(QTextEdit* edit);
    using QDialog::exec;

    PopupListWidget* listWidget() const { return m_listWidget; }

    PopupListWidget* m_listWidget;
    QString m_selected;

protected:
    void showEvent(QShowEvent* e) override;

private slots:
    void onItemActivated(QListWidgetItem* item);
};
