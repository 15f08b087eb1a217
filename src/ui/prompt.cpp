// The prompt service with Qt: message boxes, questions, file, colour and print dialogs.
#include "ui/prompt.h"
#include "bridge/qt_text.h"
#include "ui/help.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTranslator>
#include <QVBoxLayout>

#include <memory>
#include <new>

namespace ks {

namespace {

TQtPrompt& QtPrompt()
{
    static TQtPrompt prompt;
    return prompt;
}

IPrompt* g_prompt = nullptr;

QWidget* Parent()
{
    return QApplication::activeWindow();
}

} // namespace

IPrompt& Prompt()
{
    return g_prompt ? *g_prompt : QtPrompt();
}

void SetPrompt(IPrompt* prompt)
{
    g_prompt = prompt;
}

QString ChooseExportFile(
    const QString& caption, const QString& folder, const QString& filter, const QString& extension)
{
    QString name = Prompt().SaveFileName(caption, folder, filter);
    if (name.isEmpty())
        return name;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".") + extension;
    if (QFileInfo::exists(name)
        && Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
               QStringLiteral("El archivo %1 ya existe.\n¿Sobreescribir?").arg(QFileInfo(name).fileName()),
               Buttons::YesNo)
            != Answer::Yes)
        return QString();
    return name;
}

QString ShownText(const std::string& text)
{
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

Answer TQtPrompt::Ask(MessageKind kind, const QString& title, const QString& text, Buttons buttons)
{
    QMessageBox box(Parent());
    box.setWindowTitle(title);
    box.setText(text);
    switch (kind) {
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::OkNo:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::No);
        break;
    case Buttons::YesCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

bool TQtPrompt::CalculationProblem(const QString& text)
{
    QDialog dialog(Parent());
    dialog.setWindowTitle(QStringLiteral("Problema de calculo"));
    SetHelpTopic(&dialog, HelpTopic::Computation);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(text, &dialog));
    auto* check = new QCheckBox(QStringLiteral("&No mostrar más"), &dialog);
    check->setObjectName(QStringLiteral("NoMostrar"));
    layout->addWidget(check);
    auto* close = new QPushButton(QStringLiteral("Cerrar"), &dialog);
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(close);
    dialog.exec();
    return check->isChecked();
}

bool TQtPrompt::Question(const TQuestion& question)
{
    QDialog dialog(Parent());
    dialog.setWindowTitle(ToQString(question.Title));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(ToQString(question.Text), &dialog));
    layout->addWidget(new QLabel(ToQString(question.Prompt), &dialog));
    auto* list = new QListWidget(&dialog);
    for (const auto& line : question.Details)
        list->addItem(ToQString(line));
    list->setVisible(false);
    auto* buttons = new QDialogButtonBox(&dialog);
    auto* yes = buttons->addButton(ToQString(question.Yes), QDialogButtonBox::AcceptRole);
    buttons->addButton(ToQString(question.No), QDialogButtonBox::RejectRole);
    if (!question.Details.empty()) {
        auto* more = buttons->addButton(QStringLiteral("Lista de galerías >>"), QDialogButtonBox::ActionRole);
        QObject::connect(more, &QPushButton::clicked, list, [list] { list->setVisible(true); });
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    layout->addWidget(list);
    yes->setDefault(true);
    return dialog.exec() == QDialog::Accepted;
}

QString TQtPrompt::OpenFileName(
    const QString& caption, const QString& directory, const QString& filter, QString* selectedFilter)
{
    return QFileDialog::getOpenFileName(Parent(), caption, directory, filter, selectedFilter);
}

QString TQtPrompt::SaveFileName(
    const QString& caption, const QString& start, const QString& filter, QString* selectedFilter)
{
    return QFileDialog::getSaveFileName(
        Parent(), caption, start, filter, selectedFilter, QFileDialog::DontConfirmOverwrite);
}

std::optional<QString> TQtPrompt::Input(const QString& title, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(Parent(), title, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

std::optional<QColor> TQtPrompt::Colour(const QColor& initial)
{
    const QColor colour = QColorDialog::getColor(initial, Parent());
    return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
}

bool TQtPrompt::PrinterSetup(QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, Parent());
    return dialog.exec() == QDialog::Accepted;
}

bool TQtPrompt::PrintDialog(QPrinter& printer, int maxPage, int& first, int& last, int& copies)
{
    QPrintDialog dialog(&printer, Parent());
    dialog.setMinMax(1, maxPage);
    dialog.setFromTo(1, maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (printer.printRange() == QPrinter::PageRange) {
        first = printer.fromPage();
        last = printer.toPage();
    } else {
        first = last = 0;
    }
    copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1); // the copies are printed by the job itself
    return true;
}

void TPromptReporter::Message(MessageKind kind, const std::string& text)
{
    Prompt().Ask(kind, QStringLiteral("Karstelle"), ShownText(text), Buttons::Ok);
}

bool TPromptReporter::AskContinue(const TQuestion& question)
{
    if (question.Title.empty() && question.Details.empty() && question.Yes == "OK")
        return Prompt().Ask(
                   MessageKind::Warning, QStringLiteral("Karstelle"), ShownText(question.Text), Buttons::OkNo)
            == Answer::Ok;
    return Prompt().Question(question);
}

QString ErrorText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QStringLiteral("Memoria insuficiente: la operación no se ha podido terminar.");
    return QString::fromUtf8(error.what());
}

void Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        Prompt().Error(ErrorText(e));
    } catch (...) {
        Prompt().Error(QStringLiteral("Error desconocido: la operación no se ha podido terminar."));
    }
}

bool InstallQtSpanish()
{
    static QTranslator* spanish = nullptr; // lives as long as the application
    if (spanish)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    spanish = translator.release();
    QCoreApplication::installTranslator(spanish);
    return true;
}

namespace {

class TDialogFitter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QDialog*>(watched);
                dialog && !dialog->property("fitted").toBool())
                Fit(*dialog);
        return false;
    }

private:
    static void Fit(QDialog& dialog)
    {
        dialog.setProperty("fitted", true);
        for (QFormLayout* form : dialog.findChildren<QFormLayout*>())
            for (int row = 0; row < form->rowCount(); ++row)
                if (QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole))
                    if (auto* label = qobject_cast<QLabel*>(item->widget()))
                        label->setMinimumWidth(
                            label->sizeHint().width() + label->fontMetrics().averageCharWidth() / 2 + 1);
        // The title bar also holds the window's icon and its buttons: about six characters more,
        // and window managers often write titles in bold.
        QFont titleFont = dialog.font();
        titleFont.setBold(true);
        const QFontMetrics metrics(titleFont);
        const int title = metrics.horizontalAdvance(dialog.windowTitle()) + 6 * metrics.averageCharWidth()
            + 3 * metrics.height();
        if (dialog.width() < title) {
            dialog.setMinimumWidth(title);
            dialog.resize(title, dialog.height());
        }
    }
};

} // namespace

void FitDialogsToTheirTexts()
{
    static TDialogFitter* fitter = nullptr; // lives as long as the application
    if (!fitter && QCoreApplication::instance()) {
        fitter = new TDialogFitter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(fitter);
    }
}

} // namespace ks
