// "Ajuste de página de la tabla": the table's columns, header items, lines, fonts and the
// reference point that zeroes its coordinates.
#include "options/ui/option_dialogs.h"

#include "bridge/qt_text.h"
#include "model/text_utils.h"
#include "options/options.h"
#include "options/ui/option_form.h"
#include "ui/prompt.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ks {

namespace {

const char* const kColumnNames[TOptions_Tableau::kColumns]
    = { "Longitud", "Rumbo", "Inclinación", "Anchura", "Altura", "X", "Y", "Z", "Des. horizontal",
          "Comentarios", "Desarrollo", "Longitud horizontal", "Delta Z" };
const char* const kItemNames[TOptions_Tableau::kItems] = { "Fecha", "Sistema", "Cavidad", "Red", "Lugar",
    "Decli", "Des real", "Des proj", "Topógrafos", "TPBT", "Primicia" };

std::int16_t Int16(const QLineEdit* edit)
{
    return static_cast<std::int16_t>(std::clamp<long long>(ToInt(ToUtf8(edit->text())), -32768, 32767));
}

QLineEdit* Box(QFormLayout* form, const QString& caption, const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    form->addRow(caption, edit);
    return edit;
}

class TableDialog : public TOptionForm
{
public:
    TableDialog(TOptions_Tableau& o, const TGalerie* selected, QWidget* parent)
        : TOptionForm(QStringLiteral("Ajuste de página de la tabla"), HelpTopic::ViewOptions, parent)
        , m_target(&o)
        , m_work(o)
        , m_selected(selected)
    {
        auto* tabs = new QTabWidget(this);
        tabs->addTab(ColumnsPage(), QStringLiteral("Columnas"));
        tabs->addTab(HeaderPage(0), QStringLiteral("Encabezamiento general"));
        tabs->addTab(HeaderPage(1), QStringLiteral("Encabezamiento restringida"));
        tabs->addTab(LinesPage(), QStringLiteral("Líneas"));
        tabs->addTab(PointPage(), QStringLiteral("Punto topográfico"));
        tabs->setMinimumWidth(tabs->tabBar()->sizeHint().width() + 20);
        Finish(tabs, QStringLiteral("Validar"));
    }

    void StoreAll()
    {
        Store();
        KeepColumn();
        for (int v = 0; v < 2; ++v)
            KeepItem(v);
        m_work.Point_Topo.Name.Set(ToCp1252(m_pointName->text().trimmed()));
        m_work.Point_Topo.Number
            = static_cast<std::uint8_t>(std::clamp<long long>(ToInt(ToUtf8(m_pointNumber->text())), 0, 255));
        m_work.Point_Topo.Final = false;
        *m_target = m_work;
    }

private:
    QWidget* ColumnsPage()
    {
        auto* page = new QWidget;
        auto* layout = new QHBoxLayout(page);
        m_columns = new QListWidget(page);
        m_columns->setObjectName(QStringLiteral("Columnas"));
        for (std::int16_t c : m_work.Ordre)
            m_columns->addItem(
                QString::fromUtf8(kColumnNames[std::clamp(c - 1, 0, TOptions_Tableau::kColumns - 1)]));
        layout->addWidget(m_columns);
        auto* arrows = new QVBoxLayout;
        auto* up = new QPushButton(QStringLiteral("▲"), page);
        up->setObjectName(QStringLiteral("Subir"));
        auto* down = new QPushButton(QStringLiteral("▼"), page);
        down->setObjectName(QStringLiteral("Bajar"));
        arrows->addWidget(up);
        arrows->addWidget(down);
        arrows->addStretch();
        layout->addLayout(arrows);
        auto* details = new QGroupBox(QStringLiteral("Columna"), page);
        auto* f = new QFormLayout(details);
        m_show = new QCheckBox(QStringLiteral("&Mostrar"), details);
        m_show->setObjectName(QStringLiteral("Jaffiche"));
        f->addRow(m_show);
        m_double = new QCheckBox(QStringLiteral("&Desdoblar"), details);
        m_double->setObjectName(QStringLiteral("Double"));
        f->addRow(m_double);
        m_width = Box(f, QStringLiteral("&Anchura (mm)"), QStringLiteral("Largeur_Colonne"), details);
        m_separator = Box(f, QStringLiteral("&Separación"), QStringLiteral("Separation"), details);
        m_separator->setMaxLength(1);
        m_head1 = Box(f, QStringLiteral("Título &1"), QStringLiteral("Tete1"), details);
        m_head2 = Box(f, QStringLiteral("Título &2"), QStringLiteral("Tete2"), details);
        layout->addWidget(details);
        connect(m_columns, &QListWidget::currentRowChanged, this, [this](int row) {
            KeepColumn();
            m_column = row;
            ShowColumn();
        });
        connect(up, &QPushButton::clicked, this, [this] { Move(-1); });
        connect(down, &QPushButton::clicked, this, [this] { Move(1); });
        m_columns->setCurrentRow(0);
        return page;
    }

    // The column at position m_column of the order.
    int Column() const { return std::clamp(m_work.Ordre[static_cast<std::size_t>(m_column)] - 1, 0, 12); }

    void ShowColumn()
    {
        if (m_column < 0)
            return;
        const auto c = static_cast<std::size_t>(Column());
        m_show->setChecked(m_work.Jaffiche[c]);
        m_double->setChecked(m_work.Double[c]);
        m_width->setText(QString::number(m_work.Largeur_Colonne[c]));
        m_separator->setText(m_work.Separation[c] ? QString(QChar(m_work.Separation[c])) : QString());
        m_head1->setText(FromCp1252(m_work.Tete1[c]));
        m_head2->setText(FromCp1252(m_work.Tete2[c]));
    }
    void KeepColumn()
    {
        if (m_column < 0)
            return;
        const auto c = static_cast<std::size_t>(Column());
        m_work.Jaffiche[c] = m_show->isChecked();
        m_work.Double[c] = m_double->isChecked();
        m_work.Largeur_Colonne[c] = std::max<std::int16_t>(0, Int16(m_width));
        const std::string separator = ToCp1252(m_separator->text());
        m_work.Separation[c] = static_cast<std::uint8_t>(separator.empty() ? '/' : separator[0]);
        m_work.Tete1[c] = ToCp1252(m_head1->text()).substr(0, 25);
        m_work.Tete2[c] = ToCp1252(m_head2->text()).substr(0, 25);
    }
    // The selected column moves up or down the order.
    void Move(int step)
    {
        const int row = m_columns->currentRow(), to = row + step;
        if (row < 0 || to < 0 || to >= TOptions_Tableau::kColumns)
            return;
        KeepColumn();
        std::swap(m_work.Ordre[static_cast<std::size_t>(row)], m_work.Ordre[static_cast<std::size_t>(to)]);
        QListWidgetItem* item = m_columns->takeItem(row);
        m_column = -1; // the row changes under the list: nothing to keep
        m_columns->insertItem(to, item);
        m_columns->setCurrentRow(to);
    }

    QWidget* HeaderPage(int variant)
    {
        const auto v = static_cast<std::size_t>(variant);
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        auto* general = new QFormLayout;
        auto* height = Integer(general, QStringLiteral("&Altura (mm)"),
            QStringLiteral("Hauteur_Entete%1").arg(variant), m_work.Hauteur_Entete[v]);
        (void)height;
        Check(general, QStringLiteral("&Llamada columnas"), QStringLiteral("Rappel%1").arg(variant),
            m_work.Rappel[v]);
        layout->addLayout(general);
        auto* row = new QHBoxLayout;
        auto* list = new QListWidget(page);
        list->setObjectName(QStringLiteral("Elementos%1").arg(variant));
        for (const char* name : kItemNames)
            list->addItem(QString::fromUtf8(name));
        row->addWidget(list);
        auto* details = new QGroupBox(QStringLiteral("Elemento"), page);
        auto* f = new QFormLayout(details);
        Item& item = m_items[v];
        item.Show = new QCheckBox(QStringLiteral("&Mostrar"), details);
        item.Show->setObjectName(QStringLiteral("Jaffiche2_%1").arg(variant));
        f->addRow(item.Show);
        item.Title = Box(f, QStringLiteral("&Título"), QStringLiteral("Intitule%1").arg(variant), details);
        item.X = Box(f, QStringLiteral("&X (mm)"), QStringLiteral("X_Pos%1").arg(variant), details);
        item.Y = Box(f, QStringLiteral("&Y (mm)"), QStringLiteral("Y_Pos%1").arg(variant), details);
        auto* font = new QPushButton(QStringLiteral("&Fuente ..."), details);
        f->addRow(font);
        row->addWidget(details);
        layout->addLayout(row);
        connect(list, &QListWidget::currentRowChanged, this, [this, variant](int index) {
            KeepItem(variant);
            m_items[static_cast<std::size_t>(variant)].Index = index;
            ShowItem(variant);
        });
        connect(font, &QPushButton::clicked, this, [this, variant] {
            const int index = m_items[static_cast<std::size_t>(variant)].Index;
            if (index >= 0)
                ChooseFont(
                    m_work.La_Police[static_cast<std::size_t>(index)][static_cast<std::size_t>(variant)],
                    this);
        });
        list->setCurrentRow(0);
        return page;
    }
    void ShowItem(int variant)
    {
        const auto v = static_cast<std::size_t>(variant);
        const Item& item = m_items[v];
        if (item.Index < 0)
            return;
        const auto i = static_cast<std::size_t>(item.Index);
        item.Show->setChecked(m_work.Jaffiche2[i][v]);
        item.Title->setText(FromCp1252(m_work.Intitule[i][v]));
        item.X->setText(QString::number(m_work.X_Pos[i][v]));
        item.Y->setText(QString::number(m_work.Y_Pos[i][v]));
    }
    void KeepItem(int variant)
    {
        const auto v = static_cast<std::size_t>(variant);
        const Item& item = m_items[v];
        if (item.Index < 0)
            return;
        const auto i = static_cast<std::size_t>(item.Index);
        m_work.Jaffiche2[i][v] = item.Show->isChecked();
        m_work.Intitule[i][v] = ToCp1252(item.Title->text()).substr(0, 25);
        m_work.X_Pos[i][v] = Int16(item.X);
        m_work.Y_Pos[i][v] = Int16(item.Y);
    }

    QWidget* LinesPage()
    {
        auto* page = new QWidget;
        auto* f = new QFormLayout(page);
        Integer(f, QStringLiteral("Altura de &línea (mm)"), QStringLiteral("Hauteur_Ligne"),
            m_work.Hauteur_Ligne);
        Integer(f, QStringLiteral("Trazo &fino (mm/10)"), QStringLiteral("Ptt_Trait"), m_work.Ptt_Trait);
        Integer(f, QStringLiteral("Trazo &grueso (mm/10)"), QStringLiteral("Gros_Trait"), m_work.Gros_Trait);
        auto font = [&](const QString& caption, const QString& name, TPolice& police) {
            auto* button = new QPushButton(caption, page);
            button->setObjectName(name);
            f->addRow(button);
            connect(button, &QPushButton::clicked, this, [this, &police] { ChooseFont(police, this); });
        };
        font(QStringLiteral("Fuente &standard ..."), QStringLiteral("Police_Standard"),
            m_work.Police_Standard);
        font(QStringLiteral("Fuente &encrucijada ..."), QStringLiteral("Police_Carrefour"),
            m_work.Police_Carrefour);
        return page;
    }

    QWidget* PointPage()
    {
        auto* page = new QWidget;
        auto* f = new QFormLayout(page);
        m_pointName = Box(f, QStringLiteral("&Nombre"), QStringLiteral("Point_Nom"), page);
        m_pointName->setText(FromCp1252(m_work.Point_Topo.Name.Get()));
        m_pointNumber = Box(f, QStringLiteral("Í&ndice"), QStringLiteral("Point_Indice"), page);
        m_pointNumber->setText(QString::number(m_work.Point_Topo.Number));
        auto* lock = new QGroupBox(QStringLiteral("Bloquear"), page);
        auto* lockForm = new QFormLayout(lock);
        Check(lockForm, QStringLiteral("X e &Y"), QStringLiteral("EnPlan"), m_work.EnPlan);
        Check(lockForm, QStringLiteral("&Z"), QStringLiteral("EnAltitude"), m_work.EnAltitude);
        f->addRow(lock);
        auto* fromView = new QPushButton(QStringLiteral("&Selección"), page);
        fromView->setObjectName(QStringLiteral("Seleccion"));
        f->addRow(fromView);
        connect(fromView, &QPushButton::clicked, this, [this] { TakeSelection(); });
        return page;
    }
    // The reference point from the gallery selected in the active view.
    void TakeSelection()
    {
        auto tell = [](const char* text) {
            Prompt().Ask(
                MessageKind::Information, QStringLiteral("Karstelle"), QString::fromUtf8(text), Buttons::Ok);
        };
        if (!m_selected) {
            tell("Inevitablemente, es necesario pasar por la visualización con este método");
            return;
        }
        const TPointTopo* point = nullptr;
        if (m_selected->End.Final) {
            tell("La galería seleccionada no tiene término");
            return;
        }
        if (m_selected->Start.Final) {
            point = &m_selected->End;
        } else {
            auto shown = [](const TPointTopo& p) {
                return FromCp1252(p.Name.Get()) + QStringLiteral("(%1)").arg(p.Number);
            };
            const Answer answer = Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
                QStringLiteral("Dos puntos posibles : %1 (Si) y %2 (Ok)")
                    .arg(shown(m_selected->Start), shown(m_selected->End)),
                Buttons::YesNo);
            point = answer == Answer::Yes ? &m_selected->Start : &m_selected->End;
        }
        m_pointName->setText(FromCp1252(point->Name.Get()));
        m_pointNumber->setText(QString::number(point->Number));
    }

    struct Item
    {
        int Index = -1;
        QCheckBox* Show = nullptr;
        QLineEdit *Title = nullptr, *X = nullptr, *Y = nullptr;
    };

    TOptions_Tableau* m_target;
    TOptions_Tableau m_work;
    const TGalerie* m_selected;
    QListWidget* m_columns = nullptr;
    int m_column = -1;
    QCheckBox *m_show = nullptr, *m_double = nullptr;
    QLineEdit *m_width = nullptr, *m_separator = nullptr, *m_head1 = nullptr, *m_head2 = nullptr;
    std::array<Item, 2> m_items;
    QLineEdit *m_pointName = nullptr, *m_pointNumber = nullptr;
};

} // namespace

bool EditerTableau(TOptions_Tableau& options, const TGalerie* selected, QWidget* parent)
{
    TableDialog dialog(options, selected, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.StoreAll();
    return true;
}

} // namespace ks
