#include "platform/qt/Accessibility.h"

#include "platform/qt/FormView.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>

#include <vector>

namespace autorun::qt {
namespace {

QRect LabelRect(const ui::Label& label)
{
    const ui::PixelBox box = ui::ToPixels(label.Bounds());
    return {box.left, box.top, box.Width(), box.Height()};
}

QAccessible::Role RoleOf(ui::Role role)
{
    switch (role) {
    case ui::Role::PushButton:
        return QAccessible::Button;
    case ui::Role::Link:
        return QAccessible::Link;
    case ui::Role::StaticText:
        break;
    }
    return QAccessible::StaticText;
}

// One announcement as Qt's event: of the view, or of a label, its child.
void Send(FormView* view, const ui::Announcement& announcement)
{
    using Kind = ui::Announcement::Kind;
    if (announcement.kind == Kind::State) {
        QAccessible::State changed;
        changed.disabled = true;
        QAccessibleStateChangeEvent event(view, changed);
        if (announcement.label)
            event.setChild(static_cast<int>(*announcement.label));
        QAccessible::updateAccessibility(&event);
        return;
    }
    const QAccessible::Event type = announcement.kind == Kind::Focus  ? QAccessible::Focus
                                    : announcement.kind == Kind::Show ? QAccessible::ObjectShow
                                    : announcement.kind == Kind::Hide ? QAccessible::ObjectHide
                                                                      : QAccessible::NameChanged;
    QAccessibleEvent event(view, type);
    if (announcement.label)
        event.setChild(static_cast<int>(*announcement.label));
    QAccessible::updateAccessibility(&event);
}

void SendAll(FormView* view, const std::vector<ui::Announcement>& announcements)
{
    for (const ui::Announcement& announcement : announcements)
        Send(view, announcement);
}

// One painted label, as the form describes it. It has no QObject of its own, so the view's interface
// owns it through Qt's cache.
class LabelAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    LabelAccessible(FormView* view, std::size_t index) : view_(view), index_(index) {}

    bool isValid() const override
    {
        return view_ != nullptr && view_->Model().Loaded() && index_ < view_->Model().Window().Labels().size();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ != nullptr ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return QString::fromStdString(Described().name);
        case QAccessible::Description:
            return QString::fromStdString(Described().description);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = LabelRect(view_->Model().Window().Labels()[index_]);
        return {view_->mapToGlobal(local.topLeft()), local.size()};
    }

    QAccessible::Role role() const override
    {
        return isValid() ? RoleOf(Described().role) : QAccessible::StaticText;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const AccessibleLabel described = Described();
        state.invisible = described.invisible;
        state.disabled = described.unavailable;
        state.focusable = described.focusable;
        state.focused = described.focused;
        state.linked = described.linked;
        state.readOnly = described.readOnly;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && isValid() && Described().action != DefaultAction::None)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // Qt names every activation "Press", a link's jump as well.
    QStringList actionNames() const override
    {
        if (!isValid() || Described().action == DefaultAction::None)
            return {};
        return {pressAction()};
    }

    // Done from the window's own loop, as a click is: the action may show a modal window, and the
    // screen reader that asked must not wait for it to close.
    void doAction(const QString& name) override
    {
        if (name != pressAction() || !isValid())
            return;
        FormView* view = view_;
        QMetaObject::invokeMethod(
            view,
            [view, index = index_] {
                if (!view->Model().Loaded())
                    return;
                const QPointer<FormView> alive = view;
                view->Model().DoDefaultAction(index);
                if (alive != nullptr && view->Model().Loaded())
                    view->Sync();
            },
            Qt::QueuedConnection);
    }

    // The keys are the window's, not the label's: a stock button reports none either.
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    AccessibleLabel Described() const { return view_->Model().Describe(index_); }

    QPointer<FormView> view_;
    std::size_t index_;
};

// The window: its labels are its children, one for each label of the design in design order,
// hidden ones marked invisible, so a label keeps its place among them.
class FormViewAccessible : public QAccessibleWidget {
public:
    explicit FormViewAccessible(FormView* view)
        : QAccessibleWidget(view, view->Model().DescribeWindow().role == AccessibleWindow::Role::Dialog
                                      ? QAccessible::Dialog
                                      : QAccessible::Window)
    {
    }

    // Focused only while none of its labels is: Qt would read the view as focused with them.
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (View()->Model().Loaded())
            state.focused = View()->Model().DescribeWindow().focused;
        return state;
    }

    ~FormViewAccessible() override
    {
        for (const QAccessible::Id id : children_) {
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override
    {
        return View()->Model().Loaded() ? static_cast<int>(View()->Model().Window().Labels().size()) : 0;
    }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        children_.resize(static_cast<std::size_t>(childCount()), 0);
        QAccessible::Id& id = children_[static_cast<std::size_t>(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new LabelAccessible(View(), static_cast<std::size_t>(index)));
        return QAccessible::accessibleInterface(id);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (std::size_t i = 0; i < children_.size(); ++i) {
            if (children_[i] != 0 && QAccessible::accessibleInterface(children_[i]) == child)
                return static_cast<int>(i);
        }
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (!View()->Model().Loaded())
            return nullptr;
        const QPoint local = View()->mapFromGlobal(QPoint(x, y));
        if (!View()->rect().contains(local))
            return nullptr;
        const std::optional<std::size_t> label =
            View()->Model().AccessibleAt(ui::PointerTwips(local.x(), local.y(), ui::kDesignDpi));
        return label ? child(static_cast<int>(*label)) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        if (!View()->Model().Loaded())
            return nullptr;
        const std::optional<std::size_t> focus = View()->Model().Window().KeyboardFocus();
        return focus ? child(static_cast<int>(*focus)) : nullptr;
    }

private:
    FormView* View() const { return static_cast<FormView*>(widget()); }

    mutable std::vector<QAccessible::Id> children_;
};

// Qt's bridge reaches the screen reader's bus only some time after the program starts, and Qt tells
// it nothing that happened before: a window that took the keyboard in the meantime was never
// announced. Once the bridge is on, the active window is told as focused, and its focused label after it.
class LateListener : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override
    {
        if (!active)
            return;
        QMetaObject::invokeMethod(
            qApp,
            [] {
                auto* view = qobject_cast<FormView*>(QApplication::activeWindow());
                if (view != nullptr && view->Model().Loaded() && QAccessible::isActive())
                    SendAll(view, view->Model().Window().Greeting());
            },
            Qt::QueuedConnection);
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (auto* view = qobject_cast<FormView*>(object))
        return new FormViewAccessible(view);
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        static LateListener late;
        QAccessible::installActivationObserver(&late);
        return true;
    }();
    (void)installed;
}

void Announce(FormView& view, const std::vector<ui::Announcement>& announcements)
{
    if (QAccessible::isActive())
        SendAll(&view, announcements);
}

} // namespace autorun::qt
