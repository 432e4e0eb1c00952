// The Qt window that draws one window of a Form and hands it every pointer event, in twips.
// It decides nothing: what changes, and when, is the Form's business; it never takes keyboard focus.
#pragma once

#include "ui/Form.h"

#include <QCursor>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace autorun::qt {

class FormView : public QWidget {
    Q_OBJECT

public:
    // A view with an owner is a top-level window kept above it, not a child widget.
    explicit FormView(Form& form, QWidget* owner = nullptr);

    Form& Model() const { return form_; }

    // Brings title, position and the labels the logic touched up to date.
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
    std::uint64_t revision_ = 0;
    std::vector<std::uint64_t> labelRevisions_;
    std::string title_;
    ui::Point position_;
};

} // namespace autorun::qt
