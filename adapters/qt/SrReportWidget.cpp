#include "adapters/qt/SrReportWidget.h"

#include <srctrl/ReportSurface.h>
#include <srctrl/Spelling.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWheelEvent>

#include <optional>
#include <utility>

namespace {

srctrl::Modifiers ModifiersOf(Qt::KeyboardModifiers qt)
{
    srctrl::Modifiers modifiers = srctrl::Modifiers::Plain;
    if (qt & Qt::ShiftModifier) {
        modifiers = modifiers | srctrl::Modifiers::Shift;
    }
    if (qt & Qt::ControlModifier) {
        modifiers = modifiers | srctrl::Modifiers::Ctrl;
    }
    if (qt & Qt::AltModifier) {
        modifiers = modifiers | srctrl::Modifiers::Alt;
    }
    return modifiers;
}

std::optional<srctrl::MouseButton> ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return srctrl::MouseButton::Left;
    case Qt::RightButton:
        return srctrl::MouseButton::Right;
    case Qt::MiddleButton:
        return srctrl::MouseButton::Middle;
    default:
        return std::nullopt;
    }
}

// The page's own keys: those that edit or move rather than type. Tab is the focus chain's.
std::optional<srctrl::Key> EditingKeyOf(int key)
{
    switch (key) {
    case Qt::Key_Backspace:
        return srctrl::Key::Backspace;
    case Qt::Key_Delete:
        return srctrl::Key::Delete;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return srctrl::Key::Enter;
    case Qt::Key_Escape:
        return srctrl::Key::Escape;
    case Qt::Key_Up:
        return srctrl::Key::Up;
    case Qt::Key_Down:
        return srctrl::Key::Down;
    case Qt::Key_Left:
        return srctrl::Key::Left;
    case Qt::Key_Right:
        return srctrl::Key::Right;
    case Qt::Key_Home:
        return srctrl::Key::Home;
    case Qt::Key_End:
        return srctrl::Key::End;
    case Qt::Key_PageUp:
        return srctrl::Key::PageUp;
    case Qt::Key_PageDown:
        return srctrl::Key::PageDown;
    default:
        return std::nullopt;
    }
}

// What a key press asks of the page: a key, a shortcut (a letter with Ctrl or Alt), or text.
struct KeyAction {
    std::optional<srctrl::Key> key;
    QString text;
};

KeyAction ActionOf(const QKeyEvent& event)
{
    if (std::optional<srctrl::Key> key = EditingKeyOf(event.key())) {
        return {key, {}};
    }
    const bool chord = (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (chord && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
        return {static_cast<srctrl::Key>(static_cast<int>(srctrl::Key::A) + (event.key() - Qt::Key_A)), {}};
    }
    const QString text = event.text();
    if (!chord && !text.isEmpty() && text.at(0).category() != QChar::Other_Control) {
        return {std::nullopt, text};
    }
    return {};
}

// The keys that a text field takes before the host's shortcuts do, as Qt's own text fields.
bool IsEditingShortcut(const QKeyEvent& event)
{
    const KeyAction action = ActionOf(event);
    if (!action.text.isEmpty()) {
        return true;
    }
    if (!action.key) {
        return false;
    }
    switch (*action.key) {
    case srctrl::Key::A:
    case srctrl::Key::C:
    case srctrl::Key::V:
    case srctrl::Key::X:
    case srctrl::Key::Y:
        return event.modifiers() == Qt::ControlModifier;
    case srctrl::Key::Z:
        return event.modifiers() == Qt::ControlModifier || event.modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
    case srctrl::Key::Escape:
        return false;
    default:
        return *action.key < srctrl::Key::A;
    }
}

srctrl::Rect RectOf(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QRect QRectOf(const srctrl::Rect& rect)
{
    return {rect.x, rect.y, rect.width, rect.height};
}

// The caret's place in a pre-edit text, counted in characters (code points) as the surface
// counts it, from Qt's count in UTF-16 units.
int CodePointsBefore(const QString& text, int utf16Position)
{
    const QString before = text.left(qBound(0, utf16Position, static_cast<int>(text.size())));
    return static_cast<int>(before.toUcs4().size());
}

} // namespace

// The widget's state, which is also the surface's client and the control's callback. It owns
// the surface and the control. Every call into them goes through a Call scope: when the widget
// is deleted during one (a slot of a signal sent from inside it), the widget lets go of this
// object (q becomes null) and the outermost scope deletes it when the call has returned.
// Hidden: a class nested in an exported one would be exported with it.
class __attribute__((visibility("hidden"))) SrReportWidget::Private final : public srctrl::ReportSurfaceClient, public IReportCtrlCallback {
public:
    class Call {
    public:
        explicit Call(Private& owner) : m_owner(owner) { ++m_owner.m_callDepth; }
        ~Call()
        {
            if (--m_owner.m_callDepth == 0 && m_owner.q == nullptr) {
                delete &m_owner;
            }
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        Private& m_owner;
    };

    explicit Private(SrReportWidget* widget);
    ~Private();
    Private(const Private&) = delete;
    Private& operator=(const Private&) = delete;

    void Start();
    // The widget is going: nothing reaches it any more, and this object is deleted now or, when
    // a call is under way, as the outermost call returns.
    void Orphan();

    bool IsInCall() const { return m_callDepth > 0; }
    void FollowSize();
    void Paint();
    srctrl::Rect CaretRect() const;
    // A press, release or double click to the surface; the event is accepted when the page took it.
    using ButtonCall = bool (srctrl::ReportSurface::*)(int, int, srctrl::MouseButton, srctrl::Modifiers);
    void ForwardButton(QMouseEvent& event, ButtonCall call);

    SrReportWidget* q;
    IReportCtrl* m_ctrl = nullptr;
    std::unique_ptr<srctrl::ReportSurface> m_surface;
    QString m_error;
    // The surface as last painted, in device pixels, and what in it is out of date (logical).
    QImage m_image;
    QRegion m_dirty;
    QTimer m_timer;

    // ReportSurfaceClient
    void RepaintNeeded(const srctrl::Rect& rect) override;
    void TimerNeeded(int milliseconds) override;
    void CursorChanged(srctrl::Cursor cursor) override;
    void CaretChanged(const srctrl::Rect& rect) override;
    bool GetClipboardText(std::string& text) override;
    bool SetClipboardText(const std::string& text) override;
    bool GetSelectionText(std::string& text) override;
    bool SetSelectionText(const std::string& text) override;

    // IReportCtrlCallback
    void OnReportValueChanged(IKMReport* report, srctrl::DWORD tag, const wchar_t* value) override;
    void OnActiveReportChanged(IKMReport* report) override;
    void OnReportAdded(IKMReport* report) override;
    void OnReportClosing(IKMReport* report) override;
    void OnDocumentCompleted(IKMReport* report) override;
    void OnDocumentVerified(IKMReport* report) override;
    void OnModifiedChanged(IKMReport* report) override;
    void OnLayoutChanged(IKMReport* report) override;

private:
    // Sends a signal of the widget, if it is still there.
    template <class Signal, class... Args>
    void Emit(Signal signal, Args... args);

    int m_callDepth = 0;
};

SrReportWidget::Private::Private(SrReportWidget* widget) : q(widget)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire a little early, when the surface has nothing due yet and asks for
    // no new call: the caret would stop blinking.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        Call call(*this);
        m_surface->RunTimers();
    });
}

SrReportWidget::Private::~Private()
{
    m_timer.stop();
    if (m_ctrl != nullptr) {
        m_ctrl->RemoveCallback(this);
    }
    // The surface destroys the windows, the control's among them, before the control goes.
    m_surface.reset();
    ReleaseReportCtrl(m_ctrl);
}

void SrReportWidget::Private::Start()
{
    Call call(*this);
    const QSize size = q->size();
    m_surface = srctrl::ReportSurface::Create(this, size.width(), size.height(), q->devicePixelRatioF());
    if (m_surface == nullptr) {
        m_error = QStringLiteral("no embedding surface of %1 x %2 at device pixel ratio %3")
                      .arg(size.width())
                      .arg(size.height())
                      .arg(q->devicePixelRatioF());
        return;
    }
    m_ctrl = CreateReportCtrl();
    if (m_ctrl == nullptr || m_ctrl->Create(m_surface->GetHWND(), 0, 0, size.width(), size.height()) == nullptr) {
        m_error = QString::fromUtf8(SrCtrlGetLastError());
        m_surface.reset();
        ReleaseReportCtrl(m_ctrl);
        m_ctrl = nullptr;
        return;
    }
    m_ctrl->AddCallback(this);
}

void SrReportWidget::Private::Orphan()
{
    q = nullptr;
    m_timer.stop();
    if (!IsInCall()) {
        delete this;
    }
}

// A new size or device pixel ratio (another screen): the surface follows, the control's window
// fills it, and the image is made anew at the next paint.
void SrReportWidget::Private::FollowSize()
{
    if (m_surface == nullptr) {
        return;
    }
    Call call(*this);
    const QSize size = q->size();
    const double ratio = q->devicePixelRatioF();
    if (size.width() == m_surface->GetWidth() && size.height() == m_surface->GetHeight() &&
        ratio == m_surface->GetDevicePixelRatio()) {
        return;
    }
    const bool resized = size.width() != m_surface->GetWidth() || size.height() != m_surface->GetHeight();
    if (!m_surface->Resize(size.width(), size.height(), ratio)) {
        return;
    }
    if (resized) {
        m_ctrl->MoveWindow(0, 0, size.width(), size.height());
    }
}

void SrReportWidget::Private::Paint()
{
    Call call(*this);
    FollowSize();
    if (m_surface == nullptr || q == nullptr) {
        return;
    }
    const QSize pixels(m_surface->GetPixelWidth(), m_surface->GetPixelHeight());
    const double ratio = m_surface->GetDevicePixelRatio();
    if (m_image.size() != pixels || m_image.devicePixelRatio() != ratio) {
        m_image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_image.setDevicePixelRatio(ratio);
        m_image.fill(Qt::white);
        m_dirty = QRect(0, 0, m_surface->GetWidth(), m_surface->GetHeight());
    }
    if (m_image.isNull()) {
        return;
    }
    // Painting may lay the page out and ask for more repaints: those go into a fresh region, for
    // the next paint, while this one works through what it took.
    const QRegion dirty = std::exchange(m_dirty, QRegion());
    for (const QRect& rect : dirty) {
        m_surface->Paint(RectOf(rect), m_image.bits(), m_image.width(), m_image.height(),
                         static_cast<int>(m_image.bytesPerLine()));
    }
    // Device pixel for device pixel; the painter keeps to the region being painted.
    QPainter painter(q);
    painter.drawImage(QPoint(0, 0), m_image);
}

void SrReportWidget::Private::ForwardButton(QMouseEvent& event, ButtonCall call)
{
    const std::optional<srctrl::MouseButton> button = ButtonOf(event.button());
    if (!button || m_surface == nullptr) {
        event.ignore();
        return;
    }
    Call scope(*this);
    const QPoint at = event.position().toPoint();
    event.setAccepted(((*m_surface).*call)(at.x(), at.y(), *button, ModifiersOf(event.modifiers())));
}

srctrl::Rect SrReportWidget::Private::CaretRect() const
{
    return m_surface != nullptr ? m_surface->GetCaretRect() : srctrl::Rect{};
}

void SrReportWidget::Private::RepaintNeeded(const srctrl::Rect& rect)
{
    m_dirty += QRectOf(rect);
    if (q != nullptr) {
        q->update(QRectOf(rect));
    }
}

void SrReportWidget::Private::TimerNeeded(int milliseconds)
{
    if (milliseconds < 0 || q == nullptr) {
        m_timer.stop();
    } else {
        m_timer.start(milliseconds);
    }
}

void SrReportWidget::Private::CursorChanged(srctrl::Cursor cursor)
{
    if (q == nullptr) {
        return;
    }
    switch (cursor) {
    case srctrl::Cursor::Arrow:
        q->setCursor(Qt::ArrowCursor);
        break;
    case srctrl::Cursor::IBeam:
        q->setCursor(Qt::IBeamCursor);
        break;
    case srctrl::Cursor::PointingHand:
        q->setCursor(Qt::PointingHandCursor);
        break;
    }
}

void SrReportWidget::Private::CaretChanged(const srctrl::Rect&)
{
    if (q != nullptr && q->hasFocus()) {
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImCursorRectangle);
    }
}

namespace {

bool ReadClipboard(QClipboard::Mode mode, std::string& text)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
    if (data == nullptr || !data->hasText()) {
        return false;
    }
    text = data->text().toStdString();
    return true;
}

} // namespace

bool SrReportWidget::Private::GetClipboardText(std::string& text)
{
    return ReadClipboard(QClipboard::Clipboard, text);
}

bool SrReportWidget::Private::SetClipboardText(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    return true;
}

// Only where the desktop has a primary selection (X11); elsewhere the middle button pastes
// nothing.
bool SrReportWidget::Private::GetSelectionText(std::string& text)
{
    return QGuiApplication::clipboard()->supportsSelection() && ReadClipboard(QClipboard::Selection, text);
}

bool SrReportWidget::Private::SetSelectionText(const std::string& text)
{
    if (!QGuiApplication::clipboard()->supportsSelection()) {
        return false;
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(text), QClipboard::Selection);
    return true;
}

template <class Signal, class... Args>
void SrReportWidget::Private::Emit(Signal signal, Args... args)
{
    Call call(*this);
    if (q != nullptr) {
        (q->*signal)(args...);
    }
}

void SrReportWidget::Private::OnReportValueChanged(IKMReport* report, srctrl::DWORD tag, const wchar_t* value)
{
    Emit(&SrReportWidget::reportValueChanged, report, unsigned{tag},
         value != nullptr ? QString::fromWCharArray(value) : QString());
}

void SrReportWidget::Private::OnActiveReportChanged(IKMReport* report)
{
    Emit(&SrReportWidget::activeReportChanged, report);
}

void SrReportWidget::Private::OnReportAdded(IKMReport* report)
{
    Emit(&SrReportWidget::reportAdded, report);
}

void SrReportWidget::Private::OnReportClosing(IKMReport* report)
{
    Emit(&SrReportWidget::reportClosing, report);
}

void SrReportWidget::Private::OnDocumentCompleted(IKMReport* report)
{
    Emit(&SrReportWidget::documentCompleted, report);
}

void SrReportWidget::Private::OnDocumentVerified(IKMReport* report)
{
    Emit(&SrReportWidget::documentVerified, report);
}

void SrReportWidget::Private::OnModifiedChanged(IKMReport* report)
{
    Emit(&SrReportWidget::modifiedChanged, report);
}

void SrReportWidget::Private::OnLayoutChanged(IKMReport* report)
{
    Emit(&SrReportWidget::layoutChanged, report);
}

SrReportWidget::SrReportWidget(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>(this))
{
    // Every pixel comes from the surface, and the pointer's shape follows it without a button.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    d->Start();
}

SrReportWidget::~SrReportWidget()
{
    // Deleted now, or by the call into the control that is under way further up the stack.
    d.release()->Orphan();
}

IReportCtrl* SrReportWidget::reportCtrl() const
{
    return d->m_ctrl;
}

QString SrReportWidget::errorString() const
{
    return d->m_error;
}

bool SrReportWidget::canEdit(srctrl::EditCommand command) const
{
    return d->m_surface != nullptr && d->m_surface->CanEdit(command);
}

bool SrReportWidget::edit(srctrl::EditCommand command)
{
    if (d->m_surface == nullptr) {
        return false;
    }
    Private::Call call(*d);
    return d->m_surface->Edit(command);
}

bool SrReportWidget::find(const QString& what, bool matchCase, bool wholeWord)
{
    if (d->m_surface == nullptr) {
        return false;
    }
    Private::Call call(*d);
    return d->m_surface->Find(what.toUtf8().constData(), matchCase, wholeWord);
}

bool SrReportWidget::replace(const QString& what, const QString& with, bool matchCase, bool wholeWord)
{
    if (d->m_surface == nullptr) {
        return false;
    }
    Private::Call call(*d);
    return d->m_surface->Replace(what.toUtf8().constData(), with.toUtf8().constData(), matchCase, wholeWord);
}

int SrReportWidget::replaceAll(const QString& what, const QString& with, bool matchCase, bool wholeWord)
{
    if (d->m_surface == nullptr) {
        return 0;
    }
    Private::Call call(*d);
    return d->m_surface->ReplaceAll(what.toUtf8().constData(), with.toUtf8().constData(), matchCase, wholeWord);
}

QMenu* SrReportWidget::createStandardContextMenu()
{
    if (d->CaretRect().IsEmpty()) {
        return nullptr;
    }
    struct Item {
        const char* text;
        srctrl::EditCommand command;
        QKeySequence::StandardKey key;
    };
    static const Item items[] = {
        {QT_TR_NOOP("&Undo"), srctrl::EditCommand::Undo, QKeySequence::Undo},
        {QT_TR_NOOP("&Redo"), srctrl::EditCommand::Redo, QKeySequence::Redo},
        {QT_TR_NOOP("Cu&t"), srctrl::EditCommand::Cut, QKeySequence::Cut},
        {QT_TR_NOOP("&Copy"), srctrl::EditCommand::Copy, QKeySequence::Copy},
        {QT_TR_NOOP("&Paste"), srctrl::EditCommand::Paste, QKeySequence::Paste},
        {QT_TR_NOOP("Delete"), srctrl::EditCommand::Delete, QKeySequence::UnknownKey},
        {QT_TR_NOOP("Select All"), srctrl::EditCommand::SelectAll, QKeySequence::SelectAll},
    };
    auto* menu = new QMenu(this);
    const QPointer<SrReportWidget> widget(this);
    // A call on the widget from a menu item, which may come after the widget is gone.
    const auto onWidget = [widget](auto call) {
        return [widget, call] {
            if (widget != nullptr) {
                call(*widget);
            }
        };
    };
    addSpellingItems(*menu);
    for (const Item& item : items) {
        if (item.command == srctrl::EditCommand::Cut || item.command == srctrl::EditCommand::SelectAll) {
            menu->addSeparator();
        }
        QAction* action = menu->addAction(tr(item.text));
        action->setShortcut(item.key);
        action->setEnabled(canEdit(item.command));
        const srctrl::EditCommand command = item.command;
        connect(action, &QAction::triggered, this, onWidget([command](SrReportWidget& w) { w.edit(command); }));
    }
    if (QMenu* snippets = createSnippetMenu(menu)) {
        menu->addSeparator();
        menu->addMenu(snippets);
    }
    return menu;
}

void SrReportWidget::addSpellingItems(QMenu& menu)
{
    std::string word;
    std::vector<std::string> suggestions;
    if (d->m_surface == nullptr || !d->m_surface->GetMisspelledWord(word, suggestions)) {
        return;
    }
    const QPointer<SrReportWidget> widget(this);
    if (suggestions.empty()) {
        menu.addAction(tr("(No suggestions)"))->setEnabled(false);
    }
    for (const std::string& suggestion : suggestions) {
        QAction* action = menu.addAction(QString::fromStdString(suggestion));
        QFont bold = action->font();
        bold.setBold(true);
        action->setFont(bold);
        connect(action, &QAction::triggered, this, [widget, suggestion] {
            if (widget != nullptr && widget->d->m_surface != nullptr) {
                Private::Call call(*widget->d);
                widget->d->m_surface->CorrectMisspelledWord(suggestion.c_str());
            }
        });
    }
    connect(menu.addAction(tr("Add to Dictionary")), &QAction::triggered, this, [widget] {
        if (widget != nullptr && widget->d->m_surface != nullptr) {
            Private::Call call(*widget->d);
            if (!widget->d->m_surface->AddMisspelledWordToDictionary()) {
                Q_EMIT widget->editingProblem(QString::fromUtf8(SrCtrlGetLastError()));
            }
        }
    });
    connect(menu.addAction(tr("Ignore")), &QAction::triggered, this, [widget] {
        if (widget != nullptr && widget->d->m_surface != nullptr) {
            Private::Call call(*widget->d);
            widget->d->m_surface->IgnoreMisspelledWord();
        }
    });
    menu.addSeparator();
}

void SrReportWidget::setSpellChecking(bool enabled)
{
    srctrl::SetSpellChecking(enabled);
    if (d->m_surface != nullptr) {
        d->RepaintNeeded(srctrl::Rect{0, 0, d->m_surface->GetWidth(), d->m_surface->GetHeight()});
    }
}

QMenu* SrReportWidget::createSnippetMenu(QWidget* parent)
{
    if (d->m_surface == nullptr || d->CaretRect().IsEmpty()) {
        return nullptr;
    }
    std::string problem;
    const std::vector<srctrl::ReportSurface::Snippet> snippets = d->m_surface->GetSnippets(&problem);
    if (!problem.empty()) {
        Q_EMIT editingProblem(QString::fromStdString(problem));
    }
    if (snippets.empty()) {
        return nullptr;
    }
    auto* menu = new QMenu(tr("Insert Canned &Text"), parent != nullptr ? parent : this);
    const QPointer<SrReportWidget> widget(this);
    for (const srctrl::ReportSurface::Snippet& snippet : snippets) {
        QString text = QString::fromStdString(snippet.name);
        if (!snippet.trigger.empty()) {
            text += QLatin1Char('\t') + QString::fromStdString(snippet.trigger) + tr(" + Tab");
        }
        QAction* action = menu->addAction(text);
        action->setToolTip(QString::fromStdString(snippet.text));
        const std::string name = snippet.name;
        connect(action, &QAction::triggered, this, [widget, name] {
            if (widget != nullptr && widget->d->m_surface != nullptr) {
                Private::Call call(*widget->d);
                widget->d->m_surface->InsertSnippet(name.c_str());
            }
        });
    }
    menu->setToolTipsVisible(true);
    return menu;
}

void SrReportWidget::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    if (menu == nullptr) {
        event->ignore();
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

QSize SrReportWidget::sizeHint() const
{
    // The default template's page at three quarters of its size.
    return {600, 848};
}

QVariant SrReportWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return !d->CaretRect().IsEmpty();
    case Qt::ImCursorRectangle:
    case Qt::ImAnchorRectangle:
        return QRectOf(d->CaretRect());
    default:
        return QWidget::inputMethodQuery(query);
    }
}

bool SrReportWidget::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ScreenChangeInternal: {
        // Another screen may have another device pixel ratio.
        const bool handled = QWidget::event(event);
        d->FollowSize();
        return handled;
    }
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool snippetList = key->key() == Qt::Key_Space && key->modifiers() == Qt::ControlModifier;
        if (!d->CaretRect().IsEmpty() && (IsEditingShortcut(*key) || snippetList)) {
            key->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress: {
        // Ctrl+Tab leaves the widget, as it leaves Qt's text editors, which keep Tab for themselves.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && (key->modifiers() & Qt::ControlModifier)) {
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            QWidget::focusNextPrevChild(!back);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void SrReportWidget::paintEvent(QPaintEvent*)
{
    d->Paint();
}

void SrReportWidget::resizeEvent(QResizeEvent*)
{
    d->FollowSize();
}

// The handlers below touch nothing of the widget after their call into the surface: a slot may
// have deleted it meanwhile.
void SrReportWidget::mousePressEvent(QMouseEvent* event)
{
    d->ForwardButton(*event, &srctrl::ReportSurface::MousePress);
}

void SrReportWidget::mouseReleaseEvent(QMouseEvent* event)
{
    d->ForwardButton(*event, &srctrl::ReportSurface::MouseRelease);
}

void SrReportWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    d->ForwardButton(*event, &srctrl::ReportSurface::MouseDoubleClick);
}

void SrReportWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (d->m_surface == nullptr) {
        event->ignore();
        return;
    }
    Private::Call call(*d);
    const QPoint at = event->position().toPoint();
    const bool held = (event->buttons() & Qt::LeftButton) != 0;
    event->setAccepted(d->m_surface->MouseMove(at.x(), at.y(), held, ModifiersOf(event->modifiers())));
}

void SrReportWidget::wheelEvent(QWheelEvent* event)
{
    // A wheel that the page does not take (no box to scroll there) goes on to the parent, as a
    // scroll area around the widget expects. A sideways turn scrolls as Shift with the wheel.
    const QPoint angle = event->angleDelta();
    const bool sideways = angle.y() == 0;
    const int delta = sideways ? angle.x() : angle.y();
    if (delta == 0 || d->m_surface == nullptr) {
        event->ignore();
        return;
    }
    Private::Call call(*d);
    const QPoint at = event->position().toPoint();
    srctrl::Modifiers modifiers = ModifiersOf(event->modifiers());
    if (sideways) {
        modifiers = modifiers | srctrl::Modifiers::Shift;
    }
    event->setAccepted(d->m_surface->Wheel(at.x(), at.y(), delta, modifiers));
}

void SrReportWidget::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+Space lists the canned texts at the caret.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::ControlModifier) {
        QMenu* menu = createSnippetMenu();
        if (menu == nullptr) {
            event->ignore();
            return;
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const QRect caret = QRectOf(d->CaretRect());
        menu->popup(mapToGlobal(caret.bottomLeft()));
        event->accept();
        return;
    }
    const KeyAction action = ActionOf(*event);
    if (d->m_surface == nullptr || (!action.key && action.text.isEmpty())) {
        event->ignore();
        return;
    }
    Private::Call call(*d);
    const bool taken = action.key ? d->m_surface->KeyDown(*action.key, ModifiersOf(event->modifiers()))
                                  : d->m_surface->CommitText(action.text.toUtf8().constData());
    event->setAccepted(taken);
}

void SrReportWidget::keyReleaseEvent(QKeyEvent* event)
{
    const KeyAction action = ActionOf(*event);
    // A held key repeats its press; the page hears its release once, when the finger lifts.
    if (d->m_surface == nullptr || !action.key || event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    Private::Call call(*d);
    event->setAccepted(d->m_surface->KeyUp(*action.key, ModifiersOf(event->modifiers())));
}

void SrReportWidget::inputMethodEvent(QInputMethodEvent* event)
{
    if (d->m_surface == nullptr) {
        event->ignore();
        return;
    }
    Private::Call call(*d);
    Private& state = *d;
    if (!event->commitString().isEmpty()) {
        state.m_surface->CommitText(event->commitString().toUtf8().constData());
        if (state.q == nullptr) {
            return;
        }
    }
    const QString preedit = event->preeditString();
    int cursor = static_cast<int>(preedit.size());
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor) {
            cursor = attribute.start;
        }
    }
    // A commit already ended the pre-edit; an event without either ends it too.
    if (!preedit.isEmpty() || event->commitString().isEmpty()) {
        state.m_surface->SetPreeditText(preedit.toUtf8().constData(), CodePointsBefore(preedit, cursor));
    }
    event->accept();
}

void SrReportWidget::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (d->m_surface != nullptr) {
        Private::Call call(*d);
        d->m_surface->GainFocus();
    }
}

// Leaving stores a date being typed, whose signal may delete the widget: the surface comes last.
void SrReportWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (d->m_surface != nullptr) {
        Private::Call call(*d);
        d->m_surface->LoseFocus();
    }
}

// Tab and Shift+Tab, which QWidget::event hands here: the next or previous field of the page, or,
// when the page takes no Tab (no field has the focus), the next widget.
bool SrReportWidget::focusNextPrevChild(bool next)
{
    if (d->m_surface == nullptr || !d->m_surface->HasFocus()) {
        return QWidget::focusNextPrevChild(next);
    }
    const QPointer<SrReportWidget> alive(this);
    {
        Private::Call call(*d);
        if (d->m_surface->KeyDown(srctrl::Key::Tab, next ? srctrl::Modifiers::Plain : srctrl::Modifiers::Shift)) {
            return true;
        }
    }
    return alive != nullptr && QWidget::focusNextPrevChild(next);
}
