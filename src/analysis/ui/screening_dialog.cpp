// The screening window: two lists and the network's figures above them.
#include "analysis/ui/screening_dialog.h"

#include "bridge/qt_text.h"
#include "model/text_utils.h"
#include "ui/help.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace ks {

namespace {

QTableWidget* Table(const QString& name, const QStringList& headings, QWidget* parent)
{
    auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QTableWidgetItem* Item(const QString& text)
{
    return new QTableWidgetItem(text);
}

QString Fixed(double value, int decimals)
{
    return ToQString(FormatFixed(value, decimals));
}

QString KindText(SuspectKind kind)
{
    switch (kind) {
    case SuspectKind::Azimuth:
        return QStringLiteral("Rumbo");
    case SuspectKind::Length:
        return QStringLiteral("Longitud");
    case SuspectKind::Inclination:
        return QStringLiteral("Inclinación");
    case SuspectKind::Reversed:
        return QStringLiteral("Al revés");
    case SuspectKind::Digits:
        return QStringLiteral("Cifras cambiadas");
    }
    return QString();
}

} // namespace

TScreeningDialog::TScreeningDialog(std::function<TScreening(const std::atomic<bool>*)> run,
    std::function<void(const TSuspect&)> open, QWidget* parent)
    : QDialog(parent)
    , m_run(std::move(run))
    , m_open(std::move(open))
{
    setObjectName(QStringLiteral("ErroresDeCierre"));
    setWindowTitle(QStringLiteral("Errores de cierre"));
    SetHelpTopic(this, HelpTopic::Screening);
    auto* layout = new QVBoxLayout(this);
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("Cifras"));
    m_figures->setWordWrap(true);
    layout->addWidget(m_figures);
    layout->addWidget(new QLabel(QStringLiteral("Bucles, del peor al mejor:"), this));
    m_loops = Table(QStringLiteral("Bucles"),
        { QStringLiteral("Normalizado"), QStringLiteral("Horizontal"), QStringLiteral("Vertical"),
            QStringLiteral("Cierre (m)"), QStringLiteral("%"), QStringLiteral("Longitud (m)"),
            QStringLiteral("Galerías (ficha:galería)") },
        this);
    layout->addWidget(m_loops);
    layout->addWidget(new QLabel(QStringLiteral("Visuales sospechosas (doble clic: abrir la ficha):"), this));
    m_suspects = Table(QStringLiteral("Sospechosas"),
        { QStringLiteral("Ficha"), QStringLiteral("Galería"), QStringLiteral("Visual"),
            QStringLiteral("Error"), QStringLiteral("Corrección"), QStringLiteral("Explica"),
            QStringLiteral("Puntuación"), QStringLiteral("Señalada") },
        this);
    layout->addWidget(m_suspects);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_stopButton = buttons->addButton(QStringLiteral("&Detener"), QDialogButtonBox::ActionRole);
    m_stopButton->setObjectName(QStringLiteral("Detener"));
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_stop = true; });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_suspects, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenSuspect(row); });
    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, [this] { Poll(); });
    resize(900, 600);
    Start();
}

TScreeningDialog::~TScreeningDialog()
{
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
}

void TScreeningDialog::Start()
{
    m_stop = false;
    m_figures->setText(QStringLiteral("Buscando los errores de cierre ..."));
    m_stopButton->setEnabled(true);
    m_worker = std::thread([this] {
        TScreening result = m_run(&m_stop);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = std::move(result);
    });
    m_poll->start();
}

void TScreeningDialog::Poll()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_finished)
            return;
    }
    Finish();
}

void TScreeningDialog::Finish()
{
    m_poll->stop();
    m_worker.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = std::move(*m_finished);
        m_finished.reset();
    }
    m_stopButton->setEnabled(false);
    Fill();
}

void TScreeningDialog::OpenSuspect(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_result.Suspects.size())
        return;
    if (Running())
        return;
    const TSuspect suspect = m_result.Suspects[static_cast<std::size_t>(row)];
    m_open(suspect);
    Start(); // the sheet may have changed
}

void TScreeningDialog::Fill()
{
    const TScreening& s = m_result;
    if (s.Stopped) {
        m_figures->setText(QStringLiteral("Búsqueda detenida."));
        m_loops->setRowCount(0);
        m_suspects->setRowCount(0);
        return;
    }
    m_figures->setText(
        QStringLiteral("%1 visuales, %2 bucles; %3 visuales fuera de todo bucle (un error allí no se "
                       "puede encontrar). Varianza unitaria: horizontal %4, vertical %5 (1 cuando "
                       "los instrumentos yerran como se supone: 0.025 m y 0.5°).")
            .arg(s.Shots)
            .arg(s.Loops.size())
            .arg(s.ShotsOutsideLoops)
            .arg(Fixed(s.UnitVarianceH, 2))
            .arg(Fixed(s.UnitVarianceV, 2)));
    m_loops->setRowCount(static_cast<int>(s.Loops.size()));
    for (int r = 0; r < m_loops->rowCount(); ++r) {
        const TLoopFigure& l = s.Loops[static_cast<std::size_t>(r)];
        QString galleries;
        for (const TGalleryKey& g : l.Galleries)
            galleries += (galleries.isEmpty() ? QString() : QStringLiteral(", "))
                + QStringLiteral("%1:%2").arg(g.Ordre).arg(g.Gallery);
        if (l.ThroughReferences)
            galleries += QStringLiteral(" (entre puntos de referencia)");
        const QString cells[] = { Fixed(l.Normalised, 1), Fixed(l.Horizontal, 1), Fixed(l.Vertical, 1),
            Fixed(std::sqrt(l.Misclosure[0] * l.Misclosure[0] + l.Misclosure[1] * l.Misclosure[1]
                      + l.Misclosure[2] * l.Misclosure[2]),
                3),
            Fixed(l.Share * 100, 2), Fixed(l.Length, 1), galleries };
        for (int c = 0; c < 7; ++c)
            m_loops->setItem(r, c, Item(cells[c]));
    }
    m_suspects->setRowCount(static_cast<int>(s.Suspects.size()));
    for (int r = 0; r < m_suspects->rowCount(); ++r) {
        const TSuspect& t = s.Suspects[static_cast<std::size_t>(r)];
        const QString cells[] = { QString::number(t.Where.Ordre), QString::number(t.Where.Gallery),
            QString::number(t.Shot), KindText(t.Kind), ToQString(t.Correction),
            Fixed(t.Explains * 100, 0) + QStringLiteral(" %"), Fixed(t.Score, 1),
            t.Flagged ? QStringLiteral("Sí") : QString() };
        for (int c = 0; c < 8; ++c)
            m_suspects->setItem(r, c, Item(cells[c]));
    }
    m_loops->resizeColumnsToContents();
    m_suspects->resizeColumnsToContents();
}

} // namespace ks
