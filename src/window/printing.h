#pragma once
// Printing and the print preview of a view.

#include <QDialog>
#include <QImage>

#include <functional>
#include <string>

class QLabel;
class QPagedPaintDevice;
class QPushButton;
class QScrollBar;
class TGraphique;
struct TMarge;

namespace ks {

// Prints pages first to last (1-based; 0, 0 for all) of a view, `copies` times, each page with
// its decoration, on a printer or a PDF writer. `progress` gets the percentage after each page
// and returns false to stop the job. Returns the number of pages printed; false stopped jobs are
// reported through `stopped`.
int PrintView(TGraphique& view, int mode, QPagedPaintDevice& device, int first, int last, int copies,
    const TMarge& margins, const QString& fileName, bool decorate, const std::function<bool(int)>& progress,
    bool* stopped = nullptr);

// A picture (a 3D view) as one page per copy, filling 99 % of the page in its limiting direction,
// centred. False when the device could not be painted on.
bool PrintPicture(QPagedPaintDevice& device, const QImage& picture, int copies);

// Corner marks and annotations (file name, "Página" and number, date) of a printed page.
void DecoratePage(QPainter& painter, const TMarge& margins, const QString& fileName, int page);

// "Vista pre-impresión": the printed pages on screen, one at a time.
class TPreview : public QDialog
{
public:
    TPreview(TGraphique& view, int mode, const TMarge& margins, const QSizeF& pagePixels,
        const QSizeF& pageMm, bool greyLevels, QWidget* parent = nullptr);

    void ShowPage(int page);
    int Pages() const { return m_columns * m_rows; }
    const QImage& PageImage() const { return m_page; }

    QLabel* Label1 = nullptr;
    QPushButton* Moins = nullptr;
    QPushButton* Plus = nullptr;
    QScrollBar* ScrollBar1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TGraphique& m_view;
    int m_mode;
    const TMarge& m_margins;
    QSizeF m_pagePixels, m_pageMm;
    bool m_grey;
    int m_columns = 1, m_rows = 1, m_current = 1;
    QImage m_page;
    QLabel* m_image = nullptr;
};

} // namespace ks
