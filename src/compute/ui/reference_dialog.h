#pragma once
// The reference points dialog.

#include <QDialog>

#include <memory>
#include <vector>

class QTableWidget;
class TPointTopo;

namespace ks {

// "Puntos de referencia": the reference points in a grid (name, number, X and Y in kilometres,
// Z in metres). "Validar" checks every named row and closes; the caller then rebuilds the massif's
// references from Points().
class TReferenceDialog : public QDialog
{
public:
    TReferenceDialog(const std::vector<std::unique_ptr<TPointTopo>>& references, QWidget* parent = nullptr);

    // The rows that have a name, as typed (X and Y still in kilometres).
    std::vector<std::unique_ptr<TPointTopo>> Points() const;
    QTableWidget* Grid() const { return m_grid; }
    // Checks every named row; selects the first faulty cell and says so. True when all are good.
    bool Validate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnsureSpareRows();
    void RemoveCurrentRow();

    QTableWidget* m_grid;
};

} // namespace ks
