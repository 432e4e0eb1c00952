#include "platform/qt/Accessibility.h"

#include "platform/qt/FormView.h"
#include "ui/Caption.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <vector>

namespace autorun::qt {
namespace {

QRect LabelRect(const ui::Label& label)
{
    const ui::PixelBox box = ui::ToPixels(label.Bounds());
    return {box.left, box.top, box.Width(), box.Height()};
}

// One painted label. It has no QObject of its own, so the view's interface owns it through Qt's cache.
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
            return QString::fromStdString(ui::ParseCaption(Label().Caption()).text);
        case QAccessible::Description:
            return QString::fromStdString(view_->Model().Description(Label()));
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = LabelRect(Label());
        return {view_->mapToGlobal(local.topLeft()), local.size()};
    }

    QAccessible::Role role() const override
    {
        switch (isValid() ? Label().AccessibleRole() : ui::Role::StaticText) {
        case ui::Role::PushButton:
            return QAccessible::Button;
        case ui::Role::Link:
            return QAccessible::Link;
        case ui::Role::StaticText:
            break;
        }
        return QAccessible::StaticText;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const ui::Label& label = Label();
        state.invisible = !label.Visible() || !view_->isVisible();
        state.disabled = !label.Enabled();
        state.focusable = label.Acts();
        state.focused = view_->Model().Window().Focus() == index_;
        state.linked = label.AccessibleRole() == ui::Role::Link;
        state.readOnly = label.AccessibleRole() == ui::Role::StaticText;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && isValid() && Label().AccessibleRole() != ui::Role::StaticText)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // Links and buttons alike are pressed: what a click (or the launcher's double-click) does.
    QStringList actionNames() const override
    {
        if (!isValid() || !Label().Acts())
            return {};
        return {pressAction()};
    }

    void doAction(const QString& name) override
    {
        if (name != pressAction() || !isValid())
            return;
        // The view may show a modal window here and return only once it is closed.
        const QPointer<FormView> view = view_;
        view->Model().DoDefaultAction(index_);
        if (view != nullptr && view->Model().Loaded())
            view->Sync();
    }

    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == pressAction() && isValid() && Label().Acts())
            return {QStringLiteral("Return"), QStringLiteral("Space")};
        return {};
    }

private:
    const ui::Label& Label() const { return view_->Model().Window().Labels()[index_]; }

    QPointer<FormView> view_;
    std::size_t index_;
};

// The window: its labels are its children, one for each label of the design in design order,
// hidden ones marked invisible, so a label keeps its place among them.
class FormViewAccessible : public QAccessibleWidget {
public:
    explicit FormViewAccessible(FormView* view)
        : QAccessibleWidget(view, view->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window)
    {
        if (view->Model().Loaded()) {
            for (const ui::Label& label : view->Model().Window().Labels())
                shown_.push_back({label.Caption(), label.Enabled(), label.Visible()});
        }
    }

    ~FormViewAccessible() override
    {
        for (const QAccessible::Id id : children_) {
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return static_cast<int>(Labels().size()); }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        children_.resize(Labels().size(), 0);
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
        const ui::Hit hit = View()->Model().Window().HitTest(ui::PointerTwips(local.x(), local.y(), ui::kDesignDpi));
        return hit.kind == ui::Hit::Kind::Label ? child(static_cast<int>(hit.item)) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        if (!View()->Model().Loaded())
            return nullptr;
        const std::optional<std::size_t> focus = View()->Model().Window().Focus();
        return focus ? child(static_cast<int>(*focus)) : nullptr;
    }

    void Notify(const ui::WindowChanges& changes)
    {
        const std::vector<ui::Label>& labels = Labels();
        for (const std::size_t index : changes.labels) {
            if (index >= labels.size() || index >= shown_.size())
                continue;
            const ui::Label& label = labels[index];
            Shown& was = shown_[index];
            const int childIndex = static_cast<int>(index);
            if (label.Caption() != was.caption) {
                QAccessibleEvent event(View(), QAccessible::NameChanged);
                event.setChild(childIndex);
                QAccessible::updateAccessibility(&event);
            }
            QAccessible::State changed;
            changed.disabled = label.Enabled() != was.enabled;
            changed.invisible = label.Visible() != was.visible;
            if (changed.disabled || changed.invisible) {
                QAccessibleStateChangeEvent event(View(), changed);
                event.setChild(childIndex);
                QAccessible::updateAccessibility(&event);
            }
            was = {label.Caption(), label.Enabled(), label.Visible()};
        }
        if (changes.focus) {
            if (const std::optional<std::size_t> focus = View()->Model().Window().Focus()) {
                QAccessibleEvent event(View(), QAccessible::Focus);
                event.setChild(static_cast<int>(*focus));
                QAccessible::updateAccessibility(&event);
            }
        }
    }

private:
    struct Shown {
        std::string caption;
        bool enabled;
        bool visible;
    };

    FormView* View() const { return static_cast<FormView*>(widget()); }
    const std::vector<ui::Label>& Labels() const
    {
        static const std::vector<ui::Label> none;
        return View()->Model().Loaded() ? View()->Model().Window().Labels() : none;
    }

    mutable std::vector<QAccessible::Id> children_;
    std::vector<Shown> shown_;
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
    static const bool installed = (QAccessible::installFactory(Factory), true);
    (void)installed;
}

void NotifyAccessibility(FormView& view, const ui::WindowChanges& changes)
{
    if (!QAccessible::isActive())
        return;
    if (auto* accessible = dynamic_cast<FormViewAccessible*>(QAccessible::queryAccessibleInterface(&view)))
        accessible->Notify(changes);
}

} // namespace autorun::qt
