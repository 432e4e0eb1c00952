// The Qt window that draws one window of a Form and hands it every pointer event, in twips.
// It decides nothing: what changes, and when, is the Form's business; it never takes keyboard focus.
#pragma once

#include "ui/Form.h"

#include <QCursor>
#include <QWidget>

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
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void DrawLabel(QPainter& painter, const ui::Label& label) const;
    QColor ToQColor(ui::Colour colour) const;
    void ShowPointer(ui::Point p);
    void DispatchButton(const QMouseEvent& event, void (Form::*handler)(ui::Point, MouseButton));

    Form& form_;
    QCursor hand_;
    std::optional<ui::Pointer> pointer_;
};

} // namespace autorun::qt
