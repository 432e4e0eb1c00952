#include "platform/qt/FormView.h"

#include "platform/qt/Accessibility.h"
#include "platform/qt/Pictures.h"
#include "platform/qt/Theme.h"
#include "ui/Caption.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace autorun::qt {
namespace {

// The designs name Windows fonts; where the desktop lacks one, the core's substitute. Resolved once
// here: Qt's own substitution table sends every font lookup back through fontconfig, which doubles
// the cost of the first paint.
QString Family(const std::string& name)
{
    static std::map<std::string, QString> resolved;
    auto found = resolved.find(name);
    if (found == resolved.end()) {
        const QString family = QString::fromStdString(name);
        const std::string_view substitute = ui::SubstituteFont(name);
        found = resolved
                    .emplace(name, QFontDatabase::hasFamily(family)
                                       ? family
                                       : QString::fromUtf8(substitute.data(), static_cast<qsizetype>(substitute.size())))
                    .first;
    }
    return found->second;
}

Qt::WindowFlags FrameFlags(ui::Frame frame)
{
    // Title and close box only: the window keeps its designed size.
    const Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                  Qt::WindowCloseButtonHint;
    return flags | (frame == ui::Frame::FixedDialog ? Qt::Dialog : Qt::Window);
}

QRect PixelRect(const ui::Rect& r)
{
    const ui::PixelBox box = ui::ToPixels(r);
    return {box.left, box.top, box.Width(), box.Height()};
}

QPoint PixelPoint(ui::Point p)
{
    return {ui::ToPixels(p.x), ui::ToPixels(p.y)};
}

ui::Point ModelPoint(const QMouseEvent& event)
{
    const QPoint p = event.position().toPoint();
    return ui::PointerTwips(p.x(), p.y(), ui::kDesignDpi);
}

std::optional<MouseButton> ModelButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return std::nullopt;
    }
}

QFont ToQFont(const ui::Font& font)
{
    QFont result(Family(font.name));
    // At the designs' density, whatever this screen's: Qt scales it with the window.
    result.setPixelSize(ui::FontPixels(font, ui::kDesignDpi));
    result.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    result.setItalic(font.italic);
    result.setUnderline(font.underline);
    return result;
}

// The keys the Form answers, whatever is held with them: the Form decides which combinations are its own.
std::optional<Key> ModelKey(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Key::Tab;
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_Space:
        return Key::Space;
    case Qt::Key_Escape:
        return Key::Escape;
    default:
        return std::nullopt;
    }
}

// Where the desktop draws a focused link's focus: a dotted line around its text.
void DrawFocusRect(QPainter& painter, const QRect& around, const QColor& colour)
{
    painter.save();
    QPen pen(colour, 1);
    pen.setDashPattern({1.0, 1.0});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawRect(around.adjusted(0, 0, -1, -1));
    painter.restore();
}

// The density the window draws at: 96 dots per inch for each device pixel per pixel. Factors that
// make no sense (QT_SCALE_FACTOR=nan) draw at the design's own.
int ScreenDpi(qreal ratio)
{
    if (!std::isfinite(ratio) || ratio <= 0)
        return ui::kDesignDpi;
    return static_cast<int>(std::lround(std::clamp(ratio, 0.125, 64.0) * ui::kDesignDpi));
}

int Utf16Length(std::string_view utf8)
{
    return static_cast<int>(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).size());
}

} // namespace

FormView::FormView(Form& form, QWidget* owner)
    : QWidget(owner, FrameFlags(form.Window().FrameStyle())), form_(form)
{
    InstallAccessibility();
    const ui::Window& window = form.Window();
    setFixedSize(ui::ToPixels(window.Client().width), ui::ToPixels(window.Client().height));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (const QIcon icon = WindowIcon(window.Icon()); !icon.isNull())
        setWindowIcon(icon);
    form.Window().SetDpi(ScreenDpi(devicePixelRatioF()));
    form.Window().SetColours(ThemeColours(palette()));
    connect(&DesktopContrast::Instance(), &DesktopContrast::Changed, this, &FormView::FitToTheme);
    FitToDensity();

    // Everything so far is drawn from scratch.
    form.Window().TakeChanges();
    setWindowTitle(QString::fromStdString(window.Title()));
    move(PixelPoint(window.Position()));
}

void FormView::Sync()
{
    ui::Window& window = form_.Window();
    const ui::WindowChanges changes = window.TakeChanges();
    if (changes.density)
        FitToDensity();
    if (changes.colours)
        update();
    // The labels the focus left and reached are among them.
    for (const ui::LabelChange& change : changes.labels)
        update(PixelRect(window.Labels()[change.label].Bounds()));
    if (changes.title)
        setWindowTitle(QString::fromStdString(window.Title()));
    if (changes.position)
        move(PixelPoint(window.Position()));
    Announce(*this, window.Announcements(changes));
    if (changes.close)
        close();
}

void FormView::FitToScreen()
{
    // The screen the window will show on, before it is shown.
    form_.Window().SetDpi(ScreenDpi(devicePixelRatioF()));
    Sync();
}

void FormView::FitToTheme()
{
    form_.Window().SetColours(ThemeColours(palette()));
    Sync();
}

void FormView::FitToDensity()
{
    const ui::Window& window = form_.Window();
    const int dpi = window.Dpi();
    // Decoded now, before the window maps, so that its first paint only draws.
    Picture(ui::PictureFor(window.Picture(), dpi).picture);
    for (const ui::Image& image : window.Images())
        Picture(ui::PictureFor(image.picture, dpi).picture);
    hand_ = PointerCursor(ui::Resource::HandPointer, static_cast<qreal>(dpi) / ui::kDesignDpi);
    if (pointer_ == ui::Pointer::Hand)
        setCursor(hand_);
    update();
}

bool FormView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
        FitToTheme();
        break;
    case QEvent::ScreenChangeInternal:
        // A window moved to a screen of another density draws from other pictures.
        FitToScreen();
        break;
    case QEvent::WindowActivate:
        // Qt gives an activated window no focus while another window's widget still has it, as the
        // owner's has when a modal window opens; the Form's keyboard is this window's focus.
        if (!hasFocus())
            setFocus(Qt::ActiveWindowFocusReason);
        // Drawn alike active or not: no second paint when the window takes the keyboard.
        return true;
    case QEvent::WindowDeactivate:
        return true;
    default:
        break;
    }
    return QWidget::event(event);
}

void FormView::DrawPicture(QPainter& painter, ui::Resource resource, const QRect& designed)
{
    const ui::ScaledPicture scaled = ui::PictureFor(resource, form_.Window().Dpi());
    const QImage& picture = Picture(scaled.picture);
    if (picture.isNull())
        return;
    if (scaled.density == 1) {
        painter.drawImage(designed.topLeft(), picture);
        return;
    }
    auto found = dense_.find(scaled.picture);
    if (found == dense_.end()) {
        QPixmap pixmap = QPixmap::fromImage(picture);
        pixmap.setDevicePixelRatio(scaled.density);
        found = dense_.emplace(scaled.picture, std::move(pixmap)).first;
    }
    const QPixmap& pixmap = found->second;
    painter.save();
    // Exact at its own density; filtered where the screen's lies between.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRectF(designed.topLeft(), pixmap.deviceIndependentSize()), pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

void FormView::paintEvent(QPaintEvent*)
{
    FitToScreen();
    QPainter painter(this);
    const ui::Window& window = form_.Window();
    const ui::Backdrop backdrop = window.Backdrop();
    painter.fillRect(rect(), ToQColor(backdrop.colour));
    if (backdrop.picture)
        DrawPicture(painter, window.Picture(), rect());
    for (const ui::Image& image : window.Images())
        DrawPicture(painter, image.picture, PixelRect(image.rect));
    for (const ui::Label& label : window.Labels()) {
        if (!label.Visible())
            continue;
        const ui::LabelLook look = window.Look(label);
        const QRect text = DrawLabel(painter, label, look);
        if (look.focusFrame)
            DrawFocusRect(painter, text, ToQColor(*look.focusFrame));
    }
}

QRect FormView::DrawLabel(QPainter& painter, const ui::Label& label, const ui::LabelLook& look) const
{
    const QRect box = PixelRect(label.Bounds());
    const ui::CaptionText caption = ui::ParseCaption(label.Caption());
    const std::string_view text = caption.text;

    QTextLayout layout(QString::fromStdString(caption.text), ToQFont(label.TextFont()), this);
    QList<QTextLayout::FormatRange> underlined;
    for (const ui::CaptionRun& run : caption.underlined) {
        QTextLayout::FormatRange range;
        range.start = Utf16Length(text.substr(0, run.offset));
        range.length = Utf16Length(text.substr(run.offset, run.length));
        range.format.setFontUnderline(true);
        underlined.append(range);
    }
    layout.setFormats(underlined);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);

    QRectF textBox;
    layout.beginLayout();
    for (qreal y = 0; y < box.height();) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(box.width());
        line.setPosition(QPointF(0, y));
        textBox |= QRectF(line.x(), y, line.naturalTextWidth(), line.height());
        y += line.height();
    }
    layout.endLayout();

    painter.save();
    painter.setClipRect(box);
    if (look.embossed) {
        painter.setPen(ToQColor(*look.embossed));
        layout.draw(&painter, box.topLeft() + QPointF(1, 1));
    }
    painter.setPen(ToQColor(look.colour));
    layout.draw(&painter, box.topLeft());
    painter.restore();
    // One pixel of room around the text, inside the label.
    return textBox.translated(box.topLeft()).toAlignedRect().adjusted(-1, 0, 2, 1) & box;
}

void FormView::ShowPointer(ui::Point p)
{
    const ui::Pointer pointer = form_.PointerAt(p);
    if (pointer == pointer_)
        return;
    pointer_ = pointer;
    setCursor(pointer == ui::Pointer::Hand ? hand_ : QCursor(Qt::ArrowCursor));
}

void FormView::mouseMoveEvent(QMouseEvent* event)
{
    const ui::Point p = ModelPoint(*event);
    const Qt::MouseButtons held = event->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton);
    form_.MouseMove(p, held != Qt::NoButton);
    Sync();
    ShowPointer(p);
}

void FormView::mousePressEvent(QMouseEvent* event)
{
    DispatchButton(*event, &Form::MouseDown);
}

void FormView::mouseReleaseEvent(QMouseEvent* event)
{
    DispatchButton(*event, &Form::MouseUp);
}

void FormView::mouseDoubleClickEvent(QMouseEvent* event)
{
    DispatchButton(*event, &Form::DoubleClick);
}

void FormView::DispatchButton(const QMouseEvent& event, void (Form::*handler)(ui::Point, MouseButton))
{
    const std::optional<MouseButton> button = ModelButton(event.button());
    if (!button)
        return;
    const ui::Point p = ModelPoint(event);
    (form_.*handler)(p, *button);
    Sync();
    ShowPointer(p);
}

void FormView::keyPressEvent(QKeyEvent* event)
{
    const std::optional<Key> key = ModelKey(*event);
    const Qt::KeyboardModifiers held = event->modifiers();
    const Modifiers modifiers{.shift = event->key() == Qt::Key_Backtab || (held & Qt::ShiftModifier),
                              .control = (held & Qt::ControlModifier) != 0,
                              .alt = (held & Qt::AltModifier) != 0,
                              .meta = (held & Qt::MetaModifier) != 0};
    // Enter may show a modal window and return only once it is closed.
    const bool used = key && form_.KeyDown(*key, modifiers);
    Sync();
    if (!used)
        QWidget::keyPressEvent(event);
}

void FormView::focusInEvent(QFocusEvent*)
{
    if (!form_.Loaded())
        return;
    form_.Window().SetKeyboard(true);
    // Qt announces the window itself once this returns; the focused label is announced after it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (form_.Loaded())
                Sync();
        },
        Qt::QueuedConnection);
}

void FormView::focusOutEvent(QFocusEvent*)
{
    if (form_.Loaded()) {
        form_.Window().SetKeyboard(false);
        Sync();
    }
}

void FormView::showEvent(QShowEvent*)
{
    if (form_.Loaded())
        form_.Window().SetShown(true);
}

void FormView::hideEvent(QHideEvent*)
{
    if (form_.Loaded())
        form_.Window().SetShown(false);
}

bool FormView::focusNextPrevChild(bool)
{
    return false;
}

void FormView::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit Closed();
}

} // namespace autorun::qt
