#pragma once

#include <QDialog>
#include <QString>

namespace Ui
{
class Dialog_password;
}

// Collects the password to set on a box: one line of text, shown in clear.
// It neither stores nor checks anything; the caller sends the text as typed.
class Dialog_password : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog_password(QWidget* parent = nullptr);
    ~Dialog_password() override;

    QString password() const;

private:
    Ui::Dialog_password* ui;
};
