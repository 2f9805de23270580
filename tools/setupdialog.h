#pragma once

#include <QDialog>
#include <QString>

namespace Ui
{
class SetupDialog;
}

// Reading refresh period and socket time-out, in milliseconds, as texts.
// No window of the program opens it: the connection settings hold both values.
class SetupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetupDialog(QWidget* parent = nullptr);
    ~SetupDialog() override;

    QString getRefresh();
    QString getTimeout();
    void setRefresh(QString value);
    void setTimeout(QString value);

private:
    Ui::SetupDialog* ui;
};
