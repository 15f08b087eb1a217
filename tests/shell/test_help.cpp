// The bundled manual and the help key: every topic the windows name exists in the manual, the
// manual's links and pictures resolve, F1 opens the topic of the window that has the keyboard
// (above a modal dialog too), and the start-up chime never speaks up.
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"
#include "ui/help.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QWindow>

#include <set>

using namespace ks;
using namespace ks::test;

namespace {

const std::string kManual = std::string(KARST_SOURCE_DIR) + "/docs/manual/manual.html";

std::vector<QString> Matches(const QString& text, const QString& pattern)
{
    std::vector<QString> found;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        found.push_back(it.next().captured(1));
    return found;
}

void PressF1(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

QTextBrowser* HelpBrowser()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("Ayuda"))
            return top->findChild<QTextBrowser*>();
    return nullptr;
}

// A short valid wave file: 8-bit mono silence.
std::string Wave()
{
    auto le = [](uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xff);
        return s;
    };
    const uint32_t samples = 800;
    return "RIFF" + le(36 + samples, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4)
        + le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(samples, 4) + std::string(samples, '\x80');
}

} // namespace

TEST(Manual, HasEveryTopicAndResolvesItsLinksAndPictures)
{
    const QString html = QString::fromStdString(ReadFile(kManual));
    ASSERT_FALSE(html.isEmpty());
    const std::vector<QString> ids = Matches(html, QStringLiteral("id=\"([^\"]+)\""));
    const std::set<QString> anchors(ids.begin(), ids.end());
    EXPECT_EQ(anchors.size(), ids.size()) << "an anchor appears twice";
    for (HelpTopic topic : AllHelpTopics())
        EXPECT_TRUE(anchors.count(QString::fromLatin1(HelpAnchor(topic)))) << HelpAnchor(topic);
    for (const QString& link : Matches(html, QStringLiteral("href=\"#([^\"]+)\"")))
        EXPECT_TRUE(anchors.count(link)) << link.toStdString();
    // The pictures, read from docs/ in a browser and from the program's resources in the help.
    const std::vector<QString> pictures = Matches(html, QStringLiteral("<img src=\"([^\"]+)\""));
    EXPECT_GE(pictures.size(), 10u);
    for (const QString& picture : pictures) {
        const QString resource = ManualUrl().resolved(QUrl(picture)).path();
        EXPECT_TRUE(QFile::exists(QStringLiteral(":") + resource)) << picture.toStdString();
        EXPECT_TRUE(
            QFile::exists(QString::fromStdString(std::string(KARST_SOURCE_DIR) + "/docs/manual/") + picture))
            << picture.toStdString();
    }
}

TEST(Manual, OpensAtEachTopicInTheHelpWindow)
{
    TempDir home;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.show();
    w.Action("Ayuda")->trigger();
    QTextBrowser* browser = HelpBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(ShownHelp().fragment(), QStringLiteral("indice"));
    EXPECT_TRUE(browser->window()->isVisible());
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Manual de Karstelle")));
    EXPECT_EQ(w.Action("Ayuda")->shortcut(), QKeySequence(Qt::Key_F1));

    // Qt's reading of the manual knows every topic as an anchor, so that each one scrolls.
    std::set<QString> known;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (const QString& name : block.charFormat().anchorNames())
            known.insert(name);
        for (auto it = block.begin(); !it.atEnd(); ++it)
            for (const QString& name : it.fragment().charFormat().anchorNames())
                known.insert(name);
    }
    for (HelpTopic topic : AllHelpTopics())
        EXPECT_TRUE(known.count(QString::fromLatin1(HelpAnchor(topic)))) << HelpAnchor(topic);

    ShowHelp(HelpTopic::Table);
    EXPECT_EQ(ShownHelp().fragment(), QStringLiteral("tabla"));
    EXPECT_GT(browser->verticalScrollBar()->value(), 0) << "the topic is scrolled into view";
}

TEST(Manual, F1OpensTheTopicOfTheWindowWithTheKeyboard)
{
    TempDir home;
    WriteFile(home.Path("cueva.mas"), ReadFile(kSample));
    ScriptedPrompt prompt;
    prompt.declineUnexpected = true;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.resize(1000, 700);
    w.show();
    PressF1(&w);
    EXPECT_EQ(ShownHelp().fragment(), QStringLiteral("ventana-principal"));

    w.OpenMassif(QString::fromStdString(home.Path("cueva.mas")));
    ASSERT_TRUE(WaitUntil([&w] { return w.Massif() && w.Massif()->Computed; }));
    const std::pair<int, const char*> views[]
        = { { TAfficheur::kPlan, "planta" }, { TAfficheur::kAlzado, "alzado" },
              { TAfficheur::kPerspectiva, "perspectiva" }, { TAfficheur::kTabla, "tabla" } };
    for (const auto& [kind, anchor] : views) {
        TAfficheur* view = w.OpenViewWindow(kind);
        ASSERT_NE(view, nullptr);
        // The drawing inside the view window has the keyboard.
        QWidget* inner = view->findChildren<QWidget*>().value(0, view);
        PressF1(inner);
        EXPECT_EQ(ShownHelp().fragment(), QString::fromLatin1(anchor));
    }
    PressF1(w.OpenExplorer());
    EXPECT_EQ(ShownHelp().fragment(), QStringLiteral("explorador"));
    // Other keys, and F1 with a modifier, are left to the widgets.
    QKeyEvent shifted(QEvent::KeyPress, Qt::Key_F1, Qt::ShiftModifier);
    QApplication::sendEvent(&w, &shifted);
    EXPECT_EQ(ShownHelp().fragment(), QStringLiteral("explorador"));

    // Inside a modal dialog the help opens at the dialog's topic and is not blocked by it.
    bool seen = false;
    OnNextDialog([&seen](QWidget& dialog) {
        PressF1(dialog.focusWidget() ? dialog.focusWidget() : &dialog);
        seen = true;
        EXPECT_EQ(ShownHelp().fragment(), QStringLiteral("sugerencias"));
        QTextBrowser* browser = HelpBrowser();
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(browser->window()->windowHandle()->transientParent(), dialog.windowHandle());
        static_cast<QDialog&>(dialog).reject();
    });
    w.Action("Sugerencias")->trigger();
    EXPECT_TRUE(seen);
}

// A missing chime and a chime played on a machine without sound both start silently.
TEST(Chime, StartsAndAsksWithoutAMessage)
{
    TempDir home, program;
    ScriptedPrompt prompt;
    {
        TMainWindow w(QString::fromStdString(home.Path("")));
        w.SetProgramFolder(QString::fromStdString(program.Path("")));
        w.show();
        w.OpenAtStart(QString());
        QCoreApplication::processEvents();
    }
    WriteFile(program.Path("Grelot.wav"), Wave());
    WriteFile(home.Path("cueva.mas"), ReadFile(kSample));
    {
        TMainWindow w(QString::fromStdString(home.Path("")));
        w.SetProgramFolder(QString::fromStdString(program.Path("")));
        w.show();
        w.OpenAtStart(QString::fromStdString(home.Path("cueva.mas")));
        ASSERT_TRUE(WaitUntil([&w] { return w.Massif() && w.Massif()->Computed; }));
        // The chime before the save question, then the question itself.
        w.Massif()->Saved = false;
        prompt.answers = { Answer::No };
        EXPECT_TRUE(w.AskSave(true));
        WaitUntil([] { return false; }, 300);
    }
    // A file that is not a wave stays silent too.
    WriteFile(program.Path("Grelot.wav"), "no es un sonido");
    {
        TMainWindow w(QString::fromStdString(home.Path("")));
        w.SetProgramFolder(QString::fromStdString(program.Path("")));
        w.show();
        w.OpenAtStart(QString());
        WaitUntil([] { return false; }, 300);
    }
    ASSERT_EQ(prompt.shown.size(), 1u) << "only the save question";
    EXPECT_TRUE(prompt.shown[0].text.contains(QStringLiteral("guardar")));
}
