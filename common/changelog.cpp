#include "changelog.h"
#include "ui_changelog.h"

#include "commonlog.h"
#include "programinfo.h"
#include "screenfit.h"

#include <QScrollBar>

ChangeLog::ChangeLog(QWidget* parent) : QDialog(parent), ui(new Ui::ChangeLog)
{
    ui->setupUi(this);
    fitToScreen(this);

    // The notes hold no markup, so the browser shows them as plain text.
    ui->textBrowser->setText(QString::fromUtf8(ProgramInfo::releaseNotes));
    ui->textBrowser->verticalScrollBar()->setValue(ui->textBrowser->verticalScrollBar()->maximum());

    COMMON_LOG(changeLogLogger, info, "ChangeLog initialized");
}

ChangeLog::~ChangeLog()
{
    delete ui;
    COMMON_LOG(changeLogLogger, info, "ChangeLog destroyed");
}
