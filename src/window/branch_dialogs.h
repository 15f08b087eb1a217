#pragma once
// The dialogs of the developed elevation's branch commands: a new or shifted branch, the choice
// among candidate galleries, and the elevation assistant.

#include <QDialog>
#include <QStringList>

#include <optional>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class TMassif;

namespace ks {

// "Nuevo ramal" (with the point the branch starts at) or "Desplazar un ramal" (offsets only).
class TBranchDialog : public QDialog
{
public:
    // startPoint and endPoint: the gallery's two ends as the radio items show them; empty for the
    // shift dialog, which has no point to choose and no direction.
    TBranchDialog(const QString& title, const QString& startPoint, const QString& endPoint, double x,
        double z, QWidget* parent = nullptr);

    double X() const;
    double Z() const;
    bool Forward() const;
    bool FromStart() const;

    void accept() override; // refuses offsets that are not numbers

private:
    QLineEdit* m_x;
    QLineEdit* m_z;
    QCheckBox* m_forward;
    QRadioButton* m_start;
};

// A list of items to choose one from; the chosen index, or nothing when cancelled.
std::optional<int> ChooseFromList(const QString& title, const QStringList& items, QWidget* parent);

// "Asistente de construcción de alzado": builds a branch from a departure to an arrival.
class TAssistantDialog : public QDialog
{
public:
    // The departure proposed from the selected gallery, if any; the massif is changed by
    // "Construir" only.
    TAssistantDialog(TMassif& massif, QWidget* parent = nullptr);
    // Fills the departure from a gallery in the elevation: its far point, its direction and offsets.
    void Propose(const QString& name, int number, bool forward, double x, double z);
    bool Built() const { return m_built; }

private:
    void PlusLoin(bool deepest);
    void Construire();
    void Find(QLineEdit* name, QLineEdit* number);

    TMassif& m_massif;
    QLineEdit* m_fromName;
    QLineEdit* m_fromNumber;
    QLineEdit* m_toName;
    QLineEdit* m_toNumber;
    QCheckBox* m_new;
    QLineEdit* m_x;
    QLineEdit* m_z;
    QCheckBox* m_forward;
    QCheckBox* m_blind;
    bool m_built = false;
};

} // namespace ks
