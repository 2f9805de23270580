#include "graphexport.h"

#include <qcustomplot.h>

#include "savebytes.h"
#include "setup_checks.h"

#include <QDateTime>
#include <QStringList>
#include <QTextCodec>

namespace GraphExport
{

bool sameLength(const QList<QCPGraph*>& graphs)
{
    if (graphs.isEmpty())
        return true;
    const int n = graphs.first()->dataCount();
    for (const QCPGraph* g : graphs)
        if (g->dataCount() != n)
            return false;
    return true;
}

QString proposedFileName(const QList<QCPGraph*>& graphs)
{
    // Named by the box, which may name itself with any characters: as a file
    // fetched from its card is, made a plain file name first.
    return graphs.isEmpty() ? QString()
                            : SetupChecks::plainFileName(graphs.first()->name()) + QStringLiteral(".txt");
}

QString timeText(double key)
{
    return QDateTime::fromSecsSinceEpoch(qint64(key), Qt::LocalTime).toString(Qt::TextDate);
}

QStringList lines(const QList<QCPGraph*>& graphs)
{
    QStringList out;
    if (graphs.isEmpty())
        return out;
    QString header;
    for (const QCPGraph* g : graphs)
        header += g->name() + QLatin1Char('\t');
    out.append(header + QStringLiteral("\n\r"));

    const QSharedPointer<QCPGraphDataContainer> reference = graphs.first()->data();
    // Rows only where every graph has a point (the caller checks the
    // lengths; this keeps a mismatch from reading past a graph's end).
    int n = reference->size();
    for (const QCPGraph* g : graphs)
        n = qMin(n, g->dataCount());
    for (int i = 0; i < n; ++i) {
        QString row = timeText(reference->at(i)->key);
        for (const QCPGraph* g : graphs)
            row += QLatin1Char('\t') + QString::number(g->data()->at(i)->value, 'g', 6);
        out.append(row + QStringLiteral("\n\r"));
    }
    return out;
}

QByteArrayList bytes(const QList<QCPGraph*>& graphs)
{
    QTextCodec* codec = QTextCodec::codecForLocale();
    QByteArrayList chunks;
    for (const QString& line : lines(graphs))
        chunks.append(codec->fromUnicode(line));
    return chunks;
}

bool write(const QString& path, const QList<QCPGraph*>& graphs, QString* error)
{
    // Through a temporary file: a full disk or a folder that takes no file
    // leaves the old file whole and names its reason.
    const SaveResult saved = saveBytes(path, bytes(graphs), SaveMode::Text);
    if (!saved.ok() && error)
        *error = saved.error;
    return saved.ok();
}

} // namespace GraphExport
