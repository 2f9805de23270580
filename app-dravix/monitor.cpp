#include "monitor.h"
#include "ui_monitor.h"

#include "screenfit.h"

Monitor::Monitor(QWidget* parent) : QDialog(parent), ui(new Ui::Monitor)
{
    ui->setupUi(this);
    fitToScreen(this);
}

Monitor::~Monitor()
{
    delete ui;
}

void Monitor::update_data_mon_dialog(Dcct_data data)
{
    ui->label_current->setText(QString::number(data.current, 'g', 6));
    setWindowTitle(data.name);

    // Only the head and external temperatures are shown; the ADC
    // temperature is for the plot.
    bool head = false;
    bool ext = false;
    switch (data.line_layout) {
    case 2:
        ext = true;
        break;
    case 4:
        head = true;
        break;
    case 6:
    case 7:
        head = ext = true;
        break;
    default:
        break;
    }
    if (ext)
        ui->label_ext_temp->setText(QString::number(data.ext_t, 'g', 6));
    if (head)
        ui->label_head_temp->setText(QString::number(data.head_t, 'g', 6));
    ui->label_head->setVisible(head);
    ui->label_head_temp->setVisible(head);
    ui->label_ext->setVisible(ext);
    ui->label_ext_temp->setVisible(ext);

    const int height = head && ext ? 140 : (head || ext ? 95 : 65);
    resize(350, height);
}
