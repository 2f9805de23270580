#pragma once

#include "dcct_data.h"

#include <QDialog>

namespace Ui
{
class Monitor;
}

// A box's latest current, and the head and external temperatures when the
// box streams them, in large type for reading from a distance. Fed with the
// blocks of acquired samples while it is open; it sends nothing to the box.
class Monitor : public QDialog
{
    Q_OBJECT

public:
    explicit Monitor(QWidget* parent = nullptr);
    ~Monitor() override;

public slots:
    void update_data_mon_dialog(Dcct_data data);

private:
    Ui::Monitor* ui;
};
