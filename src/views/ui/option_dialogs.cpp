#include "views/ui/option_dialogs.h"

#include "ui/prompt.h"
#include "views/options.h"
#include "views/ui/option_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ks {

namespace {

// A page of group boxes, each with its form.
class Page : public QWidget
{
public:
    QFormLayout* Group(const QString& title)
    {
        auto* box = new QGroupBox(title, this);
        auto* form = new QFormLayout(box);
        m_layout->addWidget(box);
        return form;
    }

private:
    QVBoxLayout* m_layout = new QVBoxLayout(this);
};

// A check box that shows an element enables the boxes that belong to it.
void Governs(QCheckBox* check, std::initializer_list<QWidget*> widgets)
{
    auto apply = [check, widgets = std::vector<QWidget*>(widgets)] {
        for (QWidget* w : widgets)
            w->setEnabled(check->isChecked());
    };
    QObject::connect(check, &QCheckBox::toggled, check, apply);
    apply();
}

class PlanDialog : public TOptionForm
{
public:
    PlanDialog(TOptions_Plan& o, QWidget* parent)
        : TOptionForm(QStringLiteral("Ajustar página de la planta"), parent)
    {
        auto* tabs = new QTabWidget(this);

        auto* north = new Page;
        QFormLayout* f = north->Group(QStringLiteral("Norte"));
        QCheckBox* show
            = Check(f, QStringLiteral("&Mostrar"), QStringLiteral("Affiche_Nord"), o.Affiche_Nord);
        m_representation = static_cast<std::int16_t>(o.Representation ? 1 : 0);
        QComboBox* kind = Choice(f, QStringLiteral("&Representación"), QStringLiteral("Representation"),
            { QStringLiteral("Projección"), QStringLiteral("Geográfico") }, m_representation);
        QLineEdit* text = Text(f, QStringLiteral("&Texto"), QStringLiteral("Texte_Nord"), o.Texte_Nord, 25);
        QLineEdit* x = Real(f, QStringLiteral("&X /km"), QStringLiteral("X_Nord"), o.X_Nord);
        QLineEdit* y = Real(f, QStringLiteral("&Y /km"), QStringLiteral("Y_Nord"), o.Y_Nord);
        QLineEdit* thick = Integer(
            f, QStringLiteral("&Espesor (mm/10)"), QStringLiteral("Epaisseur_Nord"), o.Epaisseur_Nord);
        QLineEdit* length
            = Integer(f, QStringLiteral("&Longitud (mm)"), QStringLiteral("Long_Nord"), o.Long_Nord);
        Governs(show,
            { kind, text, x, y, thick, length, FontButton(f, QStringLiteral("Police_Nord"), o.Police_Nord) });
        tabs->addTab(north, QStringLiteral("Norte"));

        auto* scale = new Page;
        f = scale->Group(QStringLiteral("Escala"));
        show = Check(f, QStringLiteral("Mostrar"), QStringLiteral("Affiche_Echelle"), o.Affiche_Echelle);
        Governs(show,
            { Real(f, QStringLiteral("&X /km"), QStringLiteral("X_Echelle"), o.X_Echelle),
                Real(f, QStringLiteral("&Y /km"), QStringLiteral("Y_Echelle"), o.Y_Echelle),
                Integer(f, QStringLiteral("&Espesor (mm/10)"), QStringLiteral("Epaisseur_Echelle"),
                    o.Epaisseur_Echelle),
                Integer(f, QStringLiteral("&Longitud (m)"), QStringLiteral("Long_Echelle"), o.Long_Echelle),
                Integer(
                    f, QStringLiteral("&Anchura (mm)"), QStringLiteral("Largeur_Echelle"), o.Largeur_Echelle),
                Integer(f, QStringLiteral("&Subdivisión"), QStringLiteral("Subdivision"), o.Subdivision),
                FontButton(f, QStringLiteral("Police_Echelle"), o.Police_Echelle) });
        f = scale->Group(QStringLiteral("Malla"));
        show = Check(f, QStringLiteral("&Mostrar"), QStringLiteral("Affiche_Quadri"), o.Affiche_Quadri);
        Governs(show,
            { Integer(f, QStringLiteral("&Medida (m)"), QStringLiteral("Pas"), o.Pas),
                Integer(f, QStringLiteral("&Espesor (mm/10)"), QStringLiteral("Epaisseur_Quadri"),
                    o.Epaisseur_Quadri),
                Integer(f, QStringLiteral("&Longitud (mm)"), QStringLiteral("Longueur_Quadri"),
                    o.Longueur_Quadri) });
        tabs->addTab(scale, QStringLiteral("Escala"));

        auto* shots = new Page;
        f = shots->Group(QStringLiteral("Visuales"));
        Integer(f, QStringLiteral("&Espesor"), QStringLiteral("Epaisseur_Visee"), o.Epaisseur_Visee);
        Integer(f, QStringLiteral("% &dibujado"), QStringLiteral("pourcentage"), o.pourcentage);
        f = shots->Group(QStringLiteral("Estación"));
        Integer(f, QStringLiteral("&Diámetro"), QStringLiteral("diametre"), o.diametre);
        Choice(f, QStringLiteral("&Texto cruzado"), QStringLiteral("Texte_Station"),
            { QStringLiteral("Ningún"), QStringLiteral("Nombre"), QStringLiteral("Nombre+Índice") },
            o.Texte_Station);
        FontButton(f, QStringLiteral("Police_Station"), o.Police_Station);
        f = shots->Group(QStringLiteral("Contorno"));
        show = Check(
            f, QStringLiteral("Co&ntornear"), QStringLiteral("Afficher_Habillage"), o.Afficher_Habillage);
        Governs(show,
            { Integer(
                f, QStringLiteral("Espe&sor trazo"), QStringLiteral("Epaisseur_Habit"), o.Epaisseur_Habit) });
        f = shots->Group(QStringLiteral("Anchuras"));
        Check(f, QStringLiteral("Al &principio"), QStringLiteral("AuDebut"), o.AuDebut);
        Check(f, QStringLiteral("Al &finalizar"), QStringLiteral("AlaFin"), o.AlaFin);
        Integer(
            f, QStringLiteral("E&spesor (mm/10)"), QStringLiteral("Epaisseur_Largeur"), o.Epaisseur_Largeur);
        Choice(f, QStringLiteral("&Representación"), QStringLiteral("Representation_Largeur"),
            { QStringLiteral("Ninguno"), QStringLiteral("Trazos"), QStringLiteral("Puntos") },
            o.Representation_Largeur);
        tabs->addTab(shots, QStringLiteral("Visuales"));

        auto* print = new Page;
        f = print->Group(QStringLiteral("Impresión"));
        show = Check(f, QStringLiteral("&Bloquear el origen"), QStringLiteral("Origine"), o.Origine);
        Governs(show,
            { Real(f, QStringLiteral("&X/m"), QStringLiteral("X_Origine"), o.X_Origine),
                Real(f, QStringLiteral("&Y/m"), QStringLiteral("Y_Origine"), o.Y_Origine) });
        f = print->Group(QStringLiteral("Rotación"));
        Real(f, QStringLiteral("&grados"), QStringLiteral("Angle"), o.Angle);
        tabs->addTab(print, QStringLiteral("Impresión"));

        Finish(tabs, QStringLiteral("Validar"));
        m_target = &o;
    }

    void StoreAll()
    {
        Store();
        m_target->Representation = m_representation != 0;
    }

private:
    std::int16_t m_representation = 1;
    TOptions_Plan* m_target = nullptr;
};

class MarginDialog : public TOptionForm
{
public:
    MarginDialog(TMarge& m, QWidget* parent, const QSizeF& paperMm)
        : TOptionForm(QStringLiteral("Márgenes"), parent)
        , m_paperMm(paperMm)
    {
        auto* page = new Page;
        QFormLayout* f = page->Group(QStringLiteral("Anchura de los márgenes en mm"));
        Integer(f, QStringLiteral("&Izquierda"), QStringLiteral("EGauche"), m.EGauche);
        Integer(f, QStringLiteral("&Derecha"), QStringLiteral("EDroite"), m.EDroite);
        Integer(f, QStringLiteral("&Arriba"), QStringLiteral("EHaut"), m.EHaut);
        Integer(f, QStringLiteral("Aba&jo"), QStringLiteral("EBas"), m.EBas);
        f = page->Group(QStringLiteral("Trazos del ángulo"));
        Integer(f, QStringLiteral("&Longitud en mm"), QStringLiteral("ELongueur"), m.ELongueur);
        Integer(f, QStringLiteral("&Espesor en mm/10"), QStringLiteral("EEpaisseur"), m.EEpaisseur);
        f = page->Group(QStringLiteral("Posición"));
        const QStringList corners = { QStringLiteral("Arriba/Izquierda"), QStringLiteral("Arriba/Derecha"),
            QStringLiteral("Abajo/Izquierda"), QStringLiteral("Abajo/Derecha") };
        m_positions = { static_cast<std::int16_t>(m.C_Fichier - 1), static_cast<std::int16_t>(m.C_Page - 1),
            static_cast<std::int16_t>(m.C_Date - 1) };
        Check(f, QStringLiteral("Mostrar"), QStringLiteral("F_Afficher"), m.F_Afficher);
        Choice(f, QStringLiteral("Archivo"), QStringLiteral("C_Fichier"), corners, m_positions[0]);
        Check(f, QStringLiteral("Mostrar"), QStringLiteral("P_Afficher"), m.P_Afficher);
        Choice(f, QStringLiteral("Página"), QStringLiteral("C_Page"), corners, m_positions[1]);
        Check(f, QStringLiteral("Mostrar"), QStringLiteral("D_Afficher"), m.D_Afficher);
        Choice(f, QStringLiteral("Fecha"), QStringLiteral("C_Date"), corners, m_positions[2]);
        FontButton(f, QStringLiteral("Police_Marge"), m.Police_Marge);
        Finish(page, QStringLiteral("Validar"));
        m_target = &m;
    }

    void StoreAll()
    {
        Store();
        m_target->C_Fichier = static_cast<std::uint8_t>(m_positions[0] + 1);
        m_target->C_Page = static_cast<std::uint8_t>(m_positions[1] + 1);
        m_target->C_Date = static_cast<std::uint8_t>(m_positions[2] + 1);
    }

    // "Validar" keeps the dialog open on margins that leave nothing to print on.
    void accept() override
    {
        const TMarge before = *m_target;
        StoreAll();
        const bool printable = HasPrintableArea(*m_target, m_paperMm.width(), m_paperMm.height());
        *m_target = before;
        if (!printable) {
            Prompt().Ask(MessageKind::Warning, QStringLiteral("Márgenes"),
                QString::fromUtf8(kNoPrintableAreaText), Buttons::Ok);
            return;
        }
        TOptionForm::accept();
    }

private:
    std::array<std::int16_t, 3> m_positions {};
    TMarge* m_target = nullptr;
    QSizeF m_paperMm;
};

} // namespace

bool EditerPlan(TOptions_Plan& options, QWidget* parent)
{
    PlanDialog dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.StoreAll();
    return true;
}

bool EditerMarge(TMarge& margins, QWidget* parent, const QSizeF& paperMm)
{
    MarginDialog dialog(margins, parent, paperMm);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.StoreAll();
    return true;
}

} // namespace ks
