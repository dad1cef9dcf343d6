#pragma once
// Widgets that behave and look as the controls of a dialog template do where
// Qt's own differ: the group box's frame, static text's line breaking and the
// check box's clickable area.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>

namespace vexmoor::platform::qt {

// The frame's top edge runs through the middle of the caption, which sits on
// it, inset from the left or centred. (Qt's styles put the caption above the
// frame, which moves the frame down onto the controls placed just below it.)
class TemplateGroupBox final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Left-aligned text broken between words onto as many lines as the width
// needs, each line the font's height (ascent plus descent) below the one
// before, without extra leading: that is the height the templates allow for
// a line.
class StaticText final : public QLabel {
public:
    using QLabel::QLabel;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // The caption's lines at `width` pixels.
    QStringList Lines(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A check box that a click anywhere on it toggles, not only on its indicator.
class TemplateCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

} // namespace vexmoor::platform::qt
