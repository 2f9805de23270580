// MainWindow: saving the selected graphs of the plot as a text file.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "graphexport.h"
#include "prompts.h"

#include <QPointer>

void MainWindow::save_to_file()
{
    const QList<QCPGraph*> graphs = ui->customPlot->selectedGraphs();
    if (graphs.isEmpty())
        return;
    if (!GraphExport::sameLength(graphs)) {
        Prompts::critical(this, QStringLiteral("Error"), QStringLiteral("Graphs must be of the same length"));
        return;
    }
    QList<QPointer<QCPGraph>> kept;
    for (QCPGraph* g : graphs)
        kept.append(g);
    const QString path =
        Prompts::saveFileName(this, QStringLiteral("Save Graph"), GraphExport::proposedFileName(graphs),
                              QStringLiteral("Text File (*.txt);; All (*.*)"));
    if (path.isEmpty())
        return;

    // The plot went on while the dialog was open: a graph may have been
    // removed or cleared since.
    QList<QCPGraph*> current;
    for (const QPointer<QCPGraph>& g : qAsConst(kept)) {
        if (!g)
            return;
        current.append(g.data());
    }
    if (!GraphExport::sameLength(current)) {
        Prompts::critical(this, QStringLiteral("Error"), QStringLiteral("Graphs must be of the same length"));
        return;
    }
    QString reason;
    if (!GraphExport::write(path, current, &reason))
        Prompts::critical(this, QStringLiteral("Error"),
                          QStringLiteral("The graphs could not be saved to %1: %2").arg(path, reason));
}
