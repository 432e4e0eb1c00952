// The Qt window that draws one window of a Form and hands it every pointer event, in twips, and
// every key the Form answers. It decides nothing: what changes, and when, is the Form's business.
#pragma once

#include "ui/Form.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>

#include <map>
#include <optional>

namespace autorun::qt {

class FormView : public QWidget {
    Q_OBJECT

public:
    // A view with an owner is a top-level window kept above it, not a child widget.
    explicit FormView(Form& form, QWidget* owner = nullptr);

    Form& Model() const { return form_; }

    // Applies what the logic changed: repaints labels, moves, retitles or closes the window.
    void Sync();

signals:
    // The user (or the program) closed the window.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab move the Form's focus among its labels, not Qt's among widgets.
    bool focusNextPrevChild(bool next) override;
    // The window looks the same with and without Qt's focus, which the Form draws itself; the Form
    // learns whether the window has the keyboard and is on the screen, for screen readers.
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Returns the box the caption's text takes.
    QRect DrawLabel(QPainter& painter, const ui::Label& label, const ui::LabelLook& look) const;
    void ShowPointer(ui::Point p);
    // The window's density from its screen's, applied through Sync.
    void FitToScreen();
    // Pictures and pointer for the window's density, all repainted.
    void FitToDensity();
    // The desktop's colours and contrast, applied through Sync.
    void FitToTheme();
    void DrawPicture(QPainter& painter, ui::Resource resource, const QRect& designed);
    void DispatchButton(const QMouseEvent& event, void (Form::*handler)(ui::Point, MouseButton));

    Form& form_;
    QCursor hand_;
    // The larger pictures, each at its own density, as first drawn.
    std::map<ui::Resource, QPixmap> dense_;
    std::optional<ui::Pointer> pointer_;
};

} // namespace autorun::qt
