#include "platform/qt/TemplateControls.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

#include <algorithm>

namespace vexmoor::platform::qt {

namespace {

int LineHeight(const QFont& font)
{
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

} // namespace

void TemplateGroupBox::paintEvent(QPaintEvent* /*event*/)
{
    constexpr int kCaptionInset = 7;
    constexpr int kCaptionPadding = 2;
    QPainter painter(this);
    const int textHeight = LineHeight(font());

    // An etched line: a shadow line with a light line inside it.
    qDrawShadeRect(&painter, rect().adjusted(0, textHeight / 2 - 1, 0, 0), palette(), true, 1, 0);

    if (title().isEmpty()) {
        return;
    }
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    const int textWidth = fontMetrics().boundingRect(QRect(), flags, title()).width() + 2 * kCaptionPadding;
    QRect caption(kCaptionInset, 0, std::min(textWidth, width() - 2 * kCaptionInset), textHeight);
    if ((alignment() & Qt::AlignHCenter) != 0) {
        caption.moveLeft((width() - caption.width()) / 2);
    }
    painter.fillRect(caption, palette().window());
    style()->drawItemText(&painter, caption, flags, palette(), isEnabled(), title(), QPalette::WindowText);
}

QStringList StaticText::Lines(int width) const
{
    const QFontMetrics metrics(font());
    QStringList lines;
    for (const QString& paragraph : text().split(u'\n')) {
        QString line;
        for (const QString& word : paragraph.split(u' ')) {
            const QString longer = line.isEmpty() ? word : line + u' ' + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines;
}

int StaticText::heightForWidth(int width) const
{
    return static_cast<int>(Lines(width).size()) * LineHeight(font());
}

void StaticText::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const int lineHeight = LineHeight(font());
    int y = 0;
    for (const QString& line : Lines(width())) {
        style()->drawItemText(&painter, QRect(0, y, width(), lineHeight),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, palette(), isEnabled(), line,
                              foregroundRole());
        y += lineHeight;
    }
}

} // namespace vexmoor::platform::qt
