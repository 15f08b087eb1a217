// The form the option dialogs are built from: fields, fonts, colours, model files.
#include "options/ui/option_form.h"

#include "bridge/qt_text.h"
#include "model/text_utils.h"
#include "options/options.h"
#include "ui/prompt.h"
#include "views/graphique.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace ks {

TOptionForm::TOptionForm(const QString& title, HelpTopic topic, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    SetHelpTopic(this, topic);
}

void TOptionForm::Store() const
{
    for (const auto& store : m_store)
        store();
}

QCheckBox* TOptionForm::Check(QFormLayout* form, const QString& caption, const QString& name, bool& field)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setChecked(field);
    form->addRow(box);
    m_store.push_back([box, &field] { field = box->isChecked(); });
    return box;
}

QLineEdit* TOptionForm::Integer(
    QFormLayout* form, const QString& caption, const QString& name, std::int16_t& field)
{
    auto* edit = new QLineEdit(QString::number(field), this);
    edit->setObjectName(name);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
    form->addRow(caption, edit);
    m_store.push_back([edit, &field] {
        field = static_cast<std::int16_t>(std::clamp<long long>(ToInt(ToUtf8(edit->text())), 0, 32767));
    });
    return edit;
}

QLineEdit* TOptionForm::Real(QFormLayout* form, const QString& caption, const QString& name, double& field)
{
    auto* edit = new QLineEdit(ToQString(FormatG(field, 9)), this);
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9.]*")), edit));
    form->addRow(caption, edit);
    m_store.push_back([edit, &field] { field = ToReal(ToUtf8(edit->text())); });
    return edit;
}

QLineEdit* TOptionForm::Text(
    QFormLayout* form, const QString& caption, const QString& name, std::string& field, int length)
{
    auto* edit = new QLineEdit(FromCp1252(field), this);
    edit->setObjectName(name);
    edit->setMaxLength(length);
    form->addRow(caption, edit);
    m_store.push_back([edit, &field] { field = ToCp1252(edit->text()); });
    return edit;
}

QComboBox* TOptionForm::Choice(QFormLayout* form, const QString& caption, const QString& name,
    const QStringList& items, std::int16_t& field)
{
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->addItems(items);
    box->setCurrentIndex(std::clamp<int>(field, 0, static_cast<int>(items.size()) - 1));
    form->addRow(caption, box);
    m_store.push_back([box, &field] { field = static_cast<std::int16_t>(box->currentIndex()); });
    return box;
}

bool ChooseFont(TPolice& font, QWidget* parent)
{
    QFont initial(FromCp1252(font.Name));
    initial.setPointSize(std::max(1, font.Size()));
    initial.setBold(font.Style & 1);
    initial.setItalic(font.Style & 2);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return false;
    font.Name = ToCp1252(chosen.family());
    font.SetSize(chosen.pointSize() > 0 ? chosen.pointSize() : 8);
    font.Style = static_cast<std::uint8_t>((chosen.bold() ? 1 : 0) | (chosen.italic() ? 2 : 0)
        | (chosen.underline() ? 4 : 0) | (chosen.strikeOut() ? 8 : 0));
    return true;
}

QPushButton* TOptionForm::FontButton(QFormLayout* form, const QString& name, TPolice& font)
{
    auto* button = new QPushButton(QStringLiteral("&Fuente ..."), this);
    button->setObjectName(name);
    form->addRow(button);
    // The dialog works on a copy; the record's font changes only on confirmation.
    auto working = std::make_shared<TPolice>(font);
    connect(button, &QPushButton::clicked, this, [this, working] { ChooseFont(*working, this); });
    m_store.push_back([working, &font] { font = *working; });
    return button;
}

namespace {

// The colour glyph of a button: a grey outline, then the colour outlined in black.
QIcon ColourGlyph(std::int32_t colour)
{
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 15, 15);
    p.setPen(Qt::black);
    p.setBrush(WindowsColour(colour));
    p.drawRect(1, 1, 13, 13);
    return QIcon(glyph);
}

} // namespace

QPushButton* TOptionForm::ColourButton(
    QFormLayout* form, const QString& caption, const QString& name, std::int32_t& field)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setIcon(ColourGlyph(field));
    form->addRow(button);
    auto working = std::make_shared<std::int32_t>(field);
    connect(button, &QPushButton::clicked, this, [this, button, working] {
        const std::optional<QColor> chosen = Prompt().Colour(WindowsColour(*working));
        if (!chosen || !chosen->isValid())
            return;
        *working = static_cast<std::int32_t>(chosen->red() | (chosen->green() << 8) | (chosen->blue() << 16));
        button->setIcon(ColourGlyph(*working));
    });
    m_store.push_back([working, &field] { field = *working; });
    return button;
}

void TOptionForm::Finish(QWidget* content, const QString& okCaption)
{
    auto* ok = new QPushButton(okCaption, this);
    ok->setObjectName(okCaption);
    auto* cancel = new QPushButton(QStringLiteral("Deshacer"), this);
    cancel->setObjectName(QStringLiteral("Deshacer"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content);
    layout->addLayout(buttons);
}

} // namespace ks
