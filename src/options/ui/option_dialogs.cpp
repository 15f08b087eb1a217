// The option dialogs of the plan, the elevation and the perspective.
#include "options/ui/option_dialogs.h"

#include "bridge/qt_text.h"
#include "model/text_utils.h"
#include "options/options.h"
#include "options/ui/option_form.h"
#include "ui/prompt.h"

#include <QCheckBox>
#include <QComboBox>
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

// The captions of the shot and station fields, which differ a little between the dialogs.
struct TraitCaptions
{
    const char* Thickness;
    const char* Share;
    const char* Stations; // the stations' group; null: the stations stay in the shots' group
    const char* Diameter;
    const char* Label;
};

// A dialog of a projection's options: the shot and station fields are the same in all three.
class ProjectionDialog : public TOptionForm
{
public:
    using TOptionForm::TOptionForm;

protected:
    void TraitFields(Page* page, TTrait& t, const TraitCaptions& c)
    {
        QFormLayout* f = page->Group(QStringLiteral("Visuales"));
        Integer(f, QString::fromUtf8(c.Thickness), QStringLiteral("Epaisseur_Visee"), t.Epaisseur_Visee);
        Integer(f, QString::fromUtf8(c.Share), QStringLiteral("pourcentage"), t.pourcentage);
        if (c.Stations)
            f = page->Group(QString::fromUtf8(c.Stations));
        Integer(f, QString::fromUtf8(c.Diameter), QStringLiteral("diametre"), t.diametre);
        Choice(f, QString::fromUtf8(c.Label), QStringLiteral("Texte_Station"),
            { QStringLiteral("Ningún"), QStringLiteral("Nombre"), QStringLiteral("Nombre+Índice") },
            t.Texte_Station);
        FontButton(f, QStringLiteral("Police_Station"), t.Police_Station);
    }
};

class PlanDialog : public ProjectionDialog
{
public:
    PlanDialog(TOptions_Plan& o, QWidget* parent)
        : ProjectionDialog(QStringLiteral("Ajustar página de la planta"), HelpTopic::ViewOptions, parent)
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
        TraitFields(shots, o.Trait, { "&Espesor", "% &dibujado", "Estación", "&Diámetro", "&Texto cruzado" });
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

// "Ajuste de página de perspectiva": north arrow, axis mark, cube, shots, view angles and the
// 3D settings.
class ReliefDialog : public ProjectionDialog
{
public:
    ReliefDialog(TOptions_Relief& o, QWidget* parent)
        : ProjectionDialog(QStringLiteral("Ajuste de página de perspectiva"), HelpTopic::ViewOptions, parent)
        , m_target(&o)
        , m_representation(static_cast<std::int16_t>(o.Representation ? 1 : 0))
        , m_faces(static_cast<std::int16_t>(std::clamp<std::int32_t>(o.N_Face, 0, 32767)))
        , m_width(o.Largeur_3D)
    {
        auto* tabs = new QTabWidget(this);

        auto* north = new Page;
        QFormLayout* f = north->Group(QStringLiteral("Norte"));
        QCheckBox* show = Check(f, QStringLiteral("Mostrar"), QStringLiteral("Affiche_Nord"), o.Affiche_Nord);
        Governs(show,
            { Choice(f, QStringLiteral("Representación"), QStringLiteral("Representation"),
                  { QStringLiteral("Projección"), QStringLiteral("Geográfico") }, m_representation),
                Text(f, QStringLiteral("Texto"), QStringLiteral("Texte_Nord"), o.Texte_Nord, 25),
                Real(f, QStringLiteral("X /km"), QStringLiteral("X_Nord"), o.X_Nord),
                Real(f, QStringLiteral("Y /km"), QStringLiteral("Y_Nord"), o.Y_Nord),
                Real(f, QStringLiteral("Z /m"), QStringLiteral("Z_Nord"), o.Z_Nord),
                Integer(
                    f, QStringLiteral("Espesor (mm/10)"), QStringLiteral("Epaisseur_Nord"), o.Epaisseur_Nord),
                Integer(f, QStringLiteral("Longitud (mm)"), QStringLiteral("Long_Nord"), o.Long_Nord),
                FontButton(f, QStringLiteral("Police_Nord"), o.Police_Nord) });
        tabs->addTab(north, QStringLiteral("Norte"));

        auto* axes = new Page;
        f = axes->Group(QStringLiteral("Vértice"));
        show = Check(f, QStringLiteral("Mostrar"), QStringLiteral("Affiche_Echelle"), o.Affiche_Echelle);
        Governs(show,
            { Real(f, QStringLiteral("X /km"), QStringLiteral("X_Echelle"), o.X_Echelle),
                Real(f, QStringLiteral("Y /km"), QStringLiteral("Y_Echelle"), o.Y_Echelle),
                Real(f, QStringLiteral("Z /m"), QStringLiteral("Z_Echelle"), o.Z_Echelle),
                Check(f, QStringLiteral("Invertir X"), QStringLiteral("X_Inverse"), o.X_Inverse),
                Check(f, QStringLiteral("Invertir Y"), QStringLiteral("Y_Inverse"), o.Y_Inverse),
                Check(f, QStringLiteral("Invertir Z"), QStringLiteral("Z_Inverse"), o.Z_Inverse),
                Integer(f, QStringLiteral("Espesor (mm/10)"), QStringLiteral("Epaisseur_Echelle"),
                    o.Epaisseur_Echelle),
                Integer(f, QStringLiteral("Longitud (m)"), QStringLiteral("Long_Echelle"), o.Long_Echelle),
                Integer(
                    f, QStringLiteral("Anchura (mm)"), QStringLiteral("Largeur_Echelle"), o.Largeur_Echelle),
                Integer(f, QStringLiteral("Nb_Subdivision"), QStringLiteral("Subdivision"), o.Subdivision),
                FontButton(f, QStringLiteral("Police_Echelle"), o.Police_Echelle) });
        f = axes->Group(QStringLiteral("Cubo"));
        show = Check(f, QStringLiteral("Mostrar"), QStringLiteral("Affiche_Quadri"), o.Affiche_Quadri);
        Governs(show,
            { Integer(f, QStringLiteral("Espesor (mm/10)"), QStringLiteral("Epaisseur_Quadri"),
                  o.Epaisseur_Quadri),
                ColourButton(
                    f, QStringLiteral("&Color ..."), QStringLiteral("Couleur_Cadre"), o.Couleur_Cadre) });
        tabs->addTab(axes, QStringLiteral("Vértice y cubo"));

        auto* shots = new Page;
        TraitFields(
            shots, o.Trait, { "Espesor (mm/10)", "% dibujado", nullptr, "Diámetro", "Texto encrucijada" });
        f = shots->Group(QStringLiteral("Rotación"));
        Real(
            f, QStringLiteral("horizontal (grados)"), QStringLiteral("Angle_Horizontal"), o.Angle_Horizontal);
        Real(f, QStringLiteral("vertical (grados)"), QStringLiteral("Angle_Vertical"), o.Angle_Vertical);
        tabs->addTab(shots, QStringLiteral("Visuales"));

        auto* scene = new Page;
        f = scene->Group(QStringLiteral("&Galerías"));
        ColourButton(f, QStringLiteral("Color ..."), QStringLiteral("Couleur_Galerie"), o.Couleur_Galerie);
        Real(f, QStringLiteral("&Anchura por defecto"), QStringLiteral("Largeur_3D"), m_width);
        Check(f, QStringLiteral("&Poligonal"), QStringLiteral("Filaire"), o.Filaire);
        f = scene->Group(QStringLiteral("&Cilindros"));
        show = Check(f, QStringLiteral("&Mostrar"), QStringLiteral("Cylindre"), o.Cylindre);
        Governs(show,
            { ColourButton(
                  f, QStringLiteral("Color ..."), QStringLiteral("Couleur_Cylindre"), o.Couleur_Cylindre),
                Integer(f, QStringLiteral("&Nombre de las caras"), QStringLiteral("N_Face"), m_faces) });
        f = scene->Group(QStringLiteral("&Fondo"));
        ColourButton(f, QStringLiteral("Color ..."), QStringLiteral("Couleur_Fond"), o.Couleur_Fond);
        tabs->addTab(scene, QStringLiteral("3 D"));

        Finish(tabs, QStringLiteral("Validar"));
    }

    void StoreAll()
    {
        Store();
        m_target->Representation = m_representation != 0;
        m_target->N_Face = m_faces;
        m_target->Largeur_3D = static_cast<float>(m_width);
    }

private:
    TOptions_Relief* m_target;
    std::int16_t m_representation;
    std::int16_t m_faces;
    double m_width;
};

// "Ajuste de página del alzado": the elevation's options with its list of vertical scales, whose
// details are edited for the scale selected in the list.
class ElevationDialog : public ProjectionDialog
{
public:
    ElevationDialog(TOptions_Coupe& o, QWidget* parent)
        : ProjectionDialog(QStringLiteral("Ajuste de página del alzado"), HelpTopic::ViewOptions, parent)
        , m_target(&o)
    {
        auto* tabs = new QTabWidget(this);

        auto* horizontal = new Page;
        QFormLayout* f = horizontal->Group(QStringLiteral("Escala horizontal"));
        QCheckBox* show = Check(
            f, QStringLiteral("&Mostrar"), QStringLiteral("Affiche_Horizontale"), o.Affiche_Horizontale);
        Governs(show,
            { Real(f, QStringLiteral("&Xdev /m"), QStringLiteral("X_Horizontale"), o.X_Horizontale),
                Real(f, QStringLiteral("&Z /m"), QStringLiteral("Z_Horizontale"), o.Z_Horizontale),
                Integer(f, QStringLiteral("&Espesor (mm/10)"), QStringLiteral("Epaisseur_Horizontale"),
                    o.Epaisseur_Horizontale),
                Integer(f, QStringLiteral("&Longitud (m)"), QStringLiteral("Long_Horizontale"),
                    o.Long_Horizontale),
                Integer(f, QStringLiteral("&Anchura (mm)"), QStringLiteral("Largeur_Horizontale"),
                    o.Largeur_Horizontale),
                Integer(f, QStringLiteral("&Subdivisiones"), QStringLiteral("Pas_Horizontale"),
                    o.Pas_Horizontale),
                FontButton(f, QStringLiteral("Police_Horizontale"), o.Police_Horizontale) });
        tabs->addTab(horizontal, QStringLiteral("Escala horizontal"));

        auto* vertical = new Page;
        f = vertical->Group(QStringLiteral("Escalas verticales"));
        Integer(f, QStringLiteral("&Espesor (mm/10)"), QStringLiteral("Epaisseur_Verticale"),
            o.Epaisseur_Verticale);
        Integer(f, QStringLiteral("&Anchura (mm)"), QStringLiteral("Largeur_Verticale"), o.Largeur_Verticale);
        Integer(f, QStringLiteral("&Medida (m)"), QStringLiteral("Pas_Verticale"), o.Pas_Verticale);
        FontButton(f, QStringLiteral("Police_Verticale"), o.Police_Verticale);
        m_scales.assign(o.Verticales.begin(),
            o.Verticales.begin() + std::clamp<int>(o.NbVerticales, 0, TOptions_Coupe::kMaxVerticales));
        m_list = new QListWidget(this);
        m_list->setObjectName(QStringLiteral("Verticales"));
        for (const TVerticale& v : m_scales)
            m_list->addItem(FromCp1252(v.Nom_Echelle));
        f->addRow(m_list);
        auto* add = new QPushButton(QStringLiteral("&Agregar ..."), this);
        add->setObjectName(QStringLiteral("Agregar"));
        auto* remove = new QPushButton(QStringLiteral("&Eliminar"), this);
        remove->setObjectName(QStringLiteral("Eliminar"));
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(add);
        buttons->addWidget(remove);
        f->addRow(buttons);
        f = vertical->Group(QStringLiteral("Detalles"));
        m_details = f->parentWidget();
        auto detail = [&](const QString& caption, const QString& name) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(name);
            f->addRow(caption, edit);
            return edit;
        };
        m_x = detail(QStringLiteral("&Xdev /m"), QStringLiteral("X_Verticale"));
        m_offset = detail(QStringLiteral("&desajuste"), QStringLiteral("Decal_Verticale"));
        m_zMin = detail(QStringLiteral("&Zmin /m"), QStringLiteral("ZMin_Verticale"));
        m_zMax = detail(QStringLiteral("Z&max /m"), QStringLiteral("ZMax_Verticale"));
        m_left = new QCheckBox(QStringLiteral("&Graduaciones a la izquierda"), this);
        m_left->setObjectName(QStringLiteral("Gauche_Verticale"));
        f->addRow(m_left);
        m_name = detail(QStringLiteral("&Nombre"), QStringLiteral("Nom_Verticale"));
        m_number = detail(QStringLiteral("&Índice"), QStringLiteral("Indice_Verticale"));
        connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
            KeepDetails();
            m_shown = row;
            ShowDetails();
        });
        connect(add, &QPushButton::clicked, this, [this] { Add(); });
        connect(remove, &QPushButton::clicked, this, [this] { Remove(); });
        tabs->addTab(vertical, QStringLiteral("Escalas verticales"));

        auto* shots = new Page;
        TraitFields(shots, o.Trait,
            { "&Espesor (mm/10)", "% &dibujado", "Estaciones", "&Diámetro", "&Texto cruzado" });
        f = shots->Group(QStringLiteral("Contorno"));
        show = Check(
            f, QStringLiteral("Co&ntornear"), QStringLiteral("Afficher_Habillage"), o.Afficher_Habillage);
        Governs(show,
            { Integer(f, QStringLiteral("Espe&sor trazo(mm/10)"), QStringLiteral("Epaisseur_Habit"),
                o.Epaisseur_Habit) });
        f = shots->Group(QStringLiteral("Altura"));
        Integer(
            f, QStringLiteral("E&spesor (mm/10)"), QStringLiteral("Epaisseur_hauteur"), o.Epaisseur_hauteur);
        Choice(f, QStringLiteral("&Representación"), QStringLiteral("Representation_Hauteur"),
            { QStringLiteral("Ninguno"), QStringLiteral("Trazos"), QStringLiteral("Puntos") },
            o.Representation_Hauteur);
        tabs->addTab(shots, QStringLiteral("Visuales"));

        auto* print = new Page;
        f = print->Group(QStringLiteral("Impresión"));
        show = Check(f, QStringLiteral("&Bloquear el origen"), QStringLiteral("Origine"), o.Origine);
        Governs(show,
            { Real(f, QStringLiteral("&X/m"), QStringLiteral("X_Origine"), o.X_Origine),
                Real(f, QStringLiteral("&Z/m"), QStringLiteral("Z_Origine"), o.Z_Origine) });
        tabs->addTab(print, QStringLiteral("Impresión"));
        tabs->setMinimumWidth(tabs->tabBar()->sizeHint().width() + 20); // every tab in sight

        Finish(tabs, QStringLiteral("Validar"));
        m_list->setCurrentRow(m_scales.empty() ? -1 : 0);
        ShowDetails();
    }

    void StoreAll()
    {
        Store();
        KeepDetails();
        std::copy(m_scales.begin(), m_scales.end(), m_target->Verticales.begin());
        m_target->NbVerticales = static_cast<std::int16_t>(m_scales.size());
    }

private:
    void ShowDetails()
    {
        const bool any = m_shown >= 0 && static_cast<std::size_t>(m_shown) < m_scales.size();
        m_details->setEnabled(any);
        const TVerticale v = any ? m_scales[static_cast<std::size_t>(m_shown)] : TVerticale {};
        m_x->setText(ToQString(FormatG(v.X_Verticale, 9)));
        m_offset->setText(ToQString(FormatG(v.Decal_Verticale, 9)));
        m_zMin->setText(QString::number(v.ZMin_Verticale));
        m_zMax->setText(QString::number(v.ZMax_Verticale));
        m_left->setChecked(v.Gauche_Verticale);
        m_name->setText(FromCp1252(v.Nom_Verticale));
        m_number->setText(QString::number(v.Indice_Verticale));
    }
    void KeepDetails()
    {
        if (m_shown < 0 || static_cast<std::size_t>(m_shown) >= m_scales.size())
            return;
        TVerticale& v = m_scales[static_cast<std::size_t>(m_shown)];
        auto integer = [](const QLineEdit* e) {
            return static_cast<std::int16_t>(std::clamp<long long>(ToInt(ToUtf8(e->text())), -32768, 32767));
        };
        v.X_Verticale = ToReal(ToUtf8(m_x->text()));
        v.Decal_Verticale = ToReal(ToUtf8(m_offset->text()));
        v.ZMin_Verticale = integer(m_zMin);
        v.ZMax_Verticale = integer(m_zMax);
        v.Gauche_Verticale = m_left->isChecked();
        v.Nom_Verticale = ToCp1252(m_name->text()).substr(0, 50);
        v.Indice_Verticale = integer(m_number);
    }
    void Add()
    {
        if (m_scales.size() >= static_cast<std::size_t>(TOptions_Coupe::kMaxVerticales))
            return;
        const auto name = Prompt().Input(
            QStringLiteral("Nueva escala"), QStringLiteral("Nombre de la nueva escala"), QString());
        if (!name)
            return;
        TVerticale v;
        v.Nom_Echelle = ToCp1252(*name).substr(0, 10);
        m_scales.push_back(v);
        m_list->addItem(FromCp1252(v.Nom_Echelle));
        m_list->setCurrentRow(m_list->count() - 1);
    }
    void Remove()
    {
        const int row = m_list->currentRow();
        if (row < 0
            || Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
                   QStringLiteral("Eliminar la escala seleccionada ?"), Buttons::YesNo)
                != Answer::Yes)
            return;
        m_shown = -1; // the details of the removed scale are not kept
        m_scales.erase(m_scales.begin() + row);
        delete m_list->takeItem(row);
        m_shown = m_list->currentRow();
        ShowDetails();
    }

    TOptions_Coupe* m_target;
    std::vector<TVerticale> m_scales;
    int m_shown = -1;
    QListWidget* m_list;
    QWidget* m_details;
    QLineEdit *m_x, *m_offset, *m_zMin, *m_zMax, *m_name, *m_number;
    QCheckBox* m_left;
};

class MarginDialog : public TOptionForm
{
public:
    MarginDialog(TMarge& m, QWidget* parent, const QSizeF& paperMm)
        : TOptionForm(QStringLiteral("Márgenes"), HelpTopic::Printing, parent)
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

// Runs an option dialog on a record; the record changes only when the dialog is validated.
template <typename Dialog, typename Record, typename... Extra>
bool Edit(Record& record, QWidget* parent, const Extra&... extra)
{
    Dialog dialog(record, parent, extra...);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.StoreAll();
    return true;
}

} // namespace

bool EditerSugerencias(THintOptions& hints, QWidget* parent)
{
    TOptionForm dialog(QStringLiteral("Sugerencias en las vistas"), HelpTopic::Hints, parent);
    dialog.setObjectName(QStringLiteral("Sugerencias"));
    auto* page = new Page;
    QFormLayout* form = page->Group(QStringLiteral("Mostrar en las sugerencias"));
    THintOptions working = hints;
    const std::pair<const char*, bool*> pieces[]
        = { { "&Coordenadas", &working.Coordonnees }, { "Co&mentarios", &working.Commentaires },
              { "&Visuales", &working.Visees }, { "&Anchura", &working.Largeur },
              { "&Altura", &working.Hauteur }, { "&Deformación", &working.Deformation } };
    std::vector<QWidget*> boxes;
    for (const auto& [caption, field] : pieces)
        boxes.push_back(dialog.AddCheck(form, QString::fromUtf8(caption), *field));
    QCheckBox* nothing = dialog.AddCheck(form, QStringLiteral("&No mostrar nada"), working.Rien);
    auto apply = [nothing, boxes] {
        for (QWidget* box : boxes)
            box->setEnabled(!nothing->isChecked());
    };
    QObject::connect(nothing, &QCheckBox::toggled, nothing, apply);
    apply();
    dialog.FinishWith(page, QStringLiteral("Validar"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Store();
    hints = working;
    return true;
}

bool EditerPlan(TOptions_Plan& options, QWidget* parent)
{
    return Edit<PlanDialog>(options, parent);
}

bool EditerRelief(TOptions_Relief& options, QWidget* parent)
{
    return Edit<ReliefDialog>(options, parent);
}

bool EditerCoupe(TOptions_Coupe& options, QWidget* parent)
{
    return Edit<ElevationDialog>(options, parent);
}

bool EditerMarge(TMarge& margins, QWidget* parent, const QSizeF& paperMm)
{
    return Edit<MarginDialog>(margins, parent, paperMm);
}

} // namespace ks
