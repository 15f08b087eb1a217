// The main window's printing, preview and page margins.
#include "model/file_io.h"
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "options/ui/option_dialogs.h"
#include "ui/help.h"
#include "ui/prompt.h"
#include "window/afficheur.h"
#include "window/printing.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPdfWriter>
#include <QPointer>
#include <QPrinter>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace ks {

// For the time of a job that runs its own event loop (printing, the preview): the massif and the
// views stay as they are, so no computation starts or ends, and no drop or close is served.
class TMainWindow::Busy
{
public:
    explicit Busy(TMainWindow& window)
        : m_window(window)
    {
        ++m_window.m_busy;
        m_window.m_computation->Hold();
    }
    ~Busy()
    {
        m_window.m_computation->Release();
        --m_window.m_busy;
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    TMainWindow& m_window;
};

void TMainWindow::MarginsCommand()
{
    if (EditerMarge(m_marge, this, PageMm(*m_printer)))
        LayoutViews();
}

void TMainWindow::PrintFromView(TAfficheur& view)
{
    if (QMdiSubWindow* window = qobject_cast<QMdiSubWindow*>(view.parentWidget()))
        m_mdi->setActiveSubWindow(window);
    PrintCommand();
}

void TMainWindow::PrintCommand()
{
    QPointer<TAfficheur> view = ActiveView();
    if (!view || !m_massif)
        return;
    QPrinter& printer = *m_printer;
    printer.setDocName(QStringLiteral("Plano topográfico"));
    if (!CheckPrintableArea(printer))
        return;
    TGraphique& graphique = *view->Graphique();
    graphique.SetPrinterPage(QSizeF(printer.width(), printer.height()), PageMm(printer));
    int columns = 1, rows = 1;
    graphique.NbPages(columns, rows, m_marge.EGauche + m_marge.EDroite, m_marge.EHaut + m_marge.EBas);
    if (view->Shown3D()) // the 3D picture, scaled onto one page
        columns = rows = 1;
    int first = 0, last = 0, copies = 1;
    if (!Prompt().PrintDialog(printer, columns * rows, first, last, copies))
        return;
    // Printed to a file, the pages are drawn in memory as a PDF with the printer's pages, then
    // written whole through the safe writer: a full disk or a failed write leaves the previous file.
    const QString target = printer.outputFileName();
    QBuffer buffer;
    std::unique_ptr<QPdfWriter> pdf;
    if (!target.isEmpty()) {
        buffer.open(QIODevice::WriteOnly);
        pdf = std::make_unique<QPdfWriter>(&buffer);
        pdf->setPageLayout(printer.pageLayout());
        pdf->setResolution(printer.resolution());
        pdf->setTitle(printer.docName());
    }
    QPagedPaintDevice& device = pdf ? static_cast<QPagedPaintDevice&>(*pdf) : printer;
    auto writeFile = [&] {
        pdf.reset(); // ends the document
        Guarded([&] { WriteFileSafely(ToUtf8(target), Bytes(buffer.data())); });
    };
    if (view->Shown3D()) {
        const QImage picture = view->Picture3D();
        if (picture.isNull()) {
            Prompt().Error(QStringLiteral("La vista 3D no se puede imprimir sin OpenGL."));
            return;
        }
        WaitCursor wait;
        if (!PrintPicture(device, picture, copies))
            Prompt().Error(QStringLiteral("%1: no se puede escribir").arg(target));
        else if (pdf)
            writeFile();
        return;
    }
    // The dialog may have changed the paper.
    if (!CheckPrintableArea(printer))
        return;
    Busy busy(*this);
    WaitCursor wait;
    // Modal: while the pages are drawn only the stop button answers.
    QProgressDialog progress(QStringLiteral("Impresión ..."), QStringLiteral("Detener"), 0, 100, this);
    progress.setWindowTitle(QStringLiteral("Plano topográfico"));
    SetHelpTopic(&progress, HelpTopic::Printing);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    // The pages are drawn on a thread of their own, the interface answering meanwhile: the
    // progress follows, "Detener" stops the job after its page. The views keep their pictures
    // (Printing()), the computation is held and the massif is not written until the job ends.
    bool stopped = false;
    std::atomic<int> percent { 0 };
    std::atomic<bool> stop { false }, done { false };
    std::exception_ptr failure;
    const bool corners = view->ViewKind() != TAfficheur::kTabla; // a table's pages have none
    const QString fileName = ToQString(m_massif->FileName);
    const int mode = Mode();
    view->StopRotation(); // the job draws with the view's angles: they stay as they are
    m_printing = true;
    std::thread job([&] {
        try {
            PrintView(
                graphique, mode, device, first, last, copies, m_marge, fileName, corners,
                [&](int value) {
                    percent.store(value);
                    return !stop.load();
                },
                &stopped);
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
    });
    QEventLoop loop;
    QTimer poll;
    bool polling = false; // the modal progress handles events as it moves: not twice at once
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (polling)
            return;
        polling = true;
        // A cancelled dialog has hidden itself: moving it would show it again.
        if (progress.wasCanceled())
            stop.store(true);
        else if (const int value = std::min(99, percent.load()); value != progress.value())
            progress.setValue(value);
        if (done.load())
            loop.quit();
        polling = false;
    });
    poll.start(50);
    loop.exec();
    job.join();
    m_printing = false;
    progress.hide();
    if (failure)
        std::rethrow_exception(failure);
    // A stopped job writes nothing; a file is written only once the whole job is drawn.
    if (pdf && !stopped)
        writeFile();
    if (stopped)
        Prompt().Ask(MessageKind::Information, QStringLiteral("Plano topográfico"),
            target.isEmpty() ? QStringLiteral("Impresión detenida.")
                             : QStringLiteral("Impresión detenida: no se ha escrito ningún archivo."),
            Buttons::Ok);
    // Every view kept its picture while the pages were drawn: laid out again for the window's
    // size now.
    LayoutViews();
}

bool TMainWindow::CheckPrintableArea(const QPrinter& printer)
{
    const QSizeF paper = PageMm(printer);
    if (HasPrintableArea(m_marge, paper.width(), paper.height()))
        return true;
    Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"), QString::fromUtf8(kNoPrintableAreaText),
        Buttons::Ok);
    return false;
}

void TMainWindow::PreviewCommand()
{
    QPointer<TAfficheur> view = ActiveView();
    if (!view)
        return;
    // The preview draws the pages of the 2D view; the printout of a 3D scene is one picture.
    if (view->Shown3D()) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
            QStringLiteral("No visualizar antes de la impresión con 3D"), Buttons::Ok);
        return;
    }
    const QPrinter& printer = *m_printer;
    if (!CheckPrintableArea(printer))
        return;
    Busy busy(*this);
    {
        TPreview preview(*view->Graphique(), Mode(), m_marge, QSizeF(printer.width(), printer.height()),
            PageMm(printer), printer.colorMode() == QPrinter::GrayScale, this);
        // Maximised by its state and shown by exec() alone: a window shown before exec() would
        // stay modeless, and the main window would answer under the preview.
        preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
        preview.ShowPage(1);
        preview.exec();
    }
    if (view)
        view->Layout();
}

} // namespace ks
