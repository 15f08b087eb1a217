// "Estadísticas" and its "Rosa de los vientos" window.
#include "analysis/ui/statistics_dialog.h"

#include "bridge/qt_text.h"
#include "ui/help.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ks {

TStatisticsDialog::TStatisticsDialog(std::vector<TFiche*> sheets, QWidget* parent)
    : QDialog(parent)
    , m_sheets(std::move(sheets))
{
    setWindowTitle(QStringLiteral("Estadísticas"));
    SetHelpTopic(this, HelpTopic::Statistics);
    auto* layout = new QVBoxLayout(this);
    const char* names[]
        = { "Fichas", "Galerias", "Visuales", "Desarrollo", "Primicia", "Inferior", "Superior" };
    const auto texts = StatisticsTexts(ComputeStatistics(m_sheets));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto* label = new QLabel(ToQString(texts[i]), this);
        label->setObjectName(QString::fromLatin1(names[i]));
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* rose = buttons->addButton(QStringLiteral("Rosetón ..."), QDialogButtonBox::ActionRole);
    rose->setObjectName(QStringLiteral("Roseton"));
    rose->setToolTip(QStringLiteral("Reparto de direcciones"));
    buttons->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    connect(rose, &QPushButton::clicked, this, [this] {
        TRoseWindow window(m_sheets, this);
        window.exec();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

// The rose's drawing surface.
class TRoseWindow::Drawing : public QWidget
{
public:
    Drawing(TRoseWindow& window)
        : QWidget(&window)
        , m_window(window)
    {
        setMouseTracking(true);
        setMinimumSize(240, 240);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QColor face = palette().color(QPalette::Button);
        p.fillRect(rect(), face);
        const TRose& rose = m_window.m_rose;
        const int largest = *std::max_element(rose.Sectors.begin(), rose.Sectors.end());
        const int cx = width() / 2, cy = height() / 2;
        const QFontMetrics metrics(p.font());
        const int r = std::max(1, std::min(cx, cy) - metrics.horizontalAdvance(QStringLiteral("Oeste")));
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(cx, cy), r, r);
        // Each sector's wedge, its radius in proportion to the largest count; none when no shot counted.
        p.setBrush(QColor(0, 255, 255));
        for (int k = 0; k < 36 && largest > 0; ++k) {
            const int c = rose.Sectors[static_cast<std::size_t>(k)];
            if (c <= 0)
                continue;
            const int radius = static_cast<int>(std::lround(static_cast<double>(c) * r / largest));
            // Qt counts angles counter-clockwise from east in sixteenths of a degree; the sector
            // runs clockwise from 10k degrees east of north.
            p.drawPie(
                QRect(cx - radius, cy - radius, 2 * radius, 2 * radius), (90 - 10 * k - 10) * 16, 10 * 16);
        }
        // Spokes and labels every 30 degrees.
        const double labelRadius = r + metrics.height();
        for (int j = 0; j < 12; ++j) {
            const double a = (30 * j - 90) * M_PI / 180;
            p.setPen(face.darker(150));
            p.drawLine(QPoint(cx, cy),
                QPoint(cx + static_cast<int>(std::lround(r * std::cos(a))),
                    cy + static_cast<int>(std::lround(r * std::sin(a)))));
            const QPoint anchor(cx + static_cast<int>(labelRadius * std::cos(a)),
                cy + static_cast<int>(labelRadius * std::sin(a)));
            QString text;
            QFont font = p.font();
            font.setBold(j % 3 == 0);
            switch (j) {
            case 0:
                text = QStringLiteral("Norte");
                break;
            case 3:
                text = QStringLiteral("Este");
                break;
            case 6:
                text = QStringLiteral("Sur");
                break;
            case 9:
                text = QStringLiteral("Oeste");
                break;
            default:
                text = QStringLiteral("%1°").arg(30 * j, 3, 10, QLatin1Char('0'));
            }
            p.setFont(font);
            p.setPen(Qt::black);
            const QFontMetrics fm(font);
            p.drawText(QPoint(anchor.x() - fm.horizontalAdvance(text) / 2,
                           anchor.y() + fm.ascent() - fm.height() / 2),
                text);
        }
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        const int hub = static_cast<int>(0.03 * r);
        p.drawEllipse(QPoint(cx, cy), hub, hub);
    }
    void mouseMoveEvent(QMouseEvent* e) override { m_window.ShowPie(e->position().toPoint()); }

private:
    TRoseWindow& m_window;
};

TRoseWindow::TRoseWindow(const std::vector<TFiche*>& sheets, QWidget* parent)
    : QDialog(parent)
    , m_rose(ComputeRose(sheets))
{
    setWindowTitle(QStringLiteral("Rosa de los vientos"));
    SetHelpTopic(this, HelpTopic::Statistics);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_drawing = new Drawing(*this);
    m_drawing->setObjectName(QStringLiteral("Rosa"));
    layout->addWidget(m_drawing, 1);
    m_status = new QStatusBar(this);
    layout->addWidget(m_status);
    resize(420, 460);
}

void TRoseWindow::ShowPie(const QPoint& point)
{
    const double bearing
        = PieBearing(m_drawing->width() / 2 - point.x(), m_drawing->height() / 2 - point.y());
    m_status->showMessage(ToQString(PieText(m_rose, bearing)));
}

} // namespace ks
