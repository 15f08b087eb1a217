// The help window over the bundled manual, and F1 on any window.
#include "ui/help.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <iterator>

namespace ks {

namespace {

// Anchors in the order of HelpTopic.
constexpr const char* kAnchors[] = {
    "indice",
    "primeros-pasos",
    "ventana-principal",
    "atajos",
    "explorador",
    "ficha",
    "estaciones",
    "informaciones",
    "topografos",
    "preferencias-de-captura",
    "nuevo-elemento",
    "calculo",
    "puntos-de-referencia",
    "declinaciones",
    "planta",
    "rotacion",
    "alzado",
    "ramales",
    "perspectiva",
    "vista-3d",
    "tabla",
    "opciones-de-las-vistas",
    "sugerencias",
    "impresion",
    "intercambio",
    "estadisticas",
    "busqueda",
    "archivos-de-opciones",
    "linea-de-ordenes",
    "errores-de-cierre",
};
static_assert(std::size(kAnchors) == static_cast<size_t>(HelpTopic::Screening) + 1);

constexpr const char* kTopicProperty = "karstelleHelpTopic";

// A reading window: the manual in a browser, with the contents and the way back and forth.
class THelpWindow : public QWidget
{
public:
    THelpWindow()
    {
        setWindowTitle(QStringLiteral("Ayuda de Karstelle"));
        setObjectName(QStringLiteral("Ayuda"));
        SetHelpTopic(this, HelpTopic::Contents);
        m_browser = new QTextBrowser(this);
        m_browser->setOpenExternalLinks(true);
        auto* bar = new QToolBar(this);
        bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        QAction* contents = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon),
            QStringLiteral("Índice"), this, [this] { m_browser->setSource(HelpUrl(HelpTopic::Contents)); });
        QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Atrás"),
            m_browser, &QTextBrowser::backward);
        QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
            QStringLiteral("Adelante"), m_browser, &QTextBrowser::forward);
        contents->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
        back->setShortcut(QKeySequence::Back);
        forward->setShortcut(QKeySequence::Forward);
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(bar);
        layout->addWidget(m_browser);
        resize(860, 680);
    }

    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

QPointer<QWidget> g_owner;
QPointer<THelpWindow> g_window;

// F1 anywhere: the help at the topic of the widget that has the keyboard.
class THelpKey : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !watched->isWidgetType())
            return false;
        ShowHelp(HelpTopicOf(static_cast<QWidget*>(watched)));
        return true;
    }
};

} // namespace

const char* HelpAnchor(HelpTopic topic)
{
    return kAnchors[static_cast<size_t>(topic)];
}

std::vector<HelpTopic> AllHelpTopics()
{
    std::vector<HelpTopic> topics;
    for (size_t i = 0; i < std::size(kAnchors); ++i)
        topics.push_back(static_cast<HelpTopic>(i));
    return topics;
}

QUrl ManualUrl()
{
    return QUrl(QStringLiteral("qrc:/docs/manual/manual.html"));
}

QUrl HelpUrl(HelpTopic topic)
{
    QUrl url = ManualUrl();
    url.setFragment(QString::fromLatin1(HelpAnchor(topic)));
    return url;
}

void SetHelpTopic(QWidget* widget, HelpTopic topic)
{
    widget->setProperty(kTopicProperty, static_cast<int>(topic));
}

HelpTopic HelpTopicOf(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QVariant topic = widget->property(kTopicProperty);
        if (topic.isValid())
            return static_cast<HelpTopic>(topic.toInt());
    }
    return HelpTopic::Contents;
}

void InstallHelp(QWidget* owner)
{
    g_owner = owner;
    qApp->installEventFilter(new THelpKey(owner));
    QObject::connect(owner, &QObject::destroyed, [] { delete g_window; });
}

void ShowHelp(HelpTopic topic)
{
    if (!g_window) {
        g_window = new THelpWindow;
        if (!g_owner)
            g_window->setAttribute(Qt::WA_DeleteOnClose);
    }
    THelpWindow* window = g_window;
    const QUrl url = HelpUrl(topic);
    if (window->Browser()->source() == url) // the same topic again: back to its start
        window->Browser()->scrollToAnchor(url.fragment());
    else
        window->Browser()->setSource(url);
    // Opened from a modal dialog, the help is that dialog's transient child, so that the dialog's
    // modality does not block it and it stays above the dialog.
    QWidget* modal = QApplication::activeModalWidget();
    window->winId();
    auto keepAbove = [window, modal] {
        if (QWindow* handle = window->windowHandle())
            handle->setTransientParent(modal && modal != window ? modal->windowHandle() : nullptr);
    };
    keepAbove();
    window->show();
    keepAbove();
    window->raise();
    window->activateWindow();
}

QUrl ShownHelp()
{
    return g_window ? g_window->Browser()->source() : QUrl();
}

} // namespace ks
