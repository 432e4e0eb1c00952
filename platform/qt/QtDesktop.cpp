#include "platform/qt/QtDesktop.h"

#include "platform/posix/PosixFiles.h"
#include "platform/qt/FormView.h"
#include "ui/Form.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace autorun::qt {
namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The pixels from first to last, in 64 bits and at most what a screen can hold. At a nonsensical
// QT_SCALE_FACTOR (0, nan, inf) Qt reports edges at the ends of int's range, whose QRect::width()
// overflows; centring on such sizes must still give positions the window system can take.
int Extent(int first, int last)
{
    constexpr qint64 kLargestScreen = qint64{1} << 20;
    return static_cast<int>(std::clamp<qint64>(qint64{last} - first + 1, 0, kLargestScreen));
}

void ShowBox(QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    // On the heap and guarded: closing the owner while the box waits deletes the box with it.
    QPointer<QMessageBox> box = new QMessageBox(icon, ToQString(kProgramTitle), text, QMessageBox::Ok, parent);
    box->exec();
    delete box;
}

} // namespace

QtDesktop::QtDesktop(std::filesystem::path launchFolder) : LinuxDesktop(std::move(launchFolder)) {}

ui::Size QtDesktop::ScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QRect geometry = screen->geometry();
    return {ui::ToTwips(Extent(geometry.left(), geometry.right())),
            ui::ToTwips(Extent(geometry.top(), geometry.bottom()))};
}

ui::Size QtDesktop::OuterSize(const ui::Window& window)
{
    // Only a window already shown tells how much frame the window manager adds.
    int frameWidth = 0;
    int frameHeight = 0;
    for (const auto& [shown, view] : views_) {
        if (view->isVisible()) {
            const QRect outer = view->frameGeometry();
            frameWidth = Extent(outer.left(), outer.right()) - Extent(0, view->width() - 1);
            frameHeight = Extent(outer.top(), outer.bottom()) - Extent(0, view->height() - 1);
            break;
        }
    }
    return {window.Client().width + ui::ToTwips(frameWidth), window.Client().height + ui::ToTwips(frameHeight)};
}

void QtDesktop::BrowseFolder(std::string_view folder)
{
    services_.BrowseFolder(folder, TellOver(launcher_));
}

void QtDesktop::OpenDocument(const ui::Window& owner, std::string_view path)
{
    services_.OpenDocument(path, TellOver(ViewOf(owner)));
}

void QtDesktop::Watch(int fd, std::function<bool()> readable)
{
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &watchers_);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, readable = std::move(readable)] {
        // Off before reaping: reaping closes the descriptor the notifier watches.
        notifier->setEnabled(false);
        if (readable())
            notifier->deleteLater();
        else
            notifier->setEnabled(true);
    });
}

posix::LinuxDesktopServices::Tell QtDesktop::TellOver(QPointer<QWidget> owner)
{
    return [this, owner](const std::string& text) {
        ShowBox(BoxParent(owner), ToQString(text), QMessageBox::Warning);
    };
}

void QtDesktop::ShowMessage(const ui::Window& owner, std::string_view text)
{
    ShowBox(BoxParent(ViewOf(owner)), ToQString(text), QMessageBox::NoIcon);
}

void QtDesktop::ShowModal(Form& form)
{
    FormView view(form, launcher_);
    view.setWindowModality(Qt::ApplicationModal);
    views_[&form.Window()] = &view;
    QEventLoop loop;
    QObject::connect(&view, &FormView::Closed, &loop, &QEventLoop::quit);
    view.show();
    // The keyboard goes to the window shown, also where no window manager hands it over.
    view.activateWindow();
    if (view.isVisible())
        loop.exec();
    views_.erase(&form.Window());
    // Without a window manager nobody hands the keyboard back to the window below.
    if (QWidget* owner = view.parentWidget(); owner != nullptr && owner->isVisible()) {
        owner->activateWindow();
        owner->setFocus(Qt::ActiveWindowFocusReason);
    }
}

int QtDesktop::Run(Form& form)
{
    FormView view(form);
    launcher_ = &view;
    views_[&form.Window()] = &view;
    // Closing the start-up window ends the program, whatever else is open.
    QObject::connect(&view, &FormView::Closed, &view, [] { QCoreApplication::exit(0); });
    view.show();
    view.activateWindow();
    const int status = QApplication::exec();
    views_.erase(&form.Window());
    launcher_ = nullptr;
    return status;
}

void QtDesktop::EndWithReport(std::string_view report)
{
    std::cerr << report << std::endl;
    QMessageBox box(QMessageBox::Critical, ToQString(kProgramTitle), ToQString(report), QMessageBox::Ok,
                    BoxParent(nullptr));
    box.exec();
    std::fflush(nullptr);
    std::_Exit(1);
}

FormView* QtDesktop::ViewOf(const ui::Window& window) const
{
    const auto found = views_.find(&window);
    return found == views_.end() ? nullptr : found->second;
}

QWidget* QtDesktop::BoxParent(QWidget* owner) const
{
    if (owner != nullptr && owner->isVisible())
        return owner;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return launcher_;
}

} // namespace autorun::qt
