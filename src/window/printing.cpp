// Printing a view over pages, and its preview.
#include "window/printing.h"

#include "bridge/qt_text.h"
#include "options/options.h"
#include "ui/help.h"
#include "views/graphique.h"

#include <QApplication>
#include <QDate>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace ks {

void DecoratePage(QPainter& p, const TMarge& m, const QString& fileName, int page)
{
    const QPaintDevice* device = p.device();
    const double r = static_cast<double>(device->width()) / device->widthMM();
    const double w = device->width(), h = device->height();
    p.setPen(QPen(Qt::black, std::lround(m.EEpaisseur * 0.1 * r), Qt::SolidLine, Qt::FlatCap));
    const double left = m.EGauche * r, right = w - m.EDroite * r, top = m.EHaut * r, bottom = h - m.EBas * r;
    const double arm = m.ELongueur * r;
    // An L at each corner of the printable area, its arms along the margins towards the inside.
    for (const auto& [x, y, dx, dy] : { std::tuple { left, top, 1, 1 }, std::tuple { right, top, -1, 1 },
             std::tuple { left, bottom, 1, -1 }, std::tuple { right, bottom, -1, -1 } }) {
        p.drawLine(QPointF(x, y), QPointF(x + dx * arm, y));
        p.drawLine(QPointF(x, y), QPointF(x, y + dy * arm));
    }
    QFont font(FromCp1252(m.Police_Marge.Name));
    font.setPixelSize(std::max(1,
        static_cast<int>(std::lround(
            std::abs(m.Police_Marge.Height) * r * 25.4 / std::max(1, m.Police_Marge.PixelsPerInch)))));
    p.setFont(font);
    const QFontMetrics metrics(font, p.device());
    auto write = [&](bool show, int position, const QString& text) {
        if (!show)
            return;
        const double x = (position == 2 || position == 4) ? w - metrics.horizontalAdvance(text) : 0;
        const double y = (position == 3 || position == 4) ? h - metrics.height() : 0;
        p.drawText(QPointF(x, y + metrics.ascent()), text);
    };
    write(m.F_Afficher, m.C_Fichier, fileName);
    write(m.P_Afficher, m.C_Page, QStringLiteral("Página") + QString::number(page));
    write(m.D_Afficher, m.C_Date, QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
}

bool PrintPicture(QPagedPaintDevice& device, const QImage& picture, int copies)
{
    QPainter painter;
    if (picture.isNull() || !painter.begin(&device))
        return false;
    const double w = picture.width(), h = picture.height();
    const double f = 0.99 * std::min(device.width() / w, device.height() / h);
    const QSize size(static_cast<int>(w * f), static_cast<int>(h * f));
    const QRect target(
        QPoint((device.width() - size.width()) / 2, (device.height() - size.height()) / 2), size);
    for (int copy = 0; copy < std::max(1, copies); ++copy) {
        if (copy > 0)
            device.newPage();
        painter.drawImage(target, picture);
    }
    return painter.end();
}

int PrintView(TGraphique& view, int mode, QPagedPaintDevice& device, int first, int last, int copies,
    const TMarge& m, const QString& fileName, bool decorate, const std::function<bool(int)>& progress,
    bool* stopped)
{
    const QSizeF mm = device.pageLayout().paintRect(QPageLayout::Millimeter).size();
    view.SetPrinterPage(QSizeF(device.width(), device.height()), mm);
    int columns = 1, rows = 1;
    view.NbPages(columns, rows, m.EGauche + m.EDroite, m.EHaut + m.EBas);
    const int pages = columns * rows;
    if (first <= 0) {
        first = 1;
        last = pages;
    }
    first = std::clamp(first, 1, pages);
    last = std::clamp(last, first, pages);
    copies = std::max(1, copies);

    QPainter painter(&device);
    int printed = 0;
    bool going = true;
    for (int copy = 1; copy <= copies && going; ++copy) {
        for (int page = first; page <= last && going; ++page) {
            if (printed > 0)
                device.newPage();
            view.DessinerPage(
                (page - 1) % columns, (page - 1) / columns, m.EGauche, m.EHaut, mode, painter, 1.0);
            if (decorate)
                DecoratePage(painter, m, fileName, page);
            ++printed;
            const int percent = static_cast<int>(std::lround(
                ((copy - 1.0) / copies + (page - first + 1.0) / (last - first + 1) / copies) * 100));
            going = !progress || progress(percent);
        }
    }
    // A stopped job is aborted before the painter would end it and send what was drawn.
    if (!going)
        if (auto* printer = dynamic_cast<QPrinter*>(&device))
            printer->abort();
    painter.end();
    if (stopped)
        *stopped = !going;
    return printed;
}

TPreview::TPreview(TGraphique& view, int mode, const TMarge& margins, const QSizeF& pagePixels,
    const QSizeF& pageMm, bool greyLevels, QWidget* parent)
    : QDialog(parent)
    , m_view(view)
    , m_mode(mode)
    , m_margins(margins)
    , m_pagePixels(pagePixels)
    , m_pageMm(pageMm)
    , m_grey(greyLevels)
{
    setWindowTitle(QStringLiteral("Vista pre-impresión"));
    SetHelpTopic(this, HelpTopic::Printing);
    m_image = new QLabel(this);
    m_image->setAlignment(Qt::AlignCenter);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* close = new QPushButton(QStringLiteral("Cerrar"), this);
    close->setObjectName(QStringLiteral("Cerrar"));
    Moins = new QPushButton(QStringLiteral("<"), this);
    Moins->setObjectName(QStringLiteral("Moins"));
    Plus = new QPushButton(QStringLiteral(">"), this);
    Plus->setObjectName(QStringLiteral("Plus"));
    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(Moins, &QPushButton::clicked, this, [this] { ScrollBar1->setValue(m_current - 1); });
    connect(Plus, &QPushButton::clicked, this, [this] { ScrollBar1->setValue(m_current + 1); });
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int page) { ShowPage(page); });
    auto* panel = new QHBoxLayout;
    panel->addWidget(Label1);
    panel->addWidget(Moins);
    panel->addWidget(Plus);
    panel->addWidget(ScrollBar1, 1);
    panel->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panel);
    layout->addWidget(m_image, 1);

    m_view.SetPrinterPage(m_pagePixels, m_pageMm);
    m_view.NbPages(m_columns, m_rows, margins.EGauche + margins.EDroite, margins.EHaut + margins.EBas);
    ScrollBar1->setRange(1, Pages());
    resize(800, 900);
}

void TPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowPage(m_current);
}

void TPreview::ShowPage(int page)
{
    m_current = std::clamp(page, 1, Pages());
    // The page image fits the window with the proportions of the printer page.
    const double availableW = std::max(50, width() - 28), availableH = std::max(50, height() - 88);
    const double scale = std::min(availableW / m_pagePixels.width(), availableH / m_pagePixels.height());
    const double factor = scale;
    m_page = QImage(std::max(1, static_cast<int>(m_pagePixels.width() * scale)),
        std::max(1, static_cast<int>(m_pagePixels.height() * scale)), QImage::Format_RGB32);
    m_page.fill(Qt::white);
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QPainter painter(&m_page);
        m_view.DessinerPage((m_current - 1) % m_columns, (m_current - 1) / m_columns, m_margins.EGauche,
            m_margins.EHaut, m_mode, painter, factor);
        QApplication::restoreOverrideCursor();
    }
    if (m_grey) {
        for (int y = 0; y < m_page.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(m_page.scanLine(y));
            for (int x = 0; x < m_page.width(); ++x) {
                const int g = (29 * qBlue(line[x]) + 150 * qGreen(line[x]) + 77 * qRed(line[x])) / 256;
                line[x] = qRgb(g, g, g);
            }
        }
    }
    m_image->setPixmap(QPixmap::fromImage(m_page));
    Moins->setEnabled(m_current != 1);
    Plus->setEnabled(m_current != Pages());
    Label1->setText(QStringLiteral("Página%1/%2").arg(m_current).arg(Pages()));
    if (ScrollBar1->value() != m_current) {
        const QSignalBlocker block(ScrollBar1);
        ScrollBar1->setValue(m_current);
    }
}

} // namespace ks
