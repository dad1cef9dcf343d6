#pragma once
// The trend window: t1 and t2 in °C against local time, drawn with Qt Charts
// from the trend store and following it live. Shows the last ten minutes or
// the whole session; saves every reading kept as CSV. A top-level window
// owned by the main dialog's window, one at a time.

#include "trend/SensorTrace.h"
#include "trend/TrendStore.h"

#include <QPen>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace vexmoor::trend::qt {

class TrendWindow final : public QWidget {
    Q_OBJECT

public:
    enum class Span { LastTenMinutes, WholeSession };
    static constexpr std::int64_t kRecentMs = 10 * 60 * 1000;

    // `store` must outlive the window.
    explicit TrendWindow(TrendStore& store, QWidget* owner = nullptr);
    ~TrendWindow() override;
    TrendWindow(const TrendWindow&) = delete;
    TrendWindow& operator=(const TrendWindow&) = delete;

    Span CurrentSpan() const { return span_; }
    void SetSpan(Span span);

    // Writes every reading kept to `path` as CSV; a failure is shown in a
    // box and changes nothing kept. Returns whether the file was written.
    bool SaveCsvTo(const QString& path);

    // Inspection, for tests and the screenshot tool.
    QChart* Chart() const { return chart_; }
    QDateTimeAxis* TimeAxis() const { return timeAxis_; }
    QValueAxis* ValueAxis() const { return valueAxis_; }
    QComboBox* SpanChoice() const { return spanChoice_; }
    QPushButton* SaveButton() const { return saveButton_; }
    // The drawn segments of sensor `channel` (1 or 2), oldest first.
    const std::vector<QLineSeries*>& Segments(int channel) const;

private:
    struct Line {
        SensorTrace trace;
        QPen pen;
        QLineSeries* key = nullptr;          // empty; carries the legend entry
        std::vector<QLineSeries*> segments;  // owned by chart_
    };

    void OnReading(const Reading& reading);
    void Rebuild();
    void ClearSegments(Line& line);
    QLineSeries* AddSegment(Line& line);
    void Apply(Line& line, const SensorTrace::Change& change);
    void Apply(Line& line, const SensorTrace::Dropped& dropped);
    void Trim();
    void UpdateRanges();
    void AskAndSave();

    TrendStore& store_;
    Span span_ = Span::LastTenMinutes;
    std::int64_t latestMs_ = 0;
    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    QComboBox* spanChoice_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    std::array<Line, 2> lines_;
    TrendStore::Subscription subscription_;
};

// Shows the trend window of `owner`, making it on first use; an open one is
// brought to the front.
TrendWindow& ShowTrendWindow(QWidget& owner, TrendStore& store);

} // namespace vexmoor::trend::qt
