// The waveform generator at 0.2 Hz (499,999 points a period): computing and
// previewing after the frequency commit, building and posting Apply's point
// list, and exporting and loading the waveform file, with peak memory.

#include "benchsupport.h"

#include "ps_thread.h"
#include "signalgenerator.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QMutexLocker>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

namespace
{

class Generator : public SignalGenerator
{
public:
    explicit Generator(ps_thread* worker) : SignalGenerator(nullptr, worker) {}
    void load(const QString& file)
    {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDropEvent event(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        dropEvent(&event);
    }
};

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ps_thread worker(10);
    Generator generator(&worker);
    generator.resize(1200, 870);
    generator.show();
    QApplication::processEvents();

    auto* f = generator.findChild<QLineEdit*>(QStringLiteral("lineEditConfigF"));
    auto* apply = generator.findChild<QPushButton*>(QStringLiteral("pushButtonRuntimeApply"));
    auto* exportButton = generator.findChild<QPushButton*>(QStringLiteral("pushButtonGeneratorExport"));

    const int rounds = 5;
    QList<double> commit, applyTimes, exportTimes, loadTimes;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("wave.json"));
    SignalGenerator::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
        return file;
    });
    const long baseKb = procStatus("VmHWM");
    long exportPeakKb = 0;
    long loadPeakKb = 0;
    for (int i = 0; i < rounds; ++i) {
        f->setText(i % 2 ? QStringLiteral("1") : QStringLiteral("0.2"));
        emit f->editingFinished(); // leave 0.2 Hz behind
        f->setText(QStringLiteral("0.2"));
        QElapsedTimer t;
        t.start();
        emit f->editingFinished();
        commit << ms(t);

        t.restart();
        apply->click();
        applyTimes << ms(t);
        {
            QMutexLocker lock(&worker.mutex);
            worker.task_queue.clear();
        }

        t.restart();
        exportButton->click();
        exportTimes << ms(t);
        exportPeakKb = qMax(exportPeakKb, procStatus("VmHWM"));

        t.restart();
        generator.load(file);
        loadTimes << ms(t);
        loadPeakKb = qMax(loadPeakKb, procStatus("VmHWM"));
    }

    std::printf("waveform at 0.2 Hz: %d points\n", int(generator.outputValues().size()));
    std::printf("compute + preview (frequency commit) median %7.1f ms, worst %7.1f ms\n", percentile(commit, 0.5),
                percentile(commit, 1.0));
    std::printf("Apply (point list built and posted)  median %7.1f ms, worst %7.1f ms\n",
                percentile(applyTimes, 0.5), percentile(applyTimes, 1.0));
    std::printf("together                             median %7.1f ms (goal <= 300 ms)\n",
                percentile(commit, 0.5) + percentile(applyTimes, 0.5));
    std::printf("JSON export  median %7.1f ms, worst %7.1f ms (goal <= 2000 ms); file %lld bytes\n",
                percentile(exportTimes, 0.5), percentile(exportTimes, 1.0), QFileInfo(file).size());
    std::printf("JSON load    median %7.1f ms, worst %7.1f ms (goal <= 2000 ms)\n", percentile(loadTimes, 0.5),
                percentile(loadTimes, 1.0));
    std::printf("peak resident memory: %ld MB before, %ld MB after exports, %ld MB after loads\n", baseKb / 1024,
                exportPeakKb / 1024, loadPeakKb / 1024);
    return 0;
}
