#pragma once

#include <QDialog>
#include <QString>

namespace Ui
{
class AboutDialog;
}

// The About window: the program's name and version, the maker and the
// licence, as an HTML page over the maker's logo. Built once by the main
// window and shown again (modeless) on every "About".
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

    // The page as handed to the text browser.
    const QString& pageText() const { return m_page; }

    // Builds the page of the program this library was built for.
    static QString composePage();

private:
    Ui::AboutDialog* ui;
    QString m_page;
};
