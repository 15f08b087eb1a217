#pragma once
// A form of option fields bound to a record, shared by the option dialogs.

#include "ui/help.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
struct TPolice;

namespace ks {

// The font dialog on a font of the options; true, with the font changed, when confirmed.
bool ChooseFont(TPolice& font, QWidget* parent);

// Base of the option dialogs: boxes bound to fields of a working copy of the record, with the
// key filters of the description (integer boxes take digits only; real boxes digits, "." and
// "-"); a box that holds no number reads as 0. Store() writes every box back.
class TOptionForm : public QDialog
{
public:
    // `topic` is the manual's chapter that F1 opens on the dialog.
    TOptionForm(const QString& title, HelpTopic topic, QWidget* parent = nullptr);
    void Store() const;
    // For a dialog built from outside: a check box on a field, and the buttons under the content.
    QCheckBox* AddCheck(QFormLayout* form, const QString& caption, bool& field)
    {
        QString name = caption;
        return Check(form, caption, name.remove(QLatin1Char('&')), field);
    }
    void FinishWith(QWidget* content, const QString& okCaption) { Finish(content, okCaption); }

protected:
    QCheckBox* Check(QFormLayout* form, const QString& caption, const QString& name, bool& field);
    QLineEdit* Integer(QFormLayout* form, const QString& caption, const QString& name, std::int16_t& field);
    QLineEdit* Real(QFormLayout* form, const QString& caption, const QString& name, double& field);
    QLineEdit* Text(
        QFormLayout* form, const QString& caption, const QString& name, std::string& field, int length);
    QComboBox* Choice(QFormLayout* form, const QString& caption, const QString& name,
        const QStringList& items, std::int16_t& field);
    QPushButton* FontButton(QFormLayout* form, const QString& name, TPolice& font);
    // A "Color ..." button on a Windows colour (00BBGGRR), showing the colour as its glyph.
    QPushButton* ColourButton(
        QFormLayout* form, const QString& caption, const QString& name, std::int32_t& field);
    // "Validar"/"Guardar" and "Deshacer" under the given content.
    void Finish(QWidget* content, const QString& okCaption);

private:
    std::vector<std::function<void()>> m_store;
};

} // namespace ks
