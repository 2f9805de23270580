#pragma once

#include <QDialog>

namespace Ui
{
class ChangeLog;
}

// The release notes of the program, shown as plain text over the maker's
// logo. Built once by the main window and shown again (modeless) on every
// "Changelog"; closing only hides it, so text and scroll position persist.
class ChangeLog : public QDialog
{
    Q_OBJECT

public:
    explicit ChangeLog(QWidget* parent = nullptr);
    ~ChangeLog() override;

private:
    Ui::ChangeLog* ui;
};
