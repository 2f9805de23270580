#include "dialog_password.h"
#include "ui_dialog_password.h"

#include "screenfit.h"

Dialog_password::Dialog_password(QWidget* parent) : QDialog(parent), ui(new Ui::Dialog_password)
{
    ui->setupUi(this);
    fitToScreen(this);
}

Dialog_password::~Dialog_password()
{
    delete ui;
}

QString Dialog_password::password() const
{
    return ui->lineEdit_password->text();
}
