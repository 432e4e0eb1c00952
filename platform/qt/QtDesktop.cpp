#include "platform/qt/QtDesktop.h"

#include "platform/portable/ProfileReader.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/Spawn.h"
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

// xdg-open's exit statuses, as its manual lists them.
std::string OpenFailureReason(int status)
{
    switch (status) {
    case 1:
        return "xdg-open did not understand the request.";
    case 2:
        return "The file or folder does not exist.";
    case 3:
        return "No program is set up to open it.";
    case 4:
        return "The program that opens it failed.";
    default:
        return "xdg-open ended with status " + std::to_string(status) + ".";
    }
}

// The pixels from first to last, in 64 bits and at most what a screen can hold. At a nonsensical
// QT_SCALE_FACTOR (0, nan, inf) Qt reports edges at the ends of int's range, whose QRect::width()
// overflows; centring on such sizes must still give positions the window system can take.
int Extent(int first, int last)
{
    constexpr qint64 kLargestScreen = qint64{1} << 20;
    return static_cast<int>(std::clamp<qint64>(qint64{last} - first + 1, 0, kLargestScreen));
}

QString OpenFailureText(const std::string& file, const std::string& reason)
{
    return ToQString("Cannot open \"" + file + "\".\n\n" + reason);
}

void ShowBox(QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    // On the heap and guarded: closing the owner while the box waits deletes the box with it.
    QPointer<QMessageBox> box = new QMessageBox(icon, ToQString(kProgramTitle), text, QMessageBox::Ok, parent);
    box->exec();
    delete box;
}

} // namespace

QtDesktop::~QtDesktop()
{
    if (unwatchedChildren_)
        posix::ReapFinishedChildren();
}

std::string QtDesktop::ReadProfileString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue, std::size_t bufferSize,
                                         std::string_view file)
{
    std::filesystem::path native;
    try {
        native = Native(file);
    } catch (const Failure&) {
        // The reader never fails: a settings file on a disc that is gone reads as missing.
        return profile::Lookup({}, section, key, defaultValue, bufferSize);
    }
    return profile::ReadProfileString(section, key, defaultValue, bufferSize, native);
}

std::string QtDesktop::ProgramFolder()
{
    // Once the disc is unmounted, /proc/self/exe names a path inside it as if it were the root.
    if (!launchFolder_)
        launchFolder_.emplace(ExecutableFolder());
    return posix::PathText(launchFolder_->Path());
}

std::filesystem::path QtDesktop::ExecutableFolder()
{
    return givenFolder_.empty() ? posix::ExecutableFolder() : givenFolder_;
}

std::filesystem::path QtDesktop::Native(std::string_view path) const
{
    if (!launchFolder_)
        return posix::NativePath(path);
    launchFolder_->ExpectPresent();
    return posix::NativePath(path, launchFolder_->Path());
}

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

std::string QtDesktop::FindFile(std::string_view path)
{
    return posix::FindNormalFile(Native(path));
}

void QtDesktop::StartProgram(std::string_view path)
{
    Start({Native(path).string()}, false, {});
}

void QtDesktop::BrowseFolder(std::string_view folder)
{
    Open(Native(folder).string(), launcher_);
}

void QtDesktop::OpenDocument(const ui::Window& owner, std::string_view path)
{
    const std::string native = Native(path).string();
    QPointer<QWidget> ownerView = ViewOf(owner);
    try {
        Open(native, ownerView);
    } catch (const Failure& failure) {
        // The shell, not the program, tells the user that a document cannot be opened.
        ShowBox(BoxParent(ownerView), OpenFailureText(native, failure.Description()), QMessageBox::Warning);
    }
}

void QtDesktop::Open(const std::string& file, QPointer<QWidget> owner)
{
    Start({"xdg-open", file}, true, [this, file, owner](int status) {
        if (status != 0)
            ShowBox(BoxParent(owner), OpenFailureText(file, OpenFailureReason(status)), QMessageBox::Warning);
    });
}

void QtDesktop::Start(const std::vector<std::string>& argv, bool searchPath, std::function<void(int)> ended)
{
    // Without a process descriptor a child can only be reaped by asking again later.
    if (unwatchedChildren_)
        posix::ReapFinishedChildren();
    const posix::SpawnedProcess child = posix::Spawn(argv, searchPath);
    if (child.pidfd < 0) {
        unwatchedChildren_ = true;
        return;
    }
    auto* notifier = new QSocketNotifier(child.pidfd, QSocketNotifier::Read, &watchers_);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, child, ended] {
        // Off before reaping: TryReap closes the descriptor the notifier watches.
        notifier->setEnabled(false);
        const std::optional<int> status = posix::TryReap(child);
        if (!status) {
            notifier->setEnabled(true);
            return;
        }
        notifier->deleteLater();
        if (ended)
            ended(*status);
    });
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
