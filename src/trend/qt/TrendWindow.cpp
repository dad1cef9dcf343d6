#include "trend/qt/TrendWindow.h"

#include "platform/qt/ApplicationTitle.h"
#include "trend/AxisRange.h"
#include "trend/CsvExport.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>

namespace vexmoor::trend::qt {

namespace {

constexpr std::int64_t kMinuteMs = 60 * 1000;
constexpr std::int64_t kDayMs = 24 * 60 * kMinuteMs;
// Points this far left of the ten-minute view are dropped; they go in bulk
// once a minute rather than one at a time on every tick.
constexpr std::int64_t kTrimSlackMs = kMinuteMs;

QPointF ToPoint(const TracePoint& point)
{
    return QPointF(static_cast<qreal>(point.utcMs), point.celsius);
}

} // namespace

TrendWindow::TrendWindow(TrendStore& store, QWidget* owner)
    : QWidget(owner, Qt::Window),
      store_(store),
      lines_{Line{SensorTrace(1), QPen(QColor(0x1f, 0x6f, 0xb4), 2), nullptr, {}},
             Line{SensorTrace(2), QPen(QColor(0xd2, 0x46, 0x2d), 2), nullptr, {}}}
{
    // "Vexmoor Trend" beside the main dialog "Vexmoor".
    setWindowTitle(owner != nullptr ? owner->windowTitle() + QStringLiteral(" Trend") : QStringLiteral("Trend"));

    view_ = new QChartView(new QChart(), this);
    view_->setRenderHint(QPainter::Antialiasing);
    chart_ = view_->chart();
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_ = new QDateTimeAxis(chart_);
    timeAxis_->setTitleText(QStringLiteral("Local time"));
    timeAxis_->setTickCount(6);
    valueAxis_ = new QValueAxis(chart_);
    valueAxis_->setTitleText(QStringLiteral("°C"));
    valueAxis_->setLabelFormat(QStringLiteral("%.1f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(valueAxis_, Qt::AlignLeft);
    const ValueRange start = NiceRange(20.0, 25.0);
    valueAxis_->setRange(start.low, start.high);
    valueAxis_->setTickCount(start.ticks);

    for (int channel = 1; channel <= 2; ++channel) {
        Line& line = lines_[static_cast<std::size_t>(channel - 1)];
        line.key = new QLineSeries(chart_);
        line.key->setName(QStringLiteral("Sensor%1").arg(channel));
        line.key->setPen(line.pen);
        chart_->addSeries(line.key);
        line.key->attachAxis(timeAxis_);
        line.key->attachAxis(valueAxis_);
    }

    spanChoice_ = new QComboBox(this);
    spanChoice_->addItem(QStringLiteral("Last 10 minutes"));
    spanChoice_->addItem(QStringLiteral("Whole session"));
    connect(spanChoice_, &QComboBox::currentIndexChanged, this,
            [this](int index) { SetSpan(index == 1 ? Span::WholeSession : Span::LastTenMinutes); });
    auto* spanLabel = new QLabel(QStringLiteral("&Show:"), this);
    spanLabel->setBuddy(spanChoice_);

    saveButton_ = new QPushButton(QStringLiteral("Save as &CSV..."), this);
    connect(saveButton_, &QPushButton::clicked, this, [this] { AskAndSave(); });

    auto* controls = new QHBoxLayout();
    controls->addWidget(spanLabel);
    controls->addWidget(spanChoice_);
    controls->addStretch(1);
    controls->addWidget(saveButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(controls);
    resize(760, 440);

    Rebuild();
    subscription_ = store_.Subscribe([this](const Reading& reading) { OnReading(reading); });
}

TrendWindow::~TrendWindow() = default;

const std::vector<QLineSeries*>& TrendWindow::Segments(int channel) const
{
    return lines_[channel == 1 ? 0 : 1].segments;
}

void TrendWindow::SetSpan(Span span)
{
    if (span == span_) {
        return;
    }
    span_ = span;
    {
        const QSignalBlocker blocker(spanChoice_);
        spanChoice_->setCurrentIndex(span == Span::WholeSession ? 1 : 0);
    }
    Rebuild();
}

void TrendWindow::ClearSegments(Line& line)
{
    for (QLineSeries* segment : line.segments) {
        chart_->removeSeries(segment);
        segment->deleteLater();
    }
    line.segments.clear();
}

QLineSeries* TrendWindow::AddSegment(Line& line)
{
    auto* segment = new QLineSeries(chart_);
    segment->setPen(line.pen);
    chart_->addSeries(segment);
    segment->attachAxis(timeAxis_);
    segment->attachAxis(valueAxis_);
    // The legend has one entry per sensor: its key line's.
    for (QLegendMarker* marker : chart_->legend()->markers(segment)) {
        marker->setVisible(false);
    }
    line.segments.push_back(segment);
    return segment;
}

void TrendWindow::Rebuild()
{
    const std::deque<Reading>& readings = store_.Readings();
    latestMs_ = readings.empty() ? QDateTime::currentMSecsSinceEpoch() : readings.back().time.utcMs;

    std::int64_t bucketMs = 0;
    auto first = readings.begin();
    if (span_ == Span::WholeSession) {
        const std::int64_t oldest = readings.empty() ? latestMs_ : readings.front().time.utcMs;
        bucketMs = SessionBucketMs(latestMs_ - oldest);
    } else {
        // The readings of the last ten minutes, found from the newest back.
        const std::int64_t cutoff = latestMs_ - kRecentMs;
        first = readings.end();
        while (first != readings.begin() && std::prev(first)->time.utcMs >= cutoff) {
            --first;
        }
    }

    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        ClearSegments(line);
        line.trace = SensorTrace(static_cast<std::uint8_t>(i + 1), bucketMs);
        for (auto it = first; it != readings.end(); ++it) {
            line.trace.Add(*it);
        }
        for (const std::vector<TracePoint>& points : line.trace.Segments()) {
            QList<QPointF> drawn;
            drawn.reserve(static_cast<qsizetype>(points.size()));
            for (const TracePoint& point : points) {
                drawn.append(ToPoint(point));
            }
            QLineSeries* segment = AddSegment(line);
            segment->replace(drawn);
            segment->setPointsVisible(points.size() == 1);
        }
    }
    UpdateRanges();
}

void TrendWindow::OnReading(const Reading& reading)
{
    latestMs_ = reading.time.utcMs;
    if (span_ == Span::WholeSession) {
        const std::int64_t oldest = store_.Readings().front().time.utcMs;
        if (SessionBucketMs(latestMs_ - oldest) > lines_[0].trace.BucketMs()) {
            // The session outgrew its slots: drawn afresh with wider ones.
            Rebuild();
            return;
        }
    }
    Line& line = lines_[reading.channel == 1 ? 0 : 1];
    if (const auto change = line.trace.Add(reading)) {
        Apply(line, *change);
    }
    Trim();
    UpdateRanges();
}

void TrendWindow::Apply(Line& line, const SensorTrace::Change& change)
{
    const std::vector<TracePoint>& points = line.trace.Segments().back();
    QLineSeries* segment = change.newSegment || line.segments.empty() ? AddSegment(line) : line.segments.back();
    const int from = static_cast<int>(change.from);
    if (from < segment->count()) {
        segment->removePoints(from, segment->count() - from);
    }
    if (points.size() == change.from + 1) {
        segment->append(ToPoint(points.back()));
    } else {
        QList<QPointF> added;
        for (std::size_t i = change.from; i < points.size(); ++i) {
            added.append(ToPoint(points[i]));
        }
        segment->append(added);
    }
    // A lone point has no line to show it: it is drawn as a dot.
    segment->setPointsVisible(points.size() == 1);
}

void TrendWindow::Apply(Line& line, const SensorTrace::Dropped& dropped)
{
    for (std::size_t i = 0; i < dropped.segments && !line.segments.empty(); ++i) {
        chart_->removeSeries(line.segments.front());
        line.segments.front()->deleteLater();
        line.segments.erase(line.segments.begin());
    }
    if (dropped.points > 0 && !line.segments.empty()) {
        QLineSeries* first = line.segments.front();
        first->removePoints(0, static_cast<int>(dropped.points));
        first->setPointsVisible(first->count() == 1);
    }
}

void TrendWindow::Trim()
{
    // The ten-minute view keeps what it shows (and a minute more); the
    // session view drops what the store no longer holds.
    std::int64_t keepFrom = 0;
    std::int64_t dropWhenOlderThan = 0;
    if (span_ == Span::LastTenMinutes) {
        keepFrom = latestMs_ - kRecentMs;
        dropWhenOlderThan = keepFrom - kTrimSlackMs;
    } else {
        keepFrom = store_.Readings().front().time.utcMs;
        dropWhenOlderThan = keepFrom;
    }
    for (Line& line : lines_) {
        const auto& segments = line.trace.Segments();
        if (!segments.empty() && segments.front().front().utcMs < dropWhenOlderThan) {
            Apply(line, line.trace.DropBefore(keepFrom));
        }
    }
}

void TrendWindow::UpdateRanges()
{
    std::int64_t from = latestMs_ - kRecentMs;
    std::int64_t to = latestMs_;
    if (span_ == Span::WholeSession) {
        from = store_.Readings().empty() ? latestMs_ : store_.Readings().front().time.utcMs;
        to = std::max(latestMs_, from + kMinuteMs);
    }
    const QDateTime fromTime = QDateTime::fromMSecsSinceEpoch(from);
    const QDateTime toTime = QDateTime::fromMSecsSinceEpoch(to);
    if (timeAxis_->min() != fromTime || timeAxis_->max() != toTime) {
        timeAxis_->setRange(fromTime, toTime);
    }
    const QString format = to - from <= kRecentMs ? QStringLiteral("HH:mm:ss")
                           : to - from < kDayMs   ? QStringLiteral("HH:mm")
                                                  : QStringLiteral("MM-dd HH:mm");
    if (timeAxis_->format() != format) {
        timeAxis_->setFormat(format);
    }

    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    for (const Line& line : lines_) {
        for (const std::vector<TracePoint>& points : line.trace.Segments()) {
            for (const TracePoint& point : points) {
                if (point.utcMs >= from && std::isfinite(point.celsius)) {
                    low = std::min(low, point.celsius);
                    high = std::max(high, point.celsius);
                }
            }
        }
    }
    if (low > high) {
        return;  // nothing to show: the scale stays
    }
    const ValueRange range = NiceRange(low, high);
    if (valueAxis_->min() != range.low || valueAxis_->max() != range.high) {
        valueAxis_->setRange(range.low, range.high);
        valueAxis_->setTickCount(range.ticks);
    }
}

bool TrendWindow::SaveCsvTo(const QString& path)
{
#if defined(Q_OS_WIN)
    const std::filesystem::path target(path.toStdWString());
#else
    const std::filesystem::path target(QFile::encodeName(path).toStdString());
#endif
    const std::string error = SaveCsv(store_, target);
    if (error.empty()) {
        return true;
    }
    QMessageBox box(QMessageBox::Warning, platform::qt::ApplicationTitle(),
                    QStringLiteral("The readings could not be saved to %1.\n\n%2\n\n"
                                   "They are still kept: choose another file and save again.")
                        .arg(QDir::toNativeSeparators(path), QString::fromStdString(error)),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
}

void TrendWindow::AskAndSave()
{
    QFileDialog dialog(this, QStringLiteral("Save as CSV"),
                       QDir::current().filePath(QStringLiteral("vexmoor-trend.csv")),
                       QStringLiteral("CSV files (*.csv);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    SaveCsvTo(dialog.selectedFiles().constFirst());
}

TrendWindow& ShowTrendWindow(QWidget& owner, TrendStore& store)
{
    TrendWindow* window = nullptr;
    // A window that was closed is hidden until it is deleted: it does not count.
    for (TrendWindow* child : owner.findChildren<TrendWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden()) {
            window = child;
        }
    }
    if (window == nullptr) {
        window = new TrendWindow(store, &owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

} // namespace vexmoor::trend::qt
