// karstelle: the desktop application.
//   karstelle [MASSIF] [--plan] [--screenshot PNG]
// --plan opens the plan window once the massif is computed.
// --screenshot saves a picture of the window once the massif is open and computed, then quits
// (for the documentation and for checks under Xvfb).
#include "bridge/qt_text.h"
#include "bridge/settings_dir.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "ui/prompt.h"
#include "window/support_gl.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <clocale>

namespace {

// Every event runs inside the application's guard: an exception that a command let through
// becomes the standard error box instead of ending the program.
class TApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        bool handled = false;
        ks::Guarded([&] { handled = QApplication::notify(receiver, event); });
        return handled;
    }
};

} // namespace

int main(int argc, char** argv)
{
    ks::UseCompatibilityOpenGL();
    TApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Karstelle"));
    ks::InstallQtSpanish();
    ks::FitDialogsToTheirTexts();
    // Numbers use "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    QString file, screenshot;
    bool plan = false;
    const QStringList arguments = QApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--screenshot") && i + 1 < arguments.size())
            screenshot = arguments[++i];
        else if (arguments[i] == QStringLiteral("--plan"))
            plan = true;
        else
            file = arguments[i];
    }

    ks::TMainWindow window(ks::ToQString(ks::SettingsDirectory()));
    window.show();
    // The massif named on the command line opens once the window is shown.
    QTimer::singleShot(0, &window, [&window, file] { window.OpenAtStart(file); });
    if (!screenshot.isEmpty() || plan) {
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, screenshot, plan] {
            if (window.Computation().Running() || (window.Massif() && !window.Massif()->Computed))
                return;
            poll->stop();
            if (plan)
                window.OpenPlanWindow();
            if (!screenshot.isEmpty()) {
                window.grab().save(screenshot);
                QApplication::exit(0);
            }
        });
        poll->start(200);
    }
    return QApplication::exec();
}
