#pragma once

#include <QDialog>

class QLabel;
class QVBoxLayout;

// The PID loop type.
enum EnumPIDType { CC = 0, CV = 1 };

// A window showing the controller structure of one PID loop, single or
// double ("fast").
class PIDdialog : public QDialog
{
    Q_OBJECT

public:
    explicit PIDdialog(QWidget* parent = nullptr);
    ~PIDdialog() override;

    void setTypeAndMode(EnumPIDType PIDType, bool isFast);
    void setType(EnumPIDType PIDType);
    // Changes the fast flag only when `PIDType` is the type shown.
    void setMode(EnumPIDType PIDType, bool isFast);
    // Draws the picture and title of the current type and flag and shows the window.
    void update();

    EnumPIDType type() const { return pidType; }
    bool isFast() const { return fast; }
    // Resource path of the picture of a type and flag (empty for another type).
    static QString picturePath(EnumPIDType PIDType, bool isFast);

private:
    struct Form {
        QVBoxLayout* verticalLayout = nullptr;
        QLabel* labelImage = nullptr;
    };
    Form* ui;
    EnumPIDType pidType = CC;
    bool fast = false;
};
