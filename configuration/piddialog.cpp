#include "piddialog.h"

#include "loggers.h"
#include "screenfit.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace
{
// The pictures' size, at 96 dpi.
constexpr QSize pictureSize(1188, 450);

const char* typeName(EnumPIDType type)
{
    return type == CC ? "CC" : "CV";
}
} // namespace

PIDdialog::PIDdialog(QWidget* parent) : QDialog(parent), ui(new Form)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("PIDdialog"));
    resize(1188, 558);
    setMinimumSize(1188, 558);
    setMaximumSize(1188, 558);
    ui->verticalLayout = new QVBoxLayout(this);
    ui->verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    ui->labelImage = new QLabel(this);
    ui->labelImage->setObjectName(QStringLiteral("labelImage"));
    ui->labelImage->setMaximumSize(16777215, 450);
    ui->labelImage->setScaledContents(true);
    ui->verticalLayout->addWidget(ui->labelImage);
    setWindowTitle(QString());
    ui->labelImage->setText(QString());
    // The picture scales with the window, which a small screen makes smaller.
    fitToScreen(this);
    pidDialogLogger->info("PIDdialog created");
}

PIDdialog::~PIDdialog()
{
    delete ui;
    pidDialogLogger->info("PIDdialog destroyed");
}

void PIDdialog::setTypeAndMode(EnumPIDType PIDType, bool isFast)
{
    pidDialogLogger->trace("setTypeAndMode called, PIDType = {}, isFast = {}", typeName(PIDType), isFast);
    pidType = PIDType;
    fast = isFast;
    update();
}

void PIDdialog::setType(EnumPIDType PIDType)
{
    pidDialogLogger->trace("setType called, PIDType = {}", typeName(PIDType));
    pidType = PIDType;
    update();
}

void PIDdialog::setMode(EnumPIDType PIDType, bool isFast)
{
    pidDialogLogger->trace("setMode called, PIDType = {}, isFast = {}", typeName(PIDType), isFast);
    if (PIDType == pidType)
        fast = isFast;
    update();
}

QString PIDdialog::picturePath(EnumPIDType PIDType, bool isFast)
{
    if (PIDType == CC)
        return isFast ? QStringLiteral(":/Images/Images/PIDControllerCCFast.png")
                      : QStringLiteral(":/Images/Images/PIDControllerCC.png");
    if (PIDType == CV)
        return isFast ? QStringLiteral(":/Images/Images/PIDControllerCVFast.png")
                      : QStringLiteral(":/Images/Images/PIDControllerCV.png");
    return QString();
}

void PIDdialog::update()
{
    pidDialogLogger->trace("update called");
    QString title = QStringLiteral("PID controller ");
    if (pidType == CC)
        title += QStringLiteral("CC ");
    else if (pidType == CV)
        title += QStringLiteral("CV ");
    if (fast)
        title += QStringLiteral("fast");
    const QString path = picturePath(pidType, fast);
    setWindowTitle(title);
    // The bundle holds each picture at twice its size too (@2x), which a
    // desktop scaled above 100 % draws from.
    ui->labelImage->setPixmap(path.isEmpty() ? QPixmap() : QIcon(path).pixmap(pictureSize));
    show();
}
