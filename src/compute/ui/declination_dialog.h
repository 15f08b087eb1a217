#pragma once
// The declination dialog and its convergence calculator.

#include <QDialog>

#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;
class TMassif;

namespace ks {

// "Declinaciones": the massif's declination model and its geodesic angle.
class TDeclinationDialog : public QDialog
{
public:
    TDeclinationDialog(const TMassif& massif, const std::string& settingsFolder, QWidget* parent = nullptr);

    // Checks the fields in turn; on a failure shows its message and focuses the field.
    bool Validate();
    // Stores the values into the massif; true when the geodesic angle was changed.
    bool Store(TMassif& massif) const;

    QLineEdit* Valeur = nullptr; // "&Valor inicial"
    QLineEdit* Date = nullptr; // "&Fecha"
    QLineEdit* Variation = nullptr; // "Dec&recimiento anual"
    QLineEdit* Geodesique = nullptr; // geodesic "V&alor"

private:
    const TMassif& m_massif;
    std::string m_settingsFolder;
    bool m_geodesicChanged = false;
};

// "Convergencia de los meridianos": the angle between grid north and the line from the massif's
// centre to the point where a conic projection's meridians meet.
class TConvergenceDialog : public QDialog
{
public:
    TConvergenceDialog(const std::vector<std::pair<std::string, std::pair<double, double>>>& projections,
        double centreXKm, double centreYKm, QWidget* parent = nullptr);

    // Checks the four values and asks to keep the convergence; true (with Result) when kept.
    bool Calculate();
    double Result = 0;

    QComboBox* Projection = nullptr; // "&Projección"
    QLineEdit* X = nullptr; // "&X /km" of the projection's point
    QLineEdit* Y = nullptr;
    QLineEdit* CentreX = nullptr; // the massif's centre, km
    QLineEdit* CentreY = nullptr;

private:
    std::vector<std::pair<std::string, std::pair<double, double>>> m_projections;
    double m_centreX, m_centreY;
};

// The projection table "projection.txt" of the settings folder: name TAB X TAB Y (km) per line.
std::vector<std::pair<std::string, std::pair<double, double>>> ReadProjections(const std::string& path);

} // namespace ks
