// "Nuevo elemento": the wizard's pages and their flow.
#include "entry/ui/new_element_wizard.h"

#include "bridge/qt_text.h"
#include "entry/new_element.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ks {

namespace {

// A page with its heading and radio choices (ids from 0); the group is returned.
QButtonGroup* Choices(QWidget* page, QVBoxLayout* layout, const QStringList& captions, const QString& prefix)
{
    auto* group = new QButtonGroup(page);
    for (int i = 0; i < captions.size(); ++i) {
        auto* radio = new QRadioButton(captions[i], page);
        radio->setObjectName(prefix + QString::number(i));
        group->addButton(radio, i);
        layout->addWidget(radio);
    }
    return group;
}

QListWidget* List(const QString& name, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded); // as wide as the widest item
    return list;
}

void Fill(QListWidget* list, const std::vector<std::string>& names, bool checkable)
{
    list->clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(FromCp1252(name), list);
        if (checkable) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
}

std::vector<std::string> Ticked(const QListWidget* list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            names.push_back(ToCp1252(list->item(i)->text()));
    return names;
}

} // namespace

TNouveaute::TNouveaute(TWizardHost host, QWidget* parent)
    : QDialog(parent)
    , m_host(std::move(host))
{
    setWindowTitle(QStringLiteral("Nuevo elemento"));
    SetHelpTopic(this, HelpTopic::NewElement);
    m_hadMassif = m_host.Massif() != nullptr;
    auto* layout = new QVBoxLayout(this);
    m_heading = new QLabel(this);
    layout->addWidget(m_heading);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);
    auto page = [this](const QString& title) {
        auto* widget = new QWidget;
        auto* box = new QVBoxLayout(widget);
        box->addWidget(new QLabel(title, widget));
        m_pages->addWidget(widget);
        return std::pair { widget, box };
    };

    auto [p0, l0] = page(QStringLiteral("Naturaleza del nuevo elemento"));
    m_kinds = Choices(p0, l0,
        { QStringLiteral("Macizo"), QStringLiteral("Sistema"), QStringLiteral("Cavidad"),
            QStringLiteral("Exploración"), QStringLiteral("Poligonal de superficie") },
        QStringLiteral("Naturaleza"));
    l0->addStretch();

    auto [p1, l1] = page(QStringLiteral("¿En qué macizo?"));
    m_which
        = Choices(p1, l1, { QStringLiteral("Actual"), QStringLiteral("Conocido"), QStringLiteral("Nuevo") },
            QStringLiteral("Macizo"));
    m_which->button(0)->setVisible(m_hadMassif);
    l1->addStretch();

    auto [p2, l2] = page(QStringLiteral("Para el nuevo macizo, usted puede:"));
    const std::pair<const char*, const char*> actions[] = { { "Elegir el", "&Nombre" },
        { "Regular las", "&Declinaciones" }, { "Definir los", "&Punto de referencia" } };
    for (const auto& [before, caption] : actions) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QString::fromUtf8(before), p2));
        auto* button = new QPushButton(QString::fromUtf8(caption), p2);
        row->addWidget(button);
        row->addStretch();
        l2->addLayout(row);
        const std::string which = caption;
        connect(button, &QPushButton::clicked, this, [this, which] {
            Guarded([this, which] {
                if (which == "&Nombre") {
                    // Names the new massif; cancelled, the massif stays as it is.
                    if (m_host.Massif())
                        m_host.NameMassif();
                } else if (which == "&Declinaciones") {
                    m_host.Declinations();
                } else {
                    m_host.References();
                }
            });
        });
    }
    l2->addStretch();

    auto [p3, l3] = page(QStringLiteral("Indique el nombre de la nueva cavidad"));
    m_caveName = new QLineEdit(p3);
    m_caveName->setObjectName(QStringLiteral("NombreCavidad"));
    l3->addWidget(m_caveName);
    l3->addWidget(new QLabel(QStringLiteral("Es una cavidad"), p3));
    m_caveKind
        = Choices(p3, l3, { QStringLiteral("aislada"), QStringLiteral("unida") }, QStringLiteral("Cavidad"));
    l3->addStretch();

    auto [p4, l4] = page(QStringLiteral("La cavidad unida con un"));
    m_joinKind
        = Choices(p4, l4, { QStringLiteral("sistema conocido"), QStringLiteral("o forma un nuevo sistema") },
            QStringLiteral("Union"));
    l4->addStretch();

    auto [p5, l5] = page(QStringLiteral("Indique el sistema unido"));
    m_systems = List(QStringLiteral("Sistemas"), p5);
    l5->addWidget(m_systems);

    auto [p6, l6] = page(QStringLiteral("Indíque el nombre del nuevo sistema"));
    m_systemName = new QLineEdit(p6);
    m_systemName->setObjectName(QStringLiteral("NombreSistema"));
    l6->addWidget(m_systemName);
    l6->addWidget(new QLabel(QStringLiteral("Seleccione los antiguos sistemas que se relacionan"), p6));
    m_oldSystems = List(QStringLiteral("AntiguosSistemas"), p6);
    l6->addWidget(m_oldSystems);
    l6->addWidget(new QLabel(QStringLiteral("Seleccione las cavidades aisladas que se relacionan"), p6));
    m_oldCaves = List(QStringLiteral("CavidadesAisladas"), p6);
    l6->addWidget(m_oldCaves);

    auto [p7, l7] = page(QStringLiteral("Nueva exploración"));
    auto* form = new QFormLayout;
    const char* levels[] = { "Sistema", "Cavidad", "Red", "Lugar" };
    for (int i = 0; i < 4; ++i) {
        m_exploration[static_cast<std::size_t>(i)] = new QComboBox(p7);
        m_exploration[static_cast<std::size_t>(i)]->setEditable(true);
        m_exploration[static_cast<std::size_t>(i)]->setObjectName(QString::fromLatin1(levels[i]));
        form->addRow(QString::fromLatin1(levels[i]), m_exploration[static_cast<std::size_t>(i)]);
    }
    l7->addLayout(form);
    l7->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_back = new QPushButton(QStringLiteral("< &Anterior"), this);
    m_back->setObjectName(QStringLiteral("Anterior"));
    m_next = new QPushButton(QStringLiteral("&Siguiente >"), this);
    m_next->setObjectName(QStringLiteral("Siguiente"));
    m_next->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Deshacer"), this);
    // Enter always goes forward, even after a click on another button gave it the focus.
    m_back->setAutoDefault(false);
    cancel->setAutoDefault(false);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_next, &QPushButton::clicked, this, [this] { Guarded([this] { Next(); }); });
    connect(m_back, &QPushButton::clicked, this, [this] { Guarded([this] { Back(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QButtonGroup* group : { m_kinds, m_which, m_caveKind, m_joinKind })
        connect(group, &QButtonGroup::idClicked, this, [this] { UpdateButtons(); });
    connect(m_caveName, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(m_systemName, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(m_systems, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    Show(0, 0);
    resize(460, 380);
}

void TNouveaute::Show(int page, int step)
{
    m_pages->setCurrentIndex(page);
    m_step = step;
    UpdateButtons();
}

void TNouveaute::UpdateButtons()
{
    const int page = m_pages->currentIndex();
    bool ready = true;
    switch (page) {
    case 0:
        ready = m_kinds->checkedId() >= 0;
        break;
    case 1:
        ready = m_which->checkedId() >= 0;
        break;
    case 3:
        ready = !m_caveName->text().trimmed().isEmpty() && m_caveKind->checkedId() >= 0;
        break;
    case 4:
        ready = m_joinKind->checkedId() >= 0;
        break;
    case 5:
        ready = m_systems->currentRow() >= 0;
        break;
    case 6:
        ready = !m_systemName->text().trimmed().isEmpty();
        break;
    default:
        break;
    }
    m_next->setEnabled(ready);
    const bool ends = page == 2 || page == 5 || page == 6 || page == 7;
    m_next->setText(ends ? QStringLiteral("&Terminar") : QStringLiteral("&Siguiente >"));
    // Going back past the massif the wizard replaced would need the one it closed.
    m_back->setVisible(
        page != 0 && !m_history.empty() && !(m_changedMassif && m_hadMassif && m_history.back() < 2));
}

bool TNouveaute::ReplaceMassif(bool open)
{
    if (m_host.Massif() && !m_host.CloseMassif())
        return false;
    m_changedMassif = true;
    if (open)
        return m_host.OpenMassif();
    m_host.NewMassif();
    return true;
}

void TNouveaute::OpenEditor(
    const std::string& system, const std::string& cave, const std::string& network, const std::string& place)
{
    m_editor = std::array<std::string, 4> { system, cave, network, place };
    accept();
}

void TNouveaute::ByKind()
{
    TMassif* massif = m_host.Massif();
    switch (m_kind) {
    case kSystem:
        Fill(m_oldSystems, KnownNames(*massif, 0), true);
        Fill(m_oldCaves, IsolatedCaves(*massif), true);
        m_history.push_back(m_step);
        Show(6, 6);
        break;
    case kCave:
        m_history.push_back(m_step);
        Show(3, 3);
        break;
    case kExploration:
        for (int level = 0; level < 4; ++level) {
            QComboBox* box = m_exploration[static_cast<std::size_t>(level)];
            box->clear();
            for (const std::string& name : KnownNames(*massif, level))
                box->addItem(FromCp1252(name));
            box->setCurrentIndex(-1);
        }
        m_history.push_back(m_step);
        Show(7, 7);
        break;
    case kSurface:
        OpenEditor(kSurfaceSystem);
        break;
    default:
        break;
    }
}

void TNouveaute::Next()
{
    if (!m_next->isEnabled())
        return;
    switch (m_step) {
    case 0: {
        m_kind = m_kinds->checkedId();
        const char* titles[] = { "Nuevo macizo", "Nuevo sistema", "Nueva cavidad", "Nueva exploración",
            "Nueva poligonal de superficie" };
        m_heading->setText(QString::fromUtf8(titles[m_kind]));
        if (m_kind == kMassif) {
            if (!ReplaceMassif(false))
                return;
            m_history.push_back(0);
            Show(2, 2);
            return;
        }
        if (m_host.Massif())
            m_which->button(0)->setChecked(true);
        m_history.push_back(0);
        Show(1, 1);
        return;
    }
    case 1:
        if (m_which->checkedId() == 2) {
            if (!ReplaceMassif(false))
                return;
            m_history.push_back(1);
            Show(2, 8);
            return;
        }
        if (m_which->checkedId() == 1 && !ReplaceMassif(true))
            return; // a cancelled choice stays on this page
        if (m_host.Massif())
            ByKind();
        return;
    case 2:
        accept();
        return;
    case 3:
        if (m_caveKind->checkedId() == 0) {
            OpenEditor(kIsolatedSystem, ToCp1252(m_caveName->text().trimmed()));
        } else {
            m_history.push_back(3);
            Show(4, 4);
        }
        return;
    case 4:
        m_history.push_back(4);
        if (m_joinKind->checkedId() == 0) {
            Fill(m_systems, KnownNames(*m_host.Massif(), 0), false);
            Show(5, 5);
        } else {
            Fill(m_oldSystems, KnownNames(*m_host.Massif(), 0), true);
            Fill(m_oldCaves, IsolatedCaves(*m_host.Massif()), true);
            Show(6, 6);
        }
        return;
    case 5:
        OpenEditor(ToCp1252(m_systems->currentItem()->text()), ToCp1252(m_caveName->text().trimmed()));
        return;
    case 6: {
        if (Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Nuevo elemento"),
                QStringLiteral("Aplicar el nuevo nombre a los elementos escogidos ?"), Buttons::OkNo)
            != Answer::Ok)
            return;
        const std::string name = ToCp1252(m_systemName->text().trimmed());
        if (JoinUnderSystem(*m_host.Massif(), name, Ticked(m_oldSystems), Ticked(m_oldCaves)) > 0)
            m_host.Changed();
        if (m_kind == kCave)
            OpenEditor(name, ToCp1252(m_caveName->text().trimmed()));
        else
            accept();
        return;
    }
    case 7: {
        std::array<std::string, 4> texts;
        for (std::size_t i = 0; i < 4; ++i)
            texts[i] = ToCp1252(m_exploration[i]->currentText().trimmed());
        OpenEditor(texts[0], texts[1], texts[2], texts[3]);
        return;
    }
    case 8:
        ByKind();
        return;
    default:
        return;
    }
}

void TNouveaute::Back()
{
    if (m_history.empty())
        return;
    const int previous = m_history.back();
    m_history.pop_back();
    // Leaving the massif the wizard just created takes it away again.
    if ((m_step == 2 || m_step == 8) && m_host.Massif() && m_changedMassif && !m_hadMassif)
        m_host.CloseMassif();
    const int pages[] = { 0, 1, 2, 3, 4, 5, 6, 7, 2 };
    Show(pages[previous], previous);
}

} // namespace ks
