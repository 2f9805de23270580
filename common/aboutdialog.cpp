#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "commonlog.h"
#include "programinfo.h"
#include "screenfit.h"

namespace
{

// The maker's heading (with the year placeholder) and its address block.
QStringList makerPieces()
{
    return {
        QStringLiteral("<h3><strong>Copyright &copy; &lt;date&gt; Orvane</strong></h3>"),
        QStringLiteral("<p><strong>Orvane</strong><br/>"),
        QStringLiteral("<a href='https://www.orvane.com'>www.orvane.com</a><br/>"),
        QStringLiteral("<a href='mailto:support@orvane.com'>support@orvane.com</a></p>"),
    };
}

// The MIT licence: grant, condition, disclaimer.
QStringList licencePieces()
{
    return {
        QStringLiteral(
            "<p align='justify'>Permission is hereby granted, free of charge, to any person obtaining a copy "
            "of "
            "this software and associated documentation files (the &quot;Software&quot;), to deal in the "
            "Software without restriction, including without limitation the rights to use, copy, modify, "
            "merge, publish, distribute, sublicense, and/or sell copies of the Software, and to permit "
            "persons to whom the Software is furnished to do so, subject to the following conditions:</p>"),
        QStringLiteral("<p align='justify'>The above copyright notice and this permission notice shall be "
                       "included in all copies or substantial portions of the Software.</p>"),
        QStringLiteral(
            "<p align='justify'>THE SOFTWARE IS PROVIDED &quot;AS IS&quot;, WITHOUT WARRANTY OF ANY KIND, "
            "EXPRESS OR IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR "
            "A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE "
            "LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR "
            "OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS "
            "IN THE SOFTWARE.</p>"),
    };
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    fitToScreen(this);

    m_page = composePage();
    ui->textBrowser->setHtml(m_page);
    // Links go to the desktop's browser or mail program; the page stays put.
    ui->textBrowser->setOpenExternalLinks(true);

    COMMON_LOG(aboutDialogLogger, info, "AboutDialog initialized");
}

AboutDialog::~AboutDialog()
{
    delete ui;
    COMMON_LOG(aboutDialogLogger, info, "AboutDialog destroyed");
}

QString AboutDialog::composePage()
{
    QString page;
    page.append(ProgramInfo::aboutHeading());
    for (const QString& piece : makerPieces())
        page.append(piece);
    for (const QString& piece : ProgramInfo::aboutModelList())
        page.append(piece);
    for (const QString& piece : licencePieces())
        page.append(piece);

    const auto placeholders = ProgramInfo::aboutPlaceholders();
    for (const auto& p : placeholders)
        page.replace(p.first, p.second, Qt::CaseSensitive);
    return page;
}
